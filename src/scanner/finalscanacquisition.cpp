// The final scan (request 1) of ScannerSDK: the framed area at the profile's
// resolution, turned and mirrored, processed, converted and written under the next
// free name. Runs on the worker thread inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "scanoptionrecord.h"

#include <finalfile.h>

#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <servicemodes.h>
#include <stagedump.h>
#include <userfolders.h>

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

void ScannerSDK::handleFinalScan()
{
    if (!scanRunning())
        return;
    m_scannedOnce = true;
    const int model = modelCode();
    const int choice = settings.resolution();
    const int outputResolution = ScannerModels::outputDpi(model, choice);
    const ServiceModes& modes = ServiceModes::instance();

    // Negatives keep the balance the last prescan measured on their film base.
    if (!FilmTypes::isNegative(settings.filmType())) {
        const ExposureTriple triple = settings.exposureTriple(model);
        m_colourBalance = { { triple.red, triple.green, triple.blue } };
    }

    device::ScanOptionRecord record = ScanOptionRecords::finalRecord(ScannerModels::deviceDpi(model, choice),
        m_scanArea.left, m_scanArea.top, m_scanArea.width, m_scanArea.height, m_colourBalance,
        settings.filmTypeCode(), NVAScanner::lineCallback());
    applyScanBalance(record);

    if (!device::succeeded(m_device->startScan(&record))) {
        emit scannerScanImage_s(QString());
        return;
    }
    STImage image = m_device->scannedImage();

    if (modes.isRawMode()) {
        dumpOptionRecord(QStringLiteral("Scan"), record);
        dumpStage(image, QStringLiteral("Scan"));
        ScanProfile(settings).save(UserFolders::rawImageFolder() + QLatin1String("/Scan.kor"));
    }
    // Without a turn or mirror the scan is used as it is, not copied: the final scan
    // is the largest image the program holds.
    if (m_transform.quarterTurns() != 0 || m_transform.mirror() || m_transform.flip())
        image = m_transform.apply(image);
    if (modes.isEngineerMode()) {
        const QString folder = UserFolders::debugFolder();
        dumpOptionRecord(QStringLiteral("scan"), record);
        image.saveTiff(folder + QLatin1String("/Scan.tif"));
        ScanProfile(settings).save(folder + QLatin1String("/Scan.kor"));
    }

    bool finished = true;
    if (m_processing) {
        PipelineHooks hooks;
        if (modes.isRawMode())
            hooks.dumpStage = [](const STImage& stage, const QString& name) { dumpStage(stage, name); };
        hooks.keepGoing = [this] { return scanRunning(); };
        finished = m_processing->runFinalScan(image, profileProcessingOptions(settings, model), hooks);
    } else {
        qCWarning(lcWorker)
            << "no processing steps were given to the scanner worker; the scan is saved unprocessed";
    }
    if (finished && modes.isRawMode())
        dumpStage(image.toQImage(), QStringLiteral("Scan_Final"));

    const QString path = settings.nextOutputPath();
    const QString workFolder = UserFolders::userFolder(QStringLiteral("Korvane"));
    FinalFile::Prepared prepared;
    if (finished)
        prepared = FinalFile::prepare(image, outputResolution, settings.colourDepth() == 1, workFolder);

    // A cancel that arrived during the scan's processing discards it, and with it
    // the enlarged raw file.
    if (!scanRunning()) {
        FinalFile::discardRawFiles(workFolder);
        emit scannerScanImage_s(QString());
        return;
    }
    QString written;
    if (prepared.ok)
        written = FinalFile::write(image, prepared, path, workFolder);
    else
        FinalFile::discardRawFiles(workFolder);
    if (written.isEmpty())
        qCWarning(lcWorker) << "the final scan could not be saved as" << path;
    emit scannerScanImage_s(written);
}
