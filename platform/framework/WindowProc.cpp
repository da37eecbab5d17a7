#include "platform/framework/WindowProc.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <map>
#include <vector>

#include "platform/framework/MessageEvent.h"

namespace zu {

namespace {

class TWindowFilter : public QObject {
 public:
  TWindowFilter(QObject* Target, THandle H) : FTarget(Target), FHandle(H) {
    FBase = MakeWindowProc([this](THandle, TMessage& M) { RunBase(M); });
    FCurrent = FBase;
    Target->installEventFilter(this);
  }

  TWindowProc Base() const { return FBase; }
  TWindowProc Current() const { return FCurrent; }
  void SetCurrent(TWindowProc P) { FCurrent = P ? std::move(P) : FBase; }

  bool eventFilter(QObject* Watched, QEvent* E) override {
    if (Watched != FTarget) return false;
    TMessage M;
    if (!Translate(E, M)) return false;
    FEvents.push_back({E, false});
    const TWindowProc Proc = FCurrent;  // kept alive while it runs
    (*Proc)(FHandle, M);
    const bool Delivered = FEvents.back().Delivered;
    FEvents.pop_back();
    if (E->type() == static_cast<QEvent::Type>(MessageEventType()))
      static_cast<TMessageEvent*>(E)->Message.Result = M.Result;
    if (E->type() == QEvent::WinIdChange) FCurrent = FBase;  // a new native window starts bare
    if (E->type() == QEvent::Close && !Delivered) E->ignore();  // a procedure refused the close
    return true;  // delivered by the base procedure, or kept from the widget on purpose
  }

 private:
  struct TPending {
    QEvent* Event;
    bool Delivered;
  };

  bool Translate(QEvent* E, TMessage& M) {
    switch (E->type()) {
      case QEvent::Show: M = {WM_SHOWWINDOW, 1, 0, 0}; return true;
      case QEvent::Hide: M = {WM_SHOWWINDOW, 0, 0, 0}; return true;
      case QEvent::WindowTitleChange: {
        // Read as a property: this unit stays free of the widget library.
        FTitle = FTarget ? FTarget->property("windowTitle").toString().toStdString() : std::string();
        M = {WM_SETTEXT, 0, reinterpret_cast<std::intptr_t>(FTitle.c_str()), 0};
        return true;
      }
      case QEvent::Close: M = {WM_SYSCOMMAND, SC_CLOSE, 0, 0}; return true;
      case QEvent::WhatsThis: M = {WM_HELP, 0, 0, 0}; return true;
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(E)->key() != Qt::Key_F1) return false;
        M = {WM_HELP, 0, 0, 0};
        return true;
      case QEvent::WinIdChange: {
        auto* W = qobject_cast<QWidget*>(FTarget);
        if (!W || W->internalWinId() != 0) return false;
        M = {WM_DESTROY, 0, 0, 0};
        return true;
      }
      case QEvent::ApplicationActivate: M = {WM_ACTIVATEAPP, 1, 0, 0}; return true;
      case QEvent::ApplicationDeactivate: M = {WM_ACTIVATEAPP, 0, 0, 0}; return true;
      default:
        if (E->type() == static_cast<QEvent::Type>(MessageEventType())) {
          M = static_cast<TMessageEvent*>(E)->Message;
          return true;
        }
        return false;
    }
  }

  // The widget's own handling of the event in progress; a message called in from elsewhere
  // has no event and gets the default result.
  void RunBase(TMessage& M) {
    if (FEvents.empty() || FEvents.back().Delivered) {
      M.Result = DefWindowProc(M);
      return;
    }
    FEvents.back().Delivered = true;
    QEvent* E = FEvents.back().Event;
    if (E->type() == static_cast<QEvent::Type>(MessageEventType())) {
      M.Result = DefWindowProc(M);
      return;
    }
    static_cast<QObject*>(FTarget)->event(E);  // QObject::event is public; skips our filter
  }

  QObject* FTarget;
  THandle FHandle;
  TWindowProc FBase, FCurrent;
  std::vector<TPending> FEvents;
  std::string FTitle;
};

std::map<THandle, TWindowFilter*>& Filters() {
  static std::map<THandle, TWindowFilter*> M;
  return M;
}

TWindowFilter* FilterOf(THandle Wnd, QObject* Target) {
  auto& F = Filters();
  auto It = F.find(Wnd);
  if (It != F.end()) return It->second;
  if (!Target) return nullptr;
  auto* Filter = new TWindowFilter(Target, Wnd);
  Filter->setParent(Target);  // goes with its widget
  F[Wnd] = Filter;
  QObject::connect(Target, &QObject::destroyed, [Wnd] { Filters().erase(Wnd); });
  return Filter;
}

QObject* TargetOf(THandle Wnd) {
  if (Wnd == ApplicationHandle()) return QCoreApplication::instance();
  return HandleWidget(Wnd);
}

}  // namespace

TWindowProc MakeWindowProc(TWindowProcFn Fn) { return std::make_shared<const TWindowProcFn>(std::move(Fn)); }

TWindowProc GetWindowProc(THandle Wnd) {
  TWindowFilter* F = FilterOf(Wnd, TargetOf(Wnd));
  return F ? F->Current() : nullptr;
}

bool SetWindowProc(THandle Wnd, TWindowProc Proc) {
  TWindowFilter* F = FilterOf(Wnd, TargetOf(Wnd));
  if (!F) return false;
  F->SetCurrent(std::move(Proc));
  return true;
}

void CallWindowProc(const TWindowProc& Proc, THandle Wnd, TMessage& Message) {
  if (Proc)
    (*Proc)(Wnd, Message);
  else
    Message.Result = DefWindowProc(Message);
}

}  // namespace zu
