#pragma once

#include <QElapsedTimer>

#include <cstddef>
#include <functional>

// The percent shown for a running prescan or final scan: the lines the scanner has
// delivered take 0-80, the processing steps 80-95 and the saving 95-100. Values
// never go down within one scan, and at most one is reported per interval, except
// the marks that open or close a stage: 0, 80, 95 and 100.
//
// Threads: used by the scanner worker only; report is called on its thread.
class ScanProgress
{
public:
    static constexpr int kAcquired = 80;
    static constexpr int kProcessed = 95;
    static constexpr int kDone = 100;

    using Report = std::function<void(int percent)>;
    explicit ScanProgress(Report report, int intervalMs = 100);

    // A new scan: reports 0.
    void begin();
    // Lines count only between these two; the end reports 80.
    void beginAcquisition();
    void linesDelivered(std::size_t delivered, std::size_t total);
    void endAcquisition();
    // One processing step done: half of what is left up to 95, as the number of
    // steps depends on the profile.
    void stepDone();
    void saving(); // 95
    void done(); // 100
    // The scan is over, whichever way it ended: lines no longer count.
    void finish() { m_acquiring = false; }

    int last() const { return m_last; }

private:
    void offer(int percent, bool closesStage);

    Report m_report;
    int m_intervalMs;
    QElapsedTimer m_sinceReport;
    int m_last = -1;
    bool m_acquiring = false;
    double m_processing = kAcquired;
};
