#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <QTimer>
#include <QWidget>  // the class only: nothing of the widget library is called here

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <unistd.h>
#include <memory>
#include <mutex>

namespace zu {

TApplication& TApplication::Instance() {
  static TApplication App;
  return App;
}

void TApplication::Initialize(int& argc, char** argv) {
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  InitializeCommon();
}

void TApplication::InitializeCommon() {
  // From here on the program tears down: lists and components stay silent.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                   [] { Instance().SetDestroying(true); });
}

void TApplication::SetTitle(const std::string& Value) {
  FTitle = Value;
  if (QCoreApplication::instance()) QCoreApplication::setApplicationName(QString::fromStdString(Value));
}

static void WakeMainThread() {
  if (auto* App = QCoreApplication::instance())
    if (auto* D = QAbstractEventDispatcher::instance(App->thread())) D->wakeUp();
}

void TApplication::Terminate() {
  FTerminated = true;
  if (QCoreApplication::instance()) QCoreApplication::exit(0);  // ends nested loops too
  WakeMainThread();
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int TApplication::Run() {
  if (!QCoreApplication::instance() || FTerminated) return 0;
  return QCoreApplication::exec();
}

void TApplication::HandleException(const std::exception& E) {
  if (OnException) {
    OnException(E);
    return;
  }
  MessageBox(E.what(), FTitle, MB_ICONSTOP | MB_OK);
}

void TApplication::HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& E) {
    HandleException(E);
  } catch (...) {
    HandleException(std::runtime_error("Unknown exception"));
  }
}

namespace {
int GInterruptPipe[2] = {-1, -1};
std::function<void()> GInterruptHandler;

void OnSignal(int) {
  const char C = 1;
  [[maybe_unused]] const ssize_t N = ::write(GInterruptPipe[1], &C, 1);  // async-signal-safe
}
}  // namespace

void TApplication::SetInterruptHandler(std::function<void()> Handler) {
  GInterruptHandler = std::move(Handler);
  if (!GInterruptHandler) {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    return;
  }
  if (GInterruptPipe[0] < 0) {
    if (::pipe2(GInterruptPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* Notifier = new QSocketNotifier(GInterruptPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(Notifier, &QSocketNotifier::activated, [] {
      char Buf[16];
      while (::read(GInterruptPipe[0], Buf, sizeof Buf) > 0) {
      }
      if (GInterruptHandler) GInterruptHandler();
    });
  }
  struct sigaction Sa {};
  Sa.sa_handler = OnSignal;
  sigemptyset(&Sa.sa_mask);
  Sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &Sa, nullptr);
  ::sigaction(SIGTERM, &Sa, nullptr);
}

bool TApplication::CloseMainForm() {
  if (!FMainForm) return false;
  // A call by name: this unit stays free of the widget library.
  QMetaObject::invokeMethod(FMainForm, "close");
  return true;
}

bool TApplication::IsGui() const {
  return QCoreApplication::instance() && QCoreApplication::instance()->inherits("QApplication");
}

std::string TApplication::ExeName() const {
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath().toStdString();
  char Buf[4096];
  const ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
  return N > 0 ? std::string(Buf, static_cast<size_t>(N)) : std::string();
}

namespace detail {

std::vector<int> MessageBoxButtons(unsigned Flags) {
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

std::size_t MessageBoxDefault(unsigned Flags, std::size_t Count) {
  const std::size_t I = (Flags & MB_DEFMASK) >> 8;
  return I < Count ? I : 0;
}

}  // namespace detail

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
  if (OnMessageBox) return OnMessageBox(Text, Caption, Flags);
  if (FWindowedBox && IsGui()) return FWindowedBox(Text, Caption, Flags);
  const auto Buttons = detail::MessageBoxButtons(Flags);
  std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
  return Buttons[detail::MessageBoxDefault(Flags, Buttons.size())];
}

// --- wait events ---

namespace {

struct TWaitEvent {
  std::mutex M;
  std::condition_variable Cv;
  bool Signaled = false;
};

std::mutex GEventsLock;
std::map<THandle, std::shared_ptr<TWaitEvent>> GEvents;
THandle GNextEvent = 0x1000;

std::shared_ptr<TWaitEvent> FindEvent(THandle H) {
  std::lock_guard<std::mutex> L(GEventsLock);
  auto It = GEvents.find(H);
  return It == GEvents.end() ? nullptr : It->second;
}

bool IsSignaled(TWaitEvent& E) {
  std::lock_guard<std::mutex> L(E.M);
  return E.Signaled;
}

}  // namespace

THandle CreateWaitEvent() {
  std::lock_guard<std::mutex> L(GEventsLock);
  const THandle H = GNextEvent++;
  GEvents.emplace(H, std::make_shared<TWaitEvent>());
  return H;
}

void SignalWaitEvent(THandle Event) {
  auto E = FindEvent(Event);
  if (!E) return;
  {
    std::lock_guard<std::mutex> L(E->M);
    E->Signaled = true;
  }
  E->Cv.notify_all();
  WakeMainThread();
}

bool IsWaitEventSignaled(THandle Event) {
  auto E = FindEvent(Event);
  return E && IsSignaled(*E);
}

void CloseWaitEvent(THandle Event) {
  std::lock_guard<std::mutex> L(GEventsLock);
  GEvents.erase(Event);
}

TWaitResult WaitProcessingMessages(THandle Event, unsigned TimeoutMs, bool StopOnTerminate) {
  auto E = FindEvent(Event);
  if (!E) return TWaitResult::Signaled;  // a closed event counts as set, as a failed wait ends
  const bool Infinite = TimeoutMs == 0xFFFFFFFFu;
  auto& App = Application();

  if (!QCoreApplication::instance()) {  // no message loop: a plain wait
    std::unique_lock<std::mutex> L(E->M);
    if (Infinite)
      E->Cv.wait(L, [&] { return E->Signaled; });
    else if (!E->Cv.wait_for(L, std::chrono::milliseconds(TimeoutMs), [&] { return E->Signaled; }))
      return TWaitResult::Timeout;
    return TWaitResult::Signaled;
  }

  QEventLoop Loop;
  for (;;) {
    if (StopOnTerminate && App.Terminated()) return TWaitResult::Terminated;
    if (IsSignaled(*E)) return TWaitResult::Signaled;
    // The time-out runs afresh for every single wait: a stream of messages keeps us going.
    std::atomic<bool> TimedOut{false};
    QTimer Timer;
    Timer.setSingleShot(true);
    if (!Infinite) {
      QObject::connect(&Timer, &QTimer::timeout, [&TimedOut] { TimedOut = true; });
      Timer.start(static_cast<int>(std::min<unsigned>(TimeoutMs, 0x7FFFFFFF)));
    }
    Loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (TimedOut && !IsSignaled(*E)) return TWaitResult::Timeout;
  }
}

}  // namespace zu
