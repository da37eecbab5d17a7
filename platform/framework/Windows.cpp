// The window tests every component needs. Only Qt's core library and the inline part of
// QWidget are used here, so programs without windows do not link the widget library.
#include "platform/framework/Windows.h"

#include <QWidget>

#include "platform/framework/Component.h"

namespace zu {

QWidget* ComponentWidget(TComponent* C) {
  auto* O = dynamic_cast<QObject*>(C);
  return O && O->isWidgetType() ? static_cast<QWidget*>(O) : nullptr;
}

bool IsForm(const QWidget* W) { return W && W->isWindow(); }

}  // namespace zu
