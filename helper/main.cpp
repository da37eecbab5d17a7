// The self-upgrade helper: waits until the program has ended, installs the files of the
// completed download run its manifest names (helper/Install.h: under a journal, all or
// nothing) and starts the program again (in setup mode runs the setup program first), telling
// it the outcome in its environment. Static, POSIX only; it always exits 0.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "helper/HelperCommandLine.h"
#include "helper/Install.h"

extern char** environ;

namespace {

using namespace zu::helper;

constexpr int LowestPriority = 19;

pid_t HelperPid = 0;

void WriteAll(int Fd, const std::string& Text) {
  std::size_t Done = 0;
  while (Done < Text.size()) {
    const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return;
    Done += static_cast<std::size_t>(N);
  }
}

// No message box without a display library: the caption and text go to standard error.
void ShowBanner() {
  WriteAll(STDERR_FILENO,
           "Reveziri v3.4.2\n"
           "Self-upgrading mechanism for Renewix component.\n"
           "Started by a program that updates itself; not meant to be run by hand.\n");
}

bool SameFile(const struct stat& A, const struct stat& B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

bool IsThisProgram(const std::string& Path) {
  static struct stat Self {};
  static const bool Known = ::stat("/proc/self/exe", &Self) == 0;
  struct stat St {};
  return Known && ::stat(Path.c_str(), &St) == 0 && SameFile(St, Self);
}

char LowerAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool EqualNoCase(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (LowerAscii(A[I]) != LowerAscii(B[I])) return false;
  return true;
}

// Processes whose image is a given file. The ones found are rechecked cheaply on every pass;
// /proc is read in full only when none of them is left, so a freshly started instance is
// still seen before the wait ends.
class TImageWatch {
 public:
  bool Running(const struct stat& File) {
    std::erase_if(FKnown, [&](pid_t P) { return !Runs(P, File); });
    if (!FKnown.empty()) return true;
    DIR* D = ::opendir("/proc");
    if (!D) return false;
    const pid_t Own = ::getpid();
    while (const dirent* E = ::readdir(D)) {
      char* End = nullptr;
      const long P = std::strtol(E->d_name, &End, 10);
      if (End == E->d_name || *End != '\0' || P <= 0) continue;
      const auto Pid = static_cast<pid_t>(P);
      if (Pid == Own || Pid == HelperPid) continue;
      if (Runs(Pid, File)) FKnown.push_back(Pid);
    }
    ::closedir(D);
    return !FKnown.empty();
  }

 private:
  static bool Runs(pid_t Pid, const struct stat& File) {
    // The link's text may end in " (deleted)"; its target's identity is what counts.
    char Link[48];
    std::snprintf(Link, sizeof Link, "/proc/%d/exe", static_cast<int>(Pid));
    struct stat St {};
    return ::stat(Link, &St) == 0 && SameFile(St, File);
  }

  std::vector<pid_t> FKnown;
};

// Write access as the application needs it: the file can be opened for writing without
// ETXTBSY and no process still runs it (kernels differ in reporting ETXTBSY). An open that
// fails otherwise (no permission, read-only file system, a link) cannot tell, so the
// process check alone decides; a missing file or one that is no regular file has nothing to
// wait for.
bool WriteAccess(const std::string& Path, TImageWatch& Watch) {
  struct stat St {};
  if (::stat(Path.c_str(), &St) != 0) return true;
  if (!S_ISREG(St.st_mode)) return true;
  const int Fd = ::open(Path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd >= 0)
    ::close(Fd);
  else if (errno == ETXTBSY)
    return false;
  return !Watch.Running(St);
}

void PollForWriteAccess(const std::string& Path) {
  TImageWatch Watch;
  const timespec Tick{0, 1000000};
  do ::nanosleep(&Tick, nullptr);
  while (!WriteAccess(Path, Watch));
}

// No time limit: the helper waits as long as the file is in use. The polling runs in a child
// at the lowest priority; the helper keeps its own, because an ordinary user cannot raise it
// again and everything the helper starts would inherit the low one.
void WaitForWriteAccess(const std::string& Path) {
  const pid_t Waiter = ::fork();
  if (Waiter == 0) {
    // Ends with the helper, should that be killed while it waits.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != HelperPid) ::_exit(0);
    ::setpriority(PRIO_PROCESS, 0, LowestPriority);
    PollForWriteAccess(Path);
    ::_exit(0);
  }
  if (Waiter > 0) {
    while (::waitpid(Waiter, nullptr, 0) < 0 && errno == EINTR) {
    }
    return;
  }
  errno = 0;
  const int Old = ::getpriority(PRIO_PROCESS, 0);
  const bool HaveOld = errno == 0;
  ::setpriority(PRIO_PROCESS, 0, LowestPriority);
  PollForWriteAccess(Path);
  if (HaveOld) ::setpriority(PRIO_PROCESS, 0, Old);
}

// The program's name as its directory lists it, which differs from the command line's only on
// a case-insensitive file system.
std::string ListedName(const std::string& Dir, const std::string& Name, const struct stat& File) {
  DIR* D = ::opendir(Dir.empty() ? "." : Dir.c_str());
  if (!D) return Name;
  std::string Found = Name;
  while (const dirent* E = ::readdir(D)) {
    const std::string Entry = E->d_name;
    if (Entry == Name) {
      Found = Name;
      break;
    }
    struct stat St {};
    if (EqualNoCase(Entry, Name) && ::lstat((Dir + Entry).c_str(), &St) == 0 && SameFile(St, File))
      Found = Entry;
  }
  ::closedir(D);
  return Found;
}

// Started in a session of its own so that it outlives the helper; 0 when it could not start.
pid_t Start(const std::string& Path, const std::string& Params) {
  if (Path.empty()) return 0;
  std::vector<std::string> Args = SplitCommandLine(Params);
  Args.insert(Args.begin(), Path);
  std::vector<char*> Argv;
  for (auto& A : Args) Argv.push_back(A.data());
  Argv.push_back(nullptr);

  posix_spawnattr_t Attr;
  if (::posix_spawnattr_init(&Attr) != 0) return 0;
  sigset_t None, All;
  sigemptyset(&None);
  sigfillset(&All);
  ::posix_spawnattr_setsigmask(&Attr, &None);
  ::posix_spawnattr_setsigdefault(&Attr, &All);
  ::posix_spawnattr_setflags(&Attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
  pid_t Pid = 0;
  const int Rc = ::posix_spawn(&Pid, Path.c_str(), nullptr, &Attr, Argv.data(), environ);
  ::posix_spawnattr_destroy(&Attr);
  return Rc == 0 ? Pid : 0;
}

// Only a test sets it: the helper ends with SIGKILL once that many renames are made.
int KillAfter() {
  const char* V = std::getenv("RENEWIX_TEST_KILL_HELPER_AFTER");
  return V && *V ? std::atoi(V) : -1;
}

// Another helper holds the directory's lock for the seconds its install takes. Anybody who
// can read the directory can hold it as well, so the wait is bounded (a test shortens it).
int LockWaitMs() {
  const char* V = std::getenv("RENEWIX_TEST_LOCK_WAIT_MS");
  return V && *V ? std::atoi(V) : 120 * 1000;
}

void Run(int argc, char** argv) {
  HelperPid = ::getpid();
  // An inherited "ignore" would reap the setup program before it could be waited for.
  ::signal(SIGCHLD, SIG_DFL);

  std::vector<std::string> All(argv, argv + argc);
  const std::size_t Skip = HelperNameCount(All, IsThisProgram);
  const std::vector<std::string> Args(All.begin() + static_cast<std::ptrdiff_t>(Skip), All.end());
  if (Args.empty()) {
    ShowBanner();
    return;
  }

  const TCommandLine Cmd = ParseArguments(Args);
  const std::string Dir = ProgramDirectory(Cmd.ProgramPath);
  std::string ProgramName = BaseName(Cmd.ProgramPath);
  struct stat Program {};
  if (!Cmd.ProgramPath.empty() && ::lstat(Cmd.ProgramPath.c_str(), &Program) == 0) {
    ProgramName = ListedName(Dir, ProgramName, Program);
    WaitForWriteAccess(Cmd.ProgramPath);
  }
  const int DirFd = OpenDirectory(Dir);
  if (DirFd < 0) {
    ::setenv(ResultVariable, ("failed cannot open the program's folder: " + std::string(std::strerror(errno))).c_str(), 1);
    Start(Cmd.ProgramPath, Cmd.RestartParams);
    return;
  }

  // One installer at a time; whoever comes second finds the work done and starts nothing.
  if (LockDirectory(DirFd, LockWaitMs()) == TLock::Busy) {
    // Nothing is touched: the download stays for a later run to install.
    ::close(DirFd);
    ::setenv(ResultVariable, "failed another process kept the program's folder locked", 1);
    Start(Cmd.ProgramPath, Cmd.RestartParams);
    return;
  }
  const TRecovery Recovered = Recover(DirFd);
  TManifest Manifest;
  const bool Requested = ReadManifest(DirFd, Manifest) && Manifest.Complete;
  if (!Requested) {
    UnlockDirectory(DirFd);
    // An install cut off by a kill has been finished or undone: the program it never
    // started again is started now.
    if (Recovered == TRecovery::None) return;
    ::setenv(ResultVariable,
             Recovered == TRecovery::Finished ? "installed" : "failed the install was cut off", 1);
    Start(Cmd.ProgramPath, Cmd.RestartParams);
    return;
  }
  std::string Unverified;
  const std::vector<std::string> Listed = VerifiedUpdates(DirFd, Manifest, &Unverified);
  const std::string Own = ProgramName + UpdateSuffix;
  const bool Present = std::find(Listed.begin(), Listed.end(), Own) != Listed.end();
  TPlan Plan = PlanUpgrade(Cmd, ProgramName, Present, Listed);
  // Each file is checked once more against what was downloaded, just before its rename.
  for (auto& Move : Plan.Moves)
    for (const auto& F : Manifest.Files)
      if (F.Name + UpdateSuffix == BaseName(Move.Source)) {
        Move.Size = F.Size;
        Move.Sha256 = F.Sha256;
      }
  TInstallOutcome Outcome;
  if (!Unverified.empty()) {
    // Part of the set changed or went since it was downloaded: none of it is installed.
    Outcome = {false, Unverified + " is not the file that was downloaded"};
    ::unlinkat(DirFd, ManifestName, 0);
  } else {
    Outcome = InstallMoves(DirFd, Plan.Moves, KillAfter());
  }
  UnlockDirectory(DirFd);
  ::close(DirFd);
  ::setenv(ResultVariable, Outcome.Ok ? "installed" : ("failed " + Outcome.Error).c_str(), 1);
  if (!Outcome.Ok) {
    // Everything is as it was: the old program again, never a setup program.
    Start(Cmd.ProgramPath, Cmd.RestartParams);
    return;
  }

  const pid_t First = Start(Plan.RunPath, Cmd.RestartParams);
  // Setup mode without a setup program has started the program itself: once is enough.
  if (!Plan.SetupProgram) return;
  if (First > 0)
    while (::waitpid(First, nullptr, 0) < 0 && errno == EINTR) {
    }
  WaitForWriteAccess(Plan.RunPath);
  ::unlink(Plan.RunPath.c_str());
  Start(Plan.SavedProgramPath, Cmd.RestartParams);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Run(argc, argv);
  } catch (...) {
  }
  return 0;
}
