// Peak resident memory of a multipart file upload: zuget sends a file of N MiB (default 100)
// to our fault server on 127.0.0.1, which takes the whole body and answers 200. The body is
// held once (in the component's upload stream), so the target is peak <= body + 40 MiB.
// curl -F, which streams from the file, is measured beside it for scale.
//   TMPDIR=/dev/shm build/bin/bench_upload [MiB] [rounds]   (default 100, 3)
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "SpawnPeak.h"
#include "TestUtil.h"
#include "servers/TestServers.h"

int main(int argc, char** argv) {
  const long MiB = argc > 1 ? std::atol(argv[1]) : 100;
  const int Rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  // The server keeps every request's body, and a spawned child's peak counts the memory of
  // the process it was spawned from: so the server runs in a process of its own.
  int Pipe[2];
  if (::pipe(Pipe) != 0) return 1;
  const pid_t Server = ::fork();
  if (Server == 0) {
    ::close(Pipe[0]);
    zutest::FaultServer F;
    F.On("/up", zutest::FaultServer::Reply(200, "stored"));
    const int Port = F.Ok() ? F.Port() : 0;
    if (::write(Pipe[1], &Port, sizeof Port) != sizeof Port) _exit(1);
    ::pause();  // until the benchmark ends it
    _exit(0);
  }
  ::close(Pipe[1]);
  int Port = 0;
  if (::read(Pipe[0], &Port, sizeof Port) != sizeof Port || Port == 0) {
    std::fprintf(stderr, "bench_upload: the server did not start\n");
    return 1;
  }
  struct TStop {
    pid_t Pid;
    ~TStop() {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, nullptr, 0);
    }
  } Stop{Server};
  zutest::TempDir Dir;
  const std::string Path = Dir.File("upload.bin");
  {
    std::ofstream Out(Path, std::ios::binary);
    std::vector<char> Block(1 << 20);
    for (size_t I = 0; I < Block.size(); ++I) Block[I] = static_cast<char>(I * 131 + 7);
    for (long I = 0; I < MiB; ++I) Out.write(Block.data(), static_cast<std::streamsize>(Block.size()));
  }
  const std::string Url = "http://127.0.0.1:" + std::to_string(Port) + "/up", Zuget = zutest::BinDir() + "/zuget";
  std::printf("upload: a %ld MiB file to 127.0.0.1, %d rounds\n", MiB, Rounds);
  long ZPeak = 0, CPeak = 0;
  double ZBest = 1e9, CBest = 1e9;
  for (int R = 0; R < Rounds; ++R) {
    const zubench::TRun Z = zubench::Spawn({Zuget, Url, "--file", "data=@" + Path, "--quiet"});
    const zubench::TRun C = zubench::Spawn({"curl", "-s", "-o", "/dev/null", "-F", "data=@" + Path, Url});
    if (Z.Status != 0) {
      std::fprintf(stderr, "bench_upload: zuget failed (%d)\n", Z.Status);
      return 1;
    }
    ZPeak = std::max(ZPeak, Z.PeakKiB);
    ZBest = std::min(ZBest, Z.Seconds);
    if (C.Status == 0) {
      CPeak = std::max(CPeak, C.PeakKiB);
      CBest = std::min(CBest, C.Seconds);
    }
  }
  const double Peak = ZPeak / 1024.0, Limit = static_cast<double>(MiB) + 40.0;
  std::printf("zuget peak %.1f MiB (body %ld MiB, above it %.1f MiB), best %.3f s\n", Peak, MiB, Peak - MiB, ZBest);
  if (CPeak) std::printf("curl -F peak %.1f MiB, best %.3f s\n", CPeak / 1024.0, CBest);
  std::printf("target peak <= body + 40 MiB = %.0f MiB: %s\n", Limit, Peak <= Limit ? "ok" : "MISSED");
  return Peak <= Limit ? 0 : 3;
}
