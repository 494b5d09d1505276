// Hands work from the HTTP server's threads to the one thread that drives the plugin. The
// plugin is single-threaded: only the loop thread calls it, and a request's handler waits
// for its work to be done there.
//
//   LoopBridge bridge;
//   // loop thread:   bridge.Serve([&] { return stopRequested; });
//   // HTTP thread:   if (!bridge.Run([&] { answer = host.Call(request); })) return Unavailable();
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace Vela::Host {

class LoopBridge {
 public:
  // Any thread but the loop's: runs `work` on the loop thread and waits until it is done.
  // False, without running it, once the bridge is closed (the server is shutting down).
  [[nodiscard]] bool Run(std::function<void()> work);

  // The loop thread: runs handed work in the order it came until `stopRequested` answers
  // true (asked at least every `pollMilliseconds`), then closes the bridge.
  void Serve(const std::function<bool()>& stopRequested, int pollMilliseconds = 100);

  // Refuses new work and answers work still waiting with false. Idempotent.
  void Close();

 private:
  struct Job {
    std::function<void()> work;
    std::promise<bool> done;
  };

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool closed_ = false;
};

}  // namespace Vela::Host
