#include "sanelibrary.h"

#include <sane/sane.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace sanedev
{

namespace
{

// A field of a list line: tabs and line ends would break the line apart.
std::string field(const char* text)
{
    std::string value = text ? text : "";
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return value;
}

std::vector<DeviceEntry> devices()
{
    std::vector<DeviceEntry> result;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list)
        return result;
    for (const SANE_Device** device = list; *device; ++device) {
        result.push_back({ field((*device)->name), field((*device)->vendor), field((*device)->model),
            field((*device)->type) });
    }
    return result;
}

} // namespace

SaneLibrary& SaneLibrary::instance()
{
    static SaneLibrary library;
    return library;
}

bool SaneLibrary::acquire()
{
    std::lock_guard<std::mutex> lock(m_callLock);
    return acquireLocked();
}

void SaneLibrary::release()
{
    std::lock_guard<std::mutex> lock(m_callLock);
    releaseLocked();
}

bool SaneLibrary::acquireLocked()
{
    if (m_holders == 0) {
        SANE_Int version = 0;
        if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
            return false;
    }
    ++m_holders;
    return true;
}

void SaneLibrary::releaseLocked()
{
    if (m_holders > 0 && --m_holders == 0)
        sane_exit();
}

bool SaneLibrary::listDevices(char* text, std::size_t room)
{
    if (!text || room == 0)
        return false;
    text[0] = '\0';
    std::lock_guard<std::mutex> lock(m_callLock);
    if (!acquireLocked())
        return false;
    std::size_t used = 0;
    for (const DeviceEntry& device : devices()) {
        const std::string line
            = device.name + '\t' + device.vendor + '\t' + device.model + '\t' + device.type + '\n';
        if (used + line.size() + 1 > room)
            continue; // whole lines only
        std::memcpy(text + used, line.data(), line.size());
        used += line.size();
        text[used] = '\0';
    }
    releaseLocked();
    return true;
}

bool SaneLibrary::findDevice(const std::string& name, DeviceEntry* entry)
{
    std::lock_guard<std::mutex> lock(m_callLock);
    if (!acquireLocked())
        return false;
    bool found = false;
    for (const DeviceEntry& device : devices()) {
        if (device.name == name) {
            *entry = device;
            found = true;
            break;
        }
    }
    releaseLocked();
    return found;
}

} // namespace sanedev
