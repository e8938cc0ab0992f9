// The prescan (request 0) of ScannerSDK: the whole window at 300 dpi, after a
// film-base measurement for negatives. Runs on the worker thread inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "scanoptionrecord.h"

#include <servicemodes.h>
#include <stagedump.h>
#include <userfolders.h>

std::array<quint16, 3> ScannerSDK::presetBalance(int modelCode, const std::array<quint16, 3>& current)
{
    const ScannerModels::Model* model = ScannerModels::find(modelCode);
    return model ? model->presetBalance : current;
}

void ScannerSDK::applyScanBalance(device::ScanOptionRecord& record)
{
    const ServiceModes& modes = ServiceModes::instance();
    if (modes.isEngineerMode()) {
        const auto gain
            = [&modes](ServiceModes::Channel channel) { return std::uint16_t(modes.gainFactor(channel)); };
        ScanOptionRecords::applyEngineer(
            record, { { gain(ServiceModes::Red), gain(ServiceModes::Green), gain(ServiceModes::Blue) } });
        return;
    }
    const ScanOptionRecords::Multipass multipass
        = ScanOptionRecords::multipassBalance(m_colourBalance, settings.filmType(), modelCode());
    for (std::size_t c = 0; c < 3; ++c) {
        m_balanceWork.balance[c] = multipass.balance[c];
        m_balanceWork.highlight[c] = multipass.highlights[c];
        m_balanceWork.shadow[c] = multipass.shadows[c];
    }
    if (settings.multipass().enable)
        ScanOptionRecords::applyMultipass(record, multipass);
}

void ScannerSDK::handlePrescan()
{
    if (!scanRunning())
        return;
    const int model = modelCode();
    m_colourBalance = presetBalance(model, m_colourBalance);
    m_scannedOnce = true;
    const ServiceModes& modes = ServiceModes::instance();
    const int filmTypeCode = settings.filmTypeCode();

    if (FilmTypes::isNegative(settings.filmType())) {
        device::ScanOptionRecord filmBase
            = ScanOptionRecords::filmBaseRecord(filmTypeCode, NVAScanner::lineCallback());
        if (modes.isEngineerMode())
            dumpOptionRecord(QStringLiteral("PreviewDminCommand"), filmBase);
        // The film base only yields the balance; its image and result do not matter.
        m_device->startScan(&filmBase);
        m_device->readBalance(m_colourBalance);
        // startScan() sets the running flag again, so a cancel during the film-base
        // scan would otherwise be lost and the prescan run in full.
        if (!scanRunning()) {
            emit scannerPreScan_s(STImage());
            return;
        }
    } else {
        const ExposureTriple triple = settings.exposureTriple(model);
        m_colourBalance = { { triple.red, triple.green, triple.blue } };
    }

    device::ScanOptionRecord record
        = ScanOptionRecords::prescanRecord(m_colourBalance, filmTypeCode, NVAScanner::lineCallback());
    applyScanBalance(record);

    if (!device::succeeded(m_device->startScan(&record))) {
        emit scannerPreScan_s(STImage());
        return;
    }
    STImage image = m_device->scannedImage();

    if (modes.isEngineerMode()) {
        const QString folder = UserFolders::debugFolder();
        dumpOptionRecord(QStringLiteral("preScan"), record);
        image.saveTiff(folder + QLatin1String("/preScan.tif"));
        ScanProfile(settings).save(folder + QLatin1String("/preScan.kor"));
    }
    if (modes.isRawMode()) {
        dumpOptionRecord(QStringLiteral("preScan"), record);
        dumpStage(image, QStringLiteral("preScan_432_287"));
        ScanProfile(settings).save(UserFolders::rawImageFolder() + QLatin1String("/preScan.kor"));
    }
    emit scannerPreScan_s(image);
}
