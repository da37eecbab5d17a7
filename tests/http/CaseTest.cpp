// The hostile-server cases of tests/http/cases: each file says what the server does and what
// zuget (and so the HTTP component) must make of it. The format is in cases/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestUtil.h"
#include "platform/os/Files.h"
#include "servers/TestServers.h"

using zutest::FaultConnection;
using zutest::FaultHandler;
using zutest::FaultRequest;
using zutest::FaultServer;

namespace {

namespace fs = std::filesystem;

// "\r", "\n", "\t", "\\", "\xHH" and "\0" in a case file's texts.
std::string Unescape(const std::string& S) {
  std::string R;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (S[I] != '\\' || I + 1 >= S.size()) {
      R += S[I];
      continue;
    }
    const char C = S[++I];
    if (C == 'r') R += '\r';
    else if (C == 'n') R += '\n';
    else if (C == 't') R += '\t';
    else if (C == '0') R += '\0';
    else if (C == 'x' && I + 2 < S.size()) {
      R += static_cast<char>(std::stoi(S.substr(I + 1, 2), nullptr, 16));
      I += 2;
    } else R += C;
  }
  return R;
}

struct TStep {
  std::string Kind, Text;
  long Count = 0;
};

struct TCase {
  std::string Title;
  std::vector<std::string> Args;
  std::string Target = "/case";
  bool HaveExisting = false;
  std::string Existing;
  std::vector<std::vector<TStep>> Responses;
  // Expectations.
  int Exit = -1;
  bool CheckEvents = false;
  std::vector<std::string> Events;
  bool CheckFile = false, NoFile = false;
  std::string File;
  long FileSize = -1;
  std::string Attributes;
  long Requests = -1;
  std::vector<std::string> Stderr;
  bool CheckStdout = false;
  std::string Stdout;
  std::vector<std::pair<int, std::string>> RequestHeaders;  // request number, "Name: value"
  std::string Error;  // a line the runner cannot read
};

std::string Trim(const std::string& S) {
  const auto B = S.find_first_not_of(" \t");
  if (B == std::string::npos) return std::string();
  return S.substr(B, S.find_last_not_of(" \t") - B + 1);
}

std::vector<std::string> Split(const std::string& S, char Sep) {
  std::vector<std::string> R;
  std::string Item;
  std::istringstream In(S);
  while (std::getline(In, Item, Sep))
    if (!Trim(Item).empty()) R.push_back(Trim(Item));
  return R;
}

TCase ReadCase(const std::string& Path) {
  TCase C;
  std::ifstream In(Path);
  std::string Line;
  int No = 0;
  while (std::getline(In, Line)) {
    ++No;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Line.rfind("# ", 0) == 0 && C.Title.empty()) {
      C.Title = Line.substr(2);
      continue;
    }
    if (Line.empty() || Line[0] == '#') continue;
    const auto Sp = Line.find(' ');
    const std::string Word = Line.substr(0, Sp);
    const std::string Rest = Sp == std::string::npos ? std::string() : Line.substr(Sp + 1);
    auto Bad = [&] { C.Error = Path + ":" + std::to_string(No) + ": cannot read \"" + Line + "\""; };
    if (Word == "zuget") {
      std::istringstream A(Rest);
      for (std::string W; A >> W;) C.Args.push_back(W);
    } else if (Word == "url") {
      C.Target = Rest;
    } else if (Word == "existing") {
      C.HaveExisting = true;
      C.Existing = Unescape(Rest);
    } else if (Word == "existing-size") {
      C.HaveExisting = true;
      C.Existing = std::string(std::stoul(Rest), 'x');
    } else if (Word == "response") {
      C.Responses.emplace_back();
    } else if (Word == "line" || Word == "data" || Word == "pause" || Word == "close" || Word == "reset" ||
               Word == "stall" || Word == "repeat") {
      if (C.Responses.empty()) return Bad(), C;
      TStep S{Word, Rest};
      if (Word == "line") S.Text = Unescape(Rest) + "\r\n";
      if (Word == "data") S.Text = Unescape(Rest);
      if (Word == "pause") S.Count = std::stol(Rest);
      if (Word == "repeat") {
        const auto Sp2 = Rest.find(' ');
        S.Count = std::stol(Rest.substr(0, Sp2));
        S.Text = Sp2 == std::string::npos ? std::string() : Unescape(Rest.substr(Sp2 + 1));
      }
      C.Responses.back().push_back(S);
    } else if (Word == "expect") {
      const auto Sp2 = Rest.find(' ');
      const std::string What = Rest.substr(0, Sp2);
      const std::string Value = Sp2 == std::string::npos ? std::string() : Rest.substr(Sp2 + 1);
      if (What == "exit") C.Exit = std::stoi(Value);
      else if (What == "events") C.CheckEvents = true, C.Events = Split(Value, ';');
      else if (What == "file") C.CheckFile = true, C.File = Unescape(Value);
      else if (What == "file-size") C.FileSize = std::stol(Value);
      else if (What == "no-file") C.NoFile = true;
      else if (What == "attributes") C.Attributes = Value;
      else if (What == "requests") C.Requests = std::stol(Value);
      else if (What == "stderr") C.Stderr.push_back(Value);
      else if (What == "stdout") C.CheckStdout = true, C.Stdout = Unescape(Value);
      else if (What == "request") {
        const auto Sp3 = Value.find(' ');
        if (Sp3 == std::string::npos) return Bad(), C;
        C.RequestHeaders.emplace_back(std::stoi(Value.substr(0, Sp3)), Value.substr(Sp3 + 1));
      } else return Bad(), C;
    } else {
      return Bad(), C;
    }
  }
  if (C.Title.empty()) C.Error = Path + ": the first line must say what the case shows (\"# ...\")";
  if (C.Exit < 0) C.Error = Path + ": no \"expect exit\"";
  return C;
}

FaultHandler Play(const std::vector<TStep>& Steps) {
  return [Steps](const FaultRequest&, FaultConnection& Conn) {
    for (const auto& S : Steps) {
      if (S.Kind == "line" || S.Kind == "data") {
        if (!Conn.Send(S.Text)) return;
      } else if (S.Kind == "repeat") {
        std::string Block;
        for (long I = 0; I < S.Count; ++I) Block += S.Text;
        if (!Conn.Send(Block)) return;
      } else if (S.Kind == "pause") {
        if (!Conn.Sleep(static_cast<int>(S.Count))) return;
      } else if (S.Kind == "close") {
        return Conn.Close();
      } else if (S.Kind == "reset") {
        return Conn.Reset();
      } else if (S.Kind == "stall") {
        Conn.Sleep(20000);  // until the client gives up (or the server stops)
        return Conn.Close();
      }
    }
  };
}

// The zuget events of a run, without progress: "header 200 10", "done 10", ...
std::vector<std::string> Events(const std::string& Err) {
  static const char* Names[] = {"header", "done", "connlost", "httperror", "unreachable", "outputfileerror",
                                "aborted"};
  std::vector<std::string> R;
  std::istringstream In(Err);
  for (std::string L; std::getline(In, L);) {
    const std::string Word = L.substr(0, L.find(' '));
    if (std::find(std::begin(Names), std::end(Names), Word) != std::end(Names)) R.push_back(L);
  }
  return R;
}

std::string Join(const std::vector<std::string>& V) {
  std::string R;
  for (const auto& S : V) R += (R.empty() ? "" : "; ") + S;
  return R;
}

std::vector<std::string> CaseFiles() {
  std::vector<std::string> R;
  for (const auto& E : fs::directory_iterator(zutest::SourceDir() + "/tests/http/cases"))
    if (E.path().extension() == ".case") R.push_back(E.path().stem().string());
  std::sort(R.begin(), R.end());
  return R;
}

class HostileServer : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileServer, Case) {
  const TCase C = ReadCase(zutest::SourceDir() + "/tests/http/cases/" + GetParam() + ".case");
  ASSERT_TRUE(C.Error.empty()) << C.Error;
  SCOPED_TRACE(C.Title);
  FaultServer F;
  ASSERT_TRUE(F.Ok());
  std::vector<FaultHandler> Steps;
  for (const auto& R : C.Responses) Steps.push_back(Play(R));
  if (!Steps.empty()) F.On("/case", FaultServer::Script(Steps));

  zutest::TempDir D;
  const std::string Out = D.File("out.bin");
  if (C.HaveExisting) {
    std::ofstream(Out, std::ios::binary) << C.Existing;
  }
  std::vector<std::string> Args{F.Url(C.Target), "--events"};
  for (const auto& A : C.Args) {
    std::string Arg = A;
    for (std::size_t P; (P = Arg.find("FILE")) != std::string::npos;) Arg.replace(P, 4, Out);
    for (std::size_t P; (P = Arg.find("DIR")) != std::string::npos;) Arg.replace(P, 3, D.Path());
    for (std::size_t P; (P = Arg.find("PORT")) != std::string::npos;) Arg.replace(P, 4, std::to_string(F.Port()));
    Args.push_back(Arg);
  }
  const auto R = zutest::RunProcess(zutest::BinDir() + "/zuget", Args, "", 45);
  const std::string Said = "zuget said:\n" + R.Err;

  EXPECT_EQ(R.ExitCode, C.Exit) << Said;
  if (C.CheckEvents) {
    EXPECT_EQ(Join(Events(R.Err)), Join(C.Events)) << Said;
  }
  for (const auto& S : C.Stderr) {
    EXPECT_NE(R.Err.find(S), std::string::npos) << "no \"" << S << "\" in\n" << R.Err;
  }
  if (C.CheckStdout) {
    EXPECT_TRUE(R.Out == C.Stdout) << "standard output: " << R.Out.size() << " bytes";
  }
  const bool Exists = fs::exists(Out);
  if (C.NoFile) {
    EXPECT_FALSE(Exists) << "an output file was created";
  }
  if (C.CheckFile) {
    ASSERT_TRUE(Exists) << "no output file";
    const std::string Got = zutest::ReadFile(Out);
    EXPECT_TRUE(Got == C.File) << "the file holds " << Got.size() << " bytes, the case wants " << C.File.size();
  }
  if (C.FileSize >= 0) {
    ASSERT_TRUE(Exists) << "no output file";
    EXPECT_EQ(static_cast<long>(fs::file_size(Out)), C.FileSize);
  }
  if (!C.Attributes.empty()) {
    ASSERT_TRUE(Exists) << "no output file";
    std::uint32_t A = 0;
    ASSERT_TRUE(zu::os::GetFileAttributes(Out, A));
    const bool Temporary = A & 0x100;  // FILE_ATTRIBUTE_TEMPORARY
    EXPECT_EQ(Temporary, C.Attributes == "incomplete") << "attributes 0x" << std::hex << A;
  }
  if (C.Requests >= 0) {
    EXPECT_EQ(static_cast<long>(F.RequestCount()), C.Requests);
  }
  const auto Requests = F.Requests();
  for (const auto& [N, Header] : C.RequestHeaders) {
    ASSERT_LE(N, static_cast<int>(Requests.size())) << "no request " << N;
    const auto Colon = Header.find(':');
    const std::string Name = Header.substr(0, Colon);
    if (Colon == std::string::npos || Trim(Header.substr(Colon + 1)).empty())
      EXPECT_FALSE(Requests[N - 1].Has(Name)) << "request " << N << " has " << Name;
    else
      EXPECT_EQ(Requests[N - 1].Header(Name), Trim(Header.substr(Colon + 1))) << "request " << N;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileServer, ::testing::ValuesIn(CaseFiles()),
                         [](const ::testing::TestParamInfo<std::string>& I) {
                           std::string N = I.param;
                           for (char& Ch : N)
                             if (!std::isalnum(static_cast<unsigned char>(Ch))) Ch = '_';
                           return N;
                         });

}  // namespace
