// The helper's command line comes from whoever started it: any text parses without a crash,
// everything it yields is cut from that text, and the plan never invents a file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "helper/HelperCommandLine.h"

using namespace zu::helper;

namespace {

void Check(bool Ok) {
  if (!Ok) std::abort();
}

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 32; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Line(reinterpret_cast<const char*>(Data), Size);
  const std::vector<std::string> Args = SplitCommandLine(Line);
  const std::string Text = Line.substr(0, Line.find('\0'));
  const bool Quotes = Text.find('"') != std::string::npos;
  for (const auto& A : Args) {
    Check(A.find('"') == std::string::npos && A.find('\0') == std::string::npos);
    if (!Quotes) {
      Check(!A.empty() && Text.find(A) != std::string::npos);
      for (const char C : A) Check(!IsBlank(C));
    }
  }

  std::string Joined;
  for (const auto& A : Args) Joined += A + ' ';
  const TCommandLine Cmd = ParseArguments(Args);
  if (Args.empty()) {
    Check(Cmd.ProgramPath.empty() && Cmd.RestartParams.empty() && !Cmd.SetupMode);
  } else {
    Check(Joined.compare(0, Cmd.ProgramPath.size(), Cmd.ProgramPath) == 0);
    Check(Joined.find(Cmd.RestartParams) != std::string::npos);
    Check(Cmd.ProgramPath.size() + Cmd.RestartParams.size() < Joined.size());
    Check(Cmd.SetupMode == (!Args.back().empty() && Args.back().back() == '1'));
  }

  const std::size_t Name = HelperNameCount(Args, [&](const std::string& P) { return P == Cmd.ProgramPath; });
  Check(Args.empty() ? Name == 0 : (Name >= 1 && Name <= Args.size()));

  // The arguments double as a directory listing.
  const std::string Dir = ProgramDirectory(Cmd.ProgramPath);
  const TPlan Plan = PlanUpgrade(Cmd, BaseName(Cmd.ProgramPath), Size % 2 == 1, Args);
  int Setups = 0;
  for (const auto& M : Plan.Moves) {
    Check(M.Source.compare(0, Dir.size(), Dir) == 0 && IsUpdateName(M.Source.substr(Dir.size())));
    Check(M.Target.size() > Dir.size() && M.Target.compare(0, Dir.size(), Dir) == 0);
    if (M.Attributes != AttrArchive) ++Setups;
  }
  Check(Setups == (Plan.SetupProgram ? 1 : 0));
  Check(Plan.SetupProgram ? (Cmd.SetupMode && Plan.SavedProgramPath == Cmd.ProgramPath)
                          : Plan.RunPath == Cmd.ProgramPath);
  return 0;
}
