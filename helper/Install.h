// The install as a transaction, shared by the helper and the update component: the manifest
// of a download run, the journal of an install, recovery of an install that was cut off, and
// the lock that lets one installer at a time work on a program directory. POSIX only, no
// project libraries (the helper is static and stands alone).
//
// Every file lives in the program's directory and every step is one call relative to its
// descriptor, so a step is one rename on one file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "helper/HelperCommandLine.h"

namespace zu::helper {

// What a download run fetched; written by the component, read by the helper.
inline constexpr char ManifestName[] = ".renewix-manifest";
// What an install is doing; written by the helper before its first rename.
inline constexpr char JournalName[] = ".renewix-journal";
// A replaced file is kept under its name + this suffix until the install is done.
inline constexpr char BackupSuffix[] = ".uOLD";
// How the program started again learns the install's outcome ("installed" or
// "failed <reason>").
inline constexpr char ResultVariable[] = "RENEWIX_UPDATE_RESULT";

struct TManifestFile {
  std::string Name;  // final name, without ".uTMP"
  std::string URL, ETag, LastModified;
  std::int64_t Size = -1;  // announced, then stored; -1 unknown
  std::uint64_t Inode = 0;  // of the ".uTMP" file the component created
  bool Complete = false;
  std::string Sha256 = {};  // of the stored file, lower-case hex; empty unknown
};

struct TManifest {
  bool Complete = false;  // the run completed: an install request
  std::vector<TManifestFile> Files;
};

std::string FormatManifest(const TManifest& M);
bool ParseManifest(std::string_view Text, TManifest& M);

struct TJournalMove {
  std::string Source, Target, Backup;  // names in the program directory
  bool HadOld = false;                 // the target existed and is kept as Backup
  bool Executable = false;
  std::uint32_t Attributes = AttrArchive;
};

struct TJournal {
  bool Done = false;
  std::vector<TJournalMove> Moves;
};

std::string FormatJournal(const TJournal& J);
bool ParseJournal(std::string_view Text, TJournal& J);

// The directory as a descriptor for the calls below; -1 on failure.
int OpenDirectory(const std::string& Dir);
// Exclusive lock on the directory (flock), tried for up to WaitMs while somebody else holds
// it. NoLocks: the file system keeps none, so nobody else can hold one either.
enum class TLock { Held, Busy, NoLocks };
TLock LockDirectory(int DirFd, int WaitMs);
void UnlockDirectory(int DirFd);

// Whole small files relative to DirFd. Written atomically: a fresh temporary file, fsync,
// rename over Name, fsync of the directory.
bool ReadSmallFile(int DirFd, const char* Name, std::string& Text);
bool WriteFileAtomically(int DirFd, const char* Name, const std::string& Text, std::string* Error = nullptr);

bool ReadManifest(int DirFd, TManifest& M);
bool WriteManifest(int DirFd, const TManifest& M, std::string* Error = nullptr);

// The names ("<final>.uTMP") of the complete manifest's files whose ".uTMP" file is still the
// regular file the component wrote (its inode and size). Nothing when the run is not complete.
// Unverified, when given, receives the name of the first listed file that is not.
std::vector<std::string> VerifiedUpdates(int DirFd, const TManifest& M, std::string* Unverified = nullptr);

enum class TRecovery { None, Finished, RolledBack };
// Finishes or undoes an install that was cut off; the caller holds the lock. All moves made:
// the set is finished; otherwise every move is undone and the downloaded set removed.
TRecovery Recover(int DirFd);

struct TInstallOutcome {
  bool Ok = true;
  std::string Error;  // what failed, when not Ok
};

// Installs Moves (full paths in one directory) under a journal; the caller holds the lock.
// On a failed step every move made is undone and the downloaded set removed. KillAfter >= 0
// (tests) ends the process with SIGKILL once that many renames are made.
TInstallOutcome InstallMoves(int DirFd, const std::vector<TMove>& Moves, int KillAfter = -1);

}  // namespace zu::helper
