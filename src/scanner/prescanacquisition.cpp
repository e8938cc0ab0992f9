// The prescan (request 0) of ScannerSDK: the whole window at 300 dpi, after a
// film-base measurement for negatives. Runs on the worker thread inside run().

#include "scannersdk.h"

#include "devicerecords.h"
#include "multipassbalance.h"
#include "acquisitionrecords.h"

#include <servicemodes.h>
#include <stagedump.h>
#include <userfolders.h>

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWorker)

namespace {

bool isNegative(int filmTypeCode)
{
    return filmTypeCode == 32 || filmTypeCode == 48;
}

} // namespace

std::array<quint16, 3> ScannerSDK::presetBalance(int modelCode, const std::array<quint16, 3>& current)
{
    if (modelCode == 82 || modelCode == 83)
        return { { 137, 139, 133 } };
    if (modelCode == 84)
        return { { 136, 143, 135 } };
    return current;
}

void ScannerSDK::applyScanBalance(device::ScanOptionRecord& record, bool prescan)
{
    device::ScanInfo& info = record.ScanInfoArray[0];
    const ServiceModes& modes = ServiceModes::instance();
    if (modes.isEngineerMode()) {
        info.bControlHWLightness = 1;
        info.wGainFactorR = quint16(modes.gainFactor(ServiceModes::Red));
        info.wGainFactorG = quint16(modes.gainFactor(ServiceModes::Green));
        info.wGainFactorB = quint16(modes.gainFactor(ServiceModes::Blue));
        return;
    }
    const MultipassBalance multipass
        = MultipassBalance::compute(m_colourBalance, settings.filmType(), modelCode());
    for (int c = 0; c < 3; ++c) {
        m_balanceWork.balance[std::size_t(c)] = m_colourBalance[std::size_t(c)];
        m_balanceWork.highlight[std::size_t(c)] = multipass.highlight[std::size_t(c)];
        m_balanceWork.shadow[std::size_t(c)] = multipass.shadow[std::size_t(c)];
    }
    if (settings.multipass().enable)
        AcquisitionRecords::setMultipass(record, m_colourBalance, multipass.highlight, multipass.shadow);
    const quint16 gain = prescan ? 100 : 0;
    info.wGainFactorR = info.wGainFactorG = info.wGainFactorB = gain;
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

    if (isNegative(filmTypeCode)) {
        device::ScanOptionRecord filmBase;
        AcquisitionRecords::fillFilmBase(filmBase, filmTypeCode);
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

    device::ScanOptionRecord record;
    AcquisitionRecords::fillPrescan(record, m_colourBalance, filmTypeCode);
    applyScanBalance(record, true);

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
