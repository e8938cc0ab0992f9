#pragma once

#include <mutex>
#include <string>

namespace sanedev
{

struct DeviceEntry {
    std::string name;
    std::string vendor;
    std::string model;
    std::string type;
};

// libsane for the whole process. sane_init and sane_exit are counted, so that the
// device list can be read while a device is open; every SANE call is made under
// callLock(), so that the list asked for by the interface thread never meets a call
// of the scanner thread (backends are not required to be reentrant).
class SaneLibrary
{
public:
    static SaneLibrary& instance();

    // sane_init on the first holder; false when it failed (nothing is then held).
    bool acquire();
    // sane_exit when the last holder lets go.
    void release();

    std::mutex& callLock() { return m_callLock; }

    // The devices SANE finds now, as "name\tvendor\tmodel\ttype\n" lines within
    // room bytes (NUL included); false when SANE could not be started.
    bool listDevices(char* text, std::size_t room);
    // The entry of one device; false when SANE does not list it (any more).
    bool findDevice(const std::string& name, DeviceEntry* entry);

private:
    SaneLibrary() = default;
    bool acquireLocked();
    void releaseLocked();

    std::mutex m_callLock;
    int m_holders = 0;
};

} // namespace sanedev
