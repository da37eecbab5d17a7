// The root of the framework's class tree: objects that lists can own and events name as Sender.
#pragma once

#include <functional>

namespace zu {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

}  // namespace zu
