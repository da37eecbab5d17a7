#include "helper/Install.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <openssl/evp.h>

namespace zu::helper {

namespace {

constexpr const char* DosAttribXattr = "user.DOSATTRIB";

// Fields are separated by blanks: blanks, control bytes, '%' and '~' are written as %XX,
// and an empty field as "~".
std::string Encode(std::string_view S) {
  if (S.empty()) return "~";
  std::string R;
  for (const char C : S) {
    const auto U = static_cast<unsigned char>(C);
    if (U <= 0x20 || U == 0x7f || C == '%' || C == '~') {
      char Buf[4];
      std::snprintf(Buf, sizeof Buf, "%%%02X", U);
      R += Buf;
    } else {
      R += C;
    }
  }
  return R;
}

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

bool Decode(std::string_view S, std::string& Out) {
  Out.clear();
  if (S == "~") return true;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (S[I] != '%') {
      Out += S[I];
      continue;
    }
    if (I + 2 >= S.size()) return false;
    const int H = HexValue(S[I + 1]), L = HexValue(S[I + 2]);
    if (H < 0 || L < 0) return false;
    Out += static_cast<char>(H * 16 + L);
    I += 2;
  }
  return true;
}

std::vector<std::string_view> Split(std::string_view Line) {
  std::vector<std::string_view> Fields;
  std::size_t I = 0;
  while (I < Line.size()) {
    while (I < Line.size() && Line[I] == ' ') ++I;
    const std::size_t Start = I;
    while (I < Line.size() && Line[I] != ' ') ++I;
    if (I > Start) Fields.push_back(Line.substr(Start, I - Start));
  }
  return Fields;
}

std::vector<std::string_view> Lines(std::string_view Text) {
  std::vector<std::string_view> R;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find('\n', Start);
    if (End == std::string_view::npos) End = Text.size();
    R.push_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  return R;
}

bool ToNumber(std::string_view S, long long& Out) {
  const std::string Copy(S);
  char* End = nullptr;
  errno = 0;
  Out = std::strtoll(Copy.c_str(), &End, 10);
  return !Copy.empty() && End && *End == '\0' && errno == 0;
}

bool ValidSha256(const std::string& S) {
  if (S.empty()) return true;
  if (S.size() != 64) return false;
  for (const char C : S)
    if (!((C >= '0' && C <= '9') || (C >= 'a' && C <= 'f'))) return false;
  return true;
}

// A plain name inside the directory: no separator, not "." or "..".
bool PlainName(const std::string& Name) {
  return !Name.empty() && Name != "." && Name != ".." && Name.find('/') == std::string::npos;
}

bool Exists(int DirFd, const std::string& Name, struct stat* St = nullptr) {
  struct stat Tmp {};
  return ::fstatat(DirFd, Name.c_str(), St ? St : &Tmp, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string Failure(const std::string& What, const std::string& Name, int Errno) {
  return What + " " + Name + ": " + std::strerror(Errno);
}

void SyncDirectory(int DirFd) { ::fsync(DirFd); }

// The replacement takes the old file's permission bits (no set-id bits onto new content), is
// never read-only afterwards, and the program is executable wherever it is readable.
void PrepareMode(int DirFd, const TJournalMove& M, const struct stat* Old) {
  const int Fd = ::openat(DirFd, M.Source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd < 0) return;
  struct stat Src {};
  if (::fstat(Fd, &Src) == 0 && S_ISREG(Src.st_mode)) {
    mode_t Mode = (Old && S_ISREG(Old->st_mode)) ? (Old->st_mode & 0777) : (Src.st_mode & 0777);
    Mode |= S_IWUSR;
    if (M.Executable) Mode |= (Mode & 0444) >> 2;
    if (Mode != (Src.st_mode & 07777)) ::fchmod(Fd, Mode);
  }
  ::close(Fd);
}

// The Windows attributes the moved file carries; a file system without user attributes keeps
// only the mode, which is no error.
void SetAttributes(int DirFd, const TJournalMove& M) {
  const int Fd = ::openat(DirFd, M.Target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd < 0) return;
  char Text[16];
  const int Len = std::snprintf(Text, sizeof Text, "0x%x", static_cast<unsigned>(M.Attributes));
  ::fsetxattr(Fd, DosAttribXattr, Text, static_cast<std::size_t>(Len), 0);
  ::close(Fd);
}

// The new set is in place: the backups, the journal and the request go.
void Finish(int DirFd, const TJournal& J) {
  for (const auto& M : J.Moves)
    if (M.HadOld) ::unlinkat(DirFd, M.Backup.c_str(), 0);
  ::unlinkat(DirFd, JournalName, 0);
  ::unlinkat(DirFd, ManifestName, 0);
  SyncDirectory(DirFd);
}

// Back to the old set, whatever step the install had reached; every step can be repeated,
// so a rollback that is itself cut off is completed by the next one. The downloaded files
// are removed: the next check fetches the update again.
void Rollback(int DirFd, const TJournal& J) {
  for (auto It = J.Moves.rbegin(); It != J.Moves.rend(); ++It) {
    const TJournalMove& M = *It;
    if (M.HadOld) {
      if (Exists(DirFd, M.Backup)) {
        ::renameat(DirFd, M.Backup.c_str(), DirFd, M.Target.c_str());
        // Not yet replaced, the target and its backup are one file and rename left both.
        ::unlinkat(DirFd, M.Backup.c_str(), 0);
      }
    } else if (!Exists(DirFd, M.Source) && Exists(DirFd, M.Target)) {
      ::unlinkat(DirFd, M.Target.c_str(), 0);
    }
  }
  SyncDirectory(DirFd);
  for (const auto& M : J.Moves) ::unlinkat(DirFd, M.Source.c_str(), 0);
  ::unlinkat(DirFd, JournalName, 0);
  ::unlinkat(DirFd, ManifestName, 0);
  SyncDirectory(DirFd);
}

// The SHA-256 of an open file, read from its start; empty when it cannot be read.
std::string Sha256Of(int Fd) {
  EVP_MD_CTX* Ctx = EVP_MD_CTX_new();
  if (!Ctx || EVP_DigestInit_ex(Ctx, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(Ctx);
    return std::string();
  }
  bool Ok = ::lseek(Fd, 0, SEEK_SET) == 0;
  char Buf[1 << 16];
  while (Ok) {
    const ssize_t N = ::read(Fd, Buf, sizeof Buf);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) Ok = false;
    if (N <= 0) break;
    Ok = EVP_DigestUpdate(Ctx, Buf, static_cast<std::size_t>(N)) == 1;
  }
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned Len = 0;
  Ok = Ok && EVP_DigestFinal_ex(Ctx, Digest, &Len) == 1;
  EVP_MD_CTX_free(Ctx);
  if (!Ok) return std::string();
  std::string Hex;
  for (unsigned I = 0; I < Len; ++I) {
    char Two[3];
    std::snprintf(Two, sizeof Two, "%02x", Digest[I]);
    Hex += Two;
  }
  return Hex;
}

// The file about to be moved is still what was downloaded: its size and SHA-256 as the
// manifest has them. Inode receives the file checked, so that the rename can be seen to move
// that very file.
bool StillDownloaded(int DirFd, const std::string& Source, const TMove& Expected, ino_t& Inode) {
  const int Fd = ::openat(DirFd, Source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd < 0) return false;
  struct stat St {};
  bool Ok = ::fstat(Fd, &St) == 0 && S_ISREG(St.st_mode);
  if (Ok && Expected.Size >= 0) Ok = St.st_size == Expected.Size;
  if (Ok && !Expected.Sha256.empty()) Ok = Sha256Of(Fd) == Expected.Sha256;
  Inode = St.st_ino;
  ::close(Fd);
  return Ok;
}

void KillIfDue(int KillAfter, int Done) {
  if (KillAfter >= 0 && Done == KillAfter) ::raise(SIGKILL);
}

}  // namespace

std::string FormatManifest(const TManifest& M) {
  std::string S = "renewix-manifest 1\n";
  S += M.Complete ? "run complete\n" : "run downloading\n";
  for (const auto& F : M.Files) {
    S += "file ";
    S += F.Complete ? "complete " : "partial ";
    S += std::to_string(F.Size) + " " + std::to_string(F.Inode) + " " + Encode(F.Name) + " " + Encode(F.URL) +
         " " + Encode(F.ETag) + " " + Encode(F.LastModified) + " " + Encode(F.Sha256) + "\n";
  }
  return S + "end\n";
}

bool ParseManifest(std::string_view Text, TManifest& M) {
  M = TManifest{};
  const auto L = Lines(Text);
  if (L.size() < 3 || L.front() != "renewix-manifest 1" || L.back() != "end") return false;
  if (L[1] == "run complete")
    M.Complete = true;
  else if (L[1] != "run downloading")
    return false;
  for (std::size_t I = 2; I + 1 < L.size(); ++I) {
    const auto F = Split(L[I]);
    // Eight fields before files carried their SHA-256.
    if ((F.size() != 8 && F.size() != 9) || F[0] != "file" || (F[1] != "complete" && F[1] != "partial"))
      return false;
    TManifestFile File;
    File.Complete = F[1] == "complete";
    long long Size = 0, Inode = 0;
    if (!ToNumber(F[2], Size) || !ToNumber(F[3], Inode) || Size < -1 || Inode < 0) return false;
    File.Size = Size;
    File.Inode = static_cast<std::uint64_t>(Inode);
    if (!Decode(F[4], File.Name) || !Decode(F[5], File.URL) || !Decode(F[6], File.ETag) ||
        !Decode(F[7], File.LastModified) || !PlainName(File.Name) ||
        (F.size() == 9 && (!Decode(F[8], File.Sha256) || !ValidSha256(File.Sha256))))
      return false;
    M.Files.push_back(std::move(File));
  }
  return true;
}

std::string FormatJournal(const TJournal& J) {
  std::string S = "renewix-journal 1\n";
  S += J.Done ? "state done\n" : "state moving\n";
  for (const auto& M : J.Moves) {
    char Attr[16];
    std::snprintf(Attr, sizeof Attr, "%u", static_cast<unsigned>(M.Attributes));
    S += std::string("move ") + (M.HadOld ? "1 " : "0 ") + (M.Executable ? "1 " : "0 ") + Attr + " " +
         Encode(M.Source) + " " + Encode(M.Target) + " " + Encode(M.Backup) + "\n";
  }
  return S + "end\n";
}

bool ParseJournal(std::string_view Text, TJournal& J) {
  J = TJournal{};
  const auto L = Lines(Text);
  if (L.size() < 3 || L.front() != "renewix-journal 1" || L.back() != "end") return false;
  if (L[1] == "state done")
    J.Done = true;
  else if (L[1] != "state moving")
    return false;
  for (std::size_t I = 2; I + 1 < L.size(); ++I) {
    const auto F = Split(L[I]);
    if (F.size() != 7 || F[0] != "move") return false;
    TJournalMove M;
    long long Old = 0, Exec = 0, Attr = 0;
    if (!ToNumber(F[1], Old) || !ToNumber(F[2], Exec) || !ToNumber(F[3], Attr)) return false;
    M.HadOld = Old != 0;
    M.Executable = Exec != 0;
    M.Attributes = static_cast<std::uint32_t>(Attr);
    if (!Decode(F[4], M.Source) || !Decode(F[5], M.Target) || !Decode(F[6], M.Backup) || !PlainName(M.Source) ||
        !PlainName(M.Target) || !PlainName(M.Backup))
      return false;
    J.Moves.push_back(std::move(M));
  }
  return true;
}

int OpenDirectory(const std::string& Dir) {
  return ::open(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

TLock LockDirectory(int DirFd, int WaitMs) {
  constexpr int TickMs = 20;
  for (int Waited = 0;; Waited += TickMs) {
    if (::flock(DirFd, LOCK_EX | LOCK_NB) == 0) return TLock::Held;
    if (errno != EWOULDBLOCK && errno != EINTR) return TLock::NoLocks;
    if (Waited >= WaitMs) return TLock::Busy;
    const timespec Tick{0, TickMs * 1000000L};
    ::nanosleep(&Tick, nullptr);
  }
}

void UnlockDirectory(int DirFd) { ::flock(DirFd, LOCK_UN); }

bool ReadSmallFile(int DirFd, const char* Name, std::string& Text) {
  Text.clear();
  const int Fd = ::openat(DirFd, Name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd < 0) return false;
  struct stat St {};
  bool Ok = ::fstat(Fd, &St) == 0 && S_ISREG(St.st_mode) && St.st_size < (16 << 20);
  char Buf[8192];
  while (Ok) {
    const ssize_t N = ::read(Fd, Buf, sizeof Buf);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) Ok = false;
    if (N <= 0) break;
    Text.append(Buf, static_cast<std::size_t>(N));
  }
  ::close(Fd);
  return Ok;
}

bool WriteFileAtomically(int DirFd, const char* Name, const std::string& Text, std::string* Error) {
  const std::string Temp = std::string(Name) + ".new";
  ::unlinkat(DirFd, Temp.c_str(), 0);
  const int Fd =
      ::openat(DirFd, Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
  if (Fd < 0) {
    if (Error) *Error = Failure("cannot write", Name, errno);
    return false;
  }
  std::size_t Done = 0;
  int Err = 0;
  while (Done < Text.size()) {
    const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) {
      Err = N < 0 ? errno : ENOSPC;
      break;
    }
    Done += static_cast<std::size_t>(N);
  }
  if (Err == 0 && ::fsync(Fd) != 0) Err = errno;
  if (::close(Fd) != 0 && Err == 0) Err = errno;
  if (Err == 0 && ::renameat(DirFd, Temp.c_str(), DirFd, Name) != 0) Err = errno;
  if (Err != 0) {
    ::unlinkat(DirFd, Temp.c_str(), 0);
    if (Error) *Error = Failure("cannot write", Name, Err);
    return false;
  }
  SyncDirectory(DirFd);
  return true;
}

bool ReadManifest(int DirFd, TManifest& M) {
  std::string Text;
  return ReadSmallFile(DirFd, ManifestName, Text) && ParseManifest(Text, M);
}

bool WriteManifest(int DirFd, const TManifest& M, std::string* Error) {
  return WriteFileAtomically(DirFd, ManifestName, FormatManifest(M), Error);
}

std::vector<std::string> VerifiedUpdates(int DirFd, const TManifest& M, std::string* Unverified) {
  std::vector<std::string> Names;
  if (!M.Complete) return Names;
  for (const auto& F : M.Files) {
    if (!F.Complete) continue;
    const std::string Name = F.Name + UpdateSuffix;
    struct stat St {};
    if (!Exists(DirFd, Name, &St) || !S_ISREG(St.st_mode) || St.st_nlink != 1 ||
        (F.Inode != 0 && St.st_ino != F.Inode) || (F.Size >= 0 && St.st_size != F.Size)) {
      if (Unverified && Unverified->empty()) *Unverified = Name;
      continue;
    }
    Names.push_back(Name);
  }
  return Names;
}

TRecovery Recover(int DirFd) {
  std::string Text;
  if (!ReadSmallFile(DirFd, JournalName, Text)) return TRecovery::None;
  TJournal J;
  // Written by rename, a journal is whole or absent; anything else was never ours to follow.
  if (!ParseJournal(Text, J)) {
    ::unlinkat(DirFd, JournalName, 0);
    return TRecovery::None;
  }
  bool AllMoved = true;
  for (const auto& M : J.Moves)
    if (Exists(DirFd, M.Source) || !Exists(DirFd, M.Target)) AllMoved = false;
  if (J.Done || AllMoved) {
    Finish(DirFd, J);
    return TRecovery::Finished;
  }
  Rollback(DirFd, J);
  return TRecovery::RolledBack;
}

TInstallOutcome InstallMoves(int DirFd, const std::vector<TMove>& Moves, int KillAfter) {
  TInstallOutcome Out;
  TJournal J;
  std::vector<struct stat> Old(Moves.size());
  for (std::size_t I = 0; I < Moves.size(); ++I) {
    TJournalMove M;
    M.Source = BaseName(Moves[I].Source);
    M.Target = BaseName(Moves[I].Target);
    M.Backup = M.Target + BackupSuffix;
    M.Executable = Moves[I].Executable;
    M.Attributes = Moves[I].Attributes;
    M.HadOld = Exists(DirFd, M.Target, &Old[I]);
    if (M.HadOld && S_ISDIR(Old[I].st_mode)) {
      Out = {false, Failure("cannot replace", M.Target, EISDIR)};
      break;
    }
    J.Moves.push_back(std::move(M));
  }
  if (Out.Ok && !WriteFileAtomically(DirFd, JournalName, FormatJournal(J), &Out.Error)) Out.Ok = false;
  if (!Out.Ok) {
    // Nothing was moved yet; the downloaded set goes as after any failed install.
    J.Moves.clear();
    for (const auto& M : Moves) J.Moves.push_back({BaseName(M.Source), BaseName(M.Target), "", false});
    for (const auto& M : J.Moves) ::unlinkat(DirFd, M.Source.c_str(), 0);
    ::unlinkat(DirFd, JournalName, 0);
    ::unlinkat(DirFd, ManifestName, 0);
    return Out;
  }

  int Done = 0;
  KillIfDue(KillAfter, Done);
  for (std::size_t I = 0; I < J.Moves.size(); ++I) {
    const TJournalMove& M = J.Moves[I];
    ino_t Checked = 0;
    if (!StillDownloaded(DirFd, M.Source, Moves[I], Checked)) {
      Out = {false, M.Source + " is not the file that was downloaded"};
      break;
    }
    PrepareMode(DirFd, M, M.HadOld ? &Old[I] : nullptr);
    if (M.HadOld) {
      ::unlinkat(DirFd, M.Backup.c_str(), 0);
      // A second name for the old file keeps the target in place until the rename below.
      if (::linkat(DirFd, M.Target.c_str(), DirFd, M.Backup.c_str(), 0) != 0 &&
          ::renameat(DirFd, M.Target.c_str(), DirFd, M.Backup.c_str()) != 0) {
        Out = {false, Failure("cannot keep", M.Target, errno)};
        break;
      }
    }
    if (::renameat(DirFd, M.Source.c_str(), DirFd, M.Target.c_str()) != 0) {
      Out = {false, Failure("cannot replace", M.Target, errno)};
      break;
    }
    struct stat Moved {};
    if (!Exists(DirFd, M.Target, &Moved) || Moved.st_ino != Checked) {
      // Swapped for another file between the check and the rename.
      Out = {false, M.Source + " is not the file that was downloaded"};
      break;
    }
    SetAttributes(DirFd, M);
    KillIfDue(KillAfter, ++Done);
  }
  if (!Out.Ok) {
    Rollback(DirFd, J);
    return Out;
  }
  J.Done = true;
  SyncDirectory(DirFd);
  WriteFileAtomically(DirFd, JournalName, FormatJournal(J));
  Finish(DirFd, J);
  return Out;
}

}  // namespace zu::helper
