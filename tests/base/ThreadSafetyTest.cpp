#include "base/ThreadSafety.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

// Whether another thread finds the mutex taken.
bool TakenForOthers(TMutex& mutex) {
    bool taken = false;
    std::thread other([&] {
        taken = !mutex.native().try_lock();
        if (!taken) mutex.native().unlock();
    });
    other.join();
    return taken;
}

struct TFlag {
    TMutex Mutex;
    std::condition_variable Changed;
    bool Set GUARDED_BY(Mutex) = false;
};

} // namespace

TEST(TLock, HoldsForItsScopeAndUnlockAndLockLetGoAndRetake) {
    TMutex mutex;
    {
        TLock lock(mutex);
        EXPECT_TRUE(TakenForOthers(mutex));
        lock.Unlock();
        EXPECT_FALSE(TakenForOthers(mutex));
        lock.Lock();
        EXPECT_TRUE(TakenForOthers(mutex));
    }
    EXPECT_FALSE(TakenForOthers(mutex));
}

TEST(TLock, LeavesTheMutexAloneAtScopeEndWhenUnlocked) {
    TMutex mutex;
    {
        TLock lock(mutex);
        lock.Unlock();
        mutex.native().lock(); // taken again, not through the scoped lock
    }
    EXPECT_TRUE(TakenForOthers(mutex));
    mutex.native().unlock();
}

TEST(TMutex, WaitLetsTheNotifierInAndReturnsWithTheMutexHeld) {
    TFlag flag;
    std::thread setter([&] {
        {
            TLock lock(flag.Mutex);
            flag.Set = true;
        }
        flag.Changed.notify_all();
    });
    {
        TLock lock(flag.Mutex);
        while (!flag.Set)
            flag.Mutex.Wait(flag.Changed);
        EXPECT_TRUE(TakenForOthers(flag.Mutex));
    }
    setter.join();
    EXPECT_FALSE(TakenForOthers(flag.Mutex));
}
