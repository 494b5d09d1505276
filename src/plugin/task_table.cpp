#include "plugin/task_table.h"

#include <utility>

namespace Vela {

TaskRecord* TaskTable::Insert(AppModule* module, std::function<void()> run) {
  auto record = std::make_unique<TaskRecord>();
  record->module = module;
  record->run = std::move(run);
  std::lock_guard<std::mutex> guard(lock_);
  record->id = nextId_++;
  TaskRecord* raw = record.get();
  tasks_.emplace(raw->id, std::move(record));
  return raw;
}

bool TaskTable::Remove(uint64_t id) {
  std::unique_ptr<TaskRecord> removed;  // destroyed outside the lock
  std::lock_guard<std::mutex> guard(lock_);
  auto found = tasks_.find(id);
  if (found == tasks_.end()) return false;
  removed = std::move(found->second);
  tasks_.erase(found);
  return true;
}

std::size_t TaskTable::size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return tasks_.size();
}

uint64_t TaskTable::nextId() const {
  std::lock_guard<std::mutex> guard(lock_);
  return nextId_;
}

}  // namespace Vela
