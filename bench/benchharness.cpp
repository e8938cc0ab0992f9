#include "benchharness.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace bench
{

void ComparisonReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations <= 0)
            continue;
        const std::string& name = run.run_name.function_name;
        const std::size_t slash = name.find('/');
        if (slash == std::string::npos)
            continue;
        m_timings.push_back({ name.substr(0, slash), name.substr(slash + 1),
            run.real_accumulated_time * 1000.0 / double(run.iterations) });
    }
}

void ComparisonReporter::printComparison() const
{
    // Repetitions of a step keep their best time, the one least disturbed by other load.
    std::map<std::string, std::map<std::string, double>> byStep;
    std::vector<std::string> order;
    std::vector<std::string> peers;
    for (const Timing& timing : m_timings) {
        if (!byStep.count(timing.step))
            order.push_back(timing.step);
        auto& sides = byStep[timing.step];
        auto found = sides.find(timing.side);
        if (found == sides.end() || timing.milliseconds < found->second)
            sides[timing.side] = timing.milliseconds;
        if (timing.side != "ours" && std::find(peers.begin(), peers.end(), timing.side) == peers.end())
            peers.push_back(timing.side);
    }
    std::sort(peers.begin(), peers.end());

    std::printf("\n%-32s %12s", "step", "ours ms");
    for (const std::string& peer : peers)
        std::printf(" %12s", (peer + " ms").c_str());
    std::printf(" %10s\n", "ratio");
    for (const std::string& step : order) {
        const auto& sides = byStep[step];
        std::printf("%-32s", step.c_str());
        const auto ours = sides.find("ours");
        if (ours != sides.end())
            std::printf(" %12.1f", ours->second);
        else
            std::printf(" %12s", "-");
        double fastestPeer = 0;
        for (const std::string& peer : peers) {
            const auto found = sides.find(peer);
            if (found == sides.end()) {
                std::printf(" %12s", "-");
                continue;
            }
            std::printf(" %12.1f", found->second);
            if (fastestPeer == 0 || found->second < fastestPeer)
                fastestPeer = found->second;
        }
        if (ours != sides.end() && fastestPeer > 0)
            std::printf(" %10.2f\n", ours->second / fastestPeer);
        else
            std::printf(" %10s\n", "-");
    }
    std::printf("ratio: our time / fastest peer's time\n");
}

} // namespace bench
