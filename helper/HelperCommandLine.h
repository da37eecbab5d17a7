// The self-upgrade helper's pure parts: its command line and the plan of which downloaded
// file goes where. No file system access here, so tests and the fuzzer can drive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zu::helper {

inline constexpr char UpdateSuffix[] = ".uTMP";
inline constexpr std::size_t UpdateSuffixLength = 5;

inline constexpr std::uint32_t AttrHidden = 0x2;
inline constexpr std::uint32_t AttrArchive = 0x20;

// Characters 1 to 32 separate arguments; a double quote starts and ends a run in which they
// do not, and is dropped. A NUL ends the line, as it would end a C string.
std::vector<std::string> SplitCommandLine(std::string_view Line);

struct TCommandLine {
  std::string ProgramPath;
  std::string RestartParams;
  bool SetupMode = false;
};

// Args are the arguments after the helper's own name. The component passes two: the program
// path and "+<params><mode digit>", taken as they are. Any other form is the joined command
// line "<program> +<params><mode digit>" written unquoted: the arguments are joined again,
// each followed by one blank, before the program path and the parameters are cut out.
TCommandLine ParseArguments(const std::vector<std::string>& Args);

// How many leading arguments of Argv make up the helper's own name. The application does not
// quote it, so a temporary directory with blanks splits it; IsHelper says whether a rebuilt
// path names this very program. At least 1 when Argv is not empty.
std::size_t HelperNameCount(const std::vector<std::string>& Argv,
                            const std::function<bool(const std::string&)>& IsHelper);

// Up to and including the last '/'; empty when there is none.
std::string ProgramDirectory(std::string_view Path);
// The text after the last '/'.
std::string BaseName(std::string_view Path);

// Whether Name ends in ".uTMP" (ASCII case-insensitively) with something before it.
bool IsUpdateName(std::string_view Name);

struct TMove {
  std::string Source;
  std::string Target;
  bool Executable = false;          // the program or the setup program
  std::uint32_t Attributes = AttrArchive;
  // What the download stored (the manifest): checked again just before the rename.
  std::int64_t Size = -1;            // -1: not checked
  std::string Sha256;                // lower-case hex; empty: not checked
};

struct TPlan {
  std::vector<TMove> Moves;
  std::string RunPath;               // started first
  std::string SavedProgramPath;      // setup mode with a setup program: started after it
  bool SetupProgram = false;         // a setup program was chosen
};

// ProgramName is the program's file name as listed (or the text after the last '/' when it
// does not exist); Listed are the names in the program directory. Names that are no updates
// are ignored; the rest are taken in byte order so that the result does not depend on the
// file system's listing order.
TPlan PlanUpgrade(const TCommandLine& Cmd, std::string_view ProgramName,
                  bool ProgramUpdatePresent, std::vector<std::string> Listed);

}  // namespace zu::helper
