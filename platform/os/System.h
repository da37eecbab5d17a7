// Operating-system queries: temporary directory, version record, sounds, processes.
#pragma once

#include <sched.h>

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zu::os {

// $TMPDIR, else /tmp, always with a trailing '/'.
std::string GetTempDirectory();

// The Win32 version record (148 bytes). Linux reports itself as the NT platform (id 2) in
// the newest generation the design knows, 5.1, so NT-only paths are taken; CSDVersion
// carries the kernel's name and release.
struct TOSVersionInfo {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(TOSVersionInfo) == 148);
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
bool GetVersionEx(TOSVersionInfo& Info);  // Info.dwOSVersionInfoSize must be 148

// Keeps the calling thread, and every thread it starts meanwhile, on the CPU it runs on now;
// the earlier set of CPUs comes back when the object goes. For threads that only hand over to
// each other: on one CPU a hand-over is a plain switch instead of waking an idle CPU.
class TCurrentCpuOnly {
 public:
  TCurrentCpuOnly();
  ~TCurrentCpuOnly();
  TCurrentCpuOnly(const TCurrentCpuOnly&) = delete;
  TCurrentCpuOnly& operator=(const TCurrentCpuOnly&) = delete;

 private:
  cpu_set_t FBefore;
  bool FPinned = false;
};

// The freedesktop sound-theme name for a Win32 system sound alias; empty when none.
std::string FreedesktopSoundName(const std::string& Alias);
// Plays the alias through libcanberra when it is installed; silent otherwise. Never falls
// back to a default sound. Returns whether a sound was started.
bool PlaySoundAlias(const std::string& Alias, bool Async);
// Ends the sounds PlaySoundAlias started; false when there is no sound library.
bool StopSounds();

// Splits a command line as the Win32 parser does: blanks separate, double quotes group,
// backslashes escape only before a quote.
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);

// Starts Program (searched on PATH when it has no '/') with Args, in a session of its own so
// it outlives us. Pid receives the child's id when not null.
bool SpawnProcess(const std::string& Program, const std::vector<std::string>& Args,
                  pid_t* Pid = nullptr);

// The running executable's absolute path (/proc/self/exe); empty when unknown.
std::string ExecutablePath();
// The process's command-line arguments after the program name (/proc/self/cmdline).
std::vector<std::string> CommandLineArguments();

// Finds a program on PATH; empty when absent.
std::string FindOnPath(const std::string& Program);

}  // namespace zu::os
