#pragma once

#include <QMutex>

#include <array>

// What a scan needs of the service modes, read once when it is requested.
struct ServiceModeState {
    bool engineerMode = false;
    bool rawMode = false;
    std::array<int, 3> exposureFactor { { 100, 100, 100 } }; // red, green, blue
    std::array<int, 3> gainFactor { { 100, 100, 100 } };
};

// The two hidden service modes and the engineer's factors, process-wide.
//
// Threads: written on the user-interface thread (about, engineer and adjust
// dialogs) and read on the scanner worker thread. Each flag has its own mutex and
// the six factors share a third; each is held only for a single read or write, and
// no code path holds two. state() takes them one after the other, so a scan reads a
// consistent set of factors even while the adjust dialog changes them.
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
    int exposureFactor(Channel channel) const;
    void setExposureFactor(Channel channel, int percent);
    int gainFactor(Channel channel) const;
    void setGainFactor(Channel channel, int percent);

    ServiceModeState state() const;

private:
    ServiceModes() = default;

    mutable QMutex m_engineerLock;
    bool m_engineerMode = false;
    mutable QMutex m_rawLock;
    bool m_rawMode = false;
    mutable QMutex m_factorLock;
    std::array<int, 3> m_exposureFactor { { 100, 100, 100 } };
    std::array<int, 3> m_gainFactor { { 100, 100, 100 } };
};
