// Internal to platform/framework: the Qt event that carries a window message.
#pragma once

#include <QEvent>

#include "platform/framework/Messages.h"

namespace zu {

class TMessageEvent : public QEvent {
 public:
  explicit TMessageEvent(const TMessage& M) : QEvent(static_cast<QEvent::Type>(MessageEventType())), Message(M) {}
  TMessage Message;
};

}  // namespace zu
