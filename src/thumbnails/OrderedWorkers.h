#pragma once
// Classes: TOrderedWorkers.
//
// A job run for every index 0 .. count - 1 on a pool of worker threads, its
// results handed back in index order. Workers run at most a bounded number
// of indexes ahead of the one the caller takes next, so the results waiting
// in memory stay bounded whatever the count. Without worker threads the
// caller's own thread runs each job when its result is taken. Plain C++, no
// Qt.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TOrderedWorkers {
public:
    // The result of one index; the job must be safe to run on several
    // threads at once.
    using Job = std::function<std::vector<uint8_t>(int index)>;

    // Starts `threads` workers (none when threads < 2: one thread gains
    // nothing over the caller's), each taking the next index while it is
    // fewer than `ahead` indexes past the one taken last.
    TOrderedWorkers(int count, int threads, int ahead, Job job);
    // Stops the workers after their current job and waits for them.
    ~TOrderedWorkers();
    TOrderedWorkers(const TOrderedWorkers&) = delete;
    TOrderedWorkers& operator=(const TOrderedWorkers&) = delete;

    // The result of the next index (0, 1, 2 ... in turn), waiting for it;
    // rethrows what the job threw for that index.
    std::vector<uint8_t> TakeNext();

    int Threads() const { return static_cast<int>(threads_.size()); }

private:
    struct Slot {
        bool ready = false;
        std::vector<uint8_t> result;
        std::exception_ptr error;
    };

    void Work();
    static Slot Run(const Job& job, int index);

    const int count_;
    const Job job_;
    std::vector<Slot> slots_;  // index i waits in slot i % slots_.size()
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable resultReady_;
    int next_ = 0;   // the next index a worker takes
    int taken_ = 0;  // the next index the caller takes
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// One worker per core, one where the core count is unknown.
int ThreadsPerCore();
