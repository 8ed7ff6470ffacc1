// A mutex that clang's thread-safety analysis (-Wthread-safety) can follow:
// state marked GUARDED_BY(a Mutex) may be touched only where the compiler
// sees that mutex held, and a function marked REQUIRES(it) only called so.
// Under other compilers the marks are empty.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#if defined(__clang__)
#define CONRT_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define CONRT_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) CONRT_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY CONRT_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) CONRT_THREAD_ANNOTATION(guarded_by(x))
#define REQUIRES(...) CONRT_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) CONRT_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) CONRT_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUDES(...) CONRT_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS CONRT_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace posix_console {

class CAPABILITY("mutex") Mutex {
  public:
    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }

    // Waits on `condition` with this mutex held before and after, as
    // std::condition_variable does; `done` is checked with it held.
    template <typename Done>
    void wait(std::condition_variable &condition, Done done) REQUIRES(this) {
        std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
        condition.wait(held, done);
        held.release();
    }

  private:
    std::mutex mutex_;
};

// A lock for state that one thread changes many thousands of times a second
// and another takes now and then for a moment: nearly always free, and then
// cheaper than a mutex. Waiting on it spins, yielding the processor.
class CAPABILITY("mutex") SpinLock {
  public:
    void lock() ACQUIRE() {
        while (held_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() RELEASE() { held_.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> held_{false};
};

// Holds a Mutex for the rest of the scope.
class SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(Mutex &mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    Mutex &mutex_;
};

} // namespace posix_console
