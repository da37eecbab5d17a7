// zuThread: worker-thread components. A thread component runs its OnExecute handler on a
// fresh operating-system thread per run and hands calls to the main thread through the unit's
// hidden thread window (message ZUM_SYNCHRONIZE), the worker waiting until they ran.
//
//   TzuEventThread   one run: its worker thread, flags, return value and priority
//   TzuCustomThread  the component; it always holds exactly one run (idle, running or finished)
//   TzuThread        ... with its published properties
//
// A stop "at once" cannot kill a thread on Linux: the run is abandoned. Its worker keeps the
// TzuEventThread alive through shared ownership and ends on its own; everything it would still
// call back (synchronised calls, OnException, OnTerminate) is dropped, and it reads Terminated()
// as true. Code on a worker that may outlive its component talks to its run
// (TzuEventThread::Current()), never to the component.
//
// Suspension is cooperative: Suspend() marks the run, and its worker blocks at its next
// checkpoint (Synchronize, SynchronizeEx, GetTerminated, Checkpoint) until Resume() or a stop at
// once. Priorities are per-thread nice values (see SetPriority).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/framework/Object.h"
#include "platform/framework/Types.h"
#include "support/zuClasses.h"

namespace zu {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;
using TzuThreadWaitTimeoutExpired = std::function<void(TObject* Sender, bool& TerminateThread)>;

class TzuCustomThread;
struct TzuRunWaiter;
struct TzuThreadUnit;

// One run of a thread component. Born suspended; its worker thread starts at the first Resume
// and runs the thread procedure once. Owned jointly by the component and by its worker.
class TzuEventThread : public TObject, public std::enable_shared_from_this<TzuEventThread> {
 public:
  ~TzuEventThread() override;
  TzuEventThread(const TzuEventThread&) = delete;
  TzuEventThread& operator=(const TzuEventThread&) = delete;

  // The run whose worker is the calling thread; null on every other thread.
  static TzuEventThread* Current();

  // The component; the Sender of its handlers. Not to be used once Abandoned() is true.
  TzuCustomThread* Owner() const { return FOwner; }

  THandle Handle() const { return FHandle; }            // pthread_t of the worker; 0 before it started
  std::uint32_t ThreadID() const { return FThreadID; }  // kernel thread id; 0 before it started
  bool Terminated() const { return FTerminated; }
  // Stopped at once, or let go by its component: nothing is called back any more.
  bool Abandoned() const { return FAbandoned; }
  bool Suspended() const { return FSuspended; }
  // From the first Resume until the thread procedure is over.
  bool Running() const { return FRunning; }
  bool Finished() const { return FFinished; }
  int ReturnValue() const { return FReturnValue; }
  void SetReturnValue(int Value) { FReturnValue = Value; }
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }

  // Nice value of the worker = the starting thread's nice minus the platform's priority value
  // (-15, -2, -1, 0, 1, 2, 15), clamped to -20..19. Raising a priority needs CAP_SYS_NICE (or
  // RLIMIT_NICE); when the system refuses, the thread keeps its nice value. GetPriority reads the
  // running worker's nice value back through the table (tpNormal when nothing matches), and the
  // requested value while no worker runs.
  TThreadPriority GetPriority() const;
  void SetPriority(TThreadPriority Value);

  void Terminate() { FTerminated = true; }
  void Suspend();
  void Resume();
  void SetSuspended(bool Value);

  // Waits for the thread procedure to end (or the run to be abandoned) and returns the return
  // value. On the main thread it runs pending synchronised calls meanwhile (and nothing else).
  // A run that never started returns at once.
  int WaitFor();

  // Worker: blocks while the run is suspended, then tells whether it should stop.
  bool Checkpoint();

  // Runs Method in the main thread while the caller waits (directly when called there).
  // false: the call was dropped or the run was abandoned meanwhile; the worker should leave.
  // An exception of Method is re-raised here unless handle exceptions is set.
  bool Synchronize(TThreadMethod Method);

 private:
  friend class TzuCustomThread;
  friend struct TzuThreadUnit;
  explicit TzuEventThread(TzuCustomThread* AOwner);
  static std::shared_ptr<TzuEventThread> Create(TzuCustomThread* AOwner);
  // A fresh idle run for the same owner with this run's priority.
  std::shared_ptr<TzuEventThread> CreateThread() const;

  void Start();
  void ThreadProc();
  void Execute();
  void DoTerminate();
  void CallTerminate();
  void CallException();
  void Abandon();
  bool MayCallBack() const;
  void WaitWhileSuspended();
  void ApplyPriority();
  void WakeWaiters();
  std::shared_ptr<TzuRunWaiter> AddWaiter(THandle Event);
  void RemoveWaiter(const std::shared_ptr<TzuRunWaiter>& Waiter);

  TzuCustomThread* const FOwner;
  TObject* const FSender;
  const THandle FEndEvent;  // set when the procedure is over or the run is abandoned
  std::thread FThread;
  std::atomic<THandle> FHandle{0};
  std::atomic<std::uint32_t> FThreadID{0};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FSuspended{true};
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<bool> FRunning{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FAbandoned{false};
  std::atomic<bool> FHandleExceptions{true};
  std::atomic<int> FReturnValue{0};
  // Guarded by the unit's lock.
  bool FStarted = false;
  bool FIdReady = false;
  TThreadPriority FPriority = tpNormal;
  int FBaseNice = 0;
  int FCallsInMain = 0;  // queued calls of this run the main thread is running
  std::vector<std::shared_ptr<TzuRunWaiter>> FWaiters;
  // Taken from the component when the run starts (main thread); the worker reads only these.
  TNotifyEvent FOnExecute;
};

class TzuCustomThread : public TzuComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuCustomThread(TComponent* AOwner);
  // Stops a running worker at once; no handler fires afterwards.
  ~TzuCustomThread() override;
  void Loaded() override;

  // Main thread. Starts a run on a fresh thread (a previous run still going is stopped at
  // once). With WaitThread it waits, processing messages, until the worker ends; false only
  // when the wait timed out and the worker was stopped.
  bool Execute();
  // Starts a run and waits for the worker to set EventHandle (a wait event, set with
  // SignalWaitEvent) or to end; true only when the event was set. EventHandle holds the event
  // before the worker starts and is INVALID_HANDLE_VALUE afterwards. Timeout 0: no limit; a
  // time-out only wakes the wait up.
  bool ExecuteAndWaitForEvent(THandle& EventHandle, std::uint32_t Timeout);
  // The same wait for a run that is already running and not suspended; false otherwise.
  bool WaitForEvent(THandle& EventHandle, std::uint32_t Timeout);
  // false: the worker's polls of GetTerminated turn true. true: the run is abandoned and a
  // fresh idle run takes its place.
  void Terminate(bool Immediately);
  void Suspend();
  void Resume();
  // Callable from the worker (and the main thread); nothing runs once the component is being
  // destroyed or the worker's run was abandoned.
  void Synchronize(TThreadMethod Method);
  // Runs Method(Param) in the main thread, Param as the Sender.
  void SynchronizeEx(TNotifyEvent Method, TObject* Param);
  int WaitFor();
  void DoWaitTimeoutExpired(bool& TerminateThread);

  // Called from a worker of this component these answer for that worker's own run, else for
  // the current run.
  THandle Handle() const;
  bool Running() const;
  bool RunningAndNotSuspended() const;
  bool GetTerminated() const;  // on the run's worker also a suspension checkpoint
  std::uint32_t GetThreadID() const;
  int GetReturnValue() const;
  void SetReturnValue(int Value);
  TThreadPriority GetPriority() const;
  void SetPriority(TThreadPriority Value);
  bool GetSuspended() const;
  // Outside design time and loading also suspends or resumes the current run; Loaded applies
  // the stored value, so a component stored with Suspended false starts once it is loaded.
  void SetSuspended(bool Value);

  bool HandleExceptions() const { return FHandleExceptions; }
  void SetHandleExceptions(bool Value);
  // With an owner component: after the run's OnTerminate the owner component is freed.
  bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  bool WaitThread() const { return FWaitThread; }
  void SetWaitThread(bool Value) { FWaitThread = Value; }
  std::uint32_t WaitTimeout() const { return FWaitTimeout; }  // milliseconds, 0: no limit
  void SetWaitTimeout(std::uint32_t Value) { FWaitTimeout = Value; }

  // The current run.
  std::shared_ptr<TzuEventThread> Thread() const;

  // OnExecute runs on the worker, the others in the main thread. A run takes the handlers
  // assigned when it starts.
  TNotifyEvent OnExecute;
  TNotifyEvent OnException;
  TNotifyEvent OnTerminate;
  TzuThreadWaitTimeoutExpired OnWaitTimeoutExpired;

 private:
  friend class TzuEventThread;
  std::shared_ptr<TzuEventThread> Run() const;
  void RecreateThread();
  // Steps shared by the starting calls: a fresh run replaces the current one.
  std::shared_ptr<TzuEventThread> PrepareRun();
  bool WaitForRunEvent(const std::shared_ptr<TzuEventThread>& R, const std::shared_ptr<TzuRunWaiter>& W,
                       THandle& EventHandle, std::uint32_t Timeout);
  void InternalSynchronization(const TNotifyEvent& Method, TObject* Param);

  mutable std::mutex FThreadLock;  // guards FThread against reads from workers
  std::shared_ptr<TzuEventThread> FThread;
  bool FStoredSuspended = true;
  bool FHandleExceptions = true;
  bool FFreeOnTerminate = false;
  bool FWaitThread = false;
  std::uint32_t FWaitTimeout = 0;
  std::shared_ptr<int> FAlive;  // expires with the component: waits find out without touching it
};

class TzuThread : public TzuCustomThread {
  ZU_CLASS_INFO
 public:
  using TzuCustomThread::TzuCustomThread;
};

// Diagnostics: live run objects (including abandoned ones whose workers still run) and the
// unit's thread window (0 when there is none).
int ThreadObjectCount();
THandle ThreadWindow();

}  // namespace zu
