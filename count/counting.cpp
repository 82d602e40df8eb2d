// SPDX-License-Identifier: GPL-3.0-or-later
// Counting on a oneTBB arena: the unfinished tasks in a fixed shuffled order, one at a time per worker, each
// timed by its thread's processor clock.
#include "count/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <shared_mutex>
#include <system_error>
#include <vector>

#include "engine/stop_poll.h"

namespace nq {
namespace {

// The order's seed: any fixed value; the same order on every run keeps runs comparable.
constexpr std::uint64_t kOrderSeed = 0x6e71756565e5;

// The order oneTBB gives a loop's tasks, stated for ThreadSanitizer, which cannot see it in Debian's oneTBB
// (built without the sanitizer): each task after the code that starts the loop, the code after the loop after
// every task, also after one that threw. Nothing orders two tasks: the sanitizer still sees races between
// them.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
void Acquire(char& at) {
    __tsan_acquire(&at);
}
void Release(char& at) {
    __tsan_release(&at);
}
#else
void Acquire(char&) {}
void Release(char&) {}
#endif

class LoopOrder {
  public:
    LoopOrder() { Release(start_); }
    ~LoopOrder() { Acquire(end_); }
    LoopOrder(const LoopOrder&) = delete;
    LoopOrder& operator=(const LoopOrder&) = delete;

    // Lives as long as one task of the loop.
    class Task {
      public:
        explicit Task(LoopOrder& loop) : loop_(loop) { Acquire(loop_.start_); }
        ~Task() { Release(loop_.end_); }
        Task(const Task&) = delete;
        Task& operator=(const Task&) = delete;

      private:
        LoopOrder& loop_;
    };

  private:
    char start_ = 0, end_ = 0;
};

std::uint64_t ThreadMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000u + static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}

}  // namespace

void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t, std::size_t)>& task) {
    jobs = std::max(jobs, 1);
    // oneTBB lets no more threads work than the machine has unless told; the caller asked for `jobs`.
    std::optional<tbb::global_control> allow;
    if (jobs > HardwareThreads()) allow.emplace(tbb::global_control::max_allowed_parallelism, jobs);
    tbb::task_arena arena(jobs);
    LoopOrder order;
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, tasks, 1),
            [&](const tbb::blocked_range<std::size_t>& range) {
                const LoopOrder::Task ordered(order);
                const int slot = tbb::this_task_arena::current_thread_index();
                for (std::size_t i = range.begin(); i != range.end(); ++i) {
                    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
                    task(i, static_cast<std::size_t>(std::clamp(slot, 0, jobs - 1)));
                }
            },
            tbb::simple_partitioner());
    });
}

void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t)>& task) {
    RunOnThreads(jobs, tasks, stop, [&task](std::size_t i, std::size_t) { task(i); });
}

CountResult CountTasks(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < ledger.Size(); ++i) {
        if (!ledger.IsFinished(i)) order.push_back(i);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937_64(kOrderSeed));
    CountResult result;
    try {
        // Each thread's buffers live as long as this run.
        std::vector<TaskScratch> scratch(static_cast<std::size_t>(std::max(run.Jobs, 1)));
        RunOnThreads(run.Jobs, order.size(), run.Stop, [&](std::size_t k, std::size_t slot) {
            if (ledger.RunFinished() >= run.TaskBudget) return;
            StopPoll poll{run.Stop};
            const std::uint64_t start = ThreadMicros();
            const std::uint64_t count = plan.CountTask(order[k], scratch[slot], poll);
            if (poll.Stopped) return;
            ledger.Finish(order[k], count, ThreadMicros() - start);
        });
    } catch (const std::exception& e) {
        // oneTBB hands the first task's exception to this thread once the others have stopped.
        result.Failure = CountFailure(e);
    }
    const std::size_t done = ledger.Finished();
    result.Stopped = done < ledger.Size();
    result.Solutions = result.Stopped ? ledger.Solutions() : plan.Total(ledger.Solutions());
    result.ShareDone =
        ledger.Size() == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(ledger.Size());
    return result;
}

CountResult CountSolutions(const CountRequest& request) {
    CountPlanMaker maker(request.Board, request.Unique, request.Options, request.Jobs);
    if (!maker.Make(request.Stop)) return {.Solutions = 0, .Stopped = true, .ShareDone = 0.0, .Failure = ""};
    const std::unique_ptr<CountPlan> plan = maker.Take();
    TaskLedger ledger(plan->Size());
    return CountTasks(*plan, ledger, {.Jobs = request.Jobs, .Stop = request.Stop});
}

int HardwareThreads() {
    return std::max(1, tbb::info::default_concurrency());
}

namespace {

// Each probing thread allocates, as the count's do (the allocator reserves address space for the first
// threads that do), and waits until every other one has started: they all live at once. Returns the gate
// itself when the allocation failed.
extern "C" void* WaitAtGate(void* gate) {
    void* volatile block = std::malloc(64);
    const bool failed = block == nullptr;
    std::free(block);
    static_cast<std::shared_mutex*>(gate)->lock_shared();
    static_cast<std::shared_mutex*>(gate)->unlock_shared();
    return failed ? gate : nullptr;
}

}  // namespace

std::string CheckThreads(int jobs) {
    // oneTBB's workers (jobs - 1: the caller's thread is one of the count's), the saver and the progress
    // line.
    const int wanted = std::max(jobs, 1) + 1;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return "";
    pthread_attr_setstacksize(&attributes,
                              tbb::global_control::active_value(tbb::global_control::thread_stack_size));
    std::shared_mutex gate;
    gate.lock();
    std::vector<pthread_t> started;
    int error = 0;
    while (static_cast<int>(started.size()) < wanted) {
        pthread_t thread;
        if ((error = pthread_create(&thread, &attributes, WaitAtGate, &gate)) != 0) break;
        started.push_back(thread);
    }
    gate.unlock();
    int usable = 0;  // started, and could allocate
    for (const pthread_t thread : started) {
        void* failed = nullptr;
        pthread_join(thread, &failed);
        usable += failed == nullptr ? 1 : 0;
    }
    pthread_attr_destroy(&attributes);
    if (error == 0 && usable == wanted) return "";
    return "a count on " + std::to_string(jobs) + " thread" + (jobs == 1 ? "" : "s") + " needs " +
           std::to_string(wanted) +
           " threads besides its own, but the limits on processes and memory let it " + "start only " +
           std::to_string(usable) + " here" +
           (usable >= 2 ? "; give --jobs " + std::to_string(usable - 1) + " or fewer" : "");
}

std::string CountFailure(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return "out of memory";
    if (const auto* system = dynamic_cast<const std::system_error*>(&e))
        return "the system refused a thread or a lock (" +
               std::string(std::strerror(system->code().value())) + ")";
    return e.what();
}

}  // namespace nq
