#include "simulateddevice.h"

#include <cstdio>
#include <exception>

// The device library's only entry point. Nothing may escape into the C caller:
// a failure of the simulator itself is a failed command.
extern "C" __attribute__((visibility("default"))) int ScannerDeviceIO(int command, void* data)
{
    try {
        return sim::SimulatedDevice::instance().command(command, data);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "TQ4100 simulator: command %d failed: %s\n", command, error.what());
    } catch (...) {
        std::fprintf(stderr, "TQ4100 simulator: command %d failed\n", command);
    }
    return 0;
}
