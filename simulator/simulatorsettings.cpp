#include "simulatorsettings.h"

#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sim
{

namespace
{

QString environment(const char* name)
{
    return QString::fromLocal8Bit(std::getenv(name));
}

void reportBadValue(const char* name, const QString& value)
{
    std::fprintf(stderr, "TQ4100 simulator: ignoring %s=\"%s\", which is not a valid value\n", name,
        value.toLocal8Bit().constData());
}

// A whole non-negative number not above maximum, or the fallback.
int readCount(const char* name, int fallback, int maximum)
{
    const QString value = environment(name).trimmed();
    if (value.isEmpty())
        return fallback;
    bool ok = false;
    const long number = value.toLong(&ok);
    if (!ok || number < 0 || number > maximum) {
        reportBadValue(name, value);
        return fallback;
    }
    return int(number);
}

bool readFlag(const char* name)
{
    const QString value = environment(name).trimmed();
    return !value.isEmpty() && value != QLatin1String("0");
}

} // namespace

bool parsePollList(const QString& text, std::vector<int>* polls)
{
    std::vector<int> result;
    const QStringList items = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& rawItem : items) {
        const QString item = rawItem.trimmed();
        const int dash = item.indexOf(QLatin1Char('-'));
        bool okFirst = false;
        bool okLast = false;
        int first = 0;
        int last = 0;
        if (dash < 0) {
            first = last = item.toInt(&okFirst);
            okLast = okFirst;
        } else {
            first = item.left(dash).trimmed().toInt(&okFirst);
            last = item.mid(dash + 1).trimmed().toInt(&okLast);
        }
        // A range is capped so that a typo cannot make a list of billions.
        if (!okFirst || !okLast || first < 1 || last < first || last - first > 100000)
            return false;
        for (int poll = first; poll <= last; ++poll)
            result.push_back(poll);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    *polls = std::move(result);
    return true;
}

bool SimulatorSettings::keyDownAt(int poll) const
{
    return std::binary_search(keyPolls.begin(), keyPolls.end(), poll);
}

bool SimulatorSettings::presentAt(int poll) const
{
    if (poll < presentFromPoll)
        return false;
    return unplugAfterPoll <= 0 || poll <= unplugAfterPoll;
}

SimulatorSettings SimulatorSettings::fromEnvironment()
{
    SimulatorSettings settings;
    settings.modelCode = std::uint16_t(readCount("KORVANE_SIM_MODEL", 82, 65535));
    settings.imagePath = environment("KORVANE_SIM_IMAGE");
    const QString holder = environment("KORVANE_SIM_HOLDER").trimmed().toLower();
    if (holder == QLatin1String("slide"))
        settings.holder = Holder::Slide;
    else if (!holder.isEmpty() && holder != QLatin1String("film"))
        reportBadValue("KORVANE_SIM_HOLDER", holder);
    settings.failLink = readFlag("KORVANE_SIM_FAIL_LINK");
    settings.failScan = readFlag("KORVANE_SIM_FAIL_SCAN");
    settings.presentFromPoll = std::max(1, readCount("KORVANE_SIM_PRESENT_FROM_POLL", 1, 1 << 30));
    settings.unplugAfterPoll = readCount("KORVANE_SIM_UNPLUG_AFTER_POLL", 0, 1 << 30);
    settings.unplugAfterBlocks = readCount("KORVANE_SIM_UNPLUG_AFTER_BLOCKS", 0, 1 << 30);
    // Long enough to cancel by hand, short enough that a typo does not hang a test for hours.
    settings.blockDelayMs = readCount("KORVANE_SIM_BLOCK_DELAY_MS", 0, 60000);
    settings.stateDir = environment("KORVANE_SIM_STATE_DIR");
    const QString keys = environment("KORVANE_SIM_KEY_POLLS");
    if (!parsePollList(keys, &settings.keyPolls)) {
        reportBadValue("KORVANE_SIM_KEY_POLLS", keys);
        settings.keyPolls.clear();
    }
    return settings;
}

} // namespace sim
