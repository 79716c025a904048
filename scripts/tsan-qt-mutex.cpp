// Makes the program's use of Qt's mutexes and wait conditions visible to
// ThreadSanitizer. Qt from Debian is not instrumented, so the checker never
// sees a QMutex taken or given back and reports every access it guards as a
// race. scripts/tsan.sh preloads this library: each wrapper calls Qt's own
// function and tells the checker about the acquire or release. Calls inside
// Qt itself do not pass here; those races stay suppressed (scripts/tsan.supp).
#include <QDeadlineTimer>

#include <dlfcn.h>

extern "C" void __tsan_acquire(void *addr) __attribute__((weak));
extern "C" void __tsan_release(void *addr) __attribute__((weak));

namespace {
template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
void acquired(void *m)
{
    if (__tsan_acquire)
        __tsan_acquire(m);
}
void releasing(void *m)
{
    if (__tsan_release)
        __tsan_release(m);
}
}

extern "C" {

// QMutex::lock()
void _ZN6QMutex4lockEv(void *self)
{
    static auto real = next<void (*)(void *)>("_ZN6QMutex4lockEv");
    real(self);
    acquired(self);
}

// QMutex::tryLock(int)
bool _ZN6QMutex7tryLockEi(void *self, int timeout)
{
    static auto real = next<bool (*)(void *, int)>("_ZN6QMutex7tryLockEi");
    const bool ok = real(self, timeout);
    if (ok)
        acquired(self);
    return ok;
}

// QMutex::unlock()
void _ZN6QMutex6unlockEv(void *self)
{
    static auto real = next<void (*)(void *)>("_ZN6QMutex6unlockEv");
    releasing(self);
    real(self);
}

// QBasicMutex::lockInternal(), the contended path of the inline lock()
void _ZN11QBasicMutex12lockInternalEv(void *self)
{
    static auto real = next<void (*)(void *)>("_ZN11QBasicMutex12lockInternalEv");
    real(self);
    acquired(self);
}

// QBasicMutex::lockInternal(int)
bool _ZN11QBasicMutex12lockInternalEi(void *self, int timeout)
{
    static auto real = next<bool (*)(void *, int)>("_ZN11QBasicMutex12lockInternalEi");
    const bool ok = real(self, timeout);
    if (ok)
        acquired(self);
    return ok;
}

// QBasicMutex::unlockInternal()
void _ZN11QBasicMutex14unlockInternalEv(void *self)
{
    static auto real = next<void (*)(void *)>("_ZN11QBasicMutex14unlockInternalEv");
    releasing(self);
    real(self);
}

// QWaitCondition::wait(QMutex *, unsigned long): gives the mutex back while
// waiting and takes it again before returning.
bool _ZN14QWaitCondition4waitEP6QMutexm(void *self, void *mutex, unsigned long ms)
{
    static auto real = next<bool (*)(void *, void *, unsigned long)>("_ZN14QWaitCondition4waitEP6QMutexm");
    releasing(mutex);
    const bool woken = real(self, mutex, ms);
    acquired(mutex);
    return woken;
}

// QWaitCondition::wait(QMutex *, QDeadlineTimer)
bool _ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer(void *self, void *mutex, QDeadlineTimer deadline)
{
    static auto real =
        next<bool (*)(void *, void *, QDeadlineTimer)>("_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    releasing(mutex);
    const bool woken = real(self, mutex, deadline);
    acquired(mutex);
    return woken;
}

}
