// Runs a program to its end, its output thrown away, and reports its time and peak resident
// memory (the kernel's own count for the child, not a sample). That count includes what the
// spawning process had resident, so keep the spawning process small.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace zubench {

struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
  int Status = -1;  // exit code, -1 when it could not start or did not exit
};

inline TRun Spawn(const std::vector<std::string>& Args) {
  std::vector<char*> Argv;
  for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Fa;
  posix_spawn_file_actions_init(&Fa);
  posix_spawn_file_actions_addopen(&Fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = 0;
  const auto T0 = std::chrono::steady_clock::now();
  TRun R;
  const int Rc = posix_spawnp(&Pid, Argv[0], &Fa, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Fa);
  if (Rc != 0) return R;
  int Status = 0;
  rusage Use{};
  ::wait4(Pid, &Status, 0, &Use);
  R.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
  R.PeakKiB = Use.ru_maxrss;
  R.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return R;
}

}  // namespace zubench
