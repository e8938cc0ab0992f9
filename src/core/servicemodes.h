#pragma once

#include <QMutex>

#include <array>

// The two hidden service modes and the engineer's factors, process-wide.
//
// Threads: the flags are written on the user-interface thread (about, engineer and
// adjust dialogs) and read on the scanner worker thread during prescan and scan;
// each flag has its own mutex, held only for the single read or write. The engineer
// values are set by the adjust dialog and read by the worker inside a scan, which
// the modal wait dialogs keep apart in time; they are atomic-free plain ints.
class ServiceModes
{
public:
    enum Channel { Red = 0, Green = 1, Blue = 2 };

    static ServiceModes& instance();

    bool isEngineerMode() const;
    void setEngineerMode(bool on);
    bool isRawMode() const;
    void setRawMode(bool on);

    // Percent factors, 100 at start; in engineer mode the exposure factors replace a
    // profile's exposure triple and the gain factors go into the scan option record.
    int exposureFactor(Channel channel) const { return m_exposureFactor[channel]; }
    void setExposureFactor(Channel channel, int percent) { m_exposureFactor[channel] = percent; }
    int gainFactor(Channel channel) const { return m_gainFactor[channel]; }
    void setGainFactor(Channel channel, int percent) { m_gainFactor[channel] = percent; }

private:
    ServiceModes() = default;

    mutable QMutex m_engineerLock;
    bool m_engineerMode = false;
    mutable QMutex m_rawLock;
    bool m_rawMode = false;
    std::array<int, 3> m_exposureFactor { { 100, 100, 100 } };
    std::array<int, 3> m_gainFactor { { 100, 100, 100 } };
};
