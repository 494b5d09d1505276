// The host's loop on a simulated clock: work is scheduled at a time, and runs when the
// clock has reached it, earliest first and, at equal times, in order of scheduling.
// Nothing runs by itself: RunDue, AdvanceBy and RunUntilIdle drive the loop.
//
//   loop.Schedule(0.5, owner, "Event: x", [] { ... });
//   loop.AdvanceBy(1.0);  // the clock moves to 1.0 s, running the work due on the way
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Vela::Host {

class TaskLoop {
 public:
  // Schedules `work` at now + max(delaySeconds, 0). `owner` tags the work (a plugin cookie)
  // so that a stopped plugin's work can be dropped.
  void Schedule(double delaySeconds, uint32_t owner, std::string_view label, std::function<void()> work);

  // Runs the work due at the current time, including work that it schedules for now.
  // Returns the number of items run.
  std::size_t RunDue();
  // Moves the clock forward, running due work at each scheduled time on the way.
  std::size_t AdvanceBy(double seconds);
  // Runs everything, moving the clock to each item's time; stops after `limit` items so
  // that work that keeps rescheduling itself cannot hang the caller.
  std::size_t RunUntilIdle(std::size_t limit = 100000);
  // When the earliest item lies in the future: moves the clock to it and runs what is due
  // then. Returns the number of items run (0 when nothing is scheduled).
  std::size_t RunNext();

  // Drops every item of `owner`; returns how many.
  std::size_t DropOwner(uint32_t owner);

  [[nodiscard]] double now() const { return now_; }
  [[nodiscard]] std::size_t pending() const { return items_.size(); }
  // Labels of the pending items in the order they would run.
  [[nodiscard]] std::vector<std::string> PendingLabels() const;

 private:
  struct Item {
    double due = 0.0;
    uint64_t sequence = 0;
    uint32_t owner = 0;
    std::string label;
    std::function<void()> work;
  };
  // Index of the next item to run (earliest due, then lowest sequence); size() when empty.
  std::size_t NextIndex() const;

  double now_ = 0.0;
  uint64_t nextSequence_ = 0;
  std::vector<Item> items_;
};

}  // namespace Vela::Host
