#pragma once
// Hand-offs between a test and its peer thread. Both are held through shared_ptr by the peer's
// script, so they stay valid even when a failing test leaves before the peer is done.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace yeroup::test {

class Gate {
public:
    static std::shared_ptr<Gate> Make() { return std::make_shared<Gate>(); }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    // Gives up after a generous limit so a failed test cannot hang the suite.
    bool Wait() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(20), [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

class Mailbox {
public:
    static std::shared_ptr<Mailbox> Make() { return std::make_shared<Mailbox>(); }
    void Put(std::string value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
        full_ = true;
        cv_.notify_all();
    }
    std::string Take() {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, std::chrono::seconds(20), [this] { return full_; });
        full_ = false;
        return value_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string value_;
    bool full_ = false;
};

}  // namespace yeroup::test
