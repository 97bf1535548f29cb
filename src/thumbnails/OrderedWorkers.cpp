#include "thumbnails/OrderedWorkers.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <utility>

TOrderedWorkers::TOrderedWorkers(int count, int threads, int ahead, Job job)
    : count_(std::max(count, 0)), job_(std::move(job)), slots_(static_cast<size_t>(std::max(ahead, 1)))
{
    if (threads < 2)
        return;
    const int wanted = std::min(threads, count_);
    threads_.reserve(static_cast<size_t>(wanted));
    try {
        for (int t = 0; t < wanted; ++t)
            threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // The system gave fewer threads than asked for: the ones started
        // serve every index; with none the caller's thread does.
    }
}

TOrderedWorkers::~TOrderedWorkers()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

TOrderedWorkers::Slot TOrderedWorkers::Run(const Job& job, int index)
{
    Slot slot;
    try {
        slot.result = job(index);
    } catch (...) {
        slot.error = std::current_exception();
    }
    slot.ready = true;
    return slot;
}

void TOrderedWorkers::Work()
{
    const int ahead = static_cast<int>(slots_.size());
    std::unique_lock lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock, [&] { return stopping_ || next_ >= count_ || next_ < taken_ + ahead; });
        if (stopping_ || next_ >= count_)
            return;
        const int index = next_++;
        lock.unlock();
        Slot done = Run(job_, index);
        lock.lock();
        slots_[static_cast<size_t>(index % ahead)] = std::move(done);
        resultReady_.notify_one();
    }
}

std::vector<uint8_t> TOrderedWorkers::TakeNext()
{
    const int index = taken_;
    if (index >= count_)
        throw std::out_of_range("TOrderedWorkers: every index has been taken");
    Slot slot;
    if (threads_.empty()) {
        slot = Run(job_, index);
        ++taken_;
    } else {
        std::unique_lock lock(mutex_);
        Slot& waiting = slots_[static_cast<size_t>(index) % slots_.size()];
        resultReady_.wait(lock, [&] { return waiting.ready; });
        slot = std::exchange(waiting, Slot{});
        ++taken_;
        lock.unlock();
        workAvailable_.notify_all();
    }
    if (slot.error)
        std::rethrow_exception(slot.error);
    return std::move(slot.result);
}

int ThreadsPerCore()
{
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}
