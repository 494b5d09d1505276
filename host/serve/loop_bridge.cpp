#include "loop_bridge.h"

#include <chrono>
#include <utility>

namespace Vela::Host {

bool LoopBridge::Run(std::function<void()> work) {
  std::future<bool> done;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    Job job{std::move(work), {}};
    done = job.done.get_future();
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  return done.get();
}

void LoopBridge::Serve(const std::function<bool()>& stopRequested, int pollMilliseconds) {
  while (!stopRequested()) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait_for(lock, std::chrono::milliseconds(pollMilliseconds), [this] { return !jobs_.empty(); })) continue;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    // A job that throws must not leave its handler waiting for ever, nor end the loop.
    try {
      job.work();
      job.done.set_value(true);
    } catch (...) {
      job.done.set_exception(std::current_exception());
    }
  }
  Close();
}

void LoopBridge::Close() {
  std::deque<Job> waiting;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    waiting.swap(jobs_);
  }
  for (Job& job : waiting) job.done.set_value(false);
}

}  // namespace Vela::Host
