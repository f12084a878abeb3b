#pragma once
// Thread identity: which thread is the program's main (user-interface) thread.
#include <thread>

namespace yeroup::platform {

using ThreadId = std::thread::id;

ThreadId CurrentThreadId();

// The main thread is recorded when the program starts; a test may record another thread in its place.
ThreadId MainThreadId();
void SetMainThreadId(ThreadId id);
bool IsMainThread();

// Restores the recorded id on scope exit; lets a test pose as the main thread or as another thread.
class ScopedMainThread {
public:
    explicit ScopedMainThread(ThreadId id) : saved_(MainThreadId()) { SetMainThreadId(id); }
    ~ScopedMainThread() { SetMainThreadId(saved_); }
    ScopedMainThread(const ScopedMainThread&) = delete;
    ScopedMainThread& operator=(const ScopedMainThread&) = delete;

private:
    ThreadId saved_;
};

}  // namespace yeroup::platform
