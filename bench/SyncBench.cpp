// The cost of one synchronised call: a worker thread sends a message to a hidden window of
// the main thread and waits until the main thread ran it. Every progress event of a
// download costs one of these.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include "platform/framework/Messages.h"
#include "platform/os/System.h"

namespace {

// One call per iteration: the worker sends without pause, the main thread serves its events
// until the worker has counted one more answered call. Argument 1 keeps both threads on the
// CPU the benchmark runs on (as zuget does), 0 leaves them to the scheduler.
void BM_SynchronizedCall(benchmark::State& State) {
  std::optional<zu::os::TCurrentCpuOnly> Pin;
  if (State.range(0) == 1) Pin.emplace();  // the worker started below inherits it
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
