// Paces how long work that runs inside a window's handler looks at its
// messages. The work may yield very often (a registry walk yields at every
// key), but looking at the message queue is a round trip to the system like
// a registry call: the window answers every few milliseconds instead, which
// no user can tell from every time, and refreshes what it shows of the work
// less often still, since every refresh repaints.
#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "shell/form.h"

namespace qm::shell {

class EventPacer {
 public:
  using Clock = std::chrono::steady_clock;

  EventPacer(Clock::duration events, Clock::duration refresh, std::function<void()> on_refresh)
      : events_(events), refresh_(refresh), on_refresh_(std::move(on_refresh)) {}

  // False when the program was asked to end while its messages were looked at.
  [[nodiscard]] bool Pace() {
    const auto now = Clock::now();
    if (now - last_events_ < events_) return true;
    last_events_ = now;
    if (now - last_refresh_ >= refresh_) {
      last_refresh_ = now;
      on_refresh_();
    }
    const bool go_on = DoEvents();
    // The handlers that ran count as time spent answering.
    last_events_ = Clock::now();
    return go_on;
  }

 private:
  Clock::duration events_;
  Clock::duration refresh_;
  std::function<void()> on_refresh_;
  Clock::time_point last_events_{};
  Clock::time_point last_refresh_{};
};

}  // namespace qm::shell
