#include "engine/zuRenewixInstall.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/os/Resources.h"
#include "platform/os/System.h"

extern char** environ;

namespace zu::rxinstall {

namespace {

std::string Why(const std::string& What, int Errno) { return What + ": " + std::strerror(Errno); }

void SplitPath(std::string Path, std::string& Parent, std::string& Name) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  const size_t Slash = Path.rfind('/');
  Parent = Slash == std::string::npos ? "." : (Slash == 0 ? "/" : Path.substr(0, Slash));
  Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

bool WriteAll(int Fd, const std::string& Data) {
  size_t Done = 0;
  while (Done < Data.size()) {
    const ssize_t N = ::write(Fd, Data.data() + Done, Data.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) {
      if (N == 0) errno = ENOSPC;
      return false;
    }
    Done += static_cast<size_t>(N);
  }
  return true;
}

// Runs the file open at Fd in a new session, as a grandchild so that it never waits as our
// zombie. The exec's own error comes back through a pipe that closes on success. Between fork
// and exec only async-signal-safe calls: this process has other threads.
int RunDescriptor(int Fd, const std::vector<std::string>& Argv) {
  std::vector<char*> Args;
  for (const auto& A : Argv) Args.push_back(const_cast<char*>(A.c_str()));
  Args.push_back(nullptr);
  int Pipe[2];
  if (::pipe2(Pipe, O_CLOEXEC) != 0) return errno;
  const pid_t Child = ::fork();
  if (Child < 0) {
    const int E = errno;
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    return E;
  }
  if (Child == 0) {
    ::close(Pipe[0]);
    ::setsid();
    const pid_t Grandchild = ::fork();
    if (Grandchild != 0) ::_exit(Grandchild < 0 ? 1 : 0);
    struct sigaction Default {};
    Default.sa_handler = SIG_DFL;
    for (int S = 1; S < NSIG; ++S) ::sigaction(S, &Default, nullptr);
    sigset_t None;
    sigemptyset(&None);
    ::sigprocmask(SIG_SETMASK, &None, nullptr);
    ::fexecve(Fd, Args.data(), environ);
    const int E = errno;
    [[maybe_unused]] const ssize_t W = ::write(Pipe[1], &E, sizeof E);
    ::_exit(127);
  }
  ::close(Pipe[1]);
  int Status = 0;
  while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
  }
  int E = 0;
  ssize_t N;
  while ((N = ::read(Pipe[0], &E, sizeof E)) < 0 && errno == EINTR) {
  }
  ::close(Pipe[0]);
  if (N == sizeof E) return E;
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) return ECHILD;  // no grandchild
  return 0;
}

// Writes the helper into the private directory DirFd and starts it; an error text or "".
std::string WriteAndStart(int DirFd, const std::string& Path, const std::string& Bytes,
                          const std::vector<std::string>& Args, const THelperRunner& Start) {
  ::unlinkat(DirFd, HelperFileName, 0);
  const int W = ::openat(DirFd, HelperFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
  if (W < 0) return Why("cannot create " + Path, errno);
  struct stat Written {};
  bool Ok = WriteAll(W, Bytes) && ::fstat(W, &Written) == 0;
  int E = errno;
  if (::close(W) != 0 && Ok) {
    Ok = false;
    E = errno;
  }
  if (!Ok) {
    ::unlinkat(DirFd, HelperFileName, 0);
    return Why("cannot write " + Path, E);
  }
  // The file run is the one just written: opened again without following links and
  // compared with it, then executed through that descriptor.
  const int R = ::openat(DirFd, HelperFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat Opened {};
  if (R < 0 || ::fstat(R, &Opened) != 0 || Opened.st_ino != Written.st_ino || Opened.st_dev != Written.st_dev) {
    if (R >= 0) ::close(R);
    return "cannot start " + Path + ": it was replaced";
  }
  std::vector<std::string> Argv{Path};
  Argv.insert(Argv.end(), Args.begin(), Args.end());
  std::string Error;
  if (Start) {
    if (!Start(Path, Args)) Error = "cannot start " + Path;
  } else if (const int X = RunDescriptor(R, Argv); X != 0) {
    Error = Why("cannot start " + Path, X);
  }
  ::close(R);
  if (!Error.empty()) ::unlinkat(DirFd, HelperFileName, 0);
  return Error;
}

}  // namespace

std::vector<std::string> HelperPlaces(const std::string& ProgramDir) {
  const std::string Uid = std::to_string(::getuid());
  std::vector<std::string> Places{os::GetTempDirectory() + "renewix-" + Uid};
  const char* Runtime = std::getenv("XDG_RUNTIME_DIR");
  if (Runtime && Runtime[0] == '/') Places.push_back(std::string(Runtime) + "/renewix");
  if (!ProgramDir.empty()) Places.push_back(ProgramDir + ".renewix-" + Uid);
  return Places;
}

int OpenPrivateDirectory(const std::string& Dir, std::string& Error) {
  std::string Parent, Name;
  SplitPath(Dir, Parent, Name);
  const int P = ::open(Parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (P < 0) {
    Error = Why("cannot open " + Parent, errno);
    return -1;
  }
  if (::mkdirat(P, Name.c_str(), 0700) != 0 && errno != EEXIST) {
    Error = Why("cannot create " + Dir, errno);
    ::close(P);
    return -1;
  }
  const int D = ::openat(P, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  const int E = errno;
  ::close(P);
  if (D < 0) {
    Error = Why("cannot open " + Dir, E);
    return -1;
  }
  struct stat St {};
  if (::fstat(D, &St) != 0 || St.st_uid != ::getuid() || (St.st_mode & 077) != 0) {
    Error = Dir + " is not private to this user";
    ::close(D);
    return -1;
  }
  return D;
}

THelperStart StartHelper(const std::string& ProgramDir, const std::vector<std::string>& Args,
                         const THelperRunner& Start) {
  THelperStart Result;
  std::string Bytes;
  if (!os::LoadResource("ZUUPG", "ZUUPG", Bytes) || Bytes.empty()) {
    Result.Error = "the helper program is missing from this program";
    return Result;
  }
  for (const auto& Place : HelperPlaces(ProgramDir)) {
    std::string Error;
    const int D = OpenPrivateDirectory(Place, Error);
    if (D >= 0) {
      const std::string Path = Place + "/" + HelperFileName;
      Error = WriteAndStart(D, Path, Bytes, Args, Start);
      ::close(D);
      if (Error.empty()) {
        Result.Started = true;
        Result.Path = Path;
        return Result;
      }
    }
    Result.Error += (Result.Error.empty() ? "" : "; ") + Error;
  }
  return Result;
}

void RemoveOldHelpers(const std::string& ProgramDir) {
  for (const auto& Place : HelperPlaces(ProgramDir)) {
    // Only in a place that is ours; never created just to look.
    struct stat St {};
    if (::lstat(Place.c_str(), &St) != 0) continue;
    std::string Error;
    const int D = OpenPrivateDirectory(Place, Error);
    if (D < 0) continue;
    ::unlinkat(D, HelperFileName, 0);
    ::close(D);
  }
}

int CreateOutputFile(const std::string& Path, bool& LinkRemoved, std::string& Error) {
  LinkRemoved = false;
  std::string Parent, Name;
  SplitPath(Path, Parent, Name);
  const int D = ::open(Parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (D < 0) {
    Error = Why("cannot open " + Parent, errno);
    return -1;
  }
  struct stat St {};
  if (::fstatat(D, Name.c_str(), &St, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(St.st_mode)) {
      LinkRemoved = ::unlinkat(D, Name.c_str(), 0) == 0;
    } else if (S_ISREG(St.st_mode)) {
      ::unlinkat(D, Name.c_str(), 0);  // an earlier download of the same name
    }
  }
  const int Fd = ::openat(D, Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (Fd < 0) Error = Why("cannot create " + Path, errno);
  ::close(D);
  return Fd;
}

namespace {
bool OurRegularFile(const struct stat& St, const helper::TManifestFile& F) {
  return S_ISREG(St.st_mode) && St.st_nlink == 1 && St.st_uid == ::geteuid() && F.Inode != 0 &&
         St.st_ino == F.Inode && St.st_size > 0;
}
}  // namespace

std::vector<helper::TManifestFile> ResumableFiles(const std::string& ProgramDir,
                                                  const std::vector<std::string>& URLs) {
  std::vector<helper::TManifestFile> Result;
  const int D = helper::OpenDirectory(ProgramDir);
  if (D < 0) return Result;
  helper::TManifest M;
  if (helper::ReadManifest(D, M))
    for (const auto& F : M.Files) {
      struct stat St {};
      if (F.Complete || F.Size <= 0 || std::find(URLs.begin(), URLs.end(), F.URL) == URLs.end()) continue;
      if (::fstatat(D, (F.Name + helper::UpdateSuffix).c_str(), &St, AT_SYMLINK_NOFOLLOW) == 0 &&
          OurRegularFile(St, F) && St.st_size < F.Size)
        Result.push_back(F);
    }
  ::close(D);
  return Result;
}

int OpenResumable(const std::string& Path, const helper::TManifestFile& F, std::int64_t& Size) {
  const int Fd = ::open(Path.c_str(), O_RDWR | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  struct stat St {};
  if (Fd < 0 || ::fstat(Fd, &St) != 0 || !OurRegularFile(St, F)) {
    if (Fd >= 0) ::close(Fd);
    return -1;
  }
  Size = St.st_size;
  return Fd;
}

bool SameEntity(const helper::TManifestFile& F, std::int64_t TotalSize, const std::string& ETag,
                const std::string& LastModified) {
  if (F.Size <= 0 || TotalSize != F.Size) return false;
  if (!F.ETag.empty() || !ETag.empty()) return F.ETag == ETag;
  return !F.LastModified.empty() && F.LastModified == LastModified;
}

}  // namespace zu::rxinstall
