#pragma once
// A worker thread created suspended, started explicitly, with a terminated flag and a join.
#include <atomic>
#include <thread>

namespace yeroup::platform {

// Sleeps the calling thread; 0 or less yields.
void Sleep(int milliseconds);

class TThread {
public:
    TThread() = default;
    // Joins a started thread: a derived class must make Execute return before it is destroyed.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    // Blocks until Execute has returned; does nothing when never started.
    void WaitFor();

protected:
    virtual void Execute() = 0;

private:
    std::thread thread_;
    std::atomic<bool> terminated_{false};
};

}  // namespace yeroup::platform
