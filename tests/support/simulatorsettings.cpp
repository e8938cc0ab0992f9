#include "simulatorsettings.h"

#include <QByteArray>
#include <QtGlobal>

namespace SimulatorSettings
{

void reset(const char* stateFolder)
{
    static const char* const variables[] = {
        "KORVANE_SIM_MODEL",
        "KORVANE_SIM_FAIL_LINK",
        "KORVANE_SIM_FAIL_SCAN",
        "KORVANE_SIM_PRESENT_FROM_POLL",
        "KORVANE_SIM_KEY_POLLS",
        "KORVANE_SIM_UNPLUG_AFTER_POLL",
        "KORVANE_SIM_UNPLUG_AFTER_BLOCKS",
        "KORVANE_SIM_BLOCK_DELAY_MS",
        "KORVANE_SIM_IMAGE",
    };
    for (const char* name : variables)
        qunsetenv(name);
    qputenv("KORVANE_SIM_STATE_DIR", QByteArray(stateFolder));
}

} // namespace SimulatorSettings
