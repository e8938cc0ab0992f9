#include "nvascanner.h"

#include "devicerecords.h"
#include "scanoptionrecord.h"

#include <scannermodels.h>
#include <stimage.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QtDebug>

#include <algorithm>
#include <cstring>
#include <limits>

Q_LOGGING_CATEGORY(lcDevice, "korvane.scanner.device", QtInfoMsg)

namespace
{

std::atomic<NVAScanner*> s_instance { nullptr };

constexpr int kOutputBytesPerPixel = 6; // 16-bit RGB, colour mode 7

static_assert(ScanOptionRecords::kWindowWidthInches == float(ScannerModels::kWindowWidthInches)
        && ScanOptionRecords::kWindowHeightInches == float(ScannerModels::kWindowHeightInches),
    "one window size");

} // namespace

static_assert(sizeof(std::array<std::uint8_t, 20>) == device::kSessionBufferSize, "session buffer");

NVAScanner::NVAScanner()
    : m_deviceInfo(device::kDeviceInfoSize)
{
    s_instance.store(this);
}

NVAScanner::~NVAScanner()
{
    // The worker has been joined before this runs, so nothing calls the library any
    // more once command 2 has been sent.
    unlink();
    NVAScanner* self = this;
    s_instance.compare_exchange_strong(self, nullptr);
}

NVAScanner* NVAScanner::instance()
{
    return s_instance.load();
}

void NVAScanner::setLibraryFolder(const QString& folder)
{
    m_libraryFolder = folder;
}

QString NVAScanner::libraryPath() const
{
    const QString folder
        = m_libraryFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_libraryFolder;
    return folder + QLatin1Char('/')
        + QLatin1String(isSimulator() ? device::kSimulatorLibraryFile : device::kSaneLibraryFile);
}

void NVAScanner::setScannerName(const QString& name)
{
    m_scannerName = name;
}

bool NVAScanner::isSimulator() const
{
    return m_scannerName.isEmpty() || m_scannerName == QLatin1String(kSimulatorName);
}

void NVAScanner::unlink()
{
    if (m_entry.load())
        call(device::CmdRelease, nullptr);
    m_entry.store(nullptr);
    m_deviceInfoFilled = false;
    if (m_library.isLoaded())
        m_library.unload();
}

bool NVAScanner::isLinked() const
{
    return m_entry.load() != nullptr;
}

int NVAScanner::call(int command, void* data) const
{
    const auto entry = m_entry.load();
    if (!entry)
        return 0;
    return entry(command, data);
}

int NVAScanner::link()
{
    m_library.setFileName(libraryPath());
    if (!m_library.load() || !m_library.isLoaded()) {
        qCWarning(lcDevice) << "cannot load the device library" << m_library.fileName()
                            << m_library.errorString();
        return 0;
    }
    const auto entry
        = reinterpret_cast<device::ScannerDeviceIOFunction>(m_library.resolve("ScannerDeviceIO"));
    if (!entry) {
        qCWarning(lcDevice) << "the device library has no ScannerDeviceIO";
        return 0;
    }
    m_entry.store(entry);

    if (!isSimulator()) {
        const QByteArray name = m_scannerName.toUtf8();
        if (!device::succeeded(call(device::CmdSelectDevice, const_cast<char*>(name.constData())))) {
            qCWarning(lcDevice) << "the device library does not know the scanner" << m_scannerName;
            return 0;
        }
    }
    call(device::CmdInitialise, nullptr);

    m_sessionBuffer.fill(0);
    device::PrepareSessionRecord prepare {};
    prepare.sessionBuffer = m_sessionBuffer.data();
    prepare.sessionBufferSize = static_cast<std::uint8_t>(m_sessionBuffer.size());
    call(device::CmdPrepareSession, &prepare);

    device::SessionRecord session {};
    session.sessionBuffer = m_sessionBuffer.data();
    if ((call(device::CmdOpenSession, &session) & 0xFF) != 1) {
        qCWarning(lcDevice) << "the device refused the session";
        return 0;
    }
    call(device::CmdActivateSession, &session);

    std::fill(m_deviceInfo.begin(), m_deviceInfo.end(), std::uint8_t(0));
    m_deviceInfo[0] = static_cast<std::uint8_t>(device::kDeviceInfoSize);
    const int result = call(device::CmdDeviceInfo, m_deviceInfo.data()) & 0xFF;
    m_deviceInfoFilled = result != 0;
    qCDebug(lcDevice) << "link result" << result;
    return result;
}

int NVAScanner::queryStatus(device::StatusRecord* record)
{
    record->selector = 9;
    record->statusBits = 0;
    return call(device::CmdStatus, record);
}

QByteArray NVAScanner::deviceInfo() const
{
    if (!m_deviceInfoFilled)
        return QByteArray();
    return QByteArray(
        reinterpret_cast<const char*>(m_deviceInfo.data()), static_cast<int>(m_deviceInfo.size()));
}

int NVAScanner::startScan(device::ScanOptionRecord* record)
{
    m_started = false;
    m_running.store(true);
    return call(device::CmdScan, record) & 0xFF;
}

int NVAScanner::readBalance(std::array<quint16, 3>& out)
{
    constexpr ScannerModels::Balance preset = ScannerModels::kDefaultBalance;
    device::BalanceRecord balance { preset[0], preset[1], preset[2] };
    const int result = call(device::CmdReadBalance, &balance) & 0xFF;
    if (result == 0)
        out = preset;
    else
        out = { { balance.red, balance.green, balance.blue } };
    return result;
}

int NVAScanner::getScanParameter(QByteArray& buffer)
{
    buffer.fill('\0', static_cast<int>(device::kScanParameterSize));
    return call(device::CmdGetScanParameter, buffer.data()) & 0xFF;
}

int NVAScanner::setScanParameter(const QByteArray& record)
{
    if (record.size() < static_cast<int>(device::kScanParameterSize))
        return 0;
    // The library gets its own copy: the caller's array may be shared.
    QByteArray copy = record.left(static_cast<int>(device::kScanParameterSize));
    return call(device::CmdSetScanParameter, copy.data()) & 0xFF;
}

int NVAScanner::sendServiceRecord(const QByteArray& record)
{
    if (record.size() < static_cast<int>(device::kScanParameterSize))
        return 0;
    QByteArray copy = record.left(static_cast<int>(device::kScanParameterSize));
    return call(device::CmdServiceRecord, copy.data()) & 0xFF;
}

int NVAScanner::updateFirmware(const QByteArray& bytes)
{
    // A cut image would be a broken firmware in the scanner: refuse it unsent.
    if (static_cast<std::size_t>(bytes.size()) > device::kFirmwareBlockSize) {
        qCWarning(lcDevice) << "firmware of" << bytes.size() << "bytes refused: the device takes"
                            << device::kFirmwareBlockSize;
        return 0;
    }
    std::vector<std::uint8_t> block(device::kFirmwareBlockSize, 0);
    if (!bytes.isEmpty())
        std::memcpy(block.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return call(device::CmdFirmwareWrite, block.data()) & 0xFF;
}

void NVAScanner::setRunning(bool running)
{
    m_running.store(running);
}

bool NVAScanner::isRunning() const
{
    return m_running.load();
}

int NVAScanner::receiveLines(device::LineRecord* record)
{
    if (!record)
        return 0;
    NVAScanner* scanner = instance();
    if (!scanner) {
        record->stopFlag = 1;
        return 0;
    }
    scanner->lineRecordArrived(record);
    return 0;
}

void NVAScanner::lineRecordArrived(device::LineRecord* record)
{
    const bool running = m_running.load() && (!m_scanWanted || m_scanWanted());
    if (!running) {
        qDebug() << "Running" << running;
        record->stopFlag = 1;
        return;
    }
    if (!m_started) {
        m_started = true;
        beginImage(*record);
    }
    if (record->linesDelivered <= 0 || record->stopFlag == 1) {
        m_started = false;
        return;
    }
    if (!record->lines || m_buffer.empty())
        return;

    // The counts of later records are not trusted: a block whose rows differ from the
    // first block's cannot be placed in the image (and measuring it with the first block's
    // stride would read past what the device delivered), so it is refused and its rows stay
    // black; the rest is cut where the announced image ends.
    if (record->pixelsPerLine != m_width || device::bytesPerPixel(record->pixelFormat) != m_bytesPerPixel) {
        qCWarning(lcDevice) << "a block of another line geometry is refused: format" << record->pixelFormat
                            << "width" << record->pixelsPerLine << "after" << m_width;
        return;
    }
    const std::size_t lineBytes
        = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_bytesPerPixel);
    const std::size_t room = m_buffer.size() - m_writePosition;
    const std::size_t wanted = static_cast<std::size_t>(record->linesDelivered) * lineBytes;
    const std::size_t count = std::min(wanted, room);
    if (count < wanted)
        qCWarning(lcDevice) << "a block runs past the announced image; cut to" << count << "of" << wanted
                            << "bytes";
    if (count == 0)
        return;
    std::memcpy(m_buffer.data() + m_writePosition, record->lines, count);
    m_writePosition += count;
    if (m_lineObserver)
        m_lineObserver(m_writePosition, m_buffer.size());
}

void NVAScanner::beginImage(const device::LineRecord& record)
{
    m_buffer.clear(); // keeps the capacity for the next scan
    m_writePosition = 0;
    m_width = 0;
    m_height = 0;
    m_bytesPerPixel = device::bytesPerPixel(record.pixelFormat);
    if (m_bytesPerPixel == 0 || record.pixelsPerLine <= 0 || record.imageLines <= 0) {
        qCWarning(lcDevice) << "unusable image announced: format" << record.pixelFormat << "size"
                            << record.pixelsPerLine << "x" << record.imageLines;
        m_bytesPerPixel = 0;
        return;
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>(record.pixelsPerLine)
        * static_cast<std::uint64_t>(record.imageLines) * static_cast<std::uint64_t>(m_bytesPerPixel);
    const std::uint64_t imageBytes = static_cast<std::uint64_t>(record.pixelsPerLine)
        * static_cast<std::uint64_t>(record.imageLines) * kOutputBytesPerPixel;
    if (record.pixelsPerLine > ScannerModels::kLargestScanWidth
        || record.imageLines > ScannerModels::kLargestScanHeight
        || std::max(bytes, imageBytes) >= STImage::kMaxByteCount) {
        qCWarning(lcDevice) << "announced image too large:" << record.pixelsPerLine << "x"
                            << record.imageLines;
        m_bytesPerPixel = 0;
        return;
    }
    m_width = record.pixelsPerLine;
    m_height = record.imageLines;
    // Zero-filled, so rows that never arrive read as black instead of as the last scan.
    m_buffer.assign(static_cast<std::size_t>(bytes), 0);
}

STImage NVAScanner::scannedImage() const
{
    STImage image;
    if (m_width <= 0 || m_height <= 0 || m_bytesPerPixel == 0)
        return image;
    const auto width = static_cast<std::uint32_t>(m_width);
    const auto height = static_cast<std::uint32_t>(m_height);
    const std::size_t needed = static_cast<std::size_t>(width) * height * kOutputBytesPerPixel;
    if (m_buffer.size() >= needed) {
        image.setData(width, height, 16, 3, m_buffer.data(), m_buffer.size());
        return image;
    }
    // A pixel format narrower than 6 bytes: never read past the buffer.
    std::vector<std::uint8_t> padded(needed, 0);
    std::memcpy(padded.data(), m_buffer.data(), m_buffer.size());
    image.setData(width, height, 16, 3, padded.data(), padded.size());
    return image;
}
