// Window procedures of widgets, so components can subclass a window as the design does:
// read a widget's current procedure, install another one in its place, and pass messages on
// to the previous one.
//
// One event filter per widget turns the Qt events the units react to into messages and
// hands them to the widget's current procedure:
//   Show/Hide          WM_SHOWWINDOW (WParam 1/0)
//   WindowTitleChange  WM_SETTEXT (LParam: the new caption, a NUL-terminated UTF-8 string)
//   Close              WM_SYSCOMMAND with SC_CLOSE (not passed on: the close is refused)
//   F1, WhatsThis      WM_HELP
//   WinIdChange to 0   WM_DESTROY: the native window goes away; afterwards the widget's
//                      procedure is its base procedure again, as a new native window has
//   messages sent or posted to WidgetHandle(widget)
// The base procedure is the widget's own event handling; a message that reaches it was not
// handled by any procedure in front of it. Other Qt events pass untouched.
#pragma once

#include <functional>
#include <memory>

#include "platform/framework/Messages.h"

namespace zu {

using TWindowProcFn = std::function<void(THandle Wnd, TMessage& Message)>;
// Procedures are compared by identity, as window procedure addresses are.
using TWindowProc = std::shared_ptr<const TWindowProcFn>;

TWindowProc MakeWindowProc(TWindowProcFn Fn);

// The widget's current procedure; its base procedure when nothing was installed. Null when
// Wnd is no live widget.
TWindowProc GetWindowProc(THandle Wnd);
// Installs Proc as the widget's current procedure (null restores the base procedure).
bool SetWindowProc(THandle Wnd, TWindowProc Proc);
// Runs Proc for Message on Wnd; the result is left in Message.Result.
void CallWindowProc(const TWindowProc& Proc, THandle Wnd, TMessage& Message);


}  // namespace zu
