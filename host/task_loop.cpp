#include "task_loop.h"

#include <algorithm>
#include <utility>

namespace Vela::Host {

void TaskLoop::Schedule(double delaySeconds, uint32_t owner, std::string_view label,
                        std::function<void()> work) {
  // A NaN or negative delay runs at once.
  const double delay = delaySeconds > 0.0 ? delaySeconds : 0.0;
  items_.push_back(Item{now_ + delay, nextSequence_++, owner, std::string(label), std::move(work)});
}

std::size_t TaskLoop::NextIndex() const {
  std::size_t best = items_.size();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (best == items_.size() || items_[i].due < items_[best].due ||
        (items_[i].due == items_[best].due && items_[i].sequence < items_[best].sequence)) {
      best = i;
    }
  }
  return best;
}

std::size_t TaskLoop::RunDue() {
  std::size_t ran = 0;
  for (;;) {
    const std::size_t next = NextIndex();
    if (next == items_.size() || items_[next].due > now_) return ran;
    Item item = std::move(items_[next]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(next));
    if (item.work) item.work();
    ++ran;
  }
}

std::size_t TaskLoop::AdvanceBy(double seconds) {
  const double target = now_ + (seconds > 0.0 ? seconds : 0.0);
  std::size_t ran = RunDue();
  for (;;) {
    const std::size_t next = NextIndex();
    if (next == items_.size() || items_[next].due > target) break;
    now_ = std::max(now_, items_[next].due);
    ran += RunDue();
  }
  now_ = target;
  return ran;
}

std::size_t TaskLoop::RunNext() {
  const std::size_t next = NextIndex();
  if (next == items_.size()) return 0;
  now_ = std::max(now_, items_[next].due);
  return RunDue();
}

std::size_t TaskLoop::RunUntilIdle(std::size_t limit) {
  std::size_t ran = 0;
  while (!items_.empty() && ran < limit) {
    const std::size_t step = RunNext();
    if (step == 0) break;
    ran += step;
  }
  return ran;
}

std::size_t TaskLoop::DropOwner(uint32_t owner) {
  return static_cast<std::size_t>(std::erase_if(items_, [owner](const Item& item) { return item.owner == owner; }));
}

std::vector<std::string> TaskLoop::PendingLabels() const {
  std::vector<const Item*> order;
  for (const Item& item : items_) order.push_back(&item);
  std::sort(order.begin(), order.end(), [](const Item* a, const Item* b) {
    return a->due != b->due ? a->due < b->due : a->sequence < b->sequence;
  });
  std::vector<std::string> labels;
  for (const Item* item : order) labels.push_back(item->label);
  return labels;
}

}  // namespace Vela::Host
