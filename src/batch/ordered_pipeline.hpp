// A map over jobs on worker threads whose results are taken in the order the jobs came, so that
// threads change the speed and never the output. Jobs travel in units of `batch`, so that a
// thread is handed work and results a unit at a time rather than a job at a time; at most
// `window` units are between submission and being taken, so memory does not grow with the
// number of jobs. With one thread the work runs on the submitting thread, which then hands
// nothing over.
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

namespace qrvx::batch {

template <class Job, class Done>
class OrderedPipeline {
public:
    using Work = std::function<Done(Job &)>;  // on a worker thread
    using Take = std::function<void(Done &)>; // on the submitting thread, in job order

    OrderedPipeline(unsigned threads, std::size_t window, std::size_t batch, Work work, Take take)
        : work_(std::move(work)), take_(std::move(take)), batch_(std::max<std::size_t>(batch, 1)),
          slots_(std::max<std::size_t>(window, 1)) {
        for (unsigned count = 0; threads > 1 && count < threads; ++count) {
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

    // May wait for room in the window, taking results meanwhile. What a job's work threw is
    // thrown here or in finish() when the job's turn comes.
    void submit(Job job) {
        if (workers_.empty()) {
            Done done = work_(job);
            take_(done);
            return;
        }
        filling_.push_back(std::move(job));
        if (filling_.size() == batch_) {
            enqueue();
        }
    }

    // Every job taken.
    void finish() {
        if (!filling_.empty()) {
            enqueue();
        }
        std::unique_lock lock(mutex_);
        while (taken_ < submitted_) {
            takeNext(lock);
        }
    }

private:
    // A unit's results, or what its work threw first.
    using Outcome = std::variant<std::monostate, std::vector<Done>, std::exception_ptr>;

    Outcome &slot(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }

    void enqueue() {
        std::unique_lock lock(mutex_);
        while (submitted_ - taken_ == slots_.size()) {
            takeNext(lock);
        }
        queue_.emplace_back(submitted_++, std::exchange(filling_, {}));
        lock.unlock();
        jobReady_.notify_one();
    }

    void takeNext(std::unique_lock<std::mutex> &lock) {
        waiting_ = true;
        doneReady_.wait(lock, [&] { return slot(taken_).index() != 0; });
        waiting_ = false;
        Outcome outcome = std::exchange(slot(taken_), Outcome());
        ++taken_;
        lock.unlock();
        if (auto *failure = std::get_if<std::exception_ptr>(&outcome)) {
            std::rethrow_exception(*failure);
        }
        for (Done &done : std::get<std::vector<Done>>(outcome)) {
            take_(done);
        }
        lock.lock();
    }

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            jobReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            auto [sequence, jobs] = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            Outcome outcome;
            try {
                auto &results = outcome.template emplace<std::vector<Done>>();
                results.reserve(jobs.size());
                for (Job &job : jobs) {
                    results.push_back(work_(job));
                }
            } catch (...) {
                outcome = std::current_exception();
            }
            lock.lock();
            slot(sequence) = std::move(outcome);
            // Only the submitting thread waits, and only for the next unit in order.
            if (waiting_ && sequence == taken_) {
                doneReady_.notify_one();
            }
        }
    }

    Work work_;
    Take take_;
    std::size_t batch_;
    std::vector<Job> filling_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable doneReady_;
    std::deque<std::pair<std::uint64_t, std::vector<Job>>> queue_;
    std::vector<Outcome> slots_;
    std::uint64_t submitted_ = 0;
    std::uint64_t taken_ = 0;
    bool waiting_ = false;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace qrvx::batch
