// Verified updates against real nginx: a signed release installs (through the real helper),
// and every tampering, gap or missing signature is refused with nothing installed, no
// ".uTMP" file left and the old program in place. Also the info-file-driven actions: other
// schemes refused, credentials kept to the info file's server.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "helper/Install.h"
#include "platform/os/Crypto.h"
#include "servers/TestServers.h"

using namespace zu;
using zutest::FaultServer;
using zutest::NginxServer;
using zutest::ReadFile;
using zutest::TempDir;
using zutest::WriteFile;
namespace fs = std::filesystem;

extern char** environ;

namespace {

const std::string NewProgram = "new program";  // the same size as "old program"
const std::string NewData = "data of version 3";

std::vector<std::string> TempFiles(const std::string& Dir) {
  std::vector<std::string> R;
  for (const auto& E : fs::directory_iterator(Dir))
    if (E.path().extension() == ".uTMP") R.push_back(E.path().filename().string());
  return R;
}

// Runs the built helper on the component's arguments and waits for it (bounded).
bool RunHelper(const std::vector<std::string>& Args) {
  std::vector<std::string> All{zutest::BinDir() + "/renewix-helper"};
  All.insert(All.end(), Args.begin(), Args.end());
  std::vector<char*> Argv;
  for (auto& A : All) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  pid_t Pid = 0;
  if (::posix_spawn(&Pid, Argv[0], nullptr, nullptr, Argv.data(), environ) != 0) return false;
  for (int I = 0; I < 3000; ++I) {
    int Status = 0;
    if (::waitpid(Pid, &Status, WNOHANG) == Pid) return WIFEXITED(Status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(Pid, SIGKILL);
  ::waitpid(Pid, nullptr, 0);
  return false;
}

// Public: the cases below arrange their releases through it.
class VerifiedUpdate : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(Web.Ok()) << Web.Error();
    ASSERT_TRUE(os::Ed25519Generate(Key));
    ASSERT_TRUE(os::Ed25519Generate(OtherKey));
    Public = os::Base64Encode(Key.Public);
    OtherPublic = os::Base64Encode(OtherKey.Public);
    WriteFile(Program(), "old program");
    TzuRenewix::ExecutablePath = [this] { return Program(); };
    TzuRenewix::StartHelper = [this](const std::string&, const std::vector<std::string>& A) {
      HelperArgs = A;
      ++HelperStarts;
      return true;
    };
    TzuRenewix::CloseApplication = [] {};
    RXSelectLanguage(wlEnglish);
    R = std::make_unique<TzuRenewix>(nullptr);
    R->SetVersionControl(byNumber);
    R->SetVersionNumber("1.0.0.2");
    R->SetShowMessages(0);
    R->Wizard()->SetEnabled(false);
    R->OnNoInfoFile = [this](TObject*) { Log += "noinfofile;"; };
    R->OnNoUpdateAvailable = [this](TObject*) { Log += "noupdate;"; };
    R->OnAborted = [this](TObject*) { Log += "aborted;"; };
    R->OnEndUpgrade = [this](TObject*, bool&) { Log += "end;"; };
    R->OnLostFile = [this](TObject*, const std::string&, std::int32_t Code, bool&) {
      Log += "lost " + std::to_string(Code) + ";";
    };
  }
  void TearDown() override {
    R.reset();
    TzuRenewix::ExecutablePath = [] { return std::string("/nonexistent/program"); };
  }

  std::string Program() const { return Dir.File("prog"); }
  // The release's info file: both files with their sizes and hashes, unsigned.
  std::string Release(const std::string& Extra = std::string()) {
    Web.Put("rel/prog", NewProgram);
    Web.Put("rel/data.bin", NewData);
    return "#version=1.0.0.3\r\n#date=02/20/2008\r\n#url1=" + Web.Url("/rel/prog") + "\r\n#url1.size=" +
           std::to_string(NewProgram.size()) + "\r\n#url1.sha256=" + os::Sha256Hex(NewProgram) + "\r\n#url2=" +
           Web.Url("/rel/data.bin") + "\r\n#url2.size=" + std::to_string(NewData.size()) +
           "\r\n#url2.sha256=" + os::Sha256Hex(NewData) + "\r\n" + Extra + "#message={Version 3.}\r\n";
  }
  std::string Signed(const std::string& Text, const os::TEd25519Key& With) {
    std::string S;
    EXPECT_TRUE(SignInfoFile(Text, With, S));
    return S;
  }
  bool Check(const std::string& Info, const std::string& Keys) {
    Web.Put("ini/app.inf", Info);
    R->SetInfoFileURL(Web.Url("/ini/app.inf"));
    R->SetPublicKey(Keys);
    Log.clear();
    R->CheckUpdate(false);
    return zutest::PumpUntil([this] {
      return !R->GetThreadBusy() && (Log.find("end;") != std::string::npos || Log.find("noinfofile;") != std::string::npos ||
                                     Log.find("aborted;") != std::string::npos || Log.find("noupdate;") != std::string::npos);
    });
  }
  // Nothing of the update anywhere: the old program, no download, no helper.
  void ExpectNothingInstalled(const std::string& Why) {
    EXPECT_EQ(ReadFile(Program()), "old program") << Why;
    EXPECT_TRUE(TempFiles(Dir.Path()).empty()) << Why;
    EXPECT_FALSE(fs::exists(Dir.File("data.bin"))) << Why;
    EXPECT_EQ(HelperStarts, 0) << Why;
  }

  NginxServer Web;
  TempDir Dir;
  std::unique_ptr<TzuRenewix> R;
  os::TEd25519Key Key, OtherKey;
  std::string Public, OtherPublic, Log;
  std::vector<std::string> HelperArgs;
  int HelperStarts = 0;
};

struct TCase {
  const char* Name;
  // Sets the release up and returns the info file to serve and the keys to trust.
  std::function<std::pair<std::string, std::string>(VerifiedUpdate&)> Arrange;
  const char* Outcome;  // "installs", "noinfofile;" or "lost 1000;aborted;"
  const char* Reason;   // part of VerifyError() for a refusal
};

class VerifiedUpdateCases : public VerifiedUpdate, public ::testing::WithParamInterface<TCase> {};

// Byte I of S changed.
std::string Flip(std::string S, std::size_t I) {
  S[I] = static_cast<char>(S[I] ^ 1);
  return S;
}

const TCase Cases[] = {
    {"SignedRelease", [](VerifiedUpdate& T) { return std::pair{T.Signed(T.Release(), T.Key), T.Public}; },
     "installs", ""},
    {"ReleaseFileChanged",
     [](VerifiedUpdate& T) {
       const std::string Info = T.Signed(T.Release(), T.Key);
       T.Web.Put("rel/data.bin", Flip(NewData, 3));
       return std::pair{Info, T.Public};
     },
     "lost 1000;aborted;", "SHA-256 differs"},
    {"InfoFileMessageChanged",
     [](VerifiedUpdate& T) {
       const std::string S = T.Signed(T.Release(), T.Key);
       return std::pair{Flip(S, S.find("Version 3.") + 2), T.Public};
     },
     "noinfofile;", "does not match"},
    {"WrongKey", [](VerifiedUpdate& T) { return std::pair{T.Signed(T.Release(), T.OtherKey), T.Public}; },
     "noinfofile;", "does not match"},
    {"Expired",
     [](VerifiedUpdate& T) { return std::pair{T.Signed(T.Release("#expires=01/01/2020\r\n"), T.Key), T.Public}; },
     "noinfofile;", "expired on 01/01/2020"},
    {"URLWithoutItsHash",
     [](VerifiedUpdate& T) {
       std::string Text = T.Release();
       const std::size_t At = Text.find("#url2.sha256=");
       Text.erase(At, Text.find('\n', At) + 1 - At);
       return std::pair{T.Signed(Text, T.Key), T.Public};
     },
     "noinfofile;", "no size and SHA-256 for"},
    {"TruncatedSignature",
     [](VerifiedUpdate& T) {
       const std::string S = T.Signed(T.Release(), T.Key);
       return std::pair{S.substr(0, S.size() - 12) + "\r\n", T.Public};
     },
     "noinfofile;", "signature is malformed"},
    {"TwoKeysOldOne",
     [](VerifiedUpdate& T) { return std::pair{T.Signed(T.Release(), T.Key), T.OtherPublic + " " + T.Public}; },
     "installs", ""},
    {"TwoKeysNewOne",
     [](VerifiedUpdate& T) { return std::pair{T.Signed(T.Release(), T.OtherKey), T.OtherPublic + " " + T.Public}; },
     "installs", ""},
    {"UnsignedWithoutKey", [](VerifiedUpdate& T) { return std::pair{T.Release(), std::string()}; }, "installs", ""},
    {"UnsignedWithKey", [](VerifiedUpdate& T) { return std::pair{T.Release(), T.Public}; }, "noinfofile;",
     "not signed"},
    {"HashLineCheckedWithoutKey",
     [](VerifiedUpdate& T) {
       const std::string Info = T.Release();
       T.Web.Put("rel/prog", Flip(NewProgram, 0));
       return std::pair{Info, std::string()};
     },
     "lost 1000;aborted;", "prog: its SHA-256 differs"},
    {"SizeLineCheckedWithoutKey",
     [](VerifiedUpdate& T) {
       const std::string Info = T.Release();
       T.Web.Put("rel/data.bin", NewData + "!");
       return std::pair{Info, std::string()};
     },
     "lost 1000;aborted;", "its size is 18 bytes, the info file says 17"},
};

}  // namespace

TEST_P(VerifiedUpdateCases, InstallsOnlyWhatVerifies) {
  const TCase& C = GetParam();
  const auto [Info, Keys] = C.Arrange(*this);
  ASSERT_TRUE(Check(Info, Keys)) << Log;
  if (std::string(C.Outcome) != "installs") {
    EXPECT_EQ(Log, C.Outcome);
    EXPECT_NE(R->VerifyError().find(C.Reason), std::string::npos) << R->VerifyError();
    ExpectNothingInstalled(C.Name);
    return;
  }
  EXPECT_EQ(Log, "end;");
  EXPECT_EQ(R->VerifyError(), "");
  ASSERT_EQ(HelperStarts, 1);
  // The manifest hands the sizes and hashes to the helper, which installs the set.
  helper::TManifest M;
  const int Fd = helper::OpenDirectory(Dir.Path());
  ASSERT_TRUE(helper::ReadManifest(Fd, M));
  ::close(Fd);
  ASSERT_EQ(M.Files.size(), 2u);
  EXPECT_EQ(M.Files[0].Sha256, os::Sha256Hex(NewProgram));
  EXPECT_EQ(M.Files[1].Sha256, os::Sha256Hex(NewData));
  ASSERT_TRUE(RunHelper(HelperArgs));
  EXPECT_EQ(ReadFile(Program()), NewProgram);
  EXPECT_EQ(ReadFile(Dir.File("data.bin")), NewData);
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Releases, VerifiedUpdateCases, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TCase>& I) { return std::string(I.param.Name); });

TEST_F(VerifiedUpdate, AFileChangedOnDiskBeforeTheInstallIsNotInstalledNorAnyOfItsSet) {
  ASSERT_TRUE(Check(Signed(Release(), Key), Public)) << Log;
  ASSERT_EQ(HelperStarts, 1) << Log;
  // Same size, same file (inode): only its hash tells. The program's file is moved after
  // data.bin's (byte order), so data.bin's move is undone.
  {
    std::FILE* F = std::fopen(Dir.File("prog.uTMP").c_str(), "r+");
    ASSERT_NE(F, nullptr);
    std::fputc('X', F);
    std::fclose(F);
  }
  ASSERT_TRUE(RunHelper(HelperArgs));
  EXPECT_EQ(ReadFile(Program()), "old program");
  EXPECT_FALSE(fs::exists(Dir.File("data.bin"))) << "the file installed before it is taken back";
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_FALSE(fs::exists(Dir.File(helper::ManifestName)));
}

TEST_F(VerifiedUpdate, OnlyWebAddressesAreFetchedOrOpened) {
  // A local file named by the info file is never copied next to the program.
  TempDir Secret;
  WriteFile(Secret.File("key"), "secret");
  ::chmod(Secret.File("key").c_str(), 0600);
  ASSERT_TRUE(Check("#version=1.0.0.3\r\n#url1=file://" + Secret.File("key") + "\r\n", "")) << Log;
  EXPECT_EQ(Log, "lost 1001;aborted;");
  EXPECT_NE(R->VerifyError().find("not an http or https address"), std::string::npos) << R->VerifyError();
  EXPECT_FALSE(fs::exists(Dir.File("key")));
  ExpectNothingInstalled("file://");
  ASSERT_TRUE(Check("#version=1.0.0.3\r\n#url1=ftp://127.0.0.1/prog\r\n", "")) << Log;
  EXPECT_EQ(Log, "lost 1001;aborted;");

  // A web page to open must be one: nothing reaches the desktop's opener.
  TempDir Bin;
  WriteFile(Bin.File("xdg-open"), "#!/bin/sh\necho \"$@\" > " + Bin.File("opened") + "\n");
  WriteFile(Bin.File("xdg-mime"), "#!/bin/sh\nexit 1\n");
  ::chmod(Bin.File("xdg-open").c_str(), 0755);
  ::chmod(Bin.File("xdg-mime").c_str(), 0755);
  zutest::ScopedEnv Path("PATH", (Bin.Path() + ":" + std::getenv("PATH")).c_str());
  R->OnBeginUpgrade = [this](TObject*, const std::string&, TzuUpgradeMethod, TStringList*, bool&) {
    Log += "begin;";
  };
  ASSERT_TRUE(Check("#version=1.0.0.3\r\n#method=2\r\n#url=file:///etc/passwd\r\n", "")) << Log;
  EXPECT_EQ(Log, "noinfofile;");
  EXPECT_EQ(R->VerifyError(), "the web page file:///etc/passwd is not an http or https address");
  zutest::Pump(200);
  EXPECT_FALSE(fs::exists(Bin.File("opened")));
}

TEST_F(VerifiedUpdate, CredentialsGoToAnotherHostOnlyWhenTheInfoFileIsVerified) {
  FaultServer Other;
  ASSERT_TRUE(Other.Ok());
  Other.On("/rel/data.bin", FaultServer::RequireBasic("user", "secret", "Files", FaultServer::File(NewData)));
  R->SetHTTPUsername("user");
  R->SetHTTPPassword("secret");
  std::string Info = Release();
  const std::string NginxURL = Web.Url("/rel/data.bin");
  Info.replace(Info.find(NginxURL), NginxURL.size(), Other.Url("/rel/data.bin"));

  ASSERT_TRUE(Check(Info, "")) << Log;
  EXPECT_EQ(Log, "lost 401;aborted;");
  for (const auto& Req : Other.Requests()) EXPECT_FALSE(Req.Has("Authorization")) << "sent to another host";
  ExpectNothingInstalled("withheld credentials");
  EXPECT_EQ(R->HTTPUsername(), "user") << "the setting itself stays";
  EXPECT_EQ(R->HTTPPassword(), "secret");

  // A host's handler that only says "try again" does not hand that host the configured ones.
  std::string SeenUser = "?";
  R->OnPasswordRequest = [&](TObject*, const std::string&, bool& TryAgain) {
    SeenUser = R->HTTPUsername();
    TryAgain = true;
  };
  ASSERT_TRUE(Check(Info, "")) << Log;
  EXPECT_EQ(Log, "lost 401;aborted;");
  EXPECT_EQ(SeenUser, "") << "the handler starts from no credentials";
  for (const auto& Req : Other.Requests()) EXPECT_FALSE(Req.Has("Authorization")) << "sent to another host";
  ExpectNothingInstalled("withheld credentials, handler retrying");
  zutest::Pump(50);
  EXPECT_EQ(R->HTTPUsername(), "user") << "put back after the request";
  EXPECT_EQ(R->HTTPPassword(), "secret");
  R->OnPasswordRequest = nullptr;

  // Signed, the hosts it names are the publisher's.
  ASSERT_TRUE(Check(Signed(Info, Key), Public)) << Log;
  EXPECT_EQ(Log, "end;");
  EXPECT_TRUE(Other.Last().Has("Authorization"));
  EXPECT_EQ(ReadFile(Dir.File("data.bin.uTMP")), NewData);
}
