#include "helper/HelperCommandLine.h"

#include <algorithm>

namespace zu::helper {

namespace {

bool IsBlank(char C) {
  const auto U = static_cast<unsigned char>(C);
  return U >= 1 && U <= 32;
}

char Lower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool EndsWith(std::string_view S, std::string_view Tail) {
  return S.size() >= Tail.size() && S.substr(S.size() - Tail.size()) == Tail;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view Line) {
  std::vector<std::string> Result;
  std::size_t I = 0;
  const std::size_t N = Line.size();
  for (;;) {
    while (I < N && IsBlank(Line[I])) ++I;
    if (I >= N || Line[I] == '\0') break;
    std::string Arg;
    bool Quoted = false;
    for (; I < N && Line[I] != '\0'; ++I) {
      const char C = Line[I];
      if (C == '"') {
        Quoted = !Quoted;
        continue;
      }
      if (!Quoted && IsBlank(C)) break;
      Arg += C;
    }
    Result.push_back(std::move(Arg));
  }
  return Result;
}

TCommandLine ParseArguments(const std::vector<std::string>& Args) {
  TCommandLine Cmd;
  if (Args.empty()) return Cmd;
  // The argument vector the component passes: the program path whole, whatever it holds.
  if (Args.size() == 2 && !Args[1].empty() && Args[1][0] == '+') {
    Cmd.ProgramPath = Args[0];
    std::string Params = Args[1].substr(1);
    if (!Params.empty()) {
      Cmd.SetupMode = Params.back() == '1';
      Params.pop_back();
    }
    Cmd.RestartParams = std::move(Params);
    return Cmd;
  }
  std::string Joined;
  for (const auto& A : Args) {
    Joined += A;
    Joined += ' ';
  }
  // An empty last argument carries no mode digit: replace mode, nothing to cut.
  const bool HasMode = !Args.back().empty();
  Cmd.SetupMode = HasMode && Args.back().back() == '1';

  const std::size_t Plus = Joined.find('+');
  if (Plus == std::string::npos) {
    Cmd.ProgramPath = Joined.substr(0, Joined.size() - 1);
    return Cmd;
  }
  std::string After = Joined.substr(Plus + 1);
  After.pop_back();  // the final blank
  // When the "+" itself ends the last argument it was read as the mode digit: nothing left.
  if (HasMode && !After.empty()) After.pop_back();
  Cmd.RestartParams = std::move(After);

  std::string Before = Joined.substr(0, Plus);
  if (!Before.empty() && Before.back() == ' ') Before.pop_back();
  Cmd.ProgramPath = std::move(Before);
  return Cmd;
}

std::size_t HelperNameCount(const std::vector<std::string>& Argv,
                            const std::function<bool(const std::string&)>& IsHelper) {
  if (Argv.empty()) return 0;
  if (IsHelper(Argv[0])) return 1;
  std::string Name = Argv[0];
  for (std::size_t K = 1; K < Argv.size(); ++K) {
    Name += ' ';
    Name += Argv[K];
    if (IsHelper(Name)) return K + 1;
  }
  return 1;
}

std::string ProgramDirectory(std::string_view Path) {
  const std::size_t Slash = Path.rfind('/');
  return Slash == std::string_view::npos ? std::string() : std::string(Path.substr(0, Slash + 1));
}

std::string BaseName(std::string_view Path) {
  const std::size_t Slash = Path.rfind('/');
  return std::string(Slash == std::string_view::npos ? Path : Path.substr(Slash + 1));
}

bool IsUpdateName(std::string_view Name) {
  if (Name.size() <= UpdateSuffixLength) return false;
  const std::string_view Tail = Name.substr(Name.size() - UpdateSuffixLength);
  for (std::size_t I = 0; I < UpdateSuffixLength; ++I)
    if (Lower(Tail[I]) != Lower(UpdateSuffix[I])) return false;
  return true;
}

TPlan PlanUpgrade(const TCommandLine& Cmd, std::string_view ProgramName,
                  bool ProgramUpdatePresent, std::vector<std::string> Listed) {
  TPlan Plan;
  Plan.RunPath = Cmd.ProgramPath;
  const std::string Dir = ProgramDirectory(Cmd.ProgramPath);
  const std::string ProgramTarget = Dir + std::string(ProgramName);

  std::erase_if(Listed, [](const std::string& N) { return !IsUpdateName(N); });
  std::sort(Listed.begin(), Listed.end());

  bool Present = ProgramUpdatePresent;
  for (const auto& Name : Listed) {
    std::string Final = Name.substr(0, Name.size() - UpdateSuffixLength);
    bool IsSetup = false;
    // The case-sensitive "exe": a Setup.EXE is an ordinary file of the update. Another
    // "exe" takes the program's place only when the program is one too: a Linux program
    // without that ending is replaced by its own ".uTMP" alone.
    if (!Present && EndsWith(Final, "exe") && (Cmd.SetupMode || EndsWith(ProgramName, "exe"))) {
      if (Cmd.SetupMode && Dir + Final != ProgramTarget) {
        Plan.SavedProgramPath = Cmd.ProgramPath;
        Plan.RunPath = Dir + Final;
        Plan.SetupProgram = true;
        IsSetup = true;
      } else {
        Final = std::string(ProgramName);
      }
      Present = true;
    }
    if (Final.empty()) continue;  // would name the directory itself
    TMove Move;
    Move.Source = Dir + Name;
    Move.Target = Dir + Final;
    Move.Executable = IsSetup || Move.Target == ProgramTarget;
    Move.Attributes = IsSetup ? (AttrHidden | AttrArchive) : AttrArchive;
    Plan.Moves.push_back(std::move(Move));
  }
  return Plan;
}

}  // namespace zu::helper
