// zuget: a command-line downloader on the HTTP component, and an example of its use.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "http/zuHTTP.h"
#include "platform/framework/Application.h"
#include "platform/os/System.h"
#include "tools/Terminal.h"

using namespace zu;

namespace {

const char* Usage =
    "Usage: zuget URL [options]\n"
    "Downloads URL with the Renewix HTTP component.\n"
    "\n"
    "  -o FILE             write the body to FILE (default: standard output)\n"
    "  --resume            continue a partial FILE (needs -o)\n"
    "  --range FROM-TO     ask for bytes FROM to TO (TO may be empty: to the end); with\n"
    "                      -o the file holds exactly those bytes\n"
    "  --user U            user name for the server\n"
    "  --password P        password for the server; without it, asked on the terminal\n"
    "                      when the server wants one\n"
    "  --proxy HOST:PORT   use this proxy\n"
    "  --proxy-user U      user name for the proxy\n"
    "  --proxy-password P  password for the proxy; without it, asked on the terminal\n"
    "                      when the proxy wants one\n"
    "  --direct            use no proxy, whatever http_proxy says\n"
    "  --buffer BYTES      bytes per read (default 4096, at least 255)\n"
    "  --header LINE       add a request header line (repeatable)\n"
    "  --post DATA         send DATA as a form post\n"
    "  --form NAME=VALUE   add a field to a multipart upload (repeatable)\n"
    "  --file NAME=@PATH   add a file to a multipart upload (repeatable)\n"
    "  --timeout MS        connect, send and receive timeouts in milliseconds\n"
    "  --insecure          accept certificates with a wrong name, date or authority\n"
    "  --events            print one line per component event on standard error\n"
    "  --progress          draw the progress bar even when standard error is no terminal\n"
    "  --quiet             no progress bar and no messages\n"
    "  --help              this text\n"
    "\n"
    "Ctrl+C pauses the download; the partial file is kept for --resume.\n"
    "Exit status: 0 done, 2 bad arguments, 3 host unreachable, 4 HTTP error,\n"
    "5 connection lost, 6 output file error, 7 aborted or interrupted.\n";

enum TExit { exDone = 0, exUsage = 2, exUnreachable = 3, exHTTPError = 4, exConnLost = 5, exFileError = 6, exAborted = 7 };

struct TOptions {
  std::string URL, Output, User, Password, Proxy, Post, ProxyUser, ProxyPassword;
  bool Resume = false, Direct = false, Insecure = false, Events = false, ForceBar = false, Quiet = false;
  bool HaveRange = false, HaveTo = false, HavePassword = false, HaveProxyPassword = false;
  std::uint64_t From = 0, To = 0;
  int Buffer = 4096;
  std::uint32_t Timeout = 0;
  std::vector<std::string> Headers;
  std::vector<std::pair<std::string, std::string>> Forms, Files;  // name, value or path
};

int Fail(const std::string& Msg) {
  std::fprintf(stderr, "zuget: %s\n", Msg.c_str());
  return exUsage;
}

bool ToNumber(const std::string& S, std::uint64_t& V) {
  if (S.empty() || S.find_first_not_of("0123456789") != std::string::npos || S.size() > 19) return false;
  V = std::stoull(S);
  return true;
}

// Returns -1 when the options are good, else the exit status.
int ParseArgs(int argc, char** argv, TOptions& O) {
  std::vector<std::string> A(argv + 1, argv + argc);
  for (size_t I = 0; I < A.size(); ++I) {
    const std::string& S = A[I];
    auto Value = [&](std::string& Out) {
      if (I + 1 >= A.size()) return false;
      Out = A[++I];
      return true;
    };
    std::string V;
    if (S == "--help" || S == "-h") {
      std::fputs(Usage, stdout);
      return exDone;
    } else if (S == "-o") {
      if (!Value(O.Output)) return Fail("-o needs a file name");
    } else if (S == "--resume") {
      O.Resume = true;
    } else if (S == "--range") {
      if (!Value(V)) return Fail("--range needs FROM-TO");
      const size_t Dash = V.find('-');
      std::uint64_t F = 0, T = 0;
      if (Dash == std::string::npos || !ToNumber(V.substr(0, Dash), F) ||
          (Dash + 1 < V.size() && !ToNumber(V.substr(Dash + 1), T)) || (T != 0 && T < F))
        return Fail("--range wants FROM-TO with FROM <= TO, e.g. 0-499 or 1000-");
      O.HaveRange = true;
      O.HaveTo = Dash + 1 < V.size();
      O.From = F;
      O.To = T;
    } else if (S == "--user") {
      if (!Value(O.User)) return Fail("--user needs a name");
    } else if (S == "--password") {
      if (!Value(O.Password)) return Fail("--password needs a value");
      O.HavePassword = true;
    } else if (S == "--proxy-user") {
      if (!Value(O.ProxyUser)) return Fail("--proxy-user needs a name");
    } else if (S == "--proxy-password") {
      if (!Value(O.ProxyPassword)) return Fail("--proxy-password needs a value");
      O.HaveProxyPassword = true;
    } else if (S == "--proxy") {
      if (!Value(O.Proxy) || O.Proxy.find(':') == std::string::npos) return Fail("--proxy wants HOST:PORT");
    } else if (S == "--direct") {
      O.Direct = true;
    } else if (S == "--buffer") {
      std::uint64_t B;
      if (!Value(V) || !ToNumber(V, B) || B < 255 || B > 0x7FFFFFFF) return Fail("--buffer wants a size from 255 bytes");
      O.Buffer = static_cast<int>(B);
    } else if (S == "--header") {
      if (!Value(V)) return Fail("--header needs a line");
      O.Headers.push_back(V);
    } else if (S == "--post") {
      if (!Value(O.Post)) return Fail("--post needs data");
    } else if (S == "--form" || S == "--file") {
      if (!Value(V) || V.find('=') == std::string::npos || V.find('=') == 0)
        return Fail(S + (S == "--form" ? " wants NAME=VALUE" : " wants NAME=@PATH"));
      const std::string Name = V.substr(0, V.find('=')), Rest = V.substr(V.find('=') + 1);
      if (S == "--file") {
        if (Rest.size() < 2 || Rest[0] != '@') return Fail("--file wants NAME=@PATH");
        O.Files.emplace_back(Name, Rest.substr(1));
      } else {
        O.Forms.emplace_back(Name, Rest);
      }
    } else if (S == "--timeout") {
      std::uint64_t T;
      if (!Value(V) || !ToNumber(V, T) || T > 0xFFFFFFFF) return Fail("--timeout wants milliseconds");
      O.Timeout = static_cast<std::uint32_t>(T);
    } else if (S == "--insecure") {
      O.Insecure = true;
    } else if (S == "--events") {
      O.Events = true;
    } else if (S == "--progress") {
      O.ForceBar = true;
    } else if (S == "--quiet") {
      O.Quiet = true;
    } else if (!S.empty() && S[0] == '-') {
      return Fail("unknown option " + S + " (see --help)");
    } else if (O.URL.empty()) {
      O.URL = S;
    } else {
      return Fail("only one URL may be given");
    }
  }
  if (O.URL.empty()) return Fail("no URL given (see --help)");
  if (O.Resume && O.Output.empty()) return Fail("--resume needs -o FILE");
  if (O.Resume && O.HaveRange) return Fail("give either --resume or --range");
  if (O.Direct && !O.Proxy.empty()) return Fail("give either --proxy or --direct");
  if ((!O.Forms.empty() || !O.Files.empty()) && (!O.Post.empty() || O.Resume || O.HaveRange))
    return Fail("an upload (--form, --file) goes without --post, --resume and --range");
  return -1;
}

std::string Size(double Bytes) {
  char Buf[32];
  if (Bytes < 1024) std::snprintf(Buf, sizeof Buf, "%.0f B", Bytes);
  else if (Bytes < 1024 * 1024) std::snprintf(Buf, sizeof Buf, "%.1f KiB", Bytes / 1024);
  else std::snprintf(Buf, sizeof Buf, "%.1f MiB", Bytes / (1024 * 1024));
  return Buf;
}

// The progress bar, redrawn at most ten times a second.
class TBar {
 public:
  void Draw(std::int64_t Read, std::int64_t Total, float Rate, int Left, bool Final) {
    const auto Now = std::chrono::steady_clock::now();
    if (!Final && Now - FLast < std::chrono::milliseconds(100)) return;
    FLast = Now;
    char Line[160];
    if (Total > 0) {
      const int Pct = static_cast<int>(Read * 100 / Total);
      const int Fill = Pct * 30 / 100;
      std::snprintf(Line, sizeof Line, "\r[%-30s] %3d%%  %s of %s  %s/s  %ds left ", std::string(Fill, '#').c_str(),
                    Pct, Size(static_cast<double>(Read)).c_str(), Size(static_cast<double>(Total)).c_str(),
                    Size(Rate * 1024.0).c_str(), Left < 0 ? 0 : Left);
    } else {
      std::snprintf(Line, sizeof Line, "\r%s  %s/s ", Size(static_cast<double>(Read)).c_str(), Size(Rate * 1024.0).c_str());
    }
    std::fputs(Line, stderr);
    if (Final) std::fputc('\n', stderr);
    FDrawn = true;
  }
  void End() {
    if (FDrawn) std::fputc('\n', stderr);
    FDrawn = false;
  }

 private:
  std::chrono::steady_clock::time_point FLast{};
  bool FDrawn = false;
};

struct TRoot : TComponent {
  TRoot() : TComponent(nullptr) {}
};

}  // namespace

int main(int argc, char** argv) {
  TOptions O;
  const int Bad = ParseArgs(argc, argv, O);
  if (Bad >= 0) return Bad;

  // The worker and this thread hand over strictly (the worker waits while an event runs
  // here), so they never run at the same time: one CPU serves both, one switch per block.
  const os::TCurrentCpuOnly KeepThreadsTogether;
  // Qt's own event dispatcher answers a worker's call sooner than the GLib one, and zuget
  // has no GLib-based library to serve.
  ::setenv("QT_NO_GLIB", "1", 0);
  TApplication::Initialize(argc, argv);
  TRoot Root;
  auto* H = new TzuHTTP(&Root);
  H->SetURL(O.URL);
  H->SetOutputFileName(O.Output);
  H->SetTransferBufferSize(O.Buffer);
  H->SetUsername(O.User);
  H->SetPassword(O.Password);
  H->SetPOSTData(O.Post);
  for (const auto& L : O.Headers) H->AddHeaders()->Add(L);
  if (O.Direct) H->Proxy()->SetAccessType(atDirect);
  if (!O.Proxy.empty()) {
    const size_t C = O.Proxy.rfind(':');
    H->Proxy()->SetAccessType(atUseProxy);
    H->Proxy()->SetProxyServer(O.Proxy.substr(0, C));
    H->Proxy()->SetProxyPort(std::atoi(O.Proxy.c_str() + C + 1));
  }
  H->Proxy()->SetProxyUsername(O.ProxyUser);
  H->Proxy()->SetProxyPassword(O.ProxyPassword);
  // A range is the component's Range setting, so the file gets exactly those bytes (from its
  // start, in one request); what does not fit it (0-0, beyond 4 GiB) goes as a header line.
  if (O.HaveRange) {
    if (O.From <= 0xFFFFFFFFu && O.To <= 0xFFFFFFFFu && (O.From != 0 || !O.HaveTo)) {
      H->Range()->SetStartRange(static_cast<std::uint32_t>(O.From));
      H->Range()->SetEndRange(static_cast<std::uint32_t>(O.To));
    } else {
      H->AddHeaders()->Add("Range: bytes=" + std::to_string(O.From) + "-" +
                           (O.HaveTo ? std::to_string(O.To) : std::string()));
    }
  }
  if (O.Timeout) {
    H->Timeouts()->SetConnectTimeout(O.Timeout);
    H->Timeouts()->SetReceiveTimeout(O.Timeout);
    H->Timeouts()->SetSendTimeout(O.Timeout);
  }
  if (O.Insecure)
    H->SetInternetOptions(H->InternetOptions() | Bit(ioIgnoreCertificateInvalid) |
                          Bit(ioIgnoreCertificateDateInvalid) | Bit(ioIgnoreUnknownCertificateAuthority));

  int Exit = exDone;
  TBar Bar;
  const bool BarOn = !O.Quiet && (O.ForceBar || ::isatty(2));
  auto Say = [&](const std::string& Msg) {
    if (O.Quiet) return;
    Bar.End();
    std::fprintf(stderr, "zuget: %s\n", Msg.c_str());
  };
  auto Event = [&](const std::string& Line) {
    if (O.Events) std::fprintf(stderr, "%s\n", Line.c_str());
  };
  auto Finish = [&](int Code) {
    Exit = Code;
    Application().Terminate();
  };

  // A server that ignores the range sends the whole entity with 200: not what was asked for.
  const bool PartAsked = O.HaveRange && (O.From != 0 || O.HaveTo);
  bool RangeIgnored = false;
  if (O.Events || PartAsked)
    H->OnHeaderInfo = [&](TObject*, int Code, const std::string&, const std::string&, const std::string&,
                          const std::string&, std::int64_t Len, const std::string&, TDateTime, TDateTime, TDateTime,
                          const std::string&, bool& Continue) {
      Event("header " + std::to_string(Code) + " " + std::to_string(Len));
      if (PartAsked && Code == 200) {
        RangeIgnored = true;
        Continue = false;
      }
    };
  if (O.Events || BarOn)
    H->OnProgress = [&](TObject*, const std::string&, std::int64_t Total, std::int64_t Read, int, int Left,
                        std::uint8_t, float Rate, TStream*) {
      if (O.Events) Event("progress " + std::to_string(Read) + " " + std::to_string(Total));
      if (BarOn) Bar.Draw(Read, Total, Rate, Left, false);
    };
  H->OnDone = [&](TObject*, const std::string&, std::int64_t FileSize, TStream* S) {
    Bar.End();
    Event("done " + std::to_string(FileSize));
    if (S) {
      std::vector<char> Buf(65536);
      for (;;) {
        const std::int64_t N = S->Read(Buf.data(), static_cast<std::int64_t>(Buf.size()));
        if (N <= 0) break;
        if (std::fwrite(Buf.data(), 1, static_cast<size_t>(N), stdout) != static_cast<size_t>(N)) {
          Say(std::string("cannot write to standard output: ") + std::strerror(errno));
          Finish(exFileError);
          return;
        }
      }
      std::fflush(stdout);
    }
    Finish(exDone);
  };
  H->OnConnLost = [&](TObject*, const std::string&, std::int64_t Size, std::int64_t Read, TStream*) {
    Event("connlost " + std::to_string(Read) + " " + std::to_string(Size));
    const std::string Why = H->LastErrorReason();
    Say("connection lost after " + std::to_string(Read) + (Size > 0 ? " of " + std::to_string(Size) : std::string()) +
        " bytes" + (Why.empty() ? "" : " (" + Why + ")") + (O.Output.empty() ? "" : "; continue with --resume"));
    Finish(exConnLost);
  };
  H->OnHTTPError = [&](TObject*, int Code, TStream*) {
    Event("httperror " + std::to_string(Code));
    const std::string Text = HTTPErrorToStr(Code);
    Say("the server answered " + std::to_string(Code) + (Text.empty() ? "" : " (" + Text + ")"));
    Finish(exHTTPError);
  };
  H->OnHostUnreachable = [&](TObject*) {
    Event("unreachable");
    const std::string Why = H->LastErrorReason();
    Say("cannot reach " + (H->GetHostName().empty() ? O.URL : H->GetHostName()) + (Why.empty() ? "" : ": " + Why));
    Finish(exUnreachable);
  };
  H->OnUploadCGITimeoutFailed = [&](TObject*) {
    Event("unreachable");
    Say("the server sent no answer to the posted data");
    Finish(exUnreachable);
  };
  H->OnOutputFileError = [&](TObject*) {
    Event("outputfileerror");
    Say("cannot write " + O.Output);
    Finish(exFileError);
  };
  H->OnAborted = [&](TObject*) {
    Event("aborted");
    Say(O.Output.empty() ? "interrupted" : "interrupted; the partial file is kept for --resume");
    Finish(exAborted);
  };
  H->OnDoneInterrupted = [&](TObject*) {
    Event("aborted");
    if (RangeIgnored) {
      Say("the server ignored the range and sent the whole file; nothing was stored");
      Finish(exHTTPError);
      return;
    }
    Finish(exAborted);
  };
  if (!O.User.empty() && !O.HavePassword)
    H->OnPasswordRequest = [&](TObject*, const std::string& Realm, bool& TryAgain) {
      std::string Pass;
      if (!tools::AskTerminal("Password for " + O.User + (Realm.empty() ? "" : " (" + Realm + ")") + ": ", true, Pass))
        return;
      H->SetPassword(Pass);
      TryAgain = !Pass.empty();  // an empty answer gives up
    };
  if (!O.ProxyUser.empty() && !O.HaveProxyPassword)
    H->OnProxyAuthenticationRequest = [&](TObject*, std::string&, std::string& Pass, bool& TryAgain) {
      std::string Typed;
      if (!tools::AskTerminal("Proxy password for " + O.ProxyUser + ": ", true, Typed)) return;
      Pass = Typed;  // the proxy's own setting: the request is sent again with it
      TryAgain = !Typed.empty();  // an empty answer gives up
    };
  Application().SetInterruptHandler([&] {
    if (H->GetThreadBusy()) H->Pause();
    else Finish(exAborted);
  });

  bool Started;
  if (!O.Forms.empty() || !O.Files.empty()) {
    Started = H->BeginPrepareUpload();
    try {
      for (const auto& [Name, Value] : O.Forms) H->UploadString(Name, Value);
      for (const auto& [Name, Path] : O.Files) {
        TFileStream File(Path, fmOpenRead);  // read straight into the upload, not held twice
        H->UploadStream(Name, &File, Path.substr(Path.find_last_of('/') + 1));
      }
    } catch (const std::exception& E) {
      return Fail(E.what());
    }
    Started = Started && H->EndPrepareUpload();
  } else {
    Started = O.Resume ? H->Resume() : H->Read(false);
  }
  if (!Started) return Fail("the download could not be started");
  Application().Run();
  Application().SetInterruptHandler(nullptr);
  return Exit;
}
