// Built into every test program of the tsan preset, and only there.
//
// ThreadSanitizer knows the order between two threads only from synchronisation it
// intercepts (pthreads, atomics compiled with it). Debian's Qt is built without it, and two
// of Qt's orderings are invisible to it: a QMutex locks through futexes inside libQt5Core,
// and an event posted to another thread (a queued signal, invokeMethod) passes through a
// queue guarded by such a mutex. Without help every field our code guards with a QMutex,
// and everything a queued signal carries, is reported as a race.
//
// The help, in ThreadSanitizer's own annotations:
//  - QMutex::lock, tryLock and unlock and QWaitCondition::wait, as our code calls them,
//    are defined here, call Qt's own (the next definition, from libQt5Core) and acquire or
//    release the mutex's address. Qt's calls inside libQt5Core are bound there and stay as
//    they are.
//  - Every signal our code emits and every method it invokes releases one token, and so
//    does every wake-up of a thread's event loop (Qt calls glib's g_main_context_wakeup
//    once an event is queued, after copying a queued signal's arguments); every event Qt
//    delivers, in any thread, acquires the token (Qt's event-notify callback). A delivery is
//    thereby ordered after the posts made before it, as the real queue orders it.
//  - QThread::wait returns at once, without touching anything the sanitizer sees, when the
//    thread has already finished. So a thread our code starts releases its own address
//    when it emits finished (in that thread, once run() has returned), and wait acquires
//    it.
// QWaitCondition itself waits on a pthread condition variable, and QThread starts with
// pthread_create, so those orderings are seen already.

#include <QCoreApplication>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

namespace
{

char s_eventToken;

// Qt's definition of a symbol that this file also defines.
template <typename Function> Function qtDefinition(const char* symbol)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, symbol));
}

bool acquireOnDelivery(void**)
{
    __tsan_acquire(&s_eventToken);
    return false; // not handled: Qt delivers the event as usual
}

void registerDeliveryHook()
{
    QInternal::registerCallback(QInternal::EventNotifyCallback, acquireOnDelivery);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerDeliveryHook)

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto lock = qtDefinition<void (*)(QMutex*)>("_ZN6QMutex4lockEv");
    lock(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto tryLock = qtDefinition<bool (*)(QMutex*, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = tryLock(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto unlock = qtDefinition<void (*)(QMutex*)>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    unlock(this);
}

bool QWaitCondition::wait(QMutex* lockedMutex, QDeadlineTimer deadline)
{
    static const auto wait = qtDefinition<bool (*)(QWaitCondition*, QMutex*, QDeadlineTimer)>(
        "_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    __tsan_release(lockedMutex);
    const bool woken = wait(this, lockedMutex, deadline);
    __tsan_acquire(lockedMutex);
    return woken;
}

bool QWaitCondition::wait(QMutex* lockedMutex, unsigned long time)
{
    static const auto wait = qtDefinition<bool (*)(QWaitCondition*, QMutex*, unsigned long)>(
        "_ZN14QWaitCondition4waitEP6QMutexm");
    __tsan_release(lockedMutex);
    const bool woken = wait(this, lockedMutex, time);
    __tsan_acquire(lockedMutex);
    return woken;
}

void QMetaObject::activate(QObject* sender, const QMetaObject* metaObject, int localSignalIndex, void** argv)
{
    static const auto activate = qtDefinition<void (*)(QObject*, const QMetaObject*, int, void**)>(
        "_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    __tsan_release(&s_eventToken);
    activate(sender, metaObject, localSignalIndex, argv);
}

void QMetaObject::activate(QObject* sender, int signalIndex, void** argv)
{
    static const auto activate
        = qtDefinition<void (*)(QObject*, int, void**)>("_ZN11QMetaObject8activateEP7QObjectiPPv");
    __tsan_release(&s_eventToken);
    activate(sender, signalIndex, argv);
}

void QMetaObject::activate(QObject* sender, int signalOffset, int localSignalIndex, void** argv)
{
    static const auto activate
        = qtDefinition<void (*)(QObject*, int, int, void**)>("_ZN11QMetaObject8activateEP7QObjectiiPPv");
    __tsan_release(&s_eventToken);
    activate(sender, signalOffset, localSignalIndex, argv);
}

bool QMetaObject::invokeMethodImpl(
    QObject* object, QtPrivate::QSlotObjectBase* slot, Qt::ConnectionType type, void* ret)
{
    static const auto invoke = qtDefinition<bool (*)(
        QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*)>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14ConnectionTypeEPv");
    __tsan_release(&s_eventToken);
    return invoke(object, slot, type, ret);
}

// glib's, called by Qt's event dispatcher; the context is a GMainContext.
extern "C" void g_main_context_wakeup(void* context)
{
    static const auto wakeup = qtDefinition<void (*)(void*)>("g_main_context_wakeup");
    __tsan_release(&s_eventToken);
    wakeup(context);
}

void QThread::start(Priority priority)
{
    static const auto start = qtDefinition<void (*)(QThread*, Priority)>("_ZN7QThread5startENS_8PriorityE");
    QObject::connect(this, &QThread::finished, [this] { __tsan_release(this); });
    start(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline)
{
    static const auto wait
        = qtDefinition<bool (*)(QThread*, QDeadlineTimer)>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool finished = wait(this, deadline);
    if (finished)
        __tsan_acquire(this);
    return finished;
}

bool QThread::wait(unsigned long time)
{
    static const auto wait = qtDefinition<bool (*)(QThread*, unsigned long)>("_ZN7QThread4waitEm");
    const bool finished = wait(this, time);
    if (finished)
        __tsan_acquire(this);
    return finished;
}
