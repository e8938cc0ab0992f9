#pragma once

// Conventions of korvane_bench.
//
// Register each of our steps as "ours/<step>" and the same operation of a peer
// library, on the same input, as "opencv/<step>", "vips/<step>" or "qt/<step>" (any
// side name other than "ours" is a peer and gets its own column); use real time and
// milliseconds:
//
//     BENCHMARK(scanOurs)->Name("ours/scan_5000dpi")->Unit(benchmark::kMillisecond)->UseRealTime();
//
// After all benchmarks ran, the program prints a table with one line per step:
// our time, each peer's time, and the ratio of ours to the fastest peer (below 1
// means we are faster). OpenCV and libvips are optional: guard their code with
// KORVANE_BENCH_OPENCV and KORVANE_BENCH_VIPS; Qt is always there. They run on one thread; a step of
// ours that uses the second core is also measured on one where it can be.

#include <benchmark/benchmark.h>

#include <string>

namespace bench
{

// Collects the timings of "<side>/<step>" runs while printing as usual.
class ComparisonReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // The comparison table, on standard output.
    void printComparison() const;

private:
    struct Timing {
        std::string side;
        std::string step;
        double milliseconds;
    };
    std::vector<Timing> m_timings;
};

} // namespace bench
