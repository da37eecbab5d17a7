#include <gtest/gtest.h>

#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "support/zuUtils.h"
#include "thread/zuThread.h"

using namespace zu;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A wait event: set from any thread, waited for by the main thread with messages flowing.
class TSignal {
 public:
  TSignal() : FEvent(CreateWaitEvent()) {}
  ~TSignal() { CloseWaitEvent(FEvent); }
  TSignal(const TSignal&) = delete;
  TSignal& operator=(const TSignal&) = delete;
  void Set() { SignalWaitEvent(FEvent); }
  bool IsSet() const { return IsWaitEventSignaled(FEvent); }
  bool Wait(unsigned Ms = 5000) { return WaitProcessingMessages(FEvent, Ms, false) == TWaitResult::Signaled; }

 private:
  THandle FEvent;
};

// Worker: polls its run's stop flag as a handler does; false when no stop came.
bool PollUntilTerminated(std::chrono::milliseconds Limit = 5000ms) {
  TzuEventThread* R = TzuEventThread::Current();
  const auto End = Clock::now() + Limit;
  while (!R->Checkpoint()) {
    if (Clock::now() > End) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// Main thread: processes messages until Pred holds; false when Limit passed first.
template <class P>
bool WaitUntil(P Pred, std::chrono::milliseconds Limit = 5000ms) {
  const auto End = Clock::now() + Limit;
  while (!Pred()) {
    if (Clock::now() > End) return false;
    Application().ProcessMessages();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// State a worker shares with the test; it outlives the component when a worker is abandoned.
struct TShared {
  TSignal Started, Ended;
  std::atomic<bool> Open{false};
  std::atomic<bool> SawTerminated{false}, SawAbandoned{false}, MethodRan{false};
  std::atomic<int> SyncResult{-1}, Syncs{0}, Ticks{0}, Terminates{0}, Exceptions{0}, Nice{0};
};

// A form root that binds events by method name.
class TForm : public TComponent {
 public:
  using TComponent::TComponent;
  std::map<std::string, TNotifyEvent> Methods;
  bool BindEvent(TComponent* Target, const std::string& Event, const std::string& MethodName) override {
    auto* T = dynamic_cast<TzuThread*>(Target);
    const auto It = Methods.find(MethodName);
    if (!T || It == Methods.end()) return false;
    if (Event == "OnExecute") T->OnExecute = It->second;
    if (Event == "OnTerminate") T->OnTerminate = It->second;
    if (Event == "OnException") T->OnException = It->second;
    return true;
  }
};

struct THost : TComponent {
  THost(TComponent* AOwner, bool& AFreed) : TComponent(AOwner), Freed(AFreed) {}
  ~THost() override { Freed = true; }
  bool& Freed;
};

int OwnNice() {
  errno = 0;
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::make_unique<TComponent>(nullptr);
    // Bounds the calls that have no limit of their own (WaitFor, Execute without a time-out).
    Watchdog = std::thread([this] {
      std::unique_lock<std::mutex> L(WatchLock);
      if (!WatchCv.wait_for(L, 120s, [this] { return WatchDone; })) std::abort();
    });
  }
  void TearDown() override {
    Root.reset();
    // Every run ends and frees itself, abandoned ones included, and the window goes with them.
    EXPECT_TRUE(WaitUntil([] { return ThreadObjectCount() == 0; })) << ThreadObjectCount() << " runs left";
    EXPECT_TRUE(WaitUntil([] { return ThreadWindow() == 0; }));
    Application().ResetTerminated();
    {
      std::lock_guard<std::mutex> L(WatchLock);
      WatchDone = true;
    }
    WatchCv.notify_all();
    Watchdog.join();
  }
  TzuThread* NewThread() { return new TzuThread(Root.get()); }

  std::unique_ptr<TComponent> Root;
  std::thread Watchdog;
  std::mutex WatchLock;
  std::condition_variable WatchCv;
  bool WatchDone = false;
};

}  // namespace

// ---------- runs ----------

TEST_F(ThreadTest, EveryRunIsAFreshWorkerAndEndsInTheMainThread) {
  TzuThread* T = NewThread();
  T->SetWaitThread(true);
  const auto Main = std::this_thread::get_id();
  std::vector<pid_t> Tids;
  std::vector<std::shared_ptr<TzuEventThread>> Runs;
  std::atomic<bool> OnWorker{true};
  TObject* Sender = nullptr;
  int Terminates = 0;
  T->OnExecute = [&](TObject* S) {
    if (std::this_thread::get_id() == Main) OnWorker = false;
    Tids.push_back(::gettid());  // read after the run ended
    Sender = S;
  };
  T->OnTerminate = [&](TObject* S) {
    EXPECT_EQ(std::this_thread::get_id(), Main);
    EXPECT_EQ(S, static_cast<TObject*>(T));
    ++Terminates;
  };
  for (int I = 0; I < 3; ++I) {
    EXPECT_TRUE(T->Execute());
    Runs.push_back(T->Thread());
    EXPECT_FALSE(T->Running());
    EXPECT_TRUE(Runs.back()->Finished());
  }
  EXPECT_TRUE(OnWorker);
  EXPECT_EQ(Sender, static_cast<TObject*>(T));
  EXPECT_EQ(Terminates, 3);
  ASSERT_EQ(Tids.size(), 3u);
  EXPECT_NE(Tids[0], Tids[1]);
  EXPECT_NE(Tids[1], Tids[2]);
  EXPECT_NE(Runs[0], Runs[1]);
  EXPECT_NE(Runs[1], Runs[2]);
}

TEST_F(ThreadTest, ANeverStartedComponentIsIdle) {
  TzuThread* T = NewThread();
  EXPECT_TRUE(T->GetSuspended());
  EXPECT_FALSE(T->Running());
  EXPECT_EQ(T->GetThreadID(), 0u);
  EXPECT_EQ(T->Handle(), 0);
  EXPECT_EQ(T->WaitFor(), 0) << "nothing to wait for";
  EXPECT_NE(ThreadWindow(), 0);
  EXPECT_EQ(SendMessage(ThreadWindow(), WM_QUERYENDSESSION, 0, 0), 1);
}

TEST_F(ThreadTest, SoftStopIsAFlagTheHandlerPolls) {
  TzuThread* T = NewThread();
  T->Terminate(false);  // idle: only a flag, gone with the next run
  EXPECT_TRUE(T->GetTerminated());
  std::atomic<bool> AtStart{true};
  TShared S;
  T->OnExecute = [&](TObject*) {
    AtStart = T->GetTerminated();
    S.Started.Set();
    while (!T->GetTerminated()) std::this_thread::sleep_for(1ms);
  };
  T->OnTerminate = [&](TObject*) { S.Ended.Set(); };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S.Started.Wait());
  EXPECT_FALSE(AtStart);
  EXPECT_TRUE(T->Running());
  T->Terminate(false);
  ASSERT_TRUE(S.Ended.Wait());
  EXPECT_TRUE(WaitUntil([&] { return !T->Running(); }));
}

// ---------- synchronising while the main thread waits ----------

TEST_F(ThreadTest, SynchronizeRunsInTheMainThreadWhileExecuteWaits) {
  TzuThread* T = NewThread();
  T->SetWaitThread(true);
  const auto Main = std::this_thread::get_id();
  int Count = 0;
  std::atomic<bool> InOrder{true};
  T->OnExecute = [&](TObject*) {
    for (int I = 1; I <= 5; ++I) {
      T->Synchronize([&] {
        EXPECT_EQ(std::this_thread::get_id(), Main);
        ++Count;
      });
      if (Count != I) InOrder = false;  // the worker waited until the call ran
    }
  };
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Count, 5);
  EXPECT_TRUE(InOrder);
}

TEST_F(ThreadTest, WaitForRunsOnlySynchronisedCallsAndReturnsTheReturnValue) {
  TzuThread* T = NewThread();
  int Count = 0;
  bool TimerRan = false, TimerRanDuringCalls = false;
  T->OnExecute = [&](TObject*) {
    for (int I = 0; I < 5; ++I) T->Synchronize([&] { ++Count; TimerRanDuringCalls |= TimerRan; });
    T->SetReturnValue(42);
  };
  QTimer::singleShot(0, [&] { TimerRan = true; });
  ASSERT_TRUE(T->Execute());
  EXPECT_EQ(T->WaitFor(), 42);
  EXPECT_EQ(Count, 5);
  EXPECT_FALSE(TimerRanDuringCalls) << "WaitFor runs no other messages";
  EXPECT_TRUE(WaitUntil([&] { return TimerRan; }));
}

TEST_F(ThreadTest, SynchronizeRunsInsideWaitAndSynchronizeExPassesItsParameter) {
  TzuThread* T = NewThread();
  THandle H = 0;
  TObject Param;
  TObject* Seen = nullptr;
  int Count = 0;
  T->OnExecute = [&](TObject*) {
    for (int I = 0; I < 3; ++I) T->Synchronize([&] { ++Count; });
    T->SynchronizeEx([&](TObject* Sender) { Seen = Sender; }, &Param);
    T->Synchronize([&] { StopWait(H); });
  };
  ASSERT_TRUE(T->Execute());
  Wait(H, 5000, false);
  EXPECT_EQ(Count, 3);
  EXPECT_EQ(Seen, &Param);
  Seen = nullptr;
  T->SynchronizeEx([&](TObject* Sender) { Seen = Sender; }, &Param);  // direct on the main thread
  EXPECT_EQ(Seen, &Param);
}

// ---------- stopping at once, destroying ----------

TEST_F(ThreadTest, StopAtOnceAbandonsTheWorkerAndNothingIsCalledBack) {
  for (bool ByExecute : {false, true}) {
    TzuThread* T = NewThread();
    auto S = std::make_shared<TShared>();
    auto FirstTid = std::make_shared<std::atomic<pid_t>>(0);
    T->OnExecute = [S, FirstTid](TObject*) {
      TzuEventThread* R = TzuEventThread::Current();
      *FirstTid = ::gettid();
      S->Started.Set();
      S->SawTerminated = PollUntilTerminated();
      S->SawAbandoned = R->Abandoned();
      S->SyncResult = R->Synchronize([S] { S->MethodRan = true; }) ? 1 : 0;
      S->Ended.Set();
    };
    T->OnTerminate = [S](TObject*) { ++S->Terminates; };
    T->OnException = [S](TObject*) { ++S->Exceptions; };
    ASSERT_TRUE(T->Execute());
    ASSERT_TRUE(S->Started.Wait());
    const auto Old = T->Thread();
    TSignal Second;
    pid_t SecondTid = 0;
    if (ByExecute) {  // a new run while the old one goes
      T->OnExecute = [&SecondTid](TObject*) { SecondTid = ::gettid(); };
      T->OnTerminate = [&](TObject*) { Second.Set(); };
      ASSERT_TRUE(T->Execute());
      ASSERT_TRUE(Second.Wait());
      EXPECT_NE(SecondTid, *FirstTid) << "both workers ran at once";
    } else {
      T->Terminate(true);
      EXPECT_FALSE(T->Running());
      EXPECT_TRUE(T->GetSuspended()) << "a fresh idle run takes its place";
    }
    EXPECT_NE(T->Thread(), Old);
    EXPECT_TRUE(Old->Abandoned());
    ASSERT_TRUE(S->Ended.Wait());
    EXPECT_TRUE(WaitUntil([&] { return Old->Finished(); }));
    EXPECT_TRUE(S->SawTerminated);
    EXPECT_TRUE(S->SawAbandoned);
    EXPECT_EQ(S->SyncResult, 0);
    EXPECT_FALSE(S->MethodRan);
    EXPECT_EQ(S->Terminates, 0);
    EXPECT_EQ(S->Exceptions, 0);
  }
}

TEST_F(ThreadTest, StopAtOnceReleasesAWorkerBlockedInSynchronizeWithoutMessages) {
  TzuThread* T = NewThread();
  auto S = std::make_shared<TShared>();
  auto Result = std::make_shared<std::promise<bool>>();
  auto Future = Result->get_future();
  T->OnExecute = [S, Result](TObject*) {
    S->Started.Set();
    Result->set_value(TzuEventThread::Current()->Synchronize([S] { S->MethodRan = true; }));
  };
  ASSERT_TRUE(T->Execute());
  // No message processing from here on: the queued call cannot run.
  while (!S->Started.IsSet()) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(20ms);
  const auto Old = T->Thread();
  T->Terminate(true);
  ASSERT_EQ(Future.wait_for(5s), std::future_status::ready);
  EXPECT_FALSE(Future.get());
  EXPECT_TRUE(WaitUntil([&] { return Old->Finished(); }));
  EXPECT_FALSE(S->MethodRan) << "the dropped call never runs later";
}

TEST_F(ThreadTest, DestroyingTheComponentStopsItsWorkerAndSilencesIt) {
  TzuThread* T = NewThread();
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S](TObject*) {
    TzuEventThread* R = TzuEventThread::Current();
    // The component may be gone: only the run is used.
    while (R->Synchronize([S] {
      if (++S->Syncs == 3) S->Started.Set();
    }))
      std::this_thread::sleep_for(1ms);
    S->SawAbandoned = R->Abandoned();
    S->Ended.Set();
  };
  T->OnTerminate = [S](TObject*) { ++S->Terminates; };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S->Started.Wait());
  delete T;
  const int AtDelete = S->Syncs;
  ASSERT_TRUE(S->Ended.Wait());
  EXPECT_TRUE(WaitUntil([] { return ThreadObjectCount() == 0; }));
  EXPECT_EQ(S->Syncs, AtDelete) << "no call after the destruction";
  EXPECT_TRUE(S->SawAbandoned);
  EXPECT_EQ(S->Terminates, 0);
}

TEST_F(ThreadTest, ACallbackMayDestroyTheComponent) {
  // From a synchronised call: the worker is told to leave.
  TzuThread* T = NewThread();
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S, T](TObject*) {
    S->SyncResult = TzuEventThread::Current()->Synchronize([T] { delete T; }) ? 1 : 0;
    S->Ended.Set();
  };
  T->OnTerminate = [S](TObject*) { ++S->Terminates; };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S->Ended.Wait());
  EXPECT_EQ(S->SyncResult, 0);
  // From OnTerminate.
  TzuThread* U = NewThread();
  TSignal Done;
  U->OnTerminate = [&](TObject*) {
    delete U;
    Done.Set();
  };
  ASSERT_TRUE(U->Execute());
  ASSERT_TRUE(Done.Wait());
  EXPECT_TRUE(WaitUntil([] { return ThreadObjectCount() == 0; })) << "both runs ended and went";
  EXPECT_EQ(S->Terminates, 0);
}

TEST_F(ThreadTest, OnTerminateMayStartTheNextRun) {
  TzuThread* T = NewThread();
  auto Tids = std::make_shared<std::vector<pid_t>>();
  auto TidLock = std::make_shared<std::mutex>();
  int Terminates = 0;
  TSignal Done;
  T->OnExecute = [Tids, TidLock](TObject*) {
    std::lock_guard<std::mutex> L(*TidLock);
    Tids->push_back(::gettid());
  };
  T->OnTerminate = [&](TObject*) {
    if (++Terminates < 3)
      EXPECT_TRUE(T->Execute());
    else
      Done.Set();
  };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(Done.Wait());
  EXPECT_TRUE(WaitUntil([&] { return T->Thread()->Finished(); }));
  EXPECT_EQ(Terminates, 3);
  std::lock_guard<std::mutex> L(*TidLock);
  ASSERT_EQ(Tids->size(), 3u);
  EXPECT_NE((*Tids)[0], (*Tids)[1]);
  EXPECT_NE((*Tids)[1], (*Tids)[2]);
}

// ---------- the wait time-out ----------

TEST_F(ThreadTest, WaitTimeoutStopsTheWorkerUnlessTheHandlerKeepsIt) {
  TzuThread* T = NewThread();
  T->SetWaitThread(true);
  T->SetWaitTimeout(100);
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S](TObject*) {
    S->SawTerminated = PollUntilTerminated(10s);
    S->Ended.Set();
  };
  T->OnTerminate = [S](TObject*) { ++S->Terminates; };
  int Fired = 0;
  bool Keep = false;
  T->OnWaitTimeoutExpired = [&](TObject* Sender, bool& TerminateThread) {
    EXPECT_EQ(Sender, static_cast<TObject*>(T));
    EXPECT_TRUE(TerminateThread);
    TerminateThread = !Keep;
    ++Fired;
  };
  const auto T0 = Clock::now();
  EXPECT_FALSE(T->Execute());
  EXPECT_GE(Clock::now() - T0, 90ms);
  EXPECT_EQ(Fired, 1);
  EXPECT_FALSE(T->Running()) << "stopped at once";
  ASSERT_TRUE(S->Ended.Wait());
  EXPECT_TRUE(S->SawTerminated);

  // Kept: Execute succeeds and stops waiting; the worker goes on and ends normally later.
  T->OnExecute = [](TObject*) { PollUntilTerminated(10s); };
  TSignal Terminated;
  T->OnTerminate = [&](TObject*) { Terminated.Set(); };
  Keep = true;
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Fired, 2);
  EXPECT_TRUE(T->Running());
  T->Terminate(false);
  ASSERT_TRUE(Terminated.Wait());
  EXPECT_EQ(S->Terminates, 0);
}

TEST_F(ThreadTest, WaitTimeoutIsTheLongestQuietSpell) {
  TzuThread* T = NewThread();
  T->SetWaitThread(true);
  T->SetWaitTimeout(300);
  std::atomic<int> Ticks{0};
  QTimer Timer;
  QObject::connect(&Timer, &QTimer::timeout, [&] { ++Ticks; });
  Timer.start(20);
  T->OnExecute = [&](TObject*) {
    // About 600 ms, twice the limit, with a message every 20 ms.
    const auto End = Clock::now() + 10s;
    while (Ticks < 30 && Clock::now() < End) std::this_thread::sleep_for(1ms);
  };
  int Fired = 0;
  T->OnWaitTimeoutExpired = [&](TObject*, bool&) { ++Fired; };
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Fired, 0);
  EXPECT_GE(Ticks, 30);
}

// ---------- exceptions ----------

TEST_F(ThreadTest, ExceptionsWithAndWithoutHandleExceptions) {
  TzuThread* T = NewThread();
  T->SetWaitThread(true);
  std::vector<std::string> Events;
  T->OnException = [&](TObject*) { Events.push_back("exception"); };
  T->OnTerminate = [&](TObject*) { Events.push_back("terminate"); };
  // In OnExecute: reported with HandleExceptions, only ending the handler without.
  T->OnExecute = [](TObject*) { throw std::runtime_error("boom"); };
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Events, (std::vector<std::string>{"exception", "terminate"}));
  Events.clear();
  T->SetHandleExceptions(false);
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Events, (std::vector<std::string>{"terminate"}));

  // In a synchronised call: dropped with HandleExceptions, re-raised in the worker without.
  std::string Caught;
  bool Continued = false;
  T->OnExecute = [&](TObject*) {
    try {
      T->Synchronize([] { throw std::runtime_error("in main"); });
      Continued = true;
    } catch (const std::exception& E) {
      Caught = E.what();
    }
  };
  EXPECT_TRUE(T->Execute());
  EXPECT_FALSE(Continued);
  EXPECT_EQ(Caught, "in main");
  T->SetHandleExceptions(true);
  Caught.clear();
  EXPECT_TRUE(T->Execute());
  EXPECT_TRUE(Continued);
  EXPECT_EQ(Caught, "");

  // In OnTerminate: reported through OnException.
  Events.clear();
  T->OnExecute = nullptr;
  T->OnTerminate = [&](TObject*) {
    Events.push_back("terminate");
    throw std::runtime_error("late");
  };
  EXPECT_TRUE(T->Execute());
  EXPECT_EQ(Events, (std::vector<std::string>{"terminate", "exception"}));
}

TEST_F(ThreadTest, HandlersAssignedDuringARunAreTheOnesThatRun) {
  TzuThread* T = NewThread();
  std::atomic<bool> Go{false};
  T->OnExecute = [&](TObject*) {
    while (!Go) std::this_thread::sleep_for(1ms);
    throw std::runtime_error("late handlers");
  };
  ASSERT_TRUE(T->Execute());  // returns at once: WaitThread is off
  ASSERT_TRUE(T->Running());
  std::vector<std::string> Events;
  T->OnException = [&](TObject*) { Events.push_back("exception"); };
  T->OnTerminate = [&](TObject*) { Events.push_back("terminate"); };
  Go = true;
  T->WaitFor();
  EXPECT_EQ(Events, (std::vector<std::string>{"exception", "terminate"}));

  // And one taken away meanwhile is not called.
  Events.clear();
  Go = false;
  ASSERT_TRUE(T->Execute());
  T->OnTerminate = nullptr;
  Go = true;
  T->WaitFor();
  EXPECT_EQ(Events, (std::vector<std::string>{"exception"}));
}

// ---------- suspension, priorities ----------

TEST_F(ThreadTest, SuspendHoldsTheWorkerAtItsNextCheckpoint) {
  TzuThread* T = NewThread();
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S](TObject*) {
    while (!TzuEventThread::Current()->Checkpoint()) {
      ++S->Ticks;
      std::this_thread::sleep_for(1ms);
    }
    S->Ended.Set();
  };
  T->OnTerminate = [S](TObject*) { ++S->Terminates; };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(WaitUntil([&] { return S->Ticks > 5; }));
  T->Suspend();
  EXPECT_TRUE(T->GetSuspended());
  EXPECT_TRUE(T->Running());
  EXPECT_FALSE(T->RunningAndNotSuspended());
  const int At = S->Ticks;
  WaitUntil([] { return false; }, 100ms);
  EXPECT_LE(S->Ticks, At + 1) << "at most the tick it was in";
  T->Resume();
  EXPECT_TRUE(WaitUntil([&] { return S->Ticks > At + 5; }));
  // Suspended, then destroyed (as the HTTP component does): the worker is let go and ends.
  T->Suspend();
  delete T;
  ASSERT_TRUE(S->Ended.Wait());
  EXPECT_EQ(S->Terminates, 0);
}

TEST_F(ThreadTest, PrioritiesAreNiceValuesReadBackThroughTheTable) {
  const int Base = OwnNice();  // what a worker started from here inherits
  if (Base > 4) GTEST_SKIP() << "the table does not fit above nice " << Base;
  TzuThread* T = NewThread();
  T->SetPriority(tpLowest);
  EXPECT_EQ(T->GetPriority(), tpLowest) << "idle: the requested value";
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S](TObject*) {
    S->Nice = OwnNice();
    S->Started.Set();
    PollUntilTerminated(10s);
  };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S->Started.Wait());
  EXPECT_EQ(S->Nice, Base + 2);
  EXPECT_EQ(T->GetPriority(), tpLowest);
  const auto Tid = static_cast<id_t>(T->GetThreadID());
  ASSERT_EQ(::setpriority(PRIO_PROCESS, Tid, Base + 7), 0);
  EXPECT_EQ(T->GetPriority(), tpNormal) << "a value outside the table";
  T->SetPriority(tpIdle);
  EXPECT_EQ(::getpriority(PRIO_PROCESS, Tid), Base + 15);
  EXPECT_EQ(T->GetPriority(), tpIdle);
  T->Terminate(false);
  ASSERT_TRUE(WaitUntil([&] { return !T->Running(); }));

  // The next run starts with the priority carried over.
  auto S2 = std::make_shared<TShared>();
  T->OnExecute = [S2](TObject*) {
    S2->Nice = OwnNice();
    S2->Started.Set();
    PollUntilTerminated(10s);
  };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S2->Started.Wait());
  EXPECT_EQ(S2->Nice, Base + 15);
  // Raising needs the right to; without it the thread keeps its nice value.
  T->SetPriority(tpHigher);
  const int Now = ::getpriority(PRIO_PROCESS, static_cast<id_t>(T->GetThreadID()));
  EXPECT_EQ(T->GetPriority(), Now == Base - 1 ? tpHigher : tpIdle);
  T->Terminate(false);
}

// ---------- form data ----------

TEST_F(ThreadTest, StoredSuspendedFalseStartsTheWorkerOnceLoaded) {
  TForm Form(nullptr);
  TSignal Ran;
  Form.Methods["Work"] = [&](TObject*) { Ran.Set(); };
  ReadComponentFromJson(Form, R"({"class": "TComponent", "name": "", "components": [
      {"class": "TzuThread", "name": "Worker", "properties": {"Suspended": false},
       "events": {"OnExecute": "Work"}}]})");
  auto* T = dynamic_cast<TzuThread*>(Form.FindComponent("Worker"));
  ASSERT_NE(T, nullptr);
  EXPECT_TRUE(Ran.Wait()) << "started after its handler was bound";
  EXPECT_TRUE(WaitUntil([&] { return T->Thread()->Finished(); }));

  // Stored true (the default): nothing starts.
  TForm Idle(nullptr);
  Idle.Methods["Work"] = [](TObject*) {};
  ReadComponentFromJson(Idle, R"({"class": "TComponent", "name": "", "components": [
      {"class": "TzuThread", "name": "Worker", "events": {"OnExecute": "Work"}}]})");
  auto* U = dynamic_cast<TzuThread*>(Idle.FindComponent("Worker"));
  ASSERT_NE(U, nullptr);
  EXPECT_TRUE(U->GetSuspended());
  EXPECT_FALSE(U->Running());

  // At design time the value is only recorded.
  U->SetDesigning(true);
  U->SetSuspended(false);
  EXPECT_FALSE(U->GetSuspended());
  EXPECT_TRUE(U->Thread()->Suspended());
  EXPECT_FALSE(U->Running());
}

TEST_F(ThreadTest, PublishedPropertiesSurviveAFormDataRoundTrip) {
  TForm A(nullptr);
  auto* T = new TzuThread(&A);
  T->SetName("Worker");
  const std::string Defaults = WriteComponentToJson(A);
  for (const char* P : {"HandleExceptions", "Priority", "Suspended", "WaitThread", "WaitTimeout", "About"})
    EXPECT_EQ(Defaults.find(P), std::string::npos) << P << " has its default and is not written";
  T->SetHandleExceptions(false);
  T->SetPriority(tpHigher);
  T->SetWaitThread(true);
  T->SetWaitTimeout(1234);
  T->SetEventBinding("OnTerminate", "Done");
  const std::string Json = WriteComponentToJson(A);
  EXPECT_NE(Json.find("\"Priority\": \"tpHigher\""), std::string::npos) << Json;
  EXPECT_EQ(Json.find("Suspended"), std::string::npos);

  TForm B(nullptr);
  B.Methods["Done"] = [](TObject*) {};
  ReadComponentFromJson(B, Json);
  auto* U = dynamic_cast<TzuThread*>(B.FindComponent("Worker"));
  ASSERT_NE(U, nullptr);
  EXPECT_FALSE(U->HandleExceptions());
  EXPECT_EQ(U->GetPriority(), tpHigher);
  EXPECT_TRUE(U->WaitThread());
  EXPECT_EQ(U->WaitTimeout(), 1234u);
  EXPECT_TRUE(U->GetSuspended());
  ASSERT_TRUE(U->OnTerminate);
  EXPECT_EQ(WriteComponentToJson(B), Json);
}

// ---------- free on terminate ----------

TEST_F(ThreadTest, FreeOnTerminateFreesTheOwnerComponentAfterTheRun) {
  for (bool WithHandler : {true, false}) {
    bool Freed = false;
    int Terminates = 0;
    auto* Host = new THost(Root.get(), Freed);
    auto* T = new TzuThread(Host);
    T->SetFreeOnTerminate(true);
    if (WithHandler) T->OnTerminate = [&](TObject*) { ++Terminates; };
    ASSERT_TRUE(T->Execute());
    EXPECT_TRUE(WaitUntil([&] { return Freed; })) << "with OnTerminate: " << WithHandler;
    EXPECT_EQ(Terminates, WithHandler ? 1 : 0);
  }
  // Without an owner component there is nothing to free; the component stays usable.
  TzuThread Solo(nullptr);
  Solo.SetFreeOnTerminate(true);
  Solo.SetWaitThread(true);
  int Runs = 0;
  Solo.OnTerminate = [&](TObject*) { ++Runs; };
  EXPECT_TRUE(Solo.Execute());
  EXPECT_TRUE(Solo.Execute());
  EXPECT_EQ(Runs, 2);
}

// ---------- waiting for an event ----------

TEST_F(ThreadTest, ExecuteAndWaitForEventTellsASetEventFromAnEndedRun) {
  TzuThread* T = NewThread();
  THandle Ev = 0;
  bool Signal = true;
  T->OnExecute = [&](TObject*) {
    if (Signal) SignalWaitEvent(Ev);  // set before the worker started
  };
  EXPECT_TRUE(T->ExecuteAndWaitForEvent(Ev, 0)) << "set, even though the run ended right after";
  EXPECT_EQ(Ev, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WaitUntil([&] { return !T->Running(); }));
  Signal = false;
  EXPECT_FALSE(T->ExecuteAndWaitForEvent(Ev, 0)) << "the run ended without setting it";
  EXPECT_EQ(Ev, INVALID_HANDLE_VALUE);
}

TEST_F(ThreadTest, WaitForEventWaitsOnARunningWorker) {
  TzuThread* T = NewThread();
  THandle Ev = 0;
  EXPECT_FALSE(T->WaitForEvent(Ev, 0)) << "nothing runs";
  EXPECT_EQ(Ev, 0) << "no event was made";
  auto S = std::make_shared<TShared>();
  T->OnExecute = [S, &Ev](TObject*) {
    S->Started.Set();
    for (int I = 0; I < 5000 && !S->Open; ++I) std::this_thread::sleep_for(1ms);
    SignalWaitEvent(Ev);
    PollUntilTerminated();
  };
  ASSERT_TRUE(T->Execute());
  ASSERT_TRUE(S->Started.Wait());
  // Opened from the main thread once the wait runs; short time-outs only wake the wait up.
  QTimer::singleShot(200, [S] { S->Open = true; });
  EXPECT_TRUE(T->WaitForEvent(Ev, 20));
  EXPECT_EQ(Ev, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(T->Running());
  // Suspending the worker ends a wait for it.
  QTimer::singleShot(20, [T] { T->Suspend(); });
  EXPECT_FALSE(T->WaitForEvent(Ev, 0));
  T->Terminate(true);
}
