#include "platform/os/System.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

extern char** environ;

namespace zu::os {

TCurrentCpuOnly::TCurrentCpuOnly() {
  CPU_ZERO(&FBefore);
  const int Cpu = ::sched_getcpu();
  if (Cpu < 0 || ::sched_getaffinity(0, sizeof FBefore, &FBefore) != 0) return;
  cpu_set_t One;
  CPU_ZERO(&One);
  CPU_SET(Cpu, &One);
  FPinned = ::sched_setaffinity(0, sizeof One, &One) == 0;  // threads started from now on inherit it
}

TCurrentCpuOnly::~TCurrentCpuOnly() {
  if (FPinned) ::sched_setaffinity(0, sizeof FBefore, &FBefore);
}

std::string GetTempDirectory() {
  const char* Env = std::getenv("TMPDIR");
  std::string Dir = (Env && *Env) ? Env : "/tmp";
  if (Dir.back() != '/') Dir += '/';
  return Dir;
}

bool GetVersionEx(TOSVersionInfo& Info) {
  if (Info.dwOSVersionInfoSize != sizeof(TOSVersionInfo)) return false;
  Info.dwMajorVersion = 5;
  Info.dwMinorVersion = 1;
  Info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  Info.dwBuildNumber = 0;
  std::memset(Info.szCSDVersion, 0, sizeof Info.szCSDVersion);
  utsname U{};
  if (::uname(&U) == 0) {
    std::string Text = std::string(U.sysname) + " " + U.release;
    std::strncpy(Info.szCSDVersion, Text.c_str(), sizeof Info.szCSDVersion - 1);
    Info.dwBuildNumber = static_cast<std::uint32_t>(std::strtoul(U.release, nullptr, 10));
  }
  return true;
}

std::string FreedesktopSoundName(const std::string& Alias) {
  static const std::map<std::string, std::string> Names = {
      {"SystemAsterisk", "dialog-information"}, {"Close", "window-close"},
      {"SystemHand", "dialog-error"},           {".Default", "bell"},
      {"SystemExclamation", "dialog-warning"},  {"SystemExit", "desktop-logout"},
      {"Maximize", "window-maximized"},         {"MenuCommand", "menu-click"},
      {"MenuPopup", "menu-popup"},              {"Minimize", "window-minimized"},
      {"MailBeep", "message-new-email"},        {"Open", "window-new"},
      {"AppGPFault", "dialog-error"},           {"SystemQuestion", "dialog-question"},
      {"RestoreDown", "window-unmaximized"},    {"RestoreUp", "window-maximized"},
      {"SystemStart", "desktop-login"},
  };
  auto It = Names.find(Alias);
  return It == Names.end() ? std::string() : It->second;
}

namespace {

// libcanberra, loaded on first use so the program neither links nor needs it.
struct TCanberra {
  using CreateFn = int (*)(void**);
  using PlayFullFn = int (*)(void*, std::uint32_t, void*, void (*)(void*, std::uint32_t, int, void*), void*);
  using ChangePropsFn = int (*)(void*, ...);
  using PlayFn = int (*)(void*, std::uint32_t, ...);
  using ProplistCreateFn = int (*)(void**);
  using ProplistSetsFn = int (*)(void*, const char*, const char*);
  using ProplistDestroyFn = int (*)(void*);
  using CancelFn = int (*)(void*, std::uint32_t);

  void* Lib = nullptr;
  CancelFn Cancel = nullptr;
  void* Ctx = nullptr;
  PlayFullFn PlayFull = nullptr;
  ProplistCreateFn PCreate = nullptr;
  ProplistSetsFn PSets = nullptr;
  ProplistDestroyFn PDestroy = nullptr;

  TCanberra() {
    Lib = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!Lib) return;
    auto Create = reinterpret_cast<CreateFn>(::dlsym(Lib, "ca_context_create"));
    PlayFull = reinterpret_cast<PlayFullFn>(::dlsym(Lib, "ca_context_play_full"));
    PCreate = reinterpret_cast<ProplistCreateFn>(::dlsym(Lib, "ca_proplist_create"));
    PSets = reinterpret_cast<ProplistSetsFn>(::dlsym(Lib, "ca_proplist_sets"));
    PDestroy = reinterpret_cast<ProplistDestroyFn>(::dlsym(Lib, "ca_proplist_destroy"));
    Cancel = reinterpret_cast<CancelFn>(::dlsym(Lib, "ca_context_cancel"));
    if (!Create || !PlayFull || !PCreate || !PSets || !PDestroy || Create(&Ctx) != 0) Ctx = nullptr;
  }
};

struct TPlayDone {
  std::mutex M;
  std::condition_variable Cv;
  bool Done = false;
};

// Data is a heap copy of the player's shared pointer: the state outlives a player that
// stopped waiting, and the callback frees the copy.
void OnPlayFinished(void*, std::uint32_t, int, void* Data) {
  std::unique_ptr<std::shared_ptr<TPlayDone>> D(static_cast<std::shared_ptr<TPlayDone>*>(Data));
  std::lock_guard<std::mutex> L((*D)->M);
  (*D)->Done = true;
  (*D)->Cv.notify_all();
}

// Every sound we play carries this id, so that StopSounds can end them.
constexpr std::uint32_t SoundId = 1;

TCanberra& Canberra() {
  static TCanberra Ca;
  return Ca;
}

}  // namespace

bool StopSounds() {
  TCanberra& Ca = Canberra();
  return Ca.Ctx && Ca.Cancel && Ca.Cancel(Ca.Ctx, SoundId) == 0;
}

bool PlaySoundAlias(const std::string& Alias, bool Async) {
  const std::string Name = FreedesktopSoundName(Alias);
  if (Name.empty()) return false;
  TCanberra& Ca = Canberra();
  if (!Ca.Ctx) return false;
  void* Props = nullptr;
  if (Ca.PCreate(&Props) != 0) return false;
  Ca.PSets(Props, "event.id", Name.c_str());
  Ca.PSets(Props, "event.description", Alias.c_str());
  bool Ok;
  if (Async) {
    Ok = Ca.PlayFull(Ca.Ctx, SoundId, Props, nullptr, nullptr) == 0;
  } else {
    auto Done = std::make_shared<TPlayDone>();
    auto* Shared = new std::shared_ptr<TPlayDone>(Done);
    Ok = Ca.PlayFull(Ca.Ctx, SoundId, Props, OnPlayFinished, Shared) == 0;
    if (!Ok) {
      delete Shared;  // no callback follows a refused play
    } else {  // a sound theme event is short; never hang on a stuck sound server
      std::unique_lock<std::mutex> L(Done->M);
      Done->Cv.wait_for(L, std::chrono::seconds(10), [&] { return Done->Done; });
    }
  }
  Ca.PDestroy(Props);
  return Ok;
}

std::vector<std::string> SplitCommandLine(const std::string& CommandLine) {
  std::vector<std::string> Result;
  size_t I = 0;
  const size_t N = CommandLine.size();
  for (;;) {
    while (I < N && (CommandLine[I] == ' ' || CommandLine[I] == '\t')) ++I;
    if (I >= N) break;
    std::string Arg;
    bool InQuotes = false;
    while (I < N) {
      const char C = CommandLine[I];
      if (!InQuotes && (C == ' ' || C == '\t')) break;
      if (C == '\\') {
        size_t Slashes = 0;
        while (I < N && CommandLine[I] == '\\') ++Slashes, ++I;
        if (I < N && CommandLine[I] == '"') {
          Arg.append(Slashes / 2, '\\');
          if (Slashes % 2) {
            Arg += '"';
            ++I;
          }
        } else {
          Arg.append(Slashes, '\\');
        }
        continue;
      }
      if (C == '"') {
        if (InQuotes && I + 1 < N && CommandLine[I + 1] == '"') {  // "" inside quotes
          Arg += '"';
          I += 2;
          continue;
        }
        InQuotes = !InQuotes;
        ++I;
        continue;
      }
      Arg += C;
      ++I;
    }
    Result.push_back(std::move(Arg));
  }
  return Result;
}

std::string FindOnPath(const std::string& Program) {
  if (Program.empty()) return std::string();
  if (Program.find('/') != std::string::npos)
    return ::access(Program.c_str(), X_OK) == 0 ? Program : std::string();
  const char* Path = std::getenv("PATH");
  std::string P = Path ? Path : "/usr/local/bin:/usr/bin:/bin";
  size_t Start = 0;
  while (Start <= P.size()) {
    size_t End = P.find(':', Start);
    if (End == std::string::npos) End = P.size();
    std::string Dir = P.substr(Start, End - Start);
    if (Dir.empty()) Dir = ".";
    const std::string Candidate = Dir + "/" + Program;
    struct stat St{};
    if (::stat(Candidate.c_str(), &St) == 0 && S_ISREG(St.st_mode) &&
        ::access(Candidate.c_str(), X_OK) == 0)
      return Candidate;
    Start = End + 1;
  }
  return std::string();
}

bool SpawnProcess(const std::string& Program, const std::vector<std::string>& Args, pid_t* Pid) {
  const std::string Exe = FindOnPath(Program);
  if (Exe.empty()) return false;
  std::vector<char*> Argv;
  Argv.push_back(const_cast<char*>(Program.c_str()));
  for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  posix_spawnattr_t Attr;
  posix_spawnattr_init(&Attr);
  posix_spawnattr_setflags(&Attr, POSIX_SPAWN_SETSID);
  pid_t Child = 0;
  const int Rc = ::posix_spawn(&Child, Exe.c_str(), nullptr, &Attr, Argv.data(), environ);
  posix_spawnattr_destroy(&Attr);
  if (Rc != 0) return false;
  if (Pid) {
    *Pid = Child;
  } else {
    // Nobody asked for the child: reap it when it ends so it leaves no zombie behind.
    std::thread([Child] {
      int Status;
      while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  return true;
}

std::string ExecutablePath() {
  std::string Buf(4096, '\0');
  const ssize_t N = ::readlink("/proc/self/exe", Buf.data(), Buf.size());
  if (N <= 0 || static_cast<size_t>(N) >= Buf.size()) return std::string();
  Buf.resize(static_cast<size_t>(N));
  return Buf;
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> Args;
  std::FILE* F = std::fopen("/proc/self/cmdline", "rb");
  if (!F) return Args;
  std::string Cur;
  bool First = true;
  for (int C; (C = std::fgetc(F)) != EOF;) {
    if (C != 0) {
      Cur.push_back(static_cast<char>(C));
      continue;
    }
    if (!First) Args.push_back(Cur);
    First = false;
    Cur.clear();
  }
  std::fclose(F);
  return Args;
}

}  // namespace zu::os
