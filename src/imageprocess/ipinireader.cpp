#include "ipinireader.h"

#include "iplog.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr int kLineBuffer = 1022; // fgets reads at most 1021 characters per line
constexpr int kFloatBuffer = 259;
constexpr int kIntBuffer = 1023;

int copyOut(const char* text, char* out, int outSize)
{
    if (out == nullptr || outSize <= 0)
        return 0;
    int n = 0;
    while (n < outSize - 1 && text[n] != '\0') {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

} // namespace

int IPReadIniString(
    const char* section, const char* key, const char* defaultText, char* out, int outSize, const char* path)
{
    if (defaultText == nullptr)
        defaultText = "";
    if (section == nullptr || key == nullptr || path == nullptr)
        return copyOut(defaultText, out, outSize);

    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return copyOut(defaultText, out, outSize);

    char current[kLineBuffer] = "";
    char line[kLineBuffer];
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        line[std::strcspn(line, "\n\r]")] = '\0';
        if (line[0] == '[') {
            std::memcpy(current, line + 1, std::strlen(line + 1) + 1);
            continue;
        }
        if (std::strcmp(current, section) != 0)
            continue;
        const char* equals = std::strchr(line, '=');
        if (equals == nullptr)
            continue;
        if (std::size_t(equals - line) == keyLength && std::memcmp(line, key, keyLength) == 0) {
            std::fclose(file);
            return copyOut(equals + 1, out, outSize);
        }
    }
    std::fclose(file);
    return copyOut(defaultText, out, outSize);
}

float IPReadIniFloat(const char* section, const char* key, float defaultValue, const char* path)
{
    char value[kFloatBuffer];
    if (IPReadIniString(section, key, "", value, sizeof value, path) == 0)
        return defaultValue;
    // Beyond the float range the conversion is undefined: such a value saturates.
    const double number = std::atof(value);
    if (std::isfinite(number) && std::fabs(number) > FLT_MAX)
        return number > 0 ? FLT_MAX : -FLT_MAX;
    return float(number);
}

int IPReadIniInt(const char* section, const char* key, int defaultValue, const char* path)
{
    char defaultText[16];
    std::snprintf(defaultText, sizeof defaultText, "%d", defaultValue);
    char value[kIntBuffer];
    IPReadIniString(section, key, defaultText, value, sizeof value, path);
    // atoi without its undefined behaviour: a number beyond int saturates.
    const long long number = std::strtoll(value, nullptr, 10);
    return int(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

bool IPParamFileReadable(const char* path)
{
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        qCDebug(lcImageProcess) << "parameter file" << path << "cannot be read; its defaults are used";
        return false;
    }
    std::fclose(file);
    return true;
}
