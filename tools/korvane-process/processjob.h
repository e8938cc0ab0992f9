#pragma once

#include <cip_filmterms.h>
#include <processingsteps.h>

#include <QString>

#include <array>
#include <functional>

// One input of korvane-process: read, processed with the application's pipeline and
// written with its final-file writers.
//
// Threads: jobs run side by side on worker threads; each has its own pipeline object
// and work folder, and shares only the film-term tables, which nobody writes then.
namespace ProcessJob
{

using FilmTermTables = std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables>;

struct Settings {
    bool prescan = false;
    int model = 0;
    FilmTermTables tables {};
    // Per step and stage: the single-input run prints them, a roll does not.
    std::function<void(const QString&, qint64)> stepTimed;
};

struct Job {
    QString input;
    QString profile; // absolute
    QString output; // the file to write, absolute
    QString stages; // folder for the stage images, or empty
};

struct Outcome {
    QString written; // empty on failure
    QString error; // the reason, for the user
};

Outcome run(const Job& job, const Settings& settings);

// The RAW-mode profile saved beside input: INPUT.kor, then the one the worker writes
// beside its dump ("Scan.kor", or "preScan.kor" for a prescan); empty when none is there.
QString profileBeside(const QString& input, bool prescan);

} // namespace ProcessJob
