// Fans the plugin's events out to the clients of the event stream. The loop thread
// publishes; each client's HTTP thread takes what was published since it subscribed, in
// order. A client that falls too far behind is dropped rather than let its queue grow
// without bound. The last few hundred messages are kept, so that a page opened late can
// show what happened before it.
//
//   std::shared_ptr<EventHub::Client> client = hub.Subscribe();   // null when full or closed
//   hub.Publish("message", R"({"uri":"/x"})");                     // loop thread
//   EventHub::Batch batch = hub.Take(*client, std::chrono::seconds(1));
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Vela::Host {

// One Server-Sent Events message: its numbered id, its event type ("message" is the one a
// browser's EventSource.onmessage receives) and one line of data.
struct StreamMessage {
  uint64_t id = 0;
  std::string event;
  std::string data;
};

// The message as the stream carries it ("id: 3\ndata: {...}\n\n"); a data text with line
// breaks is split over several data lines, as the format requires.
[[nodiscard]] std::string StreamMessageText(const StreamMessage& message);

class EventHub {
 public:
  struct Client {
    std::deque<StreamMessage> queue;
    bool dropped = false;  // fell behind by more than the queue limit
  };
  struct Batch {
    std::vector<StreamMessage> messages;
    bool open = true;  // false: the hub closed or dropped the client; end the stream
  };

  explicit EventHub(std::size_t maxClients = 16, std::size_t maxQueued = 10000, std::size_t maxRecent = 500)
      : maxClients_(maxClients), maxQueued_(maxQueued), maxRecent_(maxRecent) {}

  // A new client that sees every message published from now on; null when the hub is
  // closed or already has its most clients.
  [[nodiscard]] std::shared_ptr<Client> Subscribe();
  void Unsubscribe(const std::shared_ptr<Client>& client);
  void Publish(std::string_view event, std::string data);
  // Waits up to `wait` for messages; returns at once when some are queued or the stream
  // is to end.
  [[nodiscard]] Batch Take(Client& client, std::chrono::milliseconds wait);
  // Ends every stream and refuses new clients.
  void Close();

  [[nodiscard]] std::size_t clients() const;
  // The last messages published (at most `maxRecent`), oldest first.
  [[nodiscard]] std::vector<StreamMessage> Recent() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::shared_ptr<Client>> clients_;
  std::size_t maxClients_;
  std::size_t maxQueued_;
  std::size_t maxRecent_;
  std::deque<StreamMessage> recent_;
  uint64_t nextId_ = 1;
  bool closed_ = false;
};

}  // namespace Vela::Host
