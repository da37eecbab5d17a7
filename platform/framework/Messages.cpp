#include "platform/framework/Messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimerEvent>
#include <QVariant>
#include <QWidget>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "platform/framework/Application.h"
#include "platform/framework/MessageEvent.h"

namespace zu {

int MessageEventType() {
  static const int Type = QEvent::registerEventType();
  return Type;
}

namespace {

// Qt hands a posted event to the receiving thread under its own locks, which ThreadSanitizer
// cannot see (Qt is not instrumented). Senders bump this counter with release order before
// posting and a message window reads it with acquire order first, so the hand-over of the
// event and of what the sender wrote before it is visible.
std::atomic<unsigned> GPostFence{0};

// The most timers the process may run at once, as a window system limits them.
std::atomic<int> GTimerQuota{10000};
std::atomic<int> GTimersActive{0};

class TMessageWindow : public QObject {
 public:
  TMessageWindow(THandle H, TWndMethod Proc)
      : Handle(H), WndProc(std::make_shared<const TWndMethod>(std::move(Proc))) {}
  ~TMessageWindow() override {
    for (const auto& T : Timers) {
      killTimer(T.second);
      --GTimersActive;
    }
  }

  bool event(QEvent* E) override {
    GPostFence.load(std::memory_order_acquire);
    if (E->type() == MessageEventType()) {
      Dispatch(static_cast<TMessageEvent*>(E)->Message);
      return true;
    }
    return QObject::event(E);
  }

  void timerEvent(QTimerEvent* E) override {
    for (const auto& T : Timers)
      if (T.second == E->timerId()) {
        TMessage M{WM_TIMER, T.first, 0, 0};
        Dispatch(M);
        return;
      }
  }

  void Dispatch(TMessage& M) {
    if (!WndProc) {
      M.Result = DefWindowProc(M);
      return;
    }
    ++Depth;
    const std::shared_ptr<const TWndMethod> Proc = WndProc;  // the procedure may deallocate this window
    try {
      (*Proc)(M);
    } catch (...) {
      Application().HandleCurrentException();
    }
    if (--Depth == 0 && Dead) deleteLater();
  }

  bool Start(std::uintptr_t Id, int Ms) {
    Stop(Id);
    if (Ms < 0 || GTimersActive.load() >= GTimerQuota.load()) return false;
    const int Q = startTimer(Ms < 10 ? 10 : Ms);
    if (Q == 0) return false;
    Timers[Id] = Q;
    ++GTimersActive;
    return true;
  }

  bool Stop(std::uintptr_t Id) {
    auto It = Timers.find(Id);
    if (It == Timers.end()) return false;
    killTimer(It->second);
    Timers.erase(It);
    --GTimersActive;
    return true;
  }

  THandle Handle;
  std::shared_ptr<const TWndMethod> WndProc;
  std::map<std::uintptr_t, int> Timers;
  int Depth = 0;
  bool Dead = false;
};

struct TEntry {
  QPointer<QObject> Object;
  TMessageWindow* Window = nullptr;  // set for hidden message windows
};

std::mutex GLock;
std::map<THandle, TEntry> GHandles;
THandle GNextHandle = 0x10000;

TEntry Find(THandle H) {
  std::lock_guard<std::mutex> L(GLock);
  auto It = GHandles.find(H);
  return It == GHandles.end() ? TEntry() : It->second;
}

const char* HandleProperty = "zuWindowHandle";

}  // namespace

void SetTimerQuota(int Quota) { GTimerQuota = Quota; }

THandle AllocateHWnd(TWndMethod WndProc) {
  std::lock_guard<std::mutex> L(GLock);
  const THandle H = GNextHandle++;
  auto* W = new TMessageWindow(H, std::move(WndProc));
  GHandles[H] = TEntry{QPointer<QObject>(W), W};
  return H;
}

void DeallocateHWnd(THandle Wnd) {
  TMessageWindow* W = nullptr;
  {
    std::lock_guard<std::mutex> L(GLock);
    auto It = GHandles.find(Wnd);
    if (It == GHandles.end() || !It->second.Window) return;
    W = It->second.Window;
    GHandles.erase(It);
  }
  W->WndProc = nullptr;  // nothing reaches the owner any more
  if (W->Depth > 0) {
    W->Dead = true;  // deleted once its running procedure has returned
  } else if (W->thread() != QThread::currentThread()) {
    W->deleteLater();
  } else {
    delete W;
  }
}

std::intptr_t DefWindowProc(const TMessage&) { return 0; }

bool IsWindow(THandle Wnd) { return Find(Wnd).Object != nullptr; }

bool PostMessage(THandle Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  std::lock_guard<std::mutex> L(GLock);  // held so the object cannot go between lookup and post
  auto It = GHandles.find(Wnd);
  if (It == GHandles.end() || !It->second.Object) return false;
  GPostFence.fetch_add(1, std::memory_order_release);
  QCoreApplication::postEvent(It->second.Object.data(), new TMessageEvent(TMessage{Msg, WParam, LParam, 0}));
  return true;
}

std::intptr_t SendMessage(THandle Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  std::shared_ptr<TSendReply> Reply;
  {
    // One look-up for both cases: a worker's send is posted while the window is known to live.
    std::unique_lock<std::mutex> L(GLock);
    auto It = GHandles.find(Wnd);
    if (It == GHandles.end() || !It->second.Object) return 0;
    QObject* Target = It->second.Object.data();
    if (Target->thread() == QThread::currentThread()) {
      const QPointer<QObject> Alive(Target);
      L.unlock();
      TMessageEvent E(TMessage{Msg, WParam, LParam, 0});
      if (Alive) QCoreApplication::sendEvent(Alive.data(), &E);
      return E.Message.Result;
    }
    // The receiving thread runs it from its event processing, and the event's end (handled,
    // or dropped with its window) wakes us.
    Reply = std::make_shared<TSendReply>();
    auto* E = new TMessageEvent(TMessage{Msg, WParam, LParam, 0});
    E->Reply = Reply;
    GPostFence.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(Target, E);
  }
  return Reply->Await();
}

bool SetTimer(THandle Wnd, std::uintptr_t Id, int IntervalMs) {
  const TEntry E = Find(Wnd);
  return E.Window && E.Object && E.Window->Start(Id, IntervalMs);
}

bool KillTimer(THandle Wnd, std::uintptr_t Id) {
  const TEntry E = Find(Wnd);
  return E.Window && E.Object && E.Window->Stop(Id);
}

THandle WidgetHandle(QWidget* Widget) {
  if (!Widget) return 0;
  const QVariant Known = Widget->property(HandleProperty);
  if (Known.isValid()) return static_cast<THandle>(Known.toLongLong());
  THandle H;
  {
    std::lock_guard<std::mutex> L(GLock);
    H = GNextHandle++;
    GHandles[H] = TEntry{QPointer<QObject>(Widget), nullptr};
  }
  Widget->setProperty(HandleProperty, static_cast<qlonglong>(H));
  QObject::connect(Widget, &QObject::destroyed, [H] {
    std::lock_guard<std::mutex> L(GLock);
    GHandles.erase(H);
  });
  return H;
}

THandle ApplicationHandle() {
  static const THandle H = [] {
    std::lock_guard<std::mutex> L(GLock);
    const THandle A = GNextHandle++;
    GHandles[A] = TEntry{QPointer<QObject>(QCoreApplication::instance()), nullptr};
    return A;
  }();
  return H;
}

QWidget* HandleWidget(THandle Wnd) {
  const TEntry E = Find(Wnd);
  return E.Window ? nullptr : qobject_cast<QWidget*>(E.Object.data());
}

bool BroadcastQueryEndSession() {
  std::vector<THandle> Windows;
  {
    std::lock_guard<std::mutex> L(GLock);
    for (const auto& [H, E] : GHandles)
      if (E.Window) Windows.push_back(H);
  }
  bool Ok = true;
  for (THandle H : Windows)
    if (SendMessage(H, WM_QUERYENDSESSION, 0, 0) == 0) Ok = false;
  return Ok;
}

}  // namespace zu
