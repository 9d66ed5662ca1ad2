// A map over jobs on worker threads whose results are taken in the order the jobs came, so that
// threads change the speed and never the output. At most `window` jobs are between submission
// and being taken, so memory does not grow with the number of jobs.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

namespace qrvx::cli {

template <class Job, class Done>
class OrderedPipeline {
public:
    using Work = std::function<Done(Job &)>;  // on a worker thread
    using Take = std::function<void(Done &)>; // on the submitting thread, in job order

    OrderedPipeline(unsigned threads, std::size_t window, Work work, Take take)
        : work_(std::move(work)), take_(std::move(take)), slots_(std::max<std::size_t>(window, 1)) {
        for (unsigned count = 0; count < std::max(threads, 1u); ++count) {
            workers_.emplace_back([this] { serve(); });
        }
    }
    // Without finish() (an exception on its way), the jobs not taken are dropped.
    ~OrderedPipeline() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        jobReady_.notify_all();
        for (std::thread &worker : workers_) {
            worker.join();
        }
    }
    OrderedPipeline(const OrderedPipeline &) = delete;
    OrderedPipeline &operator=(const OrderedPipeline &) = delete;

    // Waits for room in the window, taking results meanwhile. What a job's work threw is
    // thrown here when its turn comes.
    void submit(Job job) {
        std::unique_lock lock(mutex_);
        while (submitted_ - taken_ == slots_.size()) {
            takeNext(lock);
        }
        queue_.emplace_back(submitted_++, std::move(job));
        lock.unlock();
        jobReady_.notify_one();
    }

    // Every job taken.
    void finish() {
        std::unique_lock lock(mutex_);
        while (taken_ < submitted_) {
            takeNext(lock);
        }
    }

private:
    using Outcome = std::variant<std::monostate, Done, std::exception_ptr>;

    Outcome &slot(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }

    void takeNext(std::unique_lock<std::mutex> &lock) {
        doneReady_.wait(lock, [&] { return slot(taken_).index() != 0; });
        Outcome outcome = std::exchange(slot(taken_), Outcome());
        ++taken_;
        lock.unlock();
        if (auto *failure = std::get_if<std::exception_ptr>(&outcome)) {
            std::rethrow_exception(*failure);
        }
        take_(std::get<Done>(outcome));
        lock.lock();
    }

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            jobReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            auto [sequence, job] = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            Outcome outcome;
            try {
                outcome.template emplace<Done>(work_(job));
            } catch (...) {
                outcome = std::current_exception();
            }
            lock.lock();
            slot(sequence) = std::move(outcome);
            doneReady_.notify_one(); // only the submitting thread waits
        }
    }

    Work work_;
    Take take_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable doneReady_;
    std::deque<std::pair<std::uint64_t, Job>> queue_;
    std::vector<Outcome> slots_;
    std::uint64_t submitted_ = 0;
    std::uint64_t taken_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace qrvx::cli
