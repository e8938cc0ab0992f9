#pragma once

// The simulated scanner reads its settings from the environment at every link;
// each test starts from the simulator's defaults with its memory in a folder of its own.
namespace SimulatorSettings
{

void reset(const char* stateFolder);

} // namespace SimulatorSettings
