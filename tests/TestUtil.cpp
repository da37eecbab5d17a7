#include "TestUtil.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zutest {

TempDir::TempDir() {
  std::string Base = std::filesystem::temp_directory_path().string() + "/zutest.XXXXXX";
  if (!::mkdtemp(Base.data())) throw std::runtime_error("mkdtemp failed");
  FPath = Base;
}

TempDir::TempDir(mode_t SharedMode) {
  std::string Base = "/tmp/zutest-shared.XXXXXX";
  if (!::mkdtemp(Base.data())) throw std::runtime_error("mkdtemp failed");
  FPath = Base;
  if (::chmod(FPath.c_str(), SharedMode) != 0) {
    std::filesystem::remove(FPath);
    throw std::runtime_error("chmod failed on " + FPath);
  }
}

TempDir::~TempDir() {
  std::error_code Ec;
  // Read-only files and directories must not stop the clean-up.
  for (auto It = std::filesystem::recursive_directory_iterator(FPath, Ec);
       It != std::filesystem::recursive_directory_iterator(); It.increment(Ec))
    std::filesystem::permissions(It->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, Ec);
  std::filesystem::remove_all(FPath, Ec);
}

void WriteFile(const std::string& Path, const std::string& Bytes) {
  std::ofstream F(Path, std::ios::binary | std::ios::trunc);
  F.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!F) throw std::runtime_error("cannot write " + Path);
}

std::string ReadFile(const std::string& Path) {
  std::ifstream F(Path, std::ios::binary);
  if (!F) throw std::runtime_error("cannot read " + Path);
  return std::string(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
}

ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                         const std::string& Input, int TimeoutSec) {
  QProcess P;
  QStringList A;
  for (const auto& S : Args) A << QString::fromStdString(S);
  P.start(QString::fromStdString(Program), A);
  ProcessResult R;
  if (!P.waitForStarted(10000)) return R;
  if (!Input.empty()) P.write(Input.data(), static_cast<qint64>(Input.size()));
  P.closeWriteChannel();
  if (!P.waitForFinished(TimeoutSec * 1000)) {
    P.kill();
    P.waitForFinished();
    return R;
  }
  R.Out = P.readAllStandardOutput().toStdString();
  R.Err = P.readAllStandardError().toStdString();
  R.ExitCode = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
  return R;
}

ScopedEnv::ScopedEnv(const std::string& Name, const char* Value) : FName(Name) {
  const char* Old = std::getenv(Name.c_str());
  FHadOld = Old != nullptr;
  if (Old) FOld = Old;
  if (Value)
    ::setenv(Name.c_str(), Value, 1);
  else
    ::unsetenv(Name.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (FHadOld)
    ::setenv(FName.c_str(), FOld.c_str(), 1);
  else
    ::unsetenv(FName.c_str());
}

std::string BinDir() { return ZU_BIN_DIR; }

std::string ArtifactsDir() {
  std::filesystem::create_directories(ZU_ARTIFACTS_DIR);
  return ZU_ARTIFACTS_DIR;
}

std::string SourceDir() { return ZU_SOURCE_DIR; }

}  // namespace zutest
