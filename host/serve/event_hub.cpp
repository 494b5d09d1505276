#include "event_hub.h"

#include <algorithm>
#include <utility>

namespace Vela::Host {

std::string StreamMessageText(const StreamMessage& message) {
  std::string text = "id: " + std::to_string(message.id) + "\n";
  if (!message.event.empty() && message.event != "message") text += "event: " + message.event + "\n";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = message.data.find('\n', start);
    text += "data: " + message.data.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return text + "\n";
}

std::shared_ptr<EventHub::Client> EventHub::Subscribe() {
  std::lock_guard lock(mutex_);
  if (closed_ || clients_.size() >= maxClients_) return nullptr;
  clients_.push_back(std::make_shared<Client>());
  return clients_.back();
}

void EventHub::Unsubscribe(const std::shared_ptr<Client>& client) {
  std::lock_guard lock(mutex_);
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void EventHub::Publish(std::string_view event, std::string data) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    const StreamMessage message{nextId_++, std::string(event), std::move(data)};
    if (maxRecent_ != 0) {
      if (recent_.size() == maxRecent_) recent_.pop_front();
      recent_.push_back(message);
    }
    for (const std::shared_ptr<Client>& client : clients_) {
      if (client->dropped) continue;
      if (client->queue.size() >= maxQueued_) {
        client->dropped = true;
        client->queue.clear();
        continue;
      }
      client->queue.push_back(message);
    }
  }
  wake_.notify_all();
}

EventHub::Batch EventHub::Take(Client& client, std::chrono::milliseconds wait) {
  Batch batch;
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, wait, [&] { return closed_ || client.dropped || !client.queue.empty(); });
  if (closed_ || client.dropped) {
    batch.open = false;
    return batch;
  }
  batch.messages.assign(std::make_move_iterator(client.queue.begin()), std::make_move_iterator(client.queue.end()));
  client.queue.clear();
  return batch;
}

void EventHub::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  wake_.notify_all();
}

std::size_t EventHub::clients() const {
  std::lock_guard lock(mutex_);
  return clients_.size();
}

std::vector<StreamMessage> EventHub::Recent() const {
  std::lock_guard lock(mutex_);
  return {recent_.begin(), recent_.end()};
}

}  // namespace Vela::Host
