// Internal to platform/framework: the Qt event that carries a window message.
#pragma once

#include <QEvent>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/framework/Messages.h"

namespace zu {

// The sender's side of a message sent from another thread: filled in when the event goes,
// whether it was handled or dropped with a window that died. The hand-over happens once per
// progress block of a download, so it is kept to one atomic. The sender first yields its CPU
// a few times: when both threads share one CPU, the receiver then runs the call at once, and
// as the sender never said it sleeps, answering costs the receiver no wake-up system call.
struct TSendReply {
  enum : int { Pending, Sleeping, Answered };
  static constexpr int kYields = 4;
  std::atomic<int> State{Pending};
  std::intptr_t Result = 0;

  void Answer(std::intptr_t R) {
    Result = R;
    if (State.exchange(Answered, std::memory_order_acq_rel) == Sleeping) State.notify_one();
  }
  std::intptr_t Await() {
    for (int I = 0; I < kYields; ++I) {
      if (State.load(std::memory_order_acquire) == Answered) return Result;
      std::this_thread::yield();
    }
    int Expected = Pending;
    if (State.compare_exchange_strong(Expected, Sleeping, std::memory_order_acq_rel))
      while (State.load(std::memory_order_acquire) == Sleeping) State.wait(Sleeping, std::memory_order_acquire);
    return Result;
  }
};

class TMessageEvent : public QEvent {
 public:
  explicit TMessageEvent(const TMessage& M) : QEvent(static_cast<QEvent::Type>(MessageEventType())), Message(M) {}
  ~TMessageEvent() override {
    if (!Reply) return;
    Reply->Answer(Message.Result);
  }
  TMessage Message;
  std::shared_ptr<TSendReply> Reply;
};

}  // namespace zu
