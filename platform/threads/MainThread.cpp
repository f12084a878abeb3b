#include "platform/threads/MainThread.h"

#include <atomic>

namespace yeroup::platform {

namespace {
// Static initialisation runs on the thread that starts the program.
std::atomic<ThreadId> gMainThread{std::this_thread::get_id()};
}  // namespace

ThreadId CurrentThreadId() { return std::this_thread::get_id(); }
ThreadId MainThreadId() { return gMainThread.load(); }
void SetMainThreadId(ThreadId id) { gMainThread.store(id); }
bool IsMainThread() { return CurrentThreadId() == MainThreadId(); }

}  // namespace yeroup::platform
