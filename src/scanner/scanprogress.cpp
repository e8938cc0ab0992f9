#include "scanprogress.h"

#include <algorithm>
#include <utility>

ScanProgress::ScanProgress(Report report, int intervalMs)
    : m_report(std::move(report))
    , m_intervalMs(intervalMs)
{
}

void ScanProgress::begin()
{
    m_last = -1;
    m_acquiring = false;
    m_processing = kAcquired;
    offer(0, true);
}

void ScanProgress::beginAcquisition()
{
    m_acquiring = true;
}

void ScanProgress::linesDelivered(std::size_t delivered, std::size_t total)
{
    if (!m_acquiring || total == 0)
        return;
    // Truncated: 80 only once the acquisition has ended.
    const double share = double(std::min(delivered, total)) / double(total);
    offer(std::min(kAcquired - 1, int(share * kAcquired)), false);
}

void ScanProgress::endAcquisition()
{
    m_acquiring = false;
    offer(kAcquired, true);
}

void ScanProgress::stepDone()
{
    m_processing += (kProcessed - m_processing) / 2.0;
    offer(int(m_processing), false); // truncated: 95 only when saving begins
}

void ScanProgress::saving()
{
    offer(kProcessed, true);
}

void ScanProgress::done()
{
    offer(kDone, true);
}

void ScanProgress::offer(int percent, bool closesStage)
{
    if (percent <= m_last)
        return;
    if (!closesStage && m_sinceReport.isValid() && m_sinceReport.elapsed() < m_intervalMs)
        return;
    m_last = percent;
    m_sinceReport.start();
    if (m_report)
        m_report(percent);
}
