// The cost of one synchronised call: a worker thread sends a message to a hidden window of
// the main thread and waits until the main thread ran it. Every progress event of a
// download costs one of these.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/framework/Messages.h"

namespace {

void BM_SynchronizedCall(benchmark::State& State) {
  const zu::THandle Window = zu::AllocateHWnd([](zu::TMessage& M) { M.Result = 1; });
  std::mutex Lock;
  std::condition_variable Go;
  bool Requested = false, Stop = false;
  std::atomic<bool> Answered{false};
  auto* Dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
  std::thread Worker([&] {
    for (;;) {
      {
        std::unique_lock<std::mutex> L(Lock);
        Go.wait(L, [&] { return Requested || Stop; });
        if (Stop) return;
        Requested = false;
      }
      zu::SendMessage(Window, zu::ZUM_SYNCHRONIZE, 0, 0);
      Answered = true;
      Dispatcher->wakeUp();
    }
  });
  for (auto _ : State) {
    {
      std::lock_guard<std::mutex> L(Lock);
      Requested = true;
    }
    Go.notify_one();
    while (!Answered) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Answered = false;
  }
  {
    std::lock_guard<std::mutex> L(Lock);
    Stop = true;
  }
  Go.notify_one();
  Worker.join();
  zu::DeallocateHWnd(Window);
}
BENCHMARK(BM_SynchronizedCall)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
