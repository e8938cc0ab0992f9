#pragma once

#include "devicerecords.h"
#include "scanplan.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace sanedev
{

struct Frame;

// The SANE device behind ScannerDeviceIO: one open device per process.
//
// Threads: the program sends every command from its scanner thread, except the
// device list, which its interface thread may ask for at any time; the list touches
// no member here, and every SANE call of either goes through SaneLibrary's call lock,
// taken for one call at a time (never across a whole scan). m_failureLock guards the
// reason of the last failure.
class SaneDevice
{
public:
    // The model code the device reports: 83's resolutions (3600 and 1800 dpi, written
    // as scanned) and parameter files suit a SANE scanner; 84's doubling of a 5000 dpi
    // scan does not.
    static constexpr std::uint16_t kModelCode = 83;

    static SaneDevice& instance();

    int command(int code, void* data);

private:
    SaneDevice() = default;

    int selectDevice(const char* name);
    int initialise();
    int prepareSession(device::PrepareSessionRecord* record);
    int openSession(const device::SessionRecord* record);
    int activateSession(const device::SessionRecord* record);
    int deviceInfo(device::DeviceInfoRecord* record);
    int status(device::StatusRecord* record);
    int scan(device::ScanOptionRecord* record);
    int readBalance(device::BalanceRecord* record);
    int lastFailure(device::FailureRecord* record);
    int release();

    // Records the reason of a failing command; returns 0, the failed result.
    int fail(device::FailureCode code, const std::string& detail = std::string());
    // The reason of a failed SANE call; a device that SANE no longer lists is gone.
    int failStatus(int saneStatus);
    void closeDevice();

    // Options, looked up by name afresh (setting one may change the others); -1 when
    // the device has no such active option.
    int option(const char* name) const;
    bool setNumber(const char* name, double value);
    bool number(const char* name, double* value) const;
    bool setText(const char* name, const std::string& value);
    bool extent(const char* low, const char* high, Extent* extent) const;
    bool offer(ResolutionOffer* offer) const;
    // Mode, depth and source for a scan; false when the device takes no colour or grey.
    bool chooseFormat(std::uint8_t filmMedia);

    std::string m_name;
    void* m_handle = nullptr; // SANE_Handle
    bool m_holding = false; // holds a reference on libsane
    bool m_gone = false;
    std::string m_vendor;
    std::string m_model;
    std::array<std::uint8_t, device::kSessionBufferSize> m_sessionToken {};
    bool m_sessionOpen = false;
    int m_buttonOption = -1;
    bool m_baseMeasured = false;
    std::array<std::uint16_t, 3> m_measuredBalance {};

    std::mutex m_failureLock;
    device::FailureCode m_failure = device::FailureNone;
    std::string m_failureDetail;
};

} // namespace sanedev
