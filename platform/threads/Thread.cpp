#include "platform/threads/Thread.h"

#include <chrono>

namespace yeroup::platform {

void Sleep(int milliseconds) {
    if (milliseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TThread::~TThread() { WaitFor(); }

void TThread::Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TThread::WaitFor() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace yeroup::platform
