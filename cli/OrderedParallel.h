// Work on many files with several threads while the results come out in the order of the
// files, as if one thread had done them one after another.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace polyverb::cli {

// The processors this process may run on (at least 1): the default of -j.
unsigned ProcessorCount();

// Calls work(i) for each i in [0, count) on up to `jobs` threads, and deliver(i, result) on
// the calling thread in the order of i, each as soon as it and all before it are done.
// At most a few results per thread are held at once, so memory does not grow with
// `count`. An exception from work(i) is rethrown where i would be delivered; an exception
// from deliver stops the run (threads finish the item they hold, start no other) and
// leaves this call. With one job everything runs on the calling thread.
// REQUIRES: work may run on any thread, for different i at the same time.
template <class Result>
void ForEachInOrder(std::size_t count, unsigned jobs,
                    const std::function<Result(std::size_t)>& work,
                    const std::function<void(std::size_t, Result&)>& deliver) {
  if (jobs <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      Result result = work(i);
      deliver(i, result);
    }
    return;
  }

  struct Slot {
    std::optional<Result> result;
    std::exception_ptr failure;
    bool ready = false;
  };
  const std::size_t window = 4 * static_cast<std::size_t>(jobs);
  std::vector<Slot> slots(window);  // item i waits in slot i % window
  std::mutex mutex;
  std::condition_variable ready, room;
  std::size_t next = 0;       // the next item to start
  std::size_t delivered = 0;  // the items before this one are delivered
  bool stop = false;

  auto worker = [&] {
    for (;;) {
      std::size_t i;
      {
        std::unique_lock lock(mutex);
        room.wait(lock, [&] { return stop || next >= count || next < delivered + window; });
        if (stop || next >= count) return;
        i = next++;
      }
      Slot done;
      try {
        done.result.emplace(work(i));
      } catch (...) {
        done.failure = std::current_exception();
      }
      done.ready = true;
      {
        const std::lock_guard lock(mutex);
        slots[i % window] = std::move(done);
      }
      ready.notify_one();
    }
  };

  std::vector<std::thread> threads;
  // Ends the threads on every way out, a delivery that throws included.
  struct Join {
    std::vector<std::thread>& threads;
    std::mutex& mutex;
    std::condition_variable& room;
    bool& stop;
    ~Join() {
      {
        const std::lock_guard lock(mutex);
        stop = true;
      }
      room.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } join{threads, mutex, room, stop};
  const std::size_t thread_count = std::min<std::size_t>(jobs, count);
  for (std::size_t t = 0; t < thread_count; ++t) threads.emplace_back(worker);

  for (std::size_t i = 0; i < count; ++i) {
    Slot slot;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return slots[i % window].ready; });
      slot = std::move(slots[i % window]);
      slots[i % window] = Slot{};
      ++delivered;
    }
    room.notify_all();
    if (slot.failure) std::rethrow_exception(slot.failure);
    deliver(i, *slot.result);
  }
}

}  // namespace polyverb::cli
