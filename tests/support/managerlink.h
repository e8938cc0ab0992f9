#pragma once

#include "workersignals.h"

#include <manager.h>

#include <QSignalSpy>

#include <memory>

// Sets up the manager's profiles and links its worker to the simulated scanner, as start-up
// does, with the worker's signals relayed to the calling thread. Null when no link was
// reported within waitMs.
inline std::unique_ptr<WorkerSignals> linkManagerToSimulator(int waitMs)
{
    manager* data = manager::instance();
    data->initProfiles();
    auto results = std::make_unique<WorkerSignals>(data->scanner());
    QSignalSpy ready(results.get(), &WorkerSignals::linkReady);
    data->scanner()->startLink();
    if (!ready.wait(waitMs))
        return nullptr;
    return results;
}
