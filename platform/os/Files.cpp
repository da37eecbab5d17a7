#include "platform/os/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace zu::os {

namespace {

constexpr std::uint32_t XattrBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                                    FILE_ATTRIBUTE_OFFLINE;

mode_t CurrentUmask() {
  // umask can only be read by setting it; done once, before threads write files.
  static const mode_t Mask = [] {
    const mode_t M = ::umask(022);
    ::umask(M);
    return M;
  }();
  return Mask;
}

bool Unsupported(int Err) { return Err == ENOTSUP || Err == EOPNOTSUPP; }

}  // namespace

bool SetFileAttributes(const std::string& FileName, std::uint32_t Attributes) {
  struct stat St{};
  if (::stat(FileName.c_str(), &St) != 0) return false;

  mode_t Mode = St.st_mode & 07777;
  if (Attributes & FILE_ATTRIBUTE_READONLY)
    Mode &= ~static_cast<mode_t>(0222);
  else if ((Mode & 0222) == 0) {
    // Clearing read-only gives back the write bits a new file would get (at least the owner's).
    const mode_t Write = 0222 & ~CurrentUmask();
    Mode |= Write != 0 ? Write : S_IWUSR;
  }
  if (Mode != (St.st_mode & 07777) && ::chmod(FileName.c_str(), Mode) != 0) return false;

  const std::uint32_t Extra = Attributes & XattrBits;
  if (Extra == 0) {
    if (::removexattr(FileName.c_str(), DosAttribXattr) != 0 && errno != ENODATA &&
        !Unsupported(errno))
      return false;
    return true;
  }
  char Text[16];
  const int Len = std::snprintf(Text, sizeof Text, "0x%x", Extra);
  if (::setxattr(FileName.c_str(), DosAttribXattr, Text, static_cast<size_t>(Len), 0) != 0)
    return Unsupported(errno);
  return true;
}

bool GetFileAttributes(const std::string& FileName, std::uint32_t& Attributes) {
  Attributes = 0;
  struct stat St{};
  if (::stat(FileName.c_str(), &St) != 0) return false;
  std::uint32_t Result = 0;
  if ((St.st_mode & 0222) == 0) Result |= FILE_ATTRIBUTE_READONLY;
  if (S_ISDIR(St.st_mode)) Result |= FILE_ATTRIBUTE_DIRECTORY;
  char Text[64];
  const ssize_t Len = ::getxattr(FileName.c_str(), DosAttribXattr, Text, sizeof Text - 1);
  if (Len > 0) {
    Text[Len] = '\0';
    char* End = nullptr;
    const unsigned long V = std::strtoul(Text, &End, 16);
    if (End != Text) Result |= static_cast<std::uint32_t>(V) & XattrBits;
  }
  Attributes = Result;
  return true;
}

std::int64_t FileSize(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_PATH | O_CLOEXEC);
  if (Fd < 0) return -1;
  struct stat St{};
  const bool Ok = ::fstat(Fd, &St) == 0 && S_ISREG(St.st_mode);
  ::close(Fd);
  return Ok ? static_cast<std::int64_t>(St.st_size) : -1;
}

bool GetFileTimes(const std::string& FileName, TFileTimes& Times) {
  struct stat St{};
  if (::stat(FileName.c_str(), &St) != 0) return false;
  Times.Accessed = static_cast<double>(St.st_atim.tv_sec) + St.st_atim.tv_nsec / 1e9;
  Times.Modified = static_cast<double>(St.st_mtim.tv_sec) + St.st_mtim.tv_nsec / 1e9;
  return true;
}

bool SetFileTimes(const std::string& FileName, double AccessedUtc, double ModifiedUtc) {
  // Opened for writing first, as the design does: a file we may not write keeps its times.
  const int Fd = ::open(FileName.c_str(), O_WRONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  timespec Ts[2];
  auto Fill = [](timespec& T, double V) {
    if (V < 0) {
      T.tv_sec = 0;
      T.tv_nsec = UTIME_OMIT;
    } else {
      T.tv_sec = static_cast<time_t>(V);
      T.tv_nsec = static_cast<long>((V - static_cast<double>(T.tv_sec)) * 1e9);
    }
  };
  Fill(Ts[0], AccessedUtc);
  Fill(Ts[1], ModifiedUtc);
  const bool Ok = ::futimens(Fd, Ts) == 0;
  ::close(Fd);
  return Ok;
}

bool FileExists(const std::string& FileName) {
  struct stat St{};
  return ::stat(FileName.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

bool DeleteFile(const std::string& FileName) { return ::unlink(FileName.c_str()) == 0; }

std::string ExtractFilePath(const std::string& FileName) {
  const auto P = FileName.find_last_of('/');
  return P == std::string::npos ? std::string() : FileName.substr(0, P + 1);
}

std::string ExtractFileName(const std::string& FileName) {
  const auto P = FileName.find_last_of('/');
  return P == std::string::npos ? FileName : FileName.substr(P + 1);
}

std::string ExtractFileExt(const std::string& FileName) {
  const auto P = FileName.find_last_of("./");
  if (P == std::string::npos || FileName[P] != '.') return std::string();
  return FileName.substr(P);
}

}  // namespace zu::os
