// Clang's thread-safety attributes and the annotated mutex that what two threads
// share is guarded by: the clang build checks with -Wthread-safety that each guarded
// member is touched only with its lock held. Other compilers see plain code.
#pragma once

#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define TS_ATTRIBUTE(x) __attribute__((x))
#else
#define TS_ATTRIBUTE(x)
#endif

#define CAPABILITY(name) TS_ATTRIBUTE(capability(name))
#define SCOPED_CAPABILITY TS_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(lock) TS_ATTRIBUTE(guarded_by(lock))
#define PT_GUARDED_BY(lock) TS_ATTRIBUTE(pt_guarded_by(lock))
#define REQUIRES(...) TS_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) TS_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) TS_ATTRIBUTE(release_capability(__VA_ARGS__))
#define EXCLUDES(...) TS_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS TS_ATTRIBUTE(no_thread_safety_analysis)

// std::mutex as a capability the analysis follows.
class CAPABILITY("mutex") TMutex {
public:
    void lock() ACQUIRE() { M.lock(); }
    void unlock() RELEASE() { M.unlock(); }
    // Waits on `changed` with this mutex held, as std::condition_variable::wait does:
    // the mutex is let go while waiting and held again on return (also after a
    // spurious wake-up, so callers wait in a loop over their condition).
    void Wait(std::condition_variable& changed) REQUIRES(this) {
        std::unique_lock<std::mutex> held(M, std::adopt_lock);
        changed.wait(held);
        held.release(); // still locked: the caller's TLock unlocks it
    }
    // The mutex itself, for what the analysis cannot follow.
    std::mutex& native() { return M; }

private:
    std::mutex M;
};

// Holds a TMutex for its scope; Unlock and Lock let it go and take it again within
// the scope (to call out with the lock released).
class SCOPED_CAPABILITY TLock {
public:
    explicit TLock(TMutex& mutex) ACQUIRE(mutex) : Mutex(mutex) { Mutex.lock(); }
    ~TLock() RELEASE() {
        if (Held) Mutex.unlock();
    }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;

    void Unlock() RELEASE() {
        Held = false;
        Mutex.unlock();
    }
    void Lock() ACQUIRE() {
        Mutex.lock();
        Held = true;
    }

private:
    TMutex& Mutex;
    bool Held = true;
};
