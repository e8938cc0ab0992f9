#pragma once

#include "devicememory.h"
#include "devicerecords.h"
#include "filmmodel.h"
#include "simulatorsettings.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sim
{

class Scene;

// The one simulated scanner of the process, behind ScannerDeviceIO.
//
// Threads: the program calls it from its scanner thread and sends command 47 from
// its user-interface thread at any time. m_mutex guards every member; a scan holds
// it only to take its inputs and to record its film-base result, not while lines
// are delivered, so a status poll or command 47 during a scan does not wait.
class SimulatedDevice
{
public:
    static SimulatedDevice& instance();

    int command(int code, void* data);

private:
    SimulatedDevice();

    int initialise();
    int prepareSession(device::PrepareSessionRecord* record);
    int openSession(const device::SessionRecord* record);
    int activateSession(const device::SessionRecord* record);
    int deviceInfo(device::DeviceInfoRecord* record);
    int status(device::StatusRecord* record);
    int scan(device::ScanOptionRecord* record);
    int readBalance(device::BalanceRecord* record);
    int getParameters(std::uint8_t* record);
    int setParameters(const std::uint8_t* record);
    int writeFirmware(const std::uint8_t* block);

    std::shared_ptr<const Scene> sceneFor(FilmModel::Media media);

    std::mutex m_mutex;
    SimulatorSettings m_settings;
    DeviceMemory m_memory;
    bool m_initialised = false;
    bool m_sessionOpen = false;
    int m_polls = 0; // status polls since the last command 1
    bool m_unplugged = false; // pulled out during a final scan, until the next command 1
    std::array<std::uint8_t, device::kSessionBufferSize> m_sessionToken {};
    bool m_baseMeasured = false;
    std::array<std::uint16_t, 3> m_measuredBalance {};
    std::shared_ptr<const Scene> m_scene; // the last scene built, reused while film and picture stay
};

} // namespace sim
