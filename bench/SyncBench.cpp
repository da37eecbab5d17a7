// The cost of one synchronised call: a worker thread sends a message to a hidden window of
// the main thread and waits until the main thread ran it. Every progress event of a
// download costs one of these.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QThread>

#include <sched.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/framework/Messages.h"

namespace {

// One call per iteration: the worker sends without pause, the main thread serves its events
// until the worker has counted one more answered call. Argument 1 keeps both threads on the
// CPU the benchmark runs on (as zuget does), 0 leaves them to the scheduler.
void BM_SynchronizedCall(benchmark::State& State) {
  cpu_set_t Before;
  CPU_ZERO(&Before);
  ::sched_getaffinity(0, sizeof Before, &Before);
  if (State.range(0) == 1) {
    cpu_set_t One;
    CPU_ZERO(&One);
    CPU_SET(::sched_getcpu(), &One);
    ::sched_setaffinity(0, sizeof One, &One);  // the worker started below inherits it
  }
  const zu::THandle Window = zu::AllocateHWnd([](zu::TMessage& M) { M.Result = 1; });
  std::atomic<bool> Stop{false}, Finished{false};
  std::atomic<std::uint64_t> Calls{0};
  std::thread Worker([&] {
    while (!Stop) {
      zu::SendMessage(Window, zu::ZUM_SYNCHRONIZE, 0, 0);
      Calls.fetch_add(1);
    }
    Finished = true;
  });
  for (auto _ : State) {
    const std::uint64_t Seen = Calls.load();
    while (Calls.load() == Seen) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  Stop = true;
  while (!Finished) QCoreApplication::processEvents(QEventLoop::AllEvents);  // its last call
  Worker.join();
  zu::DeallocateHWnd(Window);
  ::sched_setaffinity(0, sizeof Before, &Before);
}
BENCHMARK(BM_SynchronizedCall)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
