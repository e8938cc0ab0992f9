// The prescan (request 0) of ScannerSDK: the whole window at 300 dpi, after a
// film-base measurement for negatives. Runs on the worker thread inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "requestsnapshot.h"
#include "scanoptionrecord.h"
#include "scanprogress.h"

#include <servicemodes.h>
#include <stagedump.h>
#include <userfolders.h>

std::array<quint16, 3> ScannerSDK::presetBalance(int modelCode, const std::array<quint16, 3>& current)
{
    const ScannerModels::Model* model = ScannerModels::find(modelCode);
    return model ? model->presetBalance : current;
}

void ScannerSDK::applyScanBalance(device::ScanOptionRecord& record, const RequestSnapshot& request)
{
    if (request.value.modes.engineerMode) {
        const auto gain = [&request](ServiceModes::Channel channel) {
            return std::uint16_t(request.value.modes.gainFactor[channel]);
        };
        ScanOptionRecords::applyEngineer(
            record, { { gain(ServiceModes::Red), gain(ServiceModes::Green), gain(ServiceModes::Blue) } });
        return;
    }
    const ScanOptionRecords::Multipass multipass
        = ScanOptionRecords::multipassBalance(m_colourBalance, request.value.profile.filmType(), modelCode());
    for (std::size_t c = 0; c < 3; ++c) {
        m_balanceWork.balance[c] = multipass.balance[c];
        m_balanceWork.highlight[c] = multipass.highlights[c];
        m_balanceWork.shadow[c] = multipass.shadows[c];
    }
    if (request.value.profile.multipass().enable)
        ScanOptionRecords::applyMultipass(record, multipass);
}

RequestOutcome ScannerSDK::handlePrescan(const RequestSnapshot& request)
{
    if (!stillWanted(request))
        return ended(RequestOutcome::Cancelled);
    watchForCancel(request);
    m_progress->begin();
    if (!isLinked()) {
        emit scannerPreScan_s(STImage());
        return failed(request, notLinkedReason());
    }
    const ScanProfile& settings = request.value.profile;
    const int model = modelCode();
    m_colourBalance = presetBalance(model, m_colourBalance);
    m_scannedOnce = true;
    const int filmTypeCode = settings.filmTypeCode();

    if (FilmTypes::isNegative(settings.filmType())) {
        device::ScanOptionRecord filmBase
            = ScanOptionRecords::filmBaseRecord(filmTypeCode, NVAScanner::lineCallback());
        if (request.value.modes.engineerMode)
            dumpOptionRecord(QStringLiteral("PreviewDminCommand"), filmBase);
        // The film base only yields the balance; its image and result do not matter.
        m_device->startScan(&filmBase);
        m_device->readBalance(m_colourBalance);
        // A cancel stops the film-base scan, which reports nothing of it: the
        // prescan must not follow.
        if (!stillWanted(request)) {
            emit scannerPreScan_s(STImage());
            return ended(RequestOutcome::Cancelled);
        }
    } else {
        const ExposureTriple triple = settings.exposureTriple(model, request.value.modes);
        m_colourBalance = { { triple.red, triple.green, triple.blue } };
    }
    m_measuredBalance = m_colourBalance;

    device::ScanOptionRecord record
        = ScanOptionRecords::prescanRecord(m_colourBalance, filmTypeCode, NVAScanner::lineCallback());
    applyScanBalance(record, request);

    m_progress->beginAcquisition();
    const bool scanned = device::succeeded(m_device->startScan(&record));
    STImage image = scanned ? m_device->scannedImage() : STImage();
    // The library may report a cancelled scan as complete.
    if (!stillWanted(request)) {
        emit scannerPreScan_s(STImage());
        return ended(RequestOutcome::Cancelled);
    }
    if (image.isNull()) {
        const QString reason = m_device->failureReason();
        emit scannerPreScan_s(STImage());
        return failed(request,
            reason.isEmpty() ? tr("The scanner did not deliver the prescan. Check the scanner and try again.")
                             : reason);
    }
    m_progress->endAcquisition();

    if (request.value.modes.engineerMode) {
        const QString folder = UserFolders::debugFolder();
        dumpOptionRecord(QStringLiteral("preScan"), record);
        image.saveTiff(folder + QLatin1String("/preScan.tif"));
        ScanProfile(settings).save(folder + QLatin1String("/preScan.kor"));
    }
    if (request.value.modes.rawMode) {
        dumpOptionRecord(QStringLiteral("preScan"), record);
        dumpStage(image, QStringLiteral("preScan_432_287"));
        ScanProfile(settings).save(UserFolders::rawImageFolder() + QLatin1String("/preScan.kor"));
    }
    m_progress->done();
    emit scannerPreScan_s(image);
    return ended(RequestOutcome::Done);
}
