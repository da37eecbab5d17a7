// zuRenewixInstall: the component's side of an install on Linux. Where the helper is written
// and how it is started (honestly: a helper that cannot run is reported, never taken as
// started), and how a download's ".uTMP" file is created without following links.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "helper/Install.h"

namespace zu::rxinstall {

inline constexpr const char* HelperFileName = "Reveziri3.exe";

// The private directories the helper may be written to, in the order tried: a folder of the
// user's in the temporary directory, one in $XDG_RUNTIME_DIR, one beside the program.
std::vector<std::string> HelperPlaces(const std::string& ProgramDir);

// Opens Dir as the user's private directory, creating it (0700) when missing: owned by the
// user, no access for others, no link. -1 otherwise, with Error saying why.
int OpenPrivateDirectory(const std::string& Dir, std::string& Error);

// Starts the helper with Args (after its own path) in a session of its own. Tries every place
// in turn: creates it afresh, writes the helper's bytes through the descriptor it created and
// runs that very file (fexecve). Start, when set, runs the written file instead (tests).
struct THelperStart {
  bool Started = false;
  std::string Path;   // where it runs
  std::string Error;  // why each place tried would not do, "; " between them
};
using THelperRunner = std::function<bool(const std::string& Helper, const std::vector<std::string>& Args)>;
THelperStart StartHelper(const std::string& ProgramDir, const std::vector<std::string>& Args,
                         const THelperRunner& Start);

// Removes the helper an earlier self-upgrade left in any of the places.
void RemoveOldHelpers(const std::string& ProgramDir);

// Creates the file at Path for reading and writing, never through a link: a link of that
// name is removed first (LinkRemoved), an earlier file of ours replaced. -1 on failure.
int CreateOutputFile(const std::string& Path, bool& LinkRemoved, std::string& Error);

// The files of the last run's manifest in ProgramDir that a new run may continue: not complete,
// fetched again from the same address (one of URLs), still the file the component created
// (regular, one link, the recorded inode, owned by this user) and not empty.
std::vector<helper::TManifestFile> ResumableFiles(const std::string& ProgramDir, const std::vector<std::string>& URLs);
// Opens such a file again for writing, never through a link, and checks it once more; -1 when
// it is no longer the recorded one. Size receives its length.
int OpenResumable(const std::string& Path, const helper::TManifestFile& F, std::int64_t& Size);
// Whether the server still describes the entity the partial file holds: the same total size and
// the same ETag, or without ETags the same Last-Modified.
bool SameEntity(const helper::TManifestFile& F, std::int64_t TotalSize, const std::string& ETag,
                const std::string& LastModified);

}  // namespace zu::rxinstall
