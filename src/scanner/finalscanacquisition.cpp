// The final scan (request 1) of ScannerSDK: the framed area at the profile's
// resolution, turned and mirrored, processed, converted and written under the next
// free name. Runs on the worker thread inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanoptionrecord.h"
#include "scanprogress.h"

#include <finalfile.h>
#include <imagemetadata.h>

#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <servicemodes.h>
#include <stagedump.h>
#include <userfolders.h>

#include <QDateTime>
#include <QDir>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

namespace
{

// The sentence for the user of a final file that was not written into folder.
QString saveFailureReason(FinalFile::Failure failure, const QString& folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    switch (failure) {
    case FinalFile::Failure::DiskFull:
        return ScannerSDK::tr(
            "The scan could not be saved in %1: the disk is full. Free some space or choose "
            "another folder in Preference...")
            .arg(shown);
    case FinalFile::Failure::FolderUnusable:
        return ScannerSDK::tr("The scan could not be saved in %1: the folder does not exist or cannot be "
                              "written. Choose another folder in Preference...")
            .arg(shown);
    case FinalFile::Failure::NoFreeName:
        return ScannerSDK::tr("The scan could not be saved in %1: every file number from 0001 to 9998 is "
                              "taken. Move some files away or choose another folder in Preference...")
            .arg(shown);
    case FinalFile::Failure::None:
    case FinalFile::Failure::WriteFailed:
        break;
    }
    return ScannerSDK::tr("The scan could not be saved in %1: writing the file failed. Check the folder "
                          "and try again.")
        .arg(shown);
}

} // namespace

RequestOutcome ScannerSDK::handleFinalScan(const RequestSnapshot& request)
{
    if (!stillWanted(request))
        return ended(RequestOutcome::Cancelled);
    watchForCancel(request);
    m_progress->begin();
    if (!isLinked()) {
        emit scannerScanImage_s(QString());
        return failed(request, notLinkedReason());
    }
    const ScanProfile& settings = request.value.profile;
    const ScanArea& area = request.value.area;
    const ImageTransform& transform = request.value.transform;
    const ServiceModeState& modes = request.value.modes;
    m_scannedOnce = true;
    const int model = modelCode();
    const bool quality = settings.scansAtQuality();
    int outputResolution = ScannerModels::outputDpi(model, quality);

    // Negatives are exposed with the balance the last prescan measured on their film base.
    if (FilmTypes::isNegative(settings.filmType())) {
        m_colourBalance = m_measuredBalance;
    } else {
        const ExposureTriple triple = settings.exposureTriple(model, modes);
        m_colourBalance = { { triple.red, triple.green, triple.blue } };
    }

    device::ScanOptionRecord record
        = ScanOptionRecords::finalRecord(ScannerModels::deviceDpi(model, quality), area.left, area.top,
            area.width, area.height, m_colourBalance, settings.filmTypeCode(), NVAScanner::lineCallback());
    applyScanBalance(record, request);

    m_progress->beginAcquisition();
    const bool scanned = device::succeeded(m_device->startScan(&record));
    STImage image = scanned ? m_device->scannedImage() : STImage();
    const QByteArray deviceInfo = m_device->deviceInfo();
    const ImageMetadata metadata = ImageMetadata::forScan(NVAScanner::deviceVendor(deviceInfo),
        NVAScanner::deviceModel(deviceInfo), QDateTime::currentDateTime());
    // The library may report a cancelled scan as complete.
    if (!stillWanted(request)) {
        emit scannerScanImage_s(QString());
        return ended(RequestOutcome::Cancelled);
    }
    if (image.isNull()) {
        const QString reason = m_device->failureReason();
        emit scannerScanImage_s(QString());
        return failed(request,
            reason.isEmpty() ? tr("The scanner did not deliver the scan. Check the scanner and try again.")
                             : reason);
    }
    m_progress->endAcquisition();
    // A device that scanned at another resolution than asked: the file says which.
    if (m_device->lineResolution() > 0)
        outputResolution = m_device->lineResolution();

    if (modes.rawMode) {
        dumpOptionRecord(QStringLiteral("Scan"), record);
        dumpStage(image, QStringLiteral("Scan"), metadata);
        ScanProfile(settings).save(UserFolders::rawImageFolder() + QLatin1String("/Scan.kor"));
    }
    // Without a turn or mirror the scan is used as it is, not copied: the final scan
    // is the largest image the program holds.
    if (transform.quarterTurns() != 0 || transform.mirror() || transform.flip())
        image = transform.apply(image);
    if (modes.engineerMode) {
        const QString folder = UserFolders::debugFolder();
        dumpOptionRecord(QStringLiteral("scan"), record);
        image.saveTiff(folder + QLatin1String("/Scan.tif"));
        ScanProfile(settings).save(folder + QLatin1String("/Scan.kor"));
    }

    bool finished = true;
    if (ProcessingSteps* processing = request.value.processing.get()) {
        PipelineHooks hooks;
        if (modes.rawMode)
            hooks.dumpStage = [](const STImage& stage, const QString& name) { dumpStage(stage, name); };
        hooks.keepGoing = [this, &request] { return stillWanted(request); };
        hooks.stepTimed = [this](const QString&, qint64) { m_progress->stepDone(); };
        finished = processing->runFinalScan(image, profileProcessingOptions(settings, model), hooks);
    } else {
        qCWarning(lcWorker) << "the scan request brought no processing steps; the scan is saved unprocessed";
    }
    if (finished && modes.rawMode)
        dumpStage(image.toQImage(), QStringLiteral("Scan_Final"));

    m_progress->saving();
    const QString path = settings.nextOutputPath();
    const QString workFolder = UserFolders::userFolder(QStringLiteral("Korvane"));
    FinalFile::Prepared prepared;
    if (finished)
        prepared = FinalFile::prepare(image, outputResolution, settings.savesEightBit(), workFolder);

    // A cancel that arrived during the scan's processing discards it, and with it
    // the enlarged raw file.
    if (!stillWanted(request)) {
        FinalFile::discardRawFiles(workFolder);
        emit scannerScanImage_s(QString());
        return ended(RequestOutcome::Cancelled);
    }
    FinalFile::Failure failure = FinalFile::Failure::None;
    const QString written = FinalFile::write(image, prepared, path, workFolder, &failure, metadata);
    if (written.isEmpty()) {
        qCWarning(lcWorker) << "the final scan could not be saved as" << path;
        // A failed preparation is a fault of the work folder, the rest of the output folder.
        emit scannerScanImage_s(QString());
        return failed(
            request, saveFailureReason(failure, prepared.ok ? settings.outputFolder() : workFolder));
    }
    m_progress->done();
    emit scannerScanImage_s(written);
    return ended(RequestOutcome::Done);
}
