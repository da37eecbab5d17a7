// renewix-info: shows what the update component reads from an info file, and whether the
// file offers an update to a given local version. For publishers checking a file before
// they put it on the update server.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <unistd.h>

#include "engine/zuRenewixInfoFile.h"

namespace {

const char* Usage =
    "Usage: renewix-info [--version X | --date MM/DD/YYYY] FILE\n"
    "\n"
    "Prints what the update component reads from the info file FILE ('-' reads standard\n"
    "input), one item a line:\n"
    "  version: <#version>\n"
    "  date: <#date>\n"
    "  url: <address>          one line per file, in download order\n"
    "  method: umSelfUpgrade | umUseExternalSetup | umRedirectToURL\n"
    "  newer: yes | no         only with --version or --date\n"
    "  message:                followed by the lines of #message, to the end of the output\n"
    "\n"
    "  --version X           compare the published #version with the local version X\n"
    "  --date MM/DD/YYYY     compare the published #date with the local date\n"
    "  --help                this text\n"
    "\n"
    "'newer: yes' means the file offers an update: its version is newer and it lists at\n"
    "least one file.\n"
    "\n"
    "Exit status: 0 an update is offered; 1 none is offered, or no comparison was asked;\n"
    "2 the file cannot be read or the command line is wrong.\n";

const char* MethodName(zu::TzuUpgradeMethod M) {
  switch (M) {
    case zu::umUseExternalSetup: return "umUseExternalSetup";
    case zu::umRedirectToURL: return "umRedirectToURL";
    default: return "umSelfUpgrade";
  }
}

int Fail(const std::string& Msg) {
  std::fprintf(stderr, "renewix-info: %s\n", Msg.c_str());
  return 2;
}

bool ReadAll(const std::string& Name, std::string& Text, std::string& Error) {
  const bool Stdin = Name == "-";
  const std::string Shown = Stdin ? "standard input" : Name;
  const int Fd = Stdin ? 0 : ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) {
    Error = "cannot open " + Shown + ": " + std::strerror(errno);
    return false;
  }
  char Buf[65536];
  for (;;) {
    const ssize_t N = ::read(Fd, Buf, sizeof Buf);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) {
      Error = "cannot read " + Shown + ": " + std::strerror(errno);
      if (!Stdin) ::close(Fd);
      return false;
    }
    if (N == 0) break;
    Text.append(Buf, static_cast<size_t>(N));
  }
  if (!Stdin) ::close(Fd);
  return true;
}

bool ValidRXDate(const std::string& S) {
  int M, D, Y;
  char Tail;
  zu::TDateTime T;
  return std::sscanf(S.c_str(), "%d/%d/%d%c", &M, &D, &Y, &Tail) == 3 && zu::TryEncodeDate(Y, M, D, T);
}

}  // namespace

int main(int argc, char** argv) {
  std::string File, Version, LocalDate;
  bool HaveFile = false, ByNumber = false, ByDate = false;
  for (int I = 1; I < argc; ++I) {
    const std::string A = argv[I];
    if (A == "--help" || A == "-h") {
      std::fputs(Usage, stdout);
      return 0;
    } else if (A == "--version" || A == "--date") {
      if (I + 1 >= argc) return Fail(A + " needs a value (see --help)");
      (A == "--version" ? Version : LocalDate) = argv[++I];
      (A == "--version" ? ByNumber : ByDate) = true;
    } else if (A.size() > 1 && A[0] == '-' && A != "-") {
      return Fail("unknown option " + A + " (see --help)");
    } else if (HaveFile) {
      return Fail("only one FILE may be given (see --help)");
    } else {
      File = A;
      HaveFile = true;
    }
  }
  if (!HaveFile) return Fail("no FILE given (see --help)");
  if (ByNumber && ByDate) return Fail("give either --version or --date, not both");
  if (ByDate && !ValidRXDate(LocalDate))
    std::fprintf(stderr, "renewix-info: warning: %s is no valid MM/DD/YYYY date; today is used, as the component would\n",
                 LocalDate.c_str());

  std::string Text, Error;
  if (!ReadAll(File, Text, Error)) return Fail(Error);

  const zu::TzuRXInfoFileContent C = zu::ReadInfoFile(Text);
  std::string Out;
  Out += "version: " + C.Version + "\n";
  Out += "date: " + C.Date + "\n";
  for (const auto& U : C.URLs) Out += "url: " + U + "\n";
  Out += std::string("method: ") + MethodName(C.Method) + "\n";
  bool Offered = false;
  if (ByNumber || ByDate) {
    Offered = !C.URLs.empty() &&
              zu::IsNewerVersion(Text, ByNumber ? zu::byNumber : zu::byDate, Version, LocalDate);
    Out += std::string("newer: ") + (Offered ? "yes" : "no") + "\n";
  }
  Out += "message:\n";
  std::istringstream Lines(C.Message);
  for (std::string L; std::getline(Lines, L);) {
    if (!L.empty() && L.back() == '\r') L.pop_back();
    Out += L + "\n";
  }
  std::fwrite(Out.data(), 1, Out.size(), stdout);
  if (std::fflush(stdout) != 0) return Fail("cannot write the output");
  return Offered ? 0 : 1;
}
