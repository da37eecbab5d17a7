// Helpers shared by the tests: scratch directories, files and child processes.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace zutest {

// A fresh directory under the build's temporary area, removed with everything in it.
class TempDir {
 public:
  TempDir();
  // Right under /tmp with the given mode, for a test that runs a process as another user (the
  // test run's own temporary area is private to the user running the tests).
  explicit TempDir(mode_t SharedMode);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  std::string FPath;
};

void WriteFile(const std::string& Path, const std::string& Bytes);
std::string ReadFile(const std::string& Path);

struct ProcessResult {
  int ExitCode = -1;  // -1 when it did not exit normally
  std::string Out;
  std::string Err;
};
// Runs Program with Args, Input on its standard input; waits at most TimeoutSec.
ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                         const std::string& Input = std::string(), int TimeoutSec = 60);

// Scoped environment variable (restored afterwards).
class ScopedEnv {
 public:
  ScopedEnv(const std::string& Name, const char* Value);
  ~ScopedEnv();

 private:
  std::string FName, FOld;
  bool FHadOld;
};

std::string BinDir();        // build/bin
std::string ArtifactsDir();  // build/artifacts (created)
std::string SourceDir();

}  // namespace zutest
