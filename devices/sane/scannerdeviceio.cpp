#include "sanedevice.h"

#include <cstdio>
#include <exception>

// The device library's only entry point. Nothing may escape into the C caller: a
// failure of the library itself is a failed command.
extern "C" __attribute__((visibility("default"))) int ScannerDeviceIO(int command, void* data)
{
    try {
        return sanedev::SaneDevice::instance().command(command, data);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane-sane: command %d failed: %s\n", command, error.what());
    } catch (...) {
        std::fprintf(stderr, "korvane-sane: command %d failed\n", command);
    }
    return 0;
}
