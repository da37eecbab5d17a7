// Internal to platform/framework: the Qt event that carries a window message.
#pragma once

#include <QEvent>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/framework/Messages.h"

namespace zu {

// The sender's side of a message sent from another thread: filled in when the event goes,
// whether it was handled or dropped with a window that died.
struct TSendReply {
  std::mutex M;
  std::condition_variable Cv;
  bool Done = false;
  std::intptr_t Result = 0;
};

class TMessageEvent : public QEvent {
 public:
  explicit TMessageEvent(const TMessage& M) : QEvent(static_cast<QEvent::Type>(MessageEventType())), Message(M) {}
  ~TMessageEvent() override {
    if (!Reply) return;
    std::lock_guard<std::mutex> L(Reply->M);
    Reply->Result = Message.Result;
    Reply->Done = true;
    Reply->Cv.notify_all();
  }
  TMessage Message;
  std::shared_ptr<TSendReply> Reply;
};

}  // namespace zu
