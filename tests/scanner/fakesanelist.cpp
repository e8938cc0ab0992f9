// A stand-in for the SANE device library that only lists devices: the list comes
// from KORVANE_FAKE_SANE_LIST ("\n" and "\t" written as such), and
// KORVANE_FAKE_SANE_REFUSE makes the listing fail.
#include "devicerecords.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) int ScannerDeviceIO(int command, void* data)
{
    if (command != device::CmdListDevices || std::getenv("KORVANE_FAKE_SANE_REFUSE"))
        return 0;
    auto* record = static_cast<device::DeviceListRecord*>(data);
    const char* list = std::getenv("KORVANE_FAKE_SANE_LIST");
    const std::size_t length = list ? std::min(std::strlen(list), sizeof(record->text) - 1) : 0;
    std::memcpy(record->text, list ? list : "", length);
    record->text[length] = '\0';
    return 1;
}
