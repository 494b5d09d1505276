// The module's posted tasks: each task handed to the host is a record that stays in this
// table, and so stays valid as the host's context word, until the task has run.
//
//   TaskRecord* record = tasks.Insert(&module, [] { ... });
//   host.PostTask("Event: OnLcdsEvent", &RunTask, record, delay, 0);
//   // later, on the host's loop: record->run(); tasks.Remove(record->id);
//
// Ids start at 1 and are never reused within the life of a table. Insertion and removal
// take the table's lock; the task's function runs outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace Vela {

class AppModule;

struct TaskRecord {
  AppModule* module = nullptr;
  uint64_t id = 0;
  std::function<void()> run;
};

class TaskTable {
 public:
  // Stores a new record under the next id and returns it; it lives until Remove(id).
  TaskRecord* Insert(AppModule* module, std::function<void()> run);
  // Destroys the record of `id`; false when there is none.
  bool Remove(uint64_t id);
  [[nodiscard]] std::size_t size() const;
  // The id the next Insert will take.
  [[nodiscard]] uint64_t nextId() const;

 private:
  mutable std::mutex lock_;
  uint64_t nextId_ = 1;
  std::unordered_map<uint64_t, std::unique_ptr<TaskRecord>> tasks_;
};

}  // namespace Vela
