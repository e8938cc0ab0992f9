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
