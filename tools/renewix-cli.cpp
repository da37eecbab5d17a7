// renewix-cli: updates itself from the console with the update component, without windows.
// The component's events are answered on the terminal and reported one line each on
// standard output, so scripts can follow a check.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "platform/framework/Application.h"
#include "tools/Terminal.h"
#include "platform/framework/DateTime.h"
#include "platform/framework/FormData.h"
#include "platform/os/Version.h"
#include "widgets/zuRichTextUtils.h"

#ifndef ZU_CLI_INFO_URL
#error "ZU_CLI_INFO_URL comes from the build (tools/CMakeLists.txt)"
#endif

using namespace zu;
using namespace zu::tools;

namespace {

// Carries a custom restart marker over to the program the helper starts again.
const char* RestartParamsVariable = "RENEWIX_CLI_RESTART_PARAMS";

std::string Usage() {
  return "Usage: renewix-cli [options]\n"
         "Checks whether a newer version of this program is published and installs it.\n"
         "\n"
         "  --info-url URL         info file to check (default " ZU_CLI_INFO_URL ")\n"
         "  --version X            compare the published #version with X (default: this\n"
         "                         program's version, " + os::ProgramFileVersion() + ")\n"
         "  --by-date --date MM/DD/YYYY\n"
         "                         compare the published #date with the given date instead\n"
         "  --check-only           only tell whether an update is offered; download nothing\n"
         "  --yes                  install without asking; a file that cannot be fetched\n"
         "                         still aborts the update\n"
         "  --user U               user name for a protected server\n"
         "  --password P           its password (needs --user); without one, or when the\n"
         "                         server refuses it, the password is asked on the terminal\n"
         "  --public-key KEY       trust updates signed with KEY (base64 Ed25519, as\n"
         "                         renewix-publish keygen prints it); repeatable. With a\n"
         "                         key, an unsigned, altered or expired info file and any\n"
         "                         file that differs from its size and SHA-256 are refused\n"
         "  --restart-params P     what the program is started with after the update\n"
         "                         (default /afterupgrade, or $" + std::string(RestartParamsVariable) + ")\n"
         "  --help                 this text\n"
         "\n"
         "An update is downloaded next to the program as NAME.uTMP; once the program has ended,\n"
         "the helper moves the files into place and starts the program again with the restart\n"
         "parameters as its first argument, and the new program prints 'afterrestart'.\n"
         "\n"
         "Standard output gets one line per event:\n"
         "  begin VERSION          a newer version is published (its #date with --by-date)\n"
         "  filestart URL SIZE     a file's download starts (SIZE as announced, 0 unknown)\n"
         "  resuming NAME at N bytes  a file cut off earlier goes on where it stopped\n"
         "  filedone FILE          a file is stored (FILE is the downloaded NAME.uTMP)\n"
         "  lostfile URL CODE      a file could not be fetched (HTTP status; 1000: not the\n"
         "                         file the info file describes, 1001: not http or https)\n"
         "  refused REASON         the info file or a file failed verification\n"
         "  later                  the update was declined\n"
         "  redirect URL           the update is a web page to open\n"
         "  noupdate | noinfofile | unreachable HOST | connlost | aborted\n"
         "  linkremoved FILE       a link stood where FILE was to be written; it was removed\n"
         "  restart                the helper was started; the program ends\n"
         "  notstarted REASON      the helper could not be started; the files are kept\n"
         "  installfailed REASON   (after a restart) the update was not installed and the\n"
         "                         previous version runs again\n"
         "  afterrestart           this start came from the helper\n"
         "Progress bars and notices go to standard error; Ctrl+C aborts the update.\n"
         "\n"
         "Exit status: 0 update installed, or offered with --check-only; 1 nothing newer;\n"
         "2 bad arguments; 3 host unreachable; 4 no info file; 5 connection lost;\n"
         "7 aborted or declined; 8 the helper could not be started; 9 the update could not\n"
         "be installed; 10 verification failed (nothing installed).\n";
}

enum TExit {
  exDone = 0, exNone = 1, exUsage = 2, exUnreachable = 3, exNoInfoFile = 4, exConnLost = 5, exAborted = 7,
  exNotStarted = 8, exInstallFailed = 9, exRefused = 10
};

struct TOptions {
  std::string InfoURL = ZU_CLI_INFO_URL, Version, Date, User, Password, RestartParams, PublicKeys;
  bool ByDate = false, HaveVersion = false, HaveDate = false, HavePassword = false;
  bool Yes = false, CheckOnly = false;
};

int Fail(const std::string& Msg) {
  std::fprintf(stderr, "renewix-cli: %s\n", Msg.c_str());
  return exUsage;
}

bool ValidRXDate(const std::string& S) {
  int M, D, Y;
  char Tail;
  TDateTime T;
  return S.size() == 10 && std::sscanf(S.c_str(), "%2d/%2d/%4d%c", &M, &D, &Y, &Tail) == 3 &&
         TryEncodeDate(Y, M, D, T);
}

// The restart marker in effect: --restart-params wins over the environment.
std::string RestartMarker(int argc, char** argv) {
  for (int I = 1; I + 1 < argc; ++I)
    if (std::strcmp(argv[I], "--restart-params") == 0) return argv[I + 1];
  const char* Env = std::getenv(RestartParamsVariable);
  return Env ? Env : DefaultRestartParams;
}

// Returns -1 when the options are good, else the exit status. A first argument equal to the
// restart marker is left to the component, which recognises the restart.
int ParseArgs(int argc, char** argv, TOptions& O) {
  O.RestartParams = RestartMarker(argc, argv);
  std::vector<std::string> A(argv + 1, argv + argc);
  for (size_t I = (!A.empty() && A[0] == O.RestartParams) ? 1 : 0; I < A.size(); ++I) {
    const std::string& S = A[I];
    auto Value = [&](std::string& Out) {
      if (I + 1 >= A.size()) return false;
      Out = A[++I];
      return true;
    };
    if (S == "--help" || S == "-h") {
      std::fputs(Usage().c_str(), stdout);
      return exDone;
    } else if (S == "--info-url") {
      if (!Value(O.InfoURL) || O.InfoURL.empty()) return Fail("--info-url needs an address");
    } else if (S == "--version") {
      if (!Value(O.Version) || O.Version.empty()) return Fail("--version needs a version number");
      O.HaveVersion = true;
    } else if (S == "--by-date") {
      O.ByDate = true;
    } else if (S == "--date") {
      if (!Value(O.Date) || !ValidRXDate(O.Date)) return Fail("--date wants a date MM/DD/YYYY");
      O.HaveDate = true;
    } else if (S == "--yes" || S == "-y") {
      O.Yes = true;
    } else if (S == "--check-only") {
      O.CheckOnly = true;
    } else if (S == "--user") {
      if (!Value(O.User) || O.User.empty()) return Fail("--user needs a name");
    } else if (S == "--password") {
      if (!Value(O.Password)) return Fail("--password needs a value");
      O.HavePassword = true;
    } else if (S == "--public-key") {
      std::string Key;
      std::vector<std::string> Keys;
      if (!Value(Key) || !ParsePublicKeys(Key, Keys) || Keys.size() != 1)
        return Fail("--public-key needs one base64 Ed25519 public key");
      O.PublicKeys += (O.PublicKeys.empty() ? "" : " ") + Key;
    } else if (S == "--restart-params") {
      if (!Value(O.RestartParams)) return Fail("--restart-params needs a value");
    } else if (!S.empty() && S[0] == '-') {
      return Fail("unknown option " + S + " (see --help)");
    } else {
      return Fail("unexpected argument " + S + " (see --help)");
    }
  }
  if (O.ByDate && O.HaveVersion) return Fail("give either --version or --by-date, not both");
  if (O.ByDate != O.HaveDate) return Fail("--by-date and --date go together");
  if (O.HavePassword && O.User.empty()) return Fail("--password needs --user");
  return -1;
}

std::string Size(double Bytes) {
  char Buf[32];
  if (Bytes < 1024) std::snprintf(Buf, sizeof Buf, "%.0f B", Bytes);
  else if (Bytes < 1024 * 1024) std::snprintf(Buf, sizeof Buf, "%.1f KiB", Bytes / 1024);
  else std::snprintf(Buf, sizeof Buf, "%.1f MiB", Bytes / (1024 * 1024));
  return Buf;
}

std::string BaseName(const std::string& Path) {
  const size_t Slash = Path.find_last_of("/\\");
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

// One bar per file on standard error: redrawn on a terminal, otherwise written once when the
// file is complete so that logs keep one line per file.
class TBar {
 public:
  void Start(const std::string& Name) {
    End();
    FName = Name;
    FRead = FTotal = 0;
    FTotalPct = FLeft = 0;
    FRate = 0;
    FLast = {};
  }
  void Update(std::int64_t Read, std::int64_t Total, int TotalPct, float Rate, int Left) {
    FRead = Read;
    FTotal = Total;
    FTotalPct = TotalPct;
    FRate = Rate;
    FLeft = Left;
    const auto Now = std::chrono::steady_clock::now();
    if (!FLive || FName.empty() || Now - FLast < std::chrono::milliseconds(100)) return;
    FLast = Now;
    Draw();
  }
  // The file is complete: its final state, then a line end.
  void Finish() {
    if (FName.empty()) return;
    Draw();
    End();
  }
  // Ends a bar line on the terminal before other output.
  void End() {
    if (FDrawn) std::fputc('\n', stderr);
    FDrawn = false;
    FName.clear();
  }

 private:
  void Draw() {
    const int Pct = FTotal > 0 ? static_cast<int>(FRead * 100 / FTotal) : 0;
    char Line[256];
    std::snprintf(Line, sizeof Line, "%s%-20.20s [%-30s] %3d%%  %s  %s/s  %ds left  (all %d%%) ", FLive ? "\r" : "",
                  FName.c_str(), std::string(static_cast<size_t>(Pct * 30 / 100), '#').c_str(), Pct,
                  Size(static_cast<double>(FRead)).c_str(), Size(FRate * 1024.0).c_str(), FLeft < 0 ? 0 : FLeft,
                  FTotalPct);
    std::fputs(Line, stderr);
    FDrawn = true;
  }
  const bool FLive = ::isatty(2) != 0;
  std::string FName;
  std::int64_t FRead = 0, FTotal = 0;
  int FTotalPct = 0, FLeft = 0;
  float FRate = 0;
  std::chrono::steady_clock::time_point FLast{};
  bool FDrawn = false;
};

// A yes/no question on standard error, answered on standard input; no answer is no.
bool AskYes(const std::string& Question) {
  TPlainSignals Plain;
  std::fprintf(stderr, "%s [y/N] ", Question.c_str());
  std::fflush(stderr);
  std::string Line;
  char C;
  ssize_t N;
  while ((N = ::read(0, &C, 1)) == 1 && C != '\n') Line += C;
  if (N != 1) std::fputc('\n', stderr);
  while (!Line.empty() && (Line.back() == '\r' || Line.back() == ' ')) Line.pop_back();
  return Line == "y" || Line == "Y" || Line == "yes" || Line == "Yes" || Line == "YES";
}

// The engine's texts carry the label's markup; the console shows them plain.
std::string Plain(const std::string& Text) { return DeleteAllTags(Text); }

struct TRoot : TComponent {
  TRoot() : TComponent(nullptr) {}
};

}  // namespace

int main(int argc, char** argv) {
  TOptions O;
  const int Bad = ParseArgs(argc, argv, O);
  if (Bad >= 0) return Bad;
  // The helper and the program it starts again inherit the environment.
  if (O.RestartParams != DefaultRestartParams) ::setenv(RestartParamsVariable, O.RestartParams.c_str(), 1);

  TApplication::Initialize(argc, argv);
  Application().SetTitle("renewix-cli");

  auto Event = [](const std::string& Line) {
    std::fprintf(stdout, "%s\n", Line.c_str());
    std::fflush(stdout);  // the restarted program appends to the same output
  };
  TBar Bar;
  auto Notice = [&](const std::string& Text) {
    Bar.End();
    std::fprintf(stderr, "%s\n", Plain(Text).c_str());
  };

  TRoot Root;
  auto* R = new TzuRenewix(&Root);
  R->SetName("Updater");
  R->SetRestartParams(O.RestartParams);
  R->SetShowMessages(0);  // every event is answered here, on the terminal
  bool Restarted = false;
  R->OnAfterRestart = [&](TObject*) { Restarted = true; };
  std::function<void(TzuRXUpgradeError, const std::string&)> UpgradeError;
  bool InstallFailed = false;
  R->OnUpgradeError = [&](TObject*, TzuRXUpgradeError Error, const std::string& Detail) {
    if (UpgradeError) return UpgradeError(Error, Detail);
    // Before the check is set up: only the outcome of the install that restarted us.
    if (Error != ueInstallFailed) return;
    InstallFailed = true;
    std::fprintf(stdout, "installfailed %s\n", Detail.c_str());
    std::fprintf(stderr, "%s\n", Plain(RXFmtLangStr(32, {Detail})).c_str());
  };
  // A component made in code reports the restart only once the message loop runs; reading
  // empty form data for it runs its Loaded step now, before the check is set up.
  ReadComponentFromJson(Root, R"({"components": [{"class": "TzuRenewix", "name": "Updater"}]})");
  if (Restarted) {
    Event("afterrestart");
    return InstallFailed ? exInstallFailed : exDone;
  }
  if (InstallFailed) return exInstallFailed;

  R->SetInfoFileURL(O.InfoURL);
  R->SetShowMessages(0);
  R->Wizard()->SetEnabled(false);
  if (O.ByDate) {
    R->SetVersionControl(byDate);
    R->SetVersionDate(O.Date);
  } else {
    R->SetVersionControl(byNumber);
    R->SetVersionNumber(O.HaveVersion ? O.Version : os::ProgramFileVersion());
  }
  R->SetPublicKey(O.PublicKeys);
  R->SetHTTPUsername(O.User);
  R->SetHTTPPassword(O.Password);

  int Exit = -1;
  auto Finish = [&](int Code) {
    Bar.End();
    if (Exit < 0) Exit = Code;
    if (!O.CheckOnly) Application().Terminate();
  };

  bool Redirected = false;
  R->OnBeginUpgrade = [&](TObject*, const std::string& Msg, TzuUpgradeMethod Method, TStringList* Files,
                          bool& CanUpgrade) {
    const TzuRXInfoFileContent Info = ReadInfoFile(R->InfoFileText());
    Event("begin " + (O.ByDate ? Info.Date : Info.Version));
    if (O.CheckOnly) return;
    if (O.Yes) {
      if (!Msg.empty()) Notice(Msg);
    } else {
      const std::string Notes = Msg.empty() ? std::string() : "\n" + Msg + "\n";
      Notice(RXFmtLangStr(23, {Application().Title(), Notes}));
      CanUpgrade = AskYes("Update now?");
    }
    if (CanUpgrade && Method == umRedirectToURL) {
      // A console may have no browser: hand the address to the user instead.
      Redirected = true;
      CanUpgrade = false;
      Event("redirect " + (Files->Count() > 0 ? Files->Strings(0) : std::string()));
    }
  };
  R->OnLaterUpgrade = [&](TObject*) {
    if (Redirected) return Finish(exDone);
    Event("later");
    Finish(exAborted);
  };
  R->OnFileStart = [&](TObject*, const std::string& URL, std::int32_t FileSize, TDateTime, bool& CanUpgrade) {
    Bar.End();
    Event("filestart " + URL + " " + std::to_string(FileSize));
    if (CanUpgrade) Bar.Start(BaseName(URL));
  };
  R->OnFileResume = [&](TObject*, const std::string& URL, std::int64_t From) {
    Bar.End();
    Event("resuming " + BaseName(URL) + " at " + std::to_string(From) + " bytes");
  };
  R->OnProgress = [&](TObject*, const std::string&, std::int32_t FileSize, std::int32_t BytesRead, std::int32_t,
                      std::int32_t Left, std::uint8_t, std::uint8_t TotalPct, float Rate) {
    Bar.Update(BytesRead, FileSize, TotalPct, Rate, Left);
  };
  R->OnFileDone = [&](TObject*, const std::string& FileName) {
    Bar.Finish();
    Event("filedone " + FileName);
  };
  // A refusal says why, and ends the run as refused whatever follows.
  auto Refused = [&]() {
    if (R->VerifyError().empty()) return false;
    Event("refused " + R->VerifyError());
    std::fprintf(stderr, "renewix-cli: refused: %s\n", R->VerifyError().c_str());
    if (Exit < 0) Exit = exRefused;
    return true;
  };
  R->OnLostFile = [&](TObject*, const std::string& URL, std::int32_t Code, bool& ContinueUpgrade) {
    Bar.End();
    Event("lostfile " + URL + " " + std::to_string(Code));
    if (Refused()) return;  // never installed without it
    if (O.Yes) return;  // nobody to ask whether an incomplete update will do
    std::fprintf(stderr, "%s #%d\n", Plain(RXLangStr(21)).c_str(), Code);
    ContinueUpgrade = AskYes(Plain(RXFmtLangStr(28, {R->GetFileName()})));
  };
  // Says which file could not be written; the engine then ends the download as a lost file
  // (or the check, for an info file over its bound).
  R->TzuCustomHTTP::OnOutputFileError = [&, Engine = R->TzuCustomHTTP::OnOutputFileError](TObject* Sender) {
    Bar.End();
    if (!R->QueryInfoStage()) std::fprintf(stderr, "renewix-cli: cannot write %s\n", R->CurrentFile().c_str());
    if (Engine) Engine(Sender);
  };
  // The reason behind an unreachable host or a lost connection, in a second line.
  auto Why = [&] {
    const std::string Reason = R->LastErrorReason();
    if (!Reason.empty()) std::fprintf(stderr, "renewix-cli: %s\n", Reason.c_str());
  };
  R->OnNoUpdateAvailable = [&](TObject*) {
    Event("noupdate");
    Notice(RXLangStr(24));
    Finish(exNone);
  };
  R->OnNoInfoFile = [&](TObject*) {
    Event("noinfofile");
    Notice(RXLangStr(25));
    Refused();
    Finish(exNoInfoFile);
  };
  R->OnHostUnreachable = [&](TObject*, const std::string&, const std::string& Host) {
    Event("unreachable " + Host);
    Notice(RXFmtLangStr(26, {"http://" + Host}));
    Why();
    Finish(exUnreachable);
  };
  R->OnConnLost = [&](TObject*) {
    Event("connlost");
    Notice(RXLangStr(30));
    Why();
    Finish(exConnLost);
  };
  R->OnAborted = [&](TObject*) {
    Event("aborted");
    Finish(exAborted);
  };
  int Asked = 0;
  R->OnPasswordRequest = [&](TObject*, const std::string& Realm, bool& TryAgain) {
    Bar.End();
    if (++Asked > 3) return;  // refused three times: give up
    if (Asked == 1) WriteTerminal(Plain(RXFmtLangStr(29, {R->GetFileName()})) + "\n");
    const std::string Where = Realm.empty() ? std::string() : " (" + Realm + ")";
    std::string User = O.User, Pass;
    if (User.empty() && (!AskTerminal(RXLangStr(12) + Where + ": ", false, User) || User.empty())) return;
    if (!AskTerminal(RXLangStr(13) + " - " + User + Where + ": ", true, Pass)) return;
    R->SetHTTPUsername(User);
    R->SetHTTPPassword(Pass);
    TryAgain = true;
  };
  UpgradeError = [&](TzuRXUpgradeError Error, const std::string& Detail) {
    Bar.End();
    if (Error == ueLinkRemoved) return Event("linkremoved " + Detail);
    Event((Error == ueHelperNotStarted ? "notstarted " : "installfailed ") + Detail);
    Notice(RXFmtLangStr(Error == ueHelperNotStarted ? 31 : 32, {Detail}));
    Finish(Error == ueHelperNotStarted ? exNotStarted : exInstallFailed);
  };
  R->OnDoOwnCloseAppMethod = [&](TObject*) {
    Event("restart");
    Finish(exDone);
  };
  Application().OnMessageBox = [&](const std::string& Text, const std::string& Caption, unsigned Flags) {
    Notice(Caption + ": " + Text);
    const unsigned Type = Flags & MB_TYPEMASK;
    if (Type == MB_YESNO || Type == MB_YESNOCANCEL) return AskYes("") ? IDYES : IDNO;
    return IDOK;
  };
  Application().SetInterruptHandler([&] {
    if (R->InUse()) {
      R->Abort(false);  // reported through OnAborted
    } else {
      Finish(exAborted);
      Application().Terminate();  // also ends a waiting check
    }
  });

  if (O.CheckOnly) {
    if (R->CheckUpdate(true)) Exit = exDone;
  } else {
    R->CheckUpdate(false);
    Application().Run();
  }
  Application().SetInterruptHandler(nullptr);
  return Exit < 0 ? (O.CheckOnly ? exNone : exAborted) : Exit;
}
