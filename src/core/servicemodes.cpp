#include "servicemodes.h"

#include <QMutexLocker>

ServiceModes& ServiceModes::instance()
{
    static ServiceModes modes;
    return modes;
}

bool ServiceModes::isEngineerMode() const
{
    QMutexLocker lock(&m_engineerLock);
    return m_engineerMode;
}

void ServiceModes::setEngineerMode(bool on)
{
    QMutexLocker lock(&m_engineerLock);
    m_engineerMode = on;
}

bool ServiceModes::isRawMode() const
{
    QMutexLocker lock(&m_rawLock);
    return m_rawMode;
}

void ServiceModes::setRawMode(bool on)
{
    QMutexLocker lock(&m_rawLock);
    m_rawMode = on;
}

int ServiceModes::exposureFactor(Channel channel) const
{
    QMutexLocker lock(&m_factorLock);
    return m_exposureFactor[channel];
}

void ServiceModes::setExposureFactor(Channel channel, int percent)
{
    QMutexLocker lock(&m_factorLock);
    m_exposureFactor[channel] = percent;
}

int ServiceModes::gainFactor(Channel channel) const
{
    QMutexLocker lock(&m_factorLock);
    return m_gainFactor[channel];
}

void ServiceModes::setGainFactor(Channel channel, int percent)
{
    QMutexLocker lock(&m_factorLock);
    m_gainFactor[channel] = percent;
}

ServiceModeState ServiceModes::state() const
{
    ServiceModeState state;
    state.engineerMode = isEngineerMode();
    state.rawMode = isRawMode();
    QMutexLocker lock(&m_factorLock);
    state.exposureFactor = m_exposureFactor;
    state.gainFactor = m_gainFactor;
    return state;
}
