// Window messages on Qt: TMessage, hidden message windows with a window procedure, posted
// and sent messages, and window timers.
//
// A handle names any object that receives messages: a hidden message window, or a widget
// registered with WidgetHandle. Messages travel as TMessageEvent, a custom QEvent; posting
// is a queued event, sending from the object's own thread is a direct call and from another
// thread a blocking queued call. Handles are checked against a registry, so a message to a
// window that is gone is dropped instead of touching freed memory.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/framework/Types.h"

class QObject;
class QWidget;

namespace zu {

struct TMessage {
  unsigned Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// System messages the units react to.
enum : unsigned {
  WM_DESTROY = 0x0002,
  WM_SETTEXT = 0x000C,
  WM_CLOSE = 0x0010,
  WM_QUERYENDSESSION = 0x0011,
  WM_SHOWWINDOW = 0x0018,
  WM_ACTIVATEAPP = 0x001C,
  WM_HELP = 0x0053,
  WM_SYSCOMMAND = 0x0112,
  WM_TIMER = 0x0113,
  WM_USER = 0x0400,
};
inline constexpr std::uintptr_t SC_CLOSE = 0xF060;

// Private messages of this system.
enum : unsigned {
  ZUM_REHOOK = 1325,           // WM_USER + 301: re-install the hooks of a recreated window
  ZUM_CAPTIONCHANGED = 14937,  // the parent form's caption changed
  ZUM_WHATSTHIS = 14945,       // "What's This?" request
  ZUM_TOPMOSTCHANGED = 14946,  // a hooked window's topmost state changed
  ZUM_RELAYOUT = 14949,        // re-layout of a button row
  ZUM_SYNCHRONIZE = 0x8FFF,    // a worker thread's synchronised call
};

using TWndMethod = std::function<void(TMessage& Message)>;

// A hidden message window: its messages and timer ticks go to WndProc, in the thread that
// created it. Exceptions in WndProc go to the application's exception handler.
THandle AllocateHWnd(TWndMethod WndProc);
void DeallocateHWnd(THandle Wnd);

// The default window procedure: 0 for every message.
std::intptr_t DefWindowProc(const TMessage& Message);

bool PostMessage(THandle Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);
// Returns the message's result; 0 when the window does not exist.
std::intptr_t SendMessage(THandle Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);
bool IsWindow(THandle Wnd);

// Window timers deliver WM_TIMER with WParam = Id. SetTimer replaces a timer of the same id;
// false when refused (no such window, or an interval the system cannot take).
bool SetTimer(THandle Wnd, std::uintptr_t Id, int IntervalMs);
bool KillTimer(THandle Wnd, std::uintptr_t Id);
// The most window timers the process may run at once (10000, as window systems limit them).
void SetTimerQuota(int Quota);

// Widgets as message receivers: the handle stays the same while the widget lives (also
// across a recreation of its native window).
THandle WidgetHandle(QWidget* Widget);
QWidget* HandleWidget(THandle Wnd);  // null when it is no live widget

// The application window: the application object as a message receiver. Its procedure
// (see WindowProc.h) also sees ApplicationActivate/Deactivate as WM_ACTIVATEAPP (WParam 1/0).
THandle ApplicationHandle();

// The custom event type of TMessageEvent, for event filters that translate messages.
int MessageEventType();

// Offers WM_QUERYENDSESSION to every hidden window (the session manager asks); true when
// none of them vetoed.
bool BroadcastQueryEndSession();

}  // namespace zu
