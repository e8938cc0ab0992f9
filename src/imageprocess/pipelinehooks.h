#pragma once

#include <QString>

#include <functional>

class STImage;

// What a caller plugs into a pipeline run: where step images go, who is told how long
// each step took, and whether the run should go on. Every member may be empty.
//
// The callbacks are called on the thread that runs the pipeline.
struct PipelineHooks {
    // Step image under its step name. When set, every step runs on its own so that
    // each stage can be dumped; when empty, consecutive table steps are fused into one
    // pass. Callers set it only when stage images are actually kept (RAW mode, a
    // stages folder), so the result is the same either way.
    std::function<void(const STImage& image, const QString& name)> dumpStage;

    // Wall time of each step that ran, in nanoseconds.
    std::function<void(const QString& step, qint64 nanoseconds)> stepTimed;

    // Asked between steps; false abandons the run (the caller discards the image).
    std::function<bool()> keepGoing;
};
