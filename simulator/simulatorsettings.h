#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace sim
{

// What the simulated scanner is told through its environment. Read afresh at
// every command 1, so that one process can link several differently set-up
// scanners one after another.
struct SimulatorSettings {
    // What lies in the scanner: a frame of film (the default) or a microscope slide.
    enum class Holder { Film, Slide };

    std::uint16_t modelCode = 82;
    Holder holder = Holder::Film;
    QString imagePath; // picture placed inside the holder; empty for the built-in scene
    bool failLink = false;
    bool failScan = false;
    int presentFromPoll = 1; // first status poll (counted from 1) that sees the device
    int unplugAfterPoll = 0; // 0: never unplugged
    // A final scan (not a prescan or film-base scan) longer than this many blocks of
    // lines stops after them with the scanner unplugged; 0: never.
    int unplugAfterBlocks = 0;
    std::vector<int> keyPolls; // sorted polls on which the scan key is down
    int blockDelayMs = 0;
    QString stateDir; // empty: the user's data folder

    bool keyDownAt(int poll) const;
    bool presentAt(int poll) const;

    // Reads the KORVANE_SIM_* variables; a value that does not parse keeps its
    // default and is reported on standard error.
    static SimulatorSettings fromEnvironment();
};

// Parses "3,5,7-9" into the sorted list of polls; false when the text is malformed.
bool parsePollList(const QString& text, std::vector<int>* polls);

} // namespace sim
