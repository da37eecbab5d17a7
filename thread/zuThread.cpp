#include "thread/zuThread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>

#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"

namespace zu {

// A synchronised call on its way to the main thread: the pending method and the exception it
// raised, kept per call so that no two workers share them.
struct TzuSyncRequest {
  enum TState { Queued, Running, Done, Cancelled };
  std::shared_ptr<TzuEventThread> Run;
  TThreadMethod Method;
  std::exception_ptr Error;
  TState State = Queued;
  bool Ran = false;
};

// A main-thread wait on an event of ExecuteAndWaitForEvent/WaitForEvent. The run's end, its
// abandonment or its suspension sets the event too; UserSignaled tells whether it was set
// already, so a run that merely ended is not taken for a set event.
struct TzuRunWaiter {
  THandle Event = 0;
  bool Woken = false;
  bool UserSignaled = false;
};

namespace {

constexpr std::uint32_t WaitInfinite = 0xFFFFFFFFu;
// Private to the thread window: free it once no run is left (posted by a worker that let go
// of the last run, since only the window's own thread may free it).
constexpr unsigned ZUM_RELEASEWINDOW = WM_USER + 0x7FF;

// The platform's priority values, indexed by TThreadPriority.
constexpr int PriorityValues[] = {-15, -2, -1, 0, 1, 2, 15};

// The unit's lock: the thread window, the count of runs, the call queue and the runs' guarded
// fields. Never held while a run may be freed (its destructor takes it).
std::mutex GLock;
std::condition_variable GChanged;  // any change a waiter may be waiting for
THandle GWindow = 0;
std::thread::id GWindowThread;
int GCount = 0;
std::deque<std::shared_ptr<TzuSyncRequest>> GQueue;

thread_local TzuEventThread* GCurrentRun = nullptr;

// Workers still running their last lines (an abandoned run ends on its own). The process must
// not tear down the unit's state under them: at exit we wait for them, a bounded while.
std::atomic<int> GLiveWorkers{0};

void WaitForLiveWorkers() {
  for (int I = 0; I < 500 && GLiveWorkers.load() > 0; ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void CountWorker() {
  static const bool Registered = [] { return std::atexit(WaitForLiveWorkers) == 0; }();
  (void)Registered;
  ++GLiveWorkers;
}

bool OnWindowThread() {
  std::lock_guard<std::mutex> L(GLock);
  return GWindow != 0 && std::this_thread::get_id() == GWindowThread;
}

int NiceFor(TThreadPriority P, int Base) { return std::clamp(Base - PriorityValues[P], -20, 19); }

int CurrentNice() {
  errno = 0;
  const int N = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
  return errno ? 0 : N;
}

bool ValidPriority(TThreadPriority P) { return P >= tpIdle && P <= tpTimeCritical; }

}  // namespace

// The window procedure and the call queue, with access to the runs' internals.
struct TzuThreadUnit {
  static void WndProc(TMessage& M) {
    switch (M.Msg) {
      case ZUM_SYNCHRONIZE:
        if (M.LParam)
          Dispatch(*reinterpret_cast<TzuSyncRequest*>(M.LParam));
        else
          RunNext();
        M.Result = 0;
        return;
      case ZUM_RELEASEWINDOW: {
        std::lock_guard<std::mutex> L(GLock);
        if (GCount == 0 && GWindow != 0) {
          DeallocateHWnd(GWindow);
          GWindow = 0;
        }
        return;
      }
      case WM_QUERYENDSESSION:  // a hidden window never vetoes the end of a session
        M.Result = 1;
        return;
      default:
        M.Result = DefWindowProc(M);
    }
  }

  // Main thread: calls the method unless its run may no longer call back.
  static void Dispatch(TzuSyncRequest& R) {
    if (R.Run && !R.Run->MayCallBack()) return;
    R.Ran = true;
    try {
      R.Method();
    } catch (...) {
      R.Error = std::current_exception();
    }
  }

  // Main thread: runs the oldest queued call; false when there was none.
  static bool RunNext() {
    std::shared_ptr<TzuSyncRequest> R;
    std::vector<std::shared_ptr<TzuSyncRequest>> Dropped;  // freed outside the lock
    {
      std::lock_guard<std::mutex> L(GLock);
      while (!GQueue.empty() && !R) {
        auto Front = std::move(GQueue.front());
        GQueue.pop_front();
        if (Front->State == TzuSyncRequest::Queued)
          R = std::move(Front);
        else
          Dropped.push_back(std::move(Front));
      }
      if (!R) return false;
      R->State = TzuSyncRequest::Running;
      ++R->Run->FCallsInMain;
    }
    Dispatch(*R);
    {
      std::lock_guard<std::mutex> L(GLock);
      R->State = TzuSyncRequest::Done;
      --R->Run->FCallsInMain;
    }
    GChanged.notify_all();
    return true;
  }

  static void AcquireWindow() {
    std::lock_guard<std::mutex> L(GLock);
    if (GCount++ == 0 && GWindow == 0) {
      GWindow = AllocateHWnd(&TzuThreadUnit::WndProc);
      GWindowThread = std::this_thread::get_id();
    }
  }

  static void ReleaseWindow() {
    std::lock_guard<std::mutex> L(GLock);
    if (--GCount > 0 || GWindow == 0) return;
    if (std::this_thread::get_id() == GWindowThread) {
      DeallocateHWnd(GWindow);
      GWindow = 0;
    } else {
      PostMessage(GWindow, ZUM_RELEASEWINDOW, 0, 0);
    }
  }
};

int ThreadObjectCount() {
  std::lock_guard<std::mutex> L(GLock);
  return GCount;
}

THandle ThreadWindow() {
  std::lock_guard<std::mutex> L(GLock);
  return GWindow;
}

// ---------- TzuEventThread ----------

TzuEventThread::TzuEventThread(TzuCustomThread* AOwner)
    : FOwner(AOwner), FSender(AOwner), FEndEvent(CreateWaitEvent()) {
  TzuThreadUnit::AcquireWindow();
}

std::shared_ptr<TzuEventThread> TzuEventThread::Create(TzuCustomThread* AOwner) {
  return std::shared_ptr<TzuEventThread>(new TzuEventThread(AOwner));
}

TzuEventThread::~TzuEventThread() {
  FTerminated = true;
  // The handler's captured state goes first: once the count drops, this run is fully gone.
  FOnExecute = nullptr;
  // The last owner is the worker itself only for a run nobody else holds any more.
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id())
      FThread.detach();
    else
      FThread.join();
  }
  CloseWaitEvent(FEndEvent);
  TzuThreadUnit::ReleaseWindow();
}

TzuEventThread* TzuEventThread::Current() { return GCurrentRun; }

std::shared_ptr<TzuEventThread> TzuEventThread::CreateThread() const {
  auto R = Create(FOwner);
  std::lock_guard<std::mutex> L(GLock);
  R->FPriority = FPriority;
  return R;
}

TThreadPriority TzuEventThread::GetPriority() const {
  std::lock_guard<std::mutex> L(GLock);
  // Under the lock the worker cannot leave its procedure, so its thread id stays its own.
  if (!FRunning || FThreadID == 0) return FPriority;
  errno = 0;
  const int Nice = ::getpriority(PRIO_PROCESS, FThreadID);
  if (errno) return FPriority;
  if (Nice == NiceFor(tpNormal, FBaseNice)) return tpNormal;  // first, where clamping merges values
  for (int P = tpIdle; P <= tpTimeCritical; ++P)
    if (Nice == NiceFor(static_cast<TThreadPriority>(P), FBaseNice)) return static_cast<TThreadPriority>(P);
  return tpNormal;
}

void TzuEventThread::SetPriority(TThreadPriority Value) {
  if (!ValidPriority(Value)) return;
  std::lock_guard<std::mutex> L(GLock);
  FPriority = Value;
  if (FRunning && FThreadID != 0) ApplyPriority();
}

void TzuEventThread::ApplyPriority() {
  // Refused without the right to raise priorities: the thread keeps its nice value.
  ::setpriority(PRIO_PROCESS, FThreadID, NiceFor(FPriority, FBaseNice));
}

void TzuEventThread::Suspend() {
  {
    std::lock_guard<std::mutex> L(GLock);
    if (FSuspended) return;
    FSuspended = true;
    WakeWaiters();
  }
  if (GCurrentRun == this) WaitWhileSuspended();
}

void TzuEventThread::Resume() {
  bool StartNow;
  {
    std::lock_guard<std::mutex> L(GLock);
    if (!FSuspended) return;
    FSuspended = false;
    StartNow = !FStarted;
    FStarted = true;
  }
  GChanged.notify_all();
  if (StartNow) Start();
}

void TzuEventThread::SetSuspended(bool Value) {
  if (Value == FSuspended) return;
  if (Value)
    Suspend();
  else
    Resume();
}

void TzuEventThread::WaitWhileSuspended() {
  std::unique_lock<std::mutex> L(GLock);
  GChanged.wait(L, [this] { return !FSuspended || FAbandoned; });
}

bool TzuEventThread::Checkpoint() {
  if (GCurrentRun == this) WaitWhileSuspended();
  return FTerminated;
}

void TzuEventThread::Start() {
  // The worker reads only what it is given here, never the component.
  const TzuCustomThread* C = FOwner;
  FOnExecute = C->OnExecute;
  FHandleExceptions = C->FHandleExceptions;
  {
    std::lock_guard<std::mutex> L(GLock);
    FBaseNice = CurrentNice();  // what the new thread inherits
    FRunning = true;
  }
  try {
    CountWorker();
    FThread = std::thread([Self = shared_from_this()]() mutable {
      Self->ThreadProc();
      Self.reset();  // a run nobody else holds ends here, with its worker
      --GLiveWorkers;
    });
  } catch (...) {
    --GLiveWorkers;
    // No thread to be had: the run is over before it began, and waits on it end.
    {
      std::lock_guard<std::mutex> L(GLock);
      FRunning = false;
      FFinished = true;
      FIdReady = true;
      WakeWaiters();
    }
    SignalWaitEvent(FEndEvent);
    GChanged.notify_all();
    throw;
  }
  // Thread id, handle and priority are in place when Resume returns.
  std::unique_lock<std::mutex> L(GLock);
  GChanged.wait(L, [this] { return FIdReady; });
}

void TzuEventThread::ThreadProc() {
  GCurrentRun = this;
  {
    std::lock_guard<std::mutex> L(GLock);
    FThreadID = static_cast<std::uint32_t>(::gettid());
    FHandle = static_cast<THandle>(::pthread_self());
    if (FPriority != tpNormal) ApplyPriority();
    FIdReady = true;
  }
  GChanged.notify_all();
  // Terminated before it ran (Terminate(false) on an idle run, then Resume): no handler runs.
  if (!FTerminated) {
    WaitWhileSuspended();
    try {
      Execute();
    } catch (...) {
      // Without HandleExceptions the exception only ends the handler.
    }
    try {
      DoTerminate();
    } catch (...) {
    }
  }
  {
    std::lock_guard<std::mutex> L(GLock);
    FRunning = false;
    FFinished = true;
    WakeWaiters();
  }
  SignalWaitEvent(FEndEvent);
  GChanged.notify_all();
  GCurrentRun = nullptr;
}

void TzuEventThread::Execute() {
  if (!FOnExecute || FAbandoned) return;
  if (!FHandleExceptions) {
    FOnExecute(FSender);
    return;
  }
  try {
    FOnExecute(FSender);
  } catch (...) {
    // Handlers are looked up in the main thread: one assigned while the run is under way counts.
    if (!FAbandoned) Synchronize([this] { CallException(); });
  }
}

void TzuEventThread::DoTerminate() {
  // Always: the handler may have been assigned after the start, and free on terminate alone
  // needs the owner freed by someone.
  if (!FAbandoned) Synchronize([this] { CallTerminate(); });
}

void TzuEventThread::CallException() {
  TzuCustomThread* C = FOwner;
  if (FAbandoned || C->IsDestroying() || !C->OnException) return;
  const TNotifyEvent Handler = C->OnException;  // the handler may reassign or free
  Handler(FSender);
}

void TzuEventThread::CallTerminate() {
  TzuCustomThread* C = FOwner;
  const bool FreeOwner = C->FFreeOnTerminate;
  if (C->OnTerminate && !C->IsDestroying()) {
    const TNotifyEvent Handler = C->OnTerminate;
    if (FHandleExceptions) {
      try {
        Handler(FSender);
      } catch (...) {
        if (!FAbandoned) CallException();
      }
    } else {
      Handler(FSender);
    }
  }
  // The handler may have started the next run, stopped this one or freed the component.
  if (FAbandoned || !FreeOwner) return;
  if (TComponent* O = C->Owner()) {
    C->RecreateThread();  // the component gets a fresh idle run, this one is let go
    delete O;
  }
}

bool TzuEventThread::MayCallBack() const {
  if (FAbandoned) return false;
  const TComponent* C = FOwner;
  return !C->IsDestroying() && !(C->Owner() && C->Owner()->IsDestroying());
}

void TzuEventThread::Abandon() {
  {
    std::lock_guard<std::mutex> L(GLock);
    if (FAbandoned) return;
    FAbandoned = true;
    FTerminated = true;
    for (auto& R : GQueue)
      if (R->Run.get() == this && R->State == TzuSyncRequest::Queued) R->State = TzuSyncRequest::Cancelled;
    WakeWaiters();
  }
  SignalWaitEvent(FEndEvent);
  GChanged.notify_all();  // a worker blocked in a call or a suspension goes on at once
}

void TzuEventThread::WakeWaiters() {
  for (auto& W : FWaiters) {
    if (W->Woken) continue;
    W->UserSignaled = IsWaitEventSignaled(W->Event);
    W->Woken = true;
    SignalWaitEvent(W->Event);
  }
}

std::shared_ptr<TzuRunWaiter> TzuEventThread::AddWaiter(THandle Event) {
  auto W = std::make_shared<TzuRunWaiter>();
  W->Event = Event;
  std::lock_guard<std::mutex> L(GLock);
  FWaiters.push_back(W);
  // States no later wake-up would report; a suspension before this is seen by the wait loop.
  if (FFinished || FAbandoned) WakeWaiters();
  return W;
}

void TzuEventThread::RemoveWaiter(const std::shared_ptr<TzuRunWaiter>& Waiter) {
  std::lock_guard<std::mutex> L(GLock);
  FWaiters.erase(std::remove(FWaiters.begin(), FWaiters.end(), Waiter), FWaiters.end());
}

bool TzuEventThread::Synchronize(TThreadMethod Method) {
  if (GCurrentRun == this) WaitWhileSuspended();
  if (FAbandoned) return false;
  if (!Method) return true;
  auto R = std::make_shared<TzuSyncRequest>();
  R->Run = shared_from_this();
  R->Method = std::move(Method);
  // Taken out of the request under the lock: the exception object then ends with this thread.
  std::exception_ptr Error;
  bool Ran;
  if (OnWindowThread()) {
    // The main thread itself: a direct call through the window, as a same-thread send is.
    R->State = TzuSyncRequest::Running;
    SendMessage(ThreadWindow(), ZUM_SYNCHRONIZE, 0, reinterpret_cast<std::intptr_t>(R.get()));
    R->State = TzuSyncRequest::Done;
    Error = std::move(R->Error);
    Ran = R->Ran;
  } else {
    // A blocking send made of a queued call and a wait for it, so that a stop at once can
    // release the worker and WaitFor can run the call itself.
    THandle Wnd;
    {
      std::lock_guard<std::mutex> L(GLock);
      Wnd = GWindow;
      GQueue.push_back(R);
    }
    GChanged.notify_all();
    const bool Posted = PostMessage(Wnd, ZUM_SYNCHRONIZE, 0, 0);
    std::unique_lock<std::mutex> L(GLock);
    if (!Posted && R->State == TzuSyncRequest::Queued) R->State = TzuSyncRequest::Cancelled;
    // A call already running in the main thread is waited for even when the run is abandoned
    // meanwhile: the worker never runs alongside its own main-thread call.
    GChanged.wait(L, [&] {
      if (R->State == TzuSyncRequest::Queued && FAbandoned) R->State = TzuSyncRequest::Cancelled;
      return R->State == TzuSyncRequest::Done || R->State == TzuSyncRequest::Cancelled;
    });
    Error = std::move(R->Error);
    Ran = R->Ran;
  }
  if (!Ran || FAbandoned) return false;
  if (Error && !FHandleExceptions) std::rethrow_exception(Error);
  return true;
}

int TzuEventThread::WaitFor() {
  if (GCurrentRun == this) return FReturnValue;  // a worker cannot outwait itself
  const bool Main = OnWindowThread();
  std::unique_lock<std::mutex> L(GLock);
  // Never started, or waited for from inside its own synchronised call: it cannot end first.
  if (!FStarted || (Main && FCallsInMain > 0)) return FReturnValue;
  while (!FFinished && !FAbandoned) {
    // Only synchronised calls run here, as only sent messages would.
    if (Main && !GQueue.empty()) {
      L.unlock();
      TzuThreadUnit::RunNext();
      L.lock();
      continue;
    }
    GChanged.wait(L);
  }
  return FReturnValue;
}

// ---------- TzuCustomThread ----------

const TClassInfo& TzuCustomThread::StaticClassInfo() {
  static const TClassInfo Info("TzuCustomThread", &TzuComponent::StaticClassInfo());
  return Info;
}

TzuCustomThread::TzuCustomThread(TComponent* AOwner)
    : TzuComponent(AOwner), FThread(TzuEventThread::Create(this)), FAlive(std::make_shared<int>(0)) {}

TzuCustomThread::~TzuCustomThread() {
  Destroying();
  FAlive.reset();
  std::shared_ptr<TzuEventThread> Old;
  {
    std::lock_guard<std::mutex> L(FThreadLock);
    Old = std::move(FThread);
  }
  // Running or not, nothing may call back into a component that is going.
  if (Old) Old->Abandon();
}

void TzuCustomThread::Loaded() {
  TzuComponent::Loaded();
  SetSuspended(FStoredSuspended);
}

std::shared_ptr<TzuEventThread> TzuCustomThread::Thread() const {
  std::lock_guard<std::mutex> L(FThreadLock);
  return FThread;
}

std::shared_ptr<TzuEventThread> TzuCustomThread::Run() const {
  // A worker asks about its own run, also after a stop at once replaced it.
  if (TzuEventThread* Cur = TzuEventThread::Current(); Cur && Cur->Owner() == this) return Cur->shared_from_this();
  return Thread();
}

void TzuCustomThread::RecreateThread() {
  const std::shared_ptr<TzuEventThread> Old = Thread();
  auto New = Old->CreateThread();
  {
    std::lock_guard<std::mutex> L(FThreadLock);
    FThread = std::move(New);
  }
  Old->Abandon();
}  // Old goes here unless its worker still runs: then it goes with the worker

std::shared_ptr<TzuEventThread> TzuCustomThread::PrepareRun() {
  RecreateThread();
  auto R = Thread();
  if (FFreeOnTerminate) R->SetFreeOnTerminate(true);
  return R;
}

bool TzuCustomThread::Execute() {
  if (IsDestroying()) return false;
  const auto R = PrepareRun();
  R->Resume();
  if (!FWaitThread) return true;
  const std::weak_ptr<int> Alive = FAlive;
  // The limit is the longest quiet spell: every message starts it afresh. The wait also ends
  // when the run ends or is abandoned (a new Execute, a stop at once, the destructor).
  const TWaitResult W =
      WaitProcessingMessages(R->FEndEvent, FWaitTimeout == 0 ? WaitInfinite : FWaitTimeout, true);
  if (W != TWaitResult::Timeout || Alive.expired()) return true;
  bool TerminateThread = true;
  DoWaitTimeoutExpired(TerminateThread);
  return !TerminateThread;
}

bool TzuCustomThread::ExecuteAndWaitForEvent(THandle& EventHandle, std::uint32_t Timeout) {
  if (IsDestroying() || RunningAndNotSuspended()) return false;
  const auto R = PrepareRun();
  // The event exists before the worker starts, so the worker can never find it unset.
  EventHandle = CreateWaitEvent();
  R->Resume();
  return WaitForRunEvent(R, R->AddWaiter(EventHandle), EventHandle, Timeout);
}

bool TzuCustomThread::WaitForEvent(THandle& EventHandle, std::uint32_t Timeout) {
  if (IsDestroying() || !RunningAndNotSuspended()) return false;
  const auto R = Thread();
  EventHandle = CreateWaitEvent();
  return WaitForRunEvent(R, R->AddWaiter(EventHandle), EventHandle, Timeout);
}

bool TzuCustomThread::WaitForRunEvent(const std::shared_ptr<TzuEventThread>& R,
                                      const std::shared_ptr<TzuRunWaiter>& W, THandle& EventHandle,
                                      std::uint32_t Timeout) {
  const THandle Event = EventHandle;
  const std::weak_ptr<int> Alive = FAlive;
  bool Result = false;
  while (!Alive.expired() && !IsDestroying() && !Application().Terminated() && !R->Suspended()) {
    const TWaitResult WR = WaitProcessingMessages(Event, Timeout == 0 ? WaitInfinite : Timeout, true);
    if (WR == TWaitResult::Signaled) {
      std::lock_guard<std::mutex> L(GLock);
      Result = !W->Woken || W->UserSignaled;
      break;
    }
  }
  // The same after the run was stopped or the component went: only locals are touched.
  R->RemoveWaiter(W);
  CloseWaitEvent(Event);
  EventHandle = INVALID_HANDLE_VALUE;
  return Result;
}

void TzuCustomThread::Terminate(bool Immediately) {
  if (!Immediately) {
    Run()->Terminate();
    return;
  }
  RecreateThread();
}

void TzuCustomThread::Suspend() { Run()->Suspend(); }
void TzuCustomThread::Resume() { Run()->Resume(); }

void TzuCustomThread::Synchronize(TThreadMethod Method) {
  if (!Method) return;
  const auto R = Run();
  // On the main thread the state can be read here; for a worker the main thread checks it.
  if (OnWindowThread() && (IsDestroying() || (Owner() && Owner()->IsDestroying()))) return;
  R->Synchronize(std::move(Method));
}

void TzuCustomThread::SynchronizeEx(TNotifyEvent Method, TObject* Param) {
  if (!Method) return;
  Synchronize([this, M = std::move(Method), Param] { InternalSynchronization(M, Param); });
}

void TzuCustomThread::InternalSynchronization(const TNotifyEvent& Method, TObject* Param) {
  if (IsDestroying() || (Owner() && Owner()->IsDestroying())) return;
  Method(Param);
}

int TzuCustomThread::WaitFor() {
  const auto R = Run();  // keeps the run while synchronised calls may free this component
  return R->WaitFor();
}

void TzuCustomThread::DoWaitTimeoutExpired(bool& TerminateThread) {
  if (IsDestroying()) return;
  const std::weak_ptr<int> Alive = FAlive;
  if (OnWaitTimeoutExpired) {
    const TzuThreadWaitTimeoutExpired Handler = OnWaitTimeoutExpired;
    Handler(this, TerminateThread);
  }
  if (!Alive.expired() && TerminateThread) Terminate(true);
}

THandle TzuCustomThread::Handle() const { return Run()->Handle(); }
bool TzuCustomThread::Running() const { return Run()->Running(); }

bool TzuCustomThread::RunningAndNotSuspended() const {
  const auto R = Run();
  return R->Running() && !R->Suspended();
}

bool TzuCustomThread::GetTerminated() const { return Run()->Checkpoint(); }
std::uint32_t TzuCustomThread::GetThreadID() const { return Run()->ThreadID(); }
int TzuCustomThread::GetReturnValue() const { return Run()->ReturnValue(); }
void TzuCustomThread::SetReturnValue(int Value) { Run()->SetReturnValue(Value); }
TThreadPriority TzuCustomThread::GetPriority() const { return Run()->GetPriority(); }
void TzuCustomThread::SetPriority(TThreadPriority Value) { Run()->SetPriority(Value); }

bool TzuCustomThread::GetSuspended() const { return IsDesigning() ? FStoredSuspended : Run()->Suspended(); }

void TzuCustomThread::SetSuspended(bool Value) {
  FStoredSuspended = Value;
  // While loading only recorded: Loaded applies it once the handlers are bound.
  if (!IsDesigning() && !IsLoading()) Run()->SetSuspended(Value);
}

void TzuCustomThread::SetHandleExceptions(bool Value) {
  FHandleExceptions = Value;
  Thread()->FHandleExceptions = Value;
}

// ---------- TzuThread ----------

const TClassInfo& TzuThread::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuThread>("TzuThread", &TzuCustomThread::StaticClassInfo())
          .Bool("HandleExceptions", &TzuThread::HandleExceptions, &TzuThread::SetHandleExceptions, true)
          .Enum("Priority", &TzuThread::GetPriority, &TzuThread::SetPriority,
                {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"},
                std::optional<TThreadPriority>(tpNormal))
          .Bool("Suspended", &TzuThread::GetSuspended, &TzuThread::SetSuspended, true)
          .Bool("WaitThread", &TzuThread::WaitThread, &TzuThread::SetWaitThread, false)
          .Int("WaitTimeout", &TzuThread::WaitTimeout, &TzuThread::SetWaitTimeout, 0)
          .Event("OnException")
          .Event("OnExecute")
          .Event("OnTerminate")
          .Event("OnWaitTimeoutExpired")
          .Creatable();
  return Info;
}

namespace {
// Form data creates thread components by class name.
[[maybe_unused]] const bool GRegistered = (RegisterClass(TzuThread::StaticClassInfo()), true);
}  // namespace

}  // namespace zu
