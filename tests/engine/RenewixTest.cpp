// The self-update component against real nginx (and our fault server for a cut connection):
// the check, the download sequence, the finishing step and the clean-up points.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPasswordForm.h"
#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "helper/Install.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "servers/TestServers.h"
#include "widgets/zuInfoBox.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBoxForm.h"

using namespace zu;
using zutest::FaultServer;
using zutest::NginxServer;
using zutest::ReadFile;
using zutest::TempDir;
using zutest::WriteFile;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

using zutest::PumpUntil;

using zutest::Pump;

// Answers every info box that comes up, in order, and remembers what it said.
struct TBoxes {
  struct TSeen {
    std::string Title, Text;
  };
  std::vector<TSeen> Seen;
  std::deque<int> Answers;
  QTimer Timer;
  TBoxes() {
    QObject::connect(&Timer, &QTimer::timeout, [this] {
      TzuInfoBoxForm* F = ShowingInfoBoxForm();
      if (!F || !F->isVisible()) return;
      Seen.push_back({F->Caption(), F->InfoBox() ? F->InfoBox()->Text() : std::string()});
      const int A = Answers.empty() ? IDOK : Answers.front();
      if (!Answers.empty()) Answers.pop_front();
      F->done(A);
    });
    Timer.start(15);
  }
};

// The last segment of an address as written ("" for one ending in '/').
std::string Last(const std::string& URL) { return URL.substr(URL.rfind('/') + 1); }

std::vector<std::string> TempFiles(const std::string& Dir) {
  std::vector<std::string> R;
  for (const auto& E : fs::directory_iterator(Dir))
    if (E.path().extension() == ".uTMP") R.push_back(E.path().filename().string());
  std::sort(R.begin(), R.end());
  return R;
}

// The manifest the component left beside the program.
helper::TManifest ManifestIn(const std::string& Dir) {
  helper::TManifest M;
  const int Fd = helper::OpenDirectory(Dir);
  EXPECT_TRUE(helper::ReadManifest(Fd, M)) << "no manifest in " << Dir;
  ::close(Fd);
  return M;
}

// A component whose "program" lives in a scratch directory and whose helper start and
// application close are recorded instead of done.
class RenewixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Web.Ok()) << Web.Error();
    WriteFile(Program(), "old program");
    TzuRenewix::ExecutablePath = [this] { return Program(); };
    TzuRenewix::StartHelper = [this](const std::string& H, const std::vector<std::string>& A) {
      std::string Line = H;
      for (const auto& S : A) Line += "|" + S;
      Helper.push_back(Line);
      return HelperRuns;
    };
    TzuRenewix::CloseApplication = [this] { ++Closed; };
    TzuRenewix::OnlineTest = [this] { return Online; };
    RXSelectLanguage(wlEnglish);
    R = std::make_unique<TzuRenewix>(nullptr);
    R->SetVersionControl(byNumber);
    R->SetVersionNumber("1.0.0.2");
    R->SetShowMessages(0);
    R->Wizard()->SetEnabled(false);
    R->OnBeginUpgrade = [this](TObject*, const std::string& Msg, TzuUpgradeMethod M, TStringList* Files, bool& Can) {
      Log.push_back("begin " + std::to_string(Files->Count()));
      LastTotal = 0;
      BeginMsg = Msg;
      Method = M;
      if (!AllowUpgrade) Can = false;
    };
    R->OnFileStart = [this](TObject*, const std::string& URL, std::int32_t Size, TDateTime, bool& Can) {
      Log.push_back(std::string("start ") + fs::path(URL).filename().string() + (Can ? "" : " skip"));
    };
    R->OnFileDone = [this](TObject*, const std::string& Name) { Log.push_back("done " + fs::path(Name).filename().string()); };
    R->OnProgress = [this](TObject*, const std::string&, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                           std::uint8_t, std::uint8_t Total, float) {
      EXPECT_GE(Total, LastTotal) << "the overall percentage never goes back";
      LastTotal = Total;
    };
    R->OnEndUpgrade = [this](TObject*, bool& Restart) {
      Log.push_back("end");
      Restart = RestartNow;
    };
    R->OnLaterUpgrade = [this](TObject*) { Log.push_back("later"); };
    R->OnAborted = [this](TObject*) { Log.push_back("aborted"); };
    R->OnNoUpdateAvailable = [this](TObject*) { Log.push_back("noupdate"); };
    R->OnNoInfoFile = [this](TObject*) { Log.push_back("noinfofile"); };
    R->OnConnLost = [this](TObject*) { Log.push_back("connlost"); };
    R->OnHostUnreachable = [this](TObject*, const std::string&, const std::string& Host) {
      Log.push_back("unreachable " + Host);
    };
    R->OnLostFile = [this](TObject*, const std::string& URL, std::int32_t Code, bool& Continue) {
      Log.push_back("lost " + Last(URL) + " " + std::to_string(Code));
      Continue = SkipLost;
    };
  }
  void TearDown() override {
    R.reset();
    TzuRenewix::ExecutablePath = [] { return std::string("/nonexistent/program"); };
  }

  std::string Program() const { return Dir.File("prog"); }
  void Publish(const std::string& Version, const std::vector<std::string>& Files, const std::string& Extra = "") {
    std::string Inf = "#version=" + Version + "\n#date=02/20/2008\n";
    for (size_t I = 0; I < Files.size(); ++I) {
      Inf += "#url" + std::to_string(I + 1) + "=" + Web.Url("/rel/" + Files[I]) + "\n";
      Web.Put("rel/" + Files[I], "content of " + Files[I]);
    }
    Inf += "#message={1. Faster\n2. Smaller}\n" + Extra;
    Web.Put("ini/app.inf", Inf);
    R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  }
  bool RunCheck() {
    R->CheckUpdate(false);
    return PumpUntil([this] { return !R->GetThreadBusy() && Settled(); });
  }
  bool Settled() const {
    for (const auto& L : Log)
      if (L == "end" || L == "aborted" || L == "noupdate" || L == "later" || L == "noinfofile" ||
          L == "connlost" || L.rfind("unreachable", 0) == 0)
        return true;
    return false;
  }
  std::string Joined() const {
    std::string S;
    for (const auto& L : Log) S += (S.empty() ? "" : ", ") + L;
    return S;
  }

  NginxServer Web;
  TempDir Dir;
  std::unique_ptr<TzuRenewix> R;
  std::vector<std::string> Log, Helper;
  std::string BeginMsg;
  TzuUpgradeMethod Method = umSelfUpgrade;
  int Closed = 0;
  bool HelperRuns = true;
  bool Online = true, AllowUpgrade = true, RestartNow = true, SkipLost = false;
  std::uint8_t LastTotal = 0;
};

TEST_F(RenewixTest, NewerVersionDownloadsEveryFileAndHandsOverToTheHelper) {
  Publish("1.0.0.3", {"a.dat", "b.dat", "c.dat"});
  ASSERT_TRUE(RunCheck()) << Joined();
  EXPECT_EQ(Joined(), "begin 3, start a.dat, done a.dat.uTMP, start b.dat, done b.dat.uTMP, start c.dat, "
                      "done c.dat.uTMP, end");
  EXPECT_EQ(BeginMsg, "1. Faster\n2. Smaller");
  EXPECT_EQ(Method, umSelfUpgrade);
  for (const char* N : {"a.dat", "b.dat", "c.dat"})
    EXPECT_EQ(ReadFile(Dir.File(std::string(N) + ".uTMP")), std::string("content of ") + N);
  // Complete files carry the archive attribute only; times come from Last-Modified.
  TzuFileAttributes A;
  ASSERT_TRUE(GetFileAttr(Dir.File("a.dat.uTMP"), A));
  EXPECT_EQ(A.count(atrHidden), 0u);
  EXPECT_EQ(LastTotal, 100);  // 100 div 3 + round(100 * 2 / 3)
  ASSERT_EQ(Helper.size(), 1u);
  EXPECT_EQ(Helper[0], TzuRenewix::HelperPath() + "|" + Program() + "|+/afterupgrade0");
  EXPECT_EQ(Closed, 1);
  EXPECT_TRUE(R->FilesDownloaded());
  struct stat St{};
  ASSERT_EQ(::stat(TzuRenewix::HelperPath().c_str(), &St), 0) << "the helper is written out";
  EXPECT_TRUE(St.st_mode & S_IXUSR);
  EXPECT_EQ(St.st_mode & 077, 0u);
  EXPECT_EQ(ExtractFileSize(TzuRenewix::HelperPath()), ExtractFileSize(zutest::BinDir() + "/renewix-helper"));
}

TEST_F(RenewixTest, NothingNewerAndMissingInfoFile) {
  TBoxes Boxes;
  Publish("1.0.0.2", {"a.dat"});
  R->SetShowMessages(Bit(mNoUpdateAvailable) | Bit(mNoInfoFile));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "noupdate");
  ASSERT_TRUE(PumpUntil([&] { return Boxes.Seen.size() == 1; }));
  EXPECT_EQ(Boxes.Seen[0].Text, RXLangStr(24));
  EXPECT_EQ(Boxes.Seen[0].Title, RXLangStr(0));

  // A newer version without any address counts as nothing newer.
  Log.clear();
  Web.Put("ini/app.inf", "#version=9.0.0.0\n");
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "noupdate");

  Log.clear();
  R->SetInfoFileURL(Web.Url("/ini/missing.inf"));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "noinfofile");
  ASSERT_TRUE(PumpUntil([&] { return Boxes.Seen.size() == 3; }));
  EXPECT_EQ(Boxes.Seen[2].Text, RXLangStr(25));
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
}

TEST_F(RenewixTest, ByDateComparesTheDates) {
  Publish("0.0.0.1", {"a.dat"});
  R->SetVersionControl(byDate);
  R->SetVersionDate("02/19/2008");
  EXPECT_TRUE(R->CheckUpdate(true));
  R->SetVersionDate("02/20/2008");
  EXPECT_FALSE(R->CheckUpdate(true));
}

TEST_F(RenewixTest, CheckOnlyWaitsAndNeverDownloads) {
  Publish("1.0.0.3", {"a.dat", "b.dat"});
  EXPECT_TRUE(R->CheckUpdate(true));
  EXPECT_EQ(Joined(), "begin 2");
  Log.clear();
  AllowUpgrade = false;
  EXPECT_FALSE(R->CheckUpdate(true)) << "OnBeginUpgrade refused";
  EXPECT_EQ(Joined(), "begin 2");
  Log.clear();
  Publish("1.0.0.2", {"a.dat"});
  EXPECT_FALSE(R->CheckUpdate(true)) << "a later check with nothing newer";
  EXPECT_EQ(Joined(), "noupdate");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_EQ(Web.AccessLog().find("/rel/"), std::string::npos) << Web.AccessLog();
  Log.clear();
  EXPECT_FALSE(R->CheckUpdate(false)) << "without waiting the answer comes through events";
  EXPECT_EQ(Joined(), "");
  ASSERT_TRUE(PumpUntil([&] { return !R->GetThreadBusy() && Settled(); }));
  EXPECT_EQ(Joined(), "noupdate");
}

TEST_F(RenewixTest, ABlockingCheckJoinsACheckStillFetchingItsInfoFile) {
  TBoxes Boxes;
  Boxes.Answers = {IDNO};
  Publish("1.0.0.3", {"a.dat"});
  R->SetShowMessages(Bit(mAskUpgrade));
  EXPECT_FALSE(R->CheckUpdate(false));
  ASSERT_TRUE(R->InUse());
  // The running check answers this call: no ask box, no download.
  EXPECT_TRUE(R->CheckUpdate(true));
  EXPECT_EQ(Joined(), "begin 1");
  Pump(100);
  EXPECT_EQ(Joined(), "begin 1");
  EXPECT_EQ(Web.AccessLog().find("/rel/"), std::string::npos) << Web.AccessLog();
  EXPECT_TRUE(Boxes.Seen.empty()) << Boxes.Seen[0].Text;
}

TEST_F(RenewixTest, AClickDuringABlockingCheckLeavesItBlocking) {
  Publish("1.0.0.3", {"a.dat"});
  // The info file comes slowly, so the click lands while the blocking call waits.
  FaultServer Slow;
  Slow.On("/app.inf", FaultServer::Stall(ReadFile(Web.DocRoot() + "/ini/app.inf"), 4, 600));
  R->SetInfoFileURL(Slow.Url("/app.inf"));
  int Clicks = -1;
  QTimer::singleShot(150, [&] { Clicks = R->CheckUpdate(false) ? 1 : 0; });
  EXPECT_TRUE(R->CheckUpdate(true));
  EXPECT_EQ(Clicks, 0);
  Pump(100);
  EXPECT_EQ(Joined(), "begin 1");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_EQ(Web.AccessLog().find("/rel/"), std::string::npos) << Web.AccessLog();
  EXPECT_EQ(Slow.RequestCount(), 1u) << "the click starts no second check";
}

TEST_F(RenewixTest, ABlockingCheckIsRefusedDuringADownloadOrNestedInAnEvent) {
  Publish("1.0.0.3", {"a.dat"});
  int Nested = -1;
  R->OnBeginUpgrade = [&](TObject*, const std::string&, TzuUpgradeMethod, TStringList*, bool&) {
    Nested = R->CheckUpdate(true) ? 1 : 0;
  };
  EXPECT_TRUE(R->CheckUpdate(true));
  EXPECT_EQ(Nested, 0);

  // Inside an event of the info stage the transfer waits for us: joining would never end.
  FaultServer Locked;
  Locked.On("/app.inf", FaultServer::RequireBasic("u", "p", "Updates", FaultServer::Reply(200, "#version=9\n")));
  R->SetInfoFileURL(Locked.Url("/app.inf"));
  Nested = -1;
  R->OnPasswordRequest = [&](TObject*, const std::string&, bool& TryAgain) {
    Nested = R->CheckUpdate(true) ? 1 : 0;
    TryAgain = false;
  };
  Log.clear();
  EXPECT_FALSE(R->CheckUpdate(false));
  ASSERT_TRUE(PumpUntil([&] { return !R->GetThreadBusy() && Settled(); })) << Joined();
  EXPECT_EQ(Nested, 0);
  EXPECT_EQ(Joined(), "noinfofile");

  // A download under way is not a check to wait for.
  Publish("1.0.0.3", {"a.dat"});
  Log.clear();
  R->OnBeginUpgrade = nullptr;
  int DuringDownload = -1;
  R->OnFileStart = [&](TObject*, const std::string&, std::int32_t, TDateTime, bool&) {
    DuringDownload = R->CheckUpdate(true) ? 1 : 0;
    Log.push_back("start");
  };
  ASSERT_TRUE(RunCheck()) << Joined();
  EXPECT_EQ(DuringDownload, 0);
  EXPECT_EQ(Joined(), "start, done a.dat.uTMP, end");
}

TEST_F(RenewixTest, DeclinedOrRedirectedUpgradesDownloadNothing) {
  TBoxes Boxes;
  Boxes.Answers = {IDNO};
  Publish("1.0.0.3", {"a.dat"});
  R->SetShowMessages(Bit(mAskUpgrade));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, later");
  ASSERT_EQ(Boxes.Seen.size(), 1u);
  EXPECT_NE(Boxes.Seen[0].Text.find("1. Faster"), std::string::npos) << Boxes.Seen[0].Text;

  // Method 2 opens the first address with the desktop's opener, nothing else.
  TempDir Bin;
  // Written aside and renamed, so the file never shows up before its line does.
  WriteFile(Bin.File("xdg-open"), "#!/bin/sh\necho \"$@\" > " + Bin.File("opened") + ".tmp && mv " +
                                      Bin.File("opened") + ".tmp " + Bin.File("opened") + "\n");
  WriteFile(Bin.File("xdg-mime"), "#!/bin/sh\nexit 1\n");
  ::chmod(Bin.File("xdg-open").c_str(), 0755);
  ::chmod(Bin.File("xdg-mime").c_str(), 0755);
  zutest::ScopedEnv Path("PATH", (Bin.Path() + ":" + std::getenv("PATH")).c_str());
  Log.clear();
  Boxes.Answers = {IDYES};
  Publish("1.0.0.3", {"page.html"}, "#method=2\n");
  R->CheckUpdate(false);
  ASSERT_TRUE(PumpUntil([&] { return fs::exists(Bin.File("opened")); }));
  EXPECT_EQ(ReadFile(Bin.File("opened")), Web.Url("/rel/page.html") + "\n");
  EXPECT_EQ(Joined(), "begin 1");
  EXPECT_EQ(Method, umRedirectToURL);
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
}

TEST_F(RenewixTest, SizeSkipLeavesUnchangedFilesAlone) {
  R->SetMiscFilesUpgrade(mfuOnlyIfSizeDifferent);
  Publish("1.0.0.3", {"a.dat", "b.dat", "prog"});
  WriteFile(Dir.File("a.dat"), std::string(ReadFile(Web.DocRoot() + "/rel/a.dat").size(), 'x'));
  WriteFile(Dir.File("b.dat"), "shorter");
  WriteFile(Program(), std::string(ReadFile(Web.DocRoot() + "/rel/prog").size(), 'p'));
  RestartNow = false;
  ASSERT_TRUE(RunCheck()) << Joined();
  EXPECT_EQ(Joined(), "begin 3, start a.dat skip, start b.dat, done b.dat.uTMP, start prog, done prog.uTMP, end");
  EXPECT_EQ(TempFiles(Dir.Path()), (std::vector<std::string>{"b.dat.uTMP", "prog.uTMP"}));

  // A single file is always fetched.
  Log.clear();
  Publish("1.0.0.4", {"a.dat"});
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, start a.dat, done a.dat.uTMP, end");
}

TEST_F(RenewixTest, ALostFileIsSkippedOrAbortsTheUpgrade) {
  Publish("1.0.0.3", {"a.dat", "b.dat", "c.dat"});
  ::unlink((Web.DocRoot() + "/rel/b.dat").c_str());
  SkipLost = true;
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 3, start a.dat, done a.dat.uTMP, start b.dat, lost b.dat 404, start c.dat, done c.dat.uTMP, end");
  EXPECT_EQ(TempFiles(Dir.Path()), (std::vector<std::string>{"a.dat.uTMP", "c.dat.uTMP"}));

  Log.clear();
  SkipLost = false;
  R->SetVersionNumber("1.0.0.1");
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 3, start a.dat, done a.dat.uTMP, start b.dat, lost b.dat 404, aborted");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_TRUE(R->Aborted());
  EXPECT_TRUE(Helper.empty());

  // The question box decides over the handler: No aborts, its title carries the code.
  TBoxes Boxes;
  Boxes.Answers = {IDNO};
  Log.clear();
  SkipLost = true;
  R->SetShowMessages(Bit(mLostFile));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 3, start a.dat, done a.dat.uTMP, start b.dat, lost b.dat 404, aborted");
  ASSERT_EQ(Boxes.Seen.size(), 1u);
  EXPECT_EQ(Boxes.Seen[0].Title, RXLangStr(21) + " #404");
  EXPECT_EQ(Boxes.Seen[0].Text, RXFmtLangStr(28, {std::string("b.dat")}));
}

TEST_F(RenewixTest, AnAddressWithoutAFileNameIsALostFile) {
  Publish("1.0.0.3", {"a.dat"});
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url1=" + Web.Url("/rel/") + "\n#url2=" + Web.Url("/rel/..") +
                             "\n#url3=" + Web.Url("/rel/a.dat") + "\n");
  SkipLost = true;
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 3, lost  400, lost .. 400, start a.dat, done a.dat.uTMP, end");
  EXPECT_EQ(TempFiles(Dir.Path()), std::vector<std::string>{"a.dat.uTMP"});
}

TEST_F(RenewixTest, ACutConnectionStopsTheSequenceAndRemovesItsFiles) {
  FaultServer Faults;
  Faults.On("/a.dat", FaultServer::Reply(200, "first file"));
  Faults.On("/b.dat", FaultServer::CutAfter(std::string(200000, 'b'), 1000));
  Faults.On("/c.dat", FaultServer::Reply(200, "third"));
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url1=" + Faults.Url("/a.dat") + "\n#url2=" + Faults.Url("/b.dat") +
                             "\n#url3=" + Faults.Url("/c.dat") + "\n");
  R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 3, start a.dat, done a.dat.uTMP, start b.dat, connlost");
  EXPECT_FALSE(R->Aborted());
  // What came stays for the next check to continue, in a run that is not complete: nothing
  // of it can be installed.
  const helper::TManifest M = ManifestIn(Dir.Path());
  EXPECT_FALSE(M.Complete);
  ASSERT_EQ(M.Files.size(), 2u);
  EXPECT_TRUE(M.Files[0].Complete);
  EXPECT_FALSE(M.Files[1].Complete);
  EXPECT_EQ(M.Files[1].Size, 200000);
  R->RestartApplication("");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty()) << "nothing half-downloaded is handed to the helper";
  Pump(100);
  EXPECT_EQ(Faults.RequestCount(), 2u) << "no later file is requested";
}

TEST_F(RenewixTest, TheAutomaticCheckWaitsForTheNetworkAndRetriesSilently) {
  TBoxes Boxes;
  R->SetShowMessages(Bit(mHostUnreachable) | Bit(mNoUpdateAvailable));
  R->SetInfoFileURL("http://update.invalid/ini/app.inf");
  R->SetAutoCheckDelay(40);
  Online = false;
  R->SetAutoCheck(true);
  Pump(300);
  EXPECT_TRUE(Log.empty()) << "offline: no check, the timer stays armed";
  EXPECT_FALSE(R->TimerFired());
  Online = true;
  ASSERT_TRUE(PumpUntil([&] { return Log.size() >= 2; }));
  EXPECT_EQ(Log[0], "unreachable update.invalid");
  EXPECT_EQ(Log[1], "unreachable update.invalid") << "one more automatic check follows";
  EXPECT_TRUE(Boxes.Seen.empty()) << "an automatic check shows no notice";

  // Once the server was reached nothing more is checked by itself, and nothing newer is quiet.
  Log.clear();
  Publish("1.0.0.2", {"a.dat"});
  ASSERT_TRUE(PumpUntil([&] { return !Log.empty() && Log.back() == "noupdate"; }));
  Pump(300);
  EXPECT_EQ(Joined(), "noupdate");
  EXPECT_TRUE(R->TimerFired());
  EXPECT_TRUE(Boxes.Seen.empty());
  R->SetAutoCheck(false);
  R->SetAutoCheck(true);
  Pump(200);
  EXPECT_EQ(Joined(), "noupdate");

  // A manual check of an unreachable host shows notice 26.
  Log.clear();
  R->SetInfoFileURL("http://update.invalid/ini/app.inf");
  ASSERT_TRUE(RunCheck());
  ASSERT_TRUE(PumpUntil([&] { return Boxes.Seen.size() == 1; }));
  EXPECT_EQ(Boxes.Seen[0].Text, RXFmtLangStr(26, {std::string("http://update.invalid")}));
}

TEST_F(RenewixTest, AComponentLoadedWithAutoCheckUsesItsStoredDelay) {
  Publish("1.0.0.2", {"a.dat"});
  std::string J;
  {
    TzuRenewix S(nullptr);
    S.SetInfoFileURL(R->InfoFileURL());
    S.SetAutoCheckDelay(50);
    S.SetAutoCheck(true);
    J = WriteComponentToJson(S);
    S.SetAutoCheck(false);
  }
  ReadComponentFromJson(*R, J);
  EXPECT_EQ(R->AutoCheckDelay(), 50);
  // Armed with the default ten seconds, nothing would come in this time.
  Pump(1500);
  EXPECT_EQ(Joined(), "noupdate");
  EXPECT_TRUE(R->TimerFired());
}

// The helper's report of a failed install reaches a component made in code (no form data, so
// no Loaded step) once the loop runs, and one read from form data exactly once.
TEST_F(RenewixTest, AFailedInstallIsReportedOnceWhetherMadeInCodeOrLoaded) {
  Pump(10);  // the fixture's component has had its say (the report is the process's, and taken once)
  for (const bool FromFormData : {false, true}) {
    SCOPED_TRACE(FromFormData ? "read from form data" : "made in code");
    ::setenv(helper::ResultVariable, "failed the disk is full", 1);
    TzuRenewix C(nullptr);
    C.SetShowMessages(0);
    std::vector<std::string> Errors;
    C.OnUpgradeError = [&](TObject*, TzuRXUpgradeError E, const std::string& Detail) {
      Errors.push_back(std::to_string(E) + " " + Detail);
    };
    if (FromFormData) ReadComponentFromJson(C, WriteComponentToJson(C));
    Pump(100);
    EXPECT_EQ(Errors, std::vector<std::string>{std::to_string(ueInstallFailed) + " the disk is full"});
    EXPECT_EQ(std::getenv(helper::ResultVariable), nullptr) << "not passed on to the programs it starts";
  }
}

TEST_F(RenewixTest, ATimerDelayOfZeroNeverChecks) {
  R->SetAutoCheckDelay(0);
  R->SetAutoCheck(true);
  Publish("1.0.0.2", {"a.dat"});
  Pump(200);
  EXPECT_TRUE(Log.empty());
}

TEST_F(RenewixTest, AProtectedFileIsFetchedWithTheCredentialsOfTheHandler) {
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url=" + Web.Url("/protected/secret.txt") + "\n");
  R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  std::string Realm;
  R->OnPasswordRequest = [&](TObject*, const std::string& Rlm, bool& TryAgain) {
    Realm = Rlm;
    R->SetHTTPUsername(NginxServer::User());
    R->SetHTTPPassword(NginxServer::Password());
    TryAgain = true;
  };
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, start secret.txt, done secret.txt.uTMP, end");
  EXPECT_EQ(Realm, "Members");
  EXPECT_EQ(ReadFile(Dir.File("secret.txt.uTMP")), "members only\n");
}

TEST_F(RenewixTest, DeferredInstallationKeepsTheFiles) {
  Publish("1.0.0.3", {"a.dat"}, "#method=1\n");
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, start a.dat, done a.dat.uTMP, end");
  EXPECT_TRUE(Helper.empty());
  R->SetRestartParams("/verysilent");
  R->RestartApplication("");
  ASSERT_EQ(Helper.size(), 1u);
  EXPECT_EQ(Helper[0], TzuRenewix::HelperPath() + "|" + Program() + "|+/verysilent1");
  EXPECT_EQ(TempFiles(Dir.Path()), std::vector<std::string>{"a.dat.uTMP"});
  R->RestartApplication("abc0");
  EXPECT_EQ(Helper[1], TzuRenewix::HelperPath() + "|" + Program() + "|+abc0");

  // A component that has downloaded nothing removes what lies there before it restarts.
  TzuRenewix Other(nullptr);
  bool OwnClose = false;
  Other.OnDoOwnCloseAppMethod = [&](TObject*) { OwnClose = true; };
  Other.RestartApplication("");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_TRUE(OwnClose);
  EXPECT_EQ(Closed, 2) << "OnDoOwnCloseAppMethod replaces the built-in close";
}

TEST_F(RenewixTest, ARunCutOffAfterADeferredOneLeavesNothingToInstall) {
  Publish("1.0.0.3", {"a.dat"});
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_TRUE(R->FilesDownloaded());
  EXPECT_TRUE(ManifestIn(Dir.Path()).Complete);

  FaultServer Faults;
  Faults.On("/b.dat", FaultServer::CutAfter(std::string(200000, 'b'), 1000));
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url1=" + Faults.Url("/b.dat") + "\n");
  Log.clear();
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, start b.dat, connlost");
  EXPECT_FALSE(R->FilesDownloaded()) << "a new run starts incomplete";
  EXPECT_EQ(TempFiles(Dir.Path()), std::vector<std::string>{"b.dat.uTMP"}) << "kept to be continued";
  EXPECT_FALSE(ManifestIn(Dir.Path()).Complete);
  // Installing now only restarts: the partial file goes and the request names no file.
  R->RestartApplication("");
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  ASSERT_EQ(Helper.size(), 1u);
  const helper::TManifest M = ManifestIn(Dir.Path());
  EXPECT_TRUE(M.Complete);
  EXPECT_TRUE(M.Files.empty());
}

TEST_F(RenewixTest, PlantedLinksAreRemovedReportedAndNeverWrittenThrough) {
  TempDir Elsewhere;
  const std::string Victim = Elsewhere.File("victim");
  WriteFile(Victim, "precious");
  ASSERT_EQ(::symlink(Victim.c_str(), Dir.File("a.dat.uTMP").c_str()), 0);
  std::vector<std::string> Errors;
  R->OnUpgradeError = [&](TObject*, TzuRXUpgradeError E, const std::string& D) {
    Errors.push_back(std::to_string(E) + " " + D);
  };
  // The second file's link appears while the first is being fetched.
  R->OnFileDone = [&](TObject*, const std::string& Name) {
    Log.push_back("done " + fs::path(Name).filename().string());
    if (Name == Dir.File("a.dat.uTMP")) ::symlink(Victim.c_str(), Dir.File("b.dat.uTMP").c_str());
  };
  Publish("1.0.0.3", {"a.dat", "b.dat"});
  RestartNow = false;
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 2, start a.dat, done a.dat.uTMP, start b.dat, done b.dat.uTMP, end");
  EXPECT_EQ(ReadFile(Victim), "precious");
  EXPECT_EQ(Errors, (std::vector<std::string>{"2 " + Dir.File("a.dat.uTMP"), "2 " + Dir.File("b.dat.uTMP")}));
  for (const char* N : {"a.dat", "b.dat"}) {
    EXPECT_FALSE(fs::is_symlink(Dir.File(std::string(N) + ".uTMP")));
    EXPECT_EQ(ReadFile(Dir.File(std::string(N) + ".uTMP")), std::string("content of ") + N);
  }
  const helper::TManifest M = ManifestIn(Dir.Path());
  ASSERT_EQ(M.Files.size(), 2u);
  EXPECT_TRUE(M.Complete && M.Files[0].Complete && M.Files[1].Complete);
  EXPECT_EQ(M.Files[1].Size, 16);
  EXPECT_EQ(M.Files[1].URL, Web.Url("/rel/b.dat"));
}

TEST_F(RenewixTest, AHelperThatCannotStartIsReportedAndTheProgramGoesOn) {
  HelperRuns = false;
  std::vector<std::string> Errors;
  R->OnUpgradeError = [&](TObject*, TzuRXUpgradeError E, const std::string& D) {
    Errors.push_back(std::to_string(E) + " " + D);
  };
  R->SetShowMessages(1 << mUpgradeFailed);
  TBoxes Boxes;
  Publish("1.0.0.3", {"a.dat", "b.dat"});
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Closed, 0) << "the application must not close without its helper";
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("0 cannot start ", 0), 0u) << Errors[0];
  ASSERT_TRUE(PumpUntil([&] { return !Boxes.Seen.empty(); }));
  EXPECT_EQ(Boxes.Seen[0].Text, RXFmtLangStr(31, {Errors[0].substr(2)}));
  // The downloaded set is kept, and a later try installs it.
  EXPECT_EQ(TempFiles(Dir.Path()), (std::vector<std::string>{"a.dat.uTMP", "b.dat.uTMP"}));
  EXPECT_EQ(ManifestIn(Dir.Path()).Files.size(), 2u);
  HelperRuns = true;
  // Its record lost meanwhile, the request is written again with the files it had.
  fs::remove(Dir.File(helper::ManifestName));
  R->RestartApplication("");
  EXPECT_EQ(ManifestIn(Dir.Path()).Files.size(), 2u);
  EXPECT_EQ(Closed, 1);
  EXPECT_EQ(Helper.back(), TzuRenewix::HelperPath() + "|" + Program() + "|+/afterupgrade0");
}

TEST_F(RenewixTest, TheHelperFolderIsCheckedAgainAtEveryRelaunch) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant a folder owned by another user";
  TempDir Tmp;
  zutest::ScopedEnv TmpDir("TMPDIR", Tmp.Path().c_str());
  zutest::ScopedEnv Runtime("XDG_RUNTIME_DIR", nullptr);
  const std::string Private = Tmp.File("renewix-0");
  const std::string Beside = Dir.File(".renewix-0/Reveziri3.exe");
  R->OnDoOwnCloseAppMethod = [](TObject*) {};
  R->RestartApplication("abc0");
  ASSERT_EQ(Helper.size(), 1u);
  EXPECT_EQ(Helper[0], Private + "/Reveziri3.exe|" + Program() + "|+abc0");

  // A cleaner removed it, and another user made their own; then a link, then one open to all.
  fs::remove_all(Private);
  ASSERT_EQ(::mkdir(Private.c_str(), 0700), 0);
  ASSERT_EQ(::chown(Private.c_str(), 65534, 65534), 0);
  R->RestartApplication("abc0");
  EXPECT_EQ(Helper.back(), Beside + "|" + Program() + "|+abc0");
  EXPECT_FALSE(fs::exists(Private + "/Reveziri3.exe"));

  fs::remove_all(Private);
  fs::create_directories(Tmp.File("theirs"));
  ::chmod(Tmp.File("theirs").c_str(), 0700);
  fs::create_directory_symlink(Tmp.File("theirs"), Private);
  R->RestartApplication("abc0");
  EXPECT_EQ(Helper.back(), Beside + "|" + Program() + "|+abc0");
  EXPECT_FALSE(fs::exists(Tmp.File("theirs/Reveziri3.exe")));

  fs::remove(Private);
  ASSERT_EQ(::mkdir(Private.c_str(), 0755), 0);
  ::chmod(Private.c_str(), 0755);
  R->RestartApplication("abc0");
  EXPECT_EQ(Helper.back(), Beside + "|" + Program() + "|+abc0");
  EXPECT_EQ(Helper.size(), 4u);
}

TEST_F(RenewixTest, AnInstallCutOffIsUndoneWhenTheProgramStarts) {
  WriteFile(Dir.File("a.dat"), "new a");
  WriteFile(Dir.File("a.dat.uOLD"), "old a");
  WriteFile(Dir.File("b.dat"), "old b");
  WriteFile(Dir.File("b.dat.uTMP"), "new b");
  helper::TJournal J;
  J.Moves = {{"a.dat.uTMP", "a.dat", "a.dat.uOLD", true, false, 0x20},
             {"b.dat.uTMP", "b.dat", "b.dat.uOLD", true, false, 0x20}};
  const int Fd = helper::OpenDirectory(Dir.Path());
  ASSERT_TRUE(helper::WriteFileAtomically(Fd, helper::JournalName, helper::FormatJournal(J)));
  ::close(Fd);
  TzuRenewix Fresh(nullptr);
  EXPECT_EQ(ReadFile(Dir.File("a.dat")), "old a");
  EXPECT_EQ(ReadFile(Dir.File("b.dat")), "old b");
  EXPECT_FALSE(fs::exists(Dir.File(helper::JournalName)));
  EXPECT_FALSE(fs::exists(Dir.File("a.dat.uOLD")));
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
}

TEST(RenewixProperties, DefaultsSettersAndFormData) {
  TzuRenewix R(nullptr);
  EXPECT_EQ(R.AutoCheckDelay(), 10000);
  EXPECT_EQ(R.CacheOptions(), 38);
  EXPECT_EQ(R.ShowMessages(), 75 | (1 << mUpgradeFailed));  // failed installs are shown too
  EXPECT_EQ(R.InfoFileURL(), "http://");
  EXPECT_EQ(R.VersionDate(), DateToRXDate(Date()));
  EXPECT_EQ(R.VersionControl(), byDate);
  EXPECT_TRUE(R.Wizard()->Enabled());
  EXPECT_TRUE(R.Wizard()->StayOnTop());
  EXPECT_EQ(R.TransferBufferSize(), 4096);
  EXPECT_FALSE(R.IsDefaultParams());
  R.SetRestartParams("");
  EXPECT_EQ(R.RestartParams(), " ");

  // RestartParams is stored only when it differs; VersionDateAutoSet always.
  TzuRenewix S(nullptr);
  std::string J = WriteComponentToJson(S);
  EXPECT_EQ(J.find("RestartParams"), std::string::npos) << J;
  EXPECT_EQ(J.find("PublicKey"), std::string::npos) << J;
  EXPECT_NE(J.find("VersionDateAutoSet"), std::string::npos) << J;
  S.SetRestartParams("/verysilent");
  S.SetVersionDate("01/02/2003");
  S.SetShowMessages(Bit(mConnLost));
  S.InfoFile()->SetUpgradeMethod(umUseExternalSetup);
  S.InfoFile()->Files()->Add("http://example.com/setup.exe");
  S.Wizard()->SetHideFileLocation(true);
  S.SetPublicKey("b2xk b25l");
  J = WriteComponentToJson(S);
  TzuRenewix T(nullptr);
  ReadComponentFromJson(T, J);
  EXPECT_EQ(T.RestartParams(), "/verysilent");
  EXPECT_EQ(T.VersionDate(), "01/02/2003");
  EXPECT_EQ(T.ShowMessages(), Bit(mConnLost));
  EXPECT_EQ(T.InfoFile()->UpgradeMethod(), umUseExternalSetup);
  EXPECT_EQ(T.InfoFile()->Files()->Strings(0), "http://example.com/setup.exe");
  EXPECT_TRUE(T.Wizard()->HideFileLocation());
  EXPECT_EQ(T.PublicKey(), "b2xk b25l");

  // Only at design time does switching the automatic date on stamp today into VersionDate.
  T.SetVersionDateAutoSet(true);
  EXPECT_EQ(T.VersionDate(), "01/02/2003");
  T.SetDesigning(true);
  T.SetVersionDateAutoSet(true);
  EXPECT_EQ(T.VersionDate(), DateToRXDate(Date()));
}

TEST(RenewixProperties, TheLanguageSettingIsSharedByEveryComponent) {
  TzuRenewix A(nullptr), B(nullptr);
  A.Wizard()->SetLanguage(wlGerman);
  EXPECT_EQ(RXCurrentLanguage(), 51100);
  EXPECT_EQ(RXLangStr(0), LoadRXString(51100));
  B.Wizard()->SetLanguage(wlRussian);
  EXPECT_EQ(RXCurrentLanguage(), 51050);
  RXSelectLanguage(wlEnglish);
}

// ---------- with the real windows ----------

void SaveShot(QWidget& W, const std::string& Name) { EXPECT_TRUE(zutest::SaveWidgetPng(W, Name)); }

std::string Text(QLabel* L) { return L->text().toStdString(); }

class RenewixWindowsTest : public RenewixTest {
 protected:
  void SetUp() override {
    RenewixTest::SetUp();
    R->Wizard()->SetEnabled(true);
    R->Wizard()->SetStayOnTop(false);
    Application().OnMessageBox = [this](const std::string& Text, const std::string&, unsigned) {
      Questions.push_back(Text);
      return Answer;
    };
  }
  void TearDown() override {
    Application().OnMessageBox = nullptr;
    RenewixTest::TearDown();
  }
  // Release files big enough that the slow location shows them in progress.
  void PublishSlow(const std::vector<std::string>& Files) {
    std::string Inf = "#version=1.0.0.3\n";
    for (size_t I = 0; I < Files.size(); ++I) {
      Inf += "#url" + std::to_string(I + 1) + "=" + Web.Url("/slow/" + Files[I]) + "\n";
      Web.Put("slow/" + Files[I], std::string(24 * 1024, static_cast<char>('a' + I)));
    }
    Web.Put("ini/app.inf", Inf);
    R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  }
  std::vector<std::string> Questions;
  int Answer = IDNO;
};

TEST_F(RenewixWindowsTest, TheWizardFollowsAWholeDownloadAndOKRestarts) {
  TBoxes Boxes;
  Boxes.Answers = {IDYES};
  R->SetShowMessages(Bit(mAskUpgrade));
  PublishSlow({"a.dat", "b.dat", "c.dat"});
  std::vector<std::string> Seen;
  R->OnFileStart = [&](TObject*, const std::string& URL, std::int32_t Size, TDateTime, bool&) {
    ASSERT_NE(WizardForm, nullptr);
    Seen.push_back(WizardForm->FileURL->text().toStdString() + " | " + Text(WizardForm->AllDownloading) + " | " +
                   Text(WizardForm->LFileSize));
    EXPECT_EQ(WizardForm->FileURL->text().toStdString(), URL);
    EXPECT_EQ(Text(WizardForm->LFileSize), RXFmtLangStr(6, {Size / 1024.0}));
    if (Seen.size() == 2) SaveShot(*WizardForm, "renewix-wizard-downloading.png");
  };
  int MidProgress = -1;
  R->OnProgress = [&](TObject*, const std::string&, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      std::uint8_t Pct, std::uint8_t Total, float) {
    if (!WizardForm) return;
    // The bars show what the event reports, right after it.
    QTimer::singleShot(0, [&, Pct, Total] {
      if (!WizardForm || WizardForm->Completed()) return;
      if (WizardForm->ProgressCurrentFile->value() == Pct && WizardForm->ProgressAllFiles->value() == Total)
        MidProgress = Total;
    });
  };
  // The completed page waits inside the component, so it is inspected and confirmed from a
  // timer that runs in that wait.
  bool CompletedShown = false;
  QTimer Confirm;
  QObject::connect(&Confirm, &QTimer::timeout, [&] {
    if (!WizardForm || !WizardForm->Completed() || CompletedShown) return;
    CompletedShown = true;
    EXPECT_EQ(Text(WizardForm->WizardTitle), RXLangStr(2));
    EXPECT_EQ(Text(WizardForm->LTransferRate).rfind(RXLangStr(7).substr(0, 6), 0), 0u)
        << Text(WizardForm->LTransferRate);
    EXPECT_TRUE(WizardForm->LCurrentFile->isHidden());
    EXPECT_TRUE(Helper.empty()) << "nothing is installed before OK";
    SaveShot(*WizardForm, "renewix-wizard-completed.png");
    QTest::mouseClick(WizardForm->OKBtn, Qt::LeftButton);
  });
  Confirm.start(20);
  R->OnEndUpgrade = [&](TObject*, bool&) { Log.push_back("end"); };
  R->CheckUpdate(false);
  ASSERT_TRUE(PumpUntil([&] { return !Helper.empty(); }, 30000)) << Joined();
  EXPECT_EQ(Seen, (std::vector<std::string>{
                      Web.Url("/slow/a.dat") + " | " + RXFmtLangStr(9, {1LL, 3LL}) + " | " + RXFmtLangStr(6, {24.0}),
                      Web.Url("/slow/b.dat") + " | " + RXFmtLangStr(9, {2LL, 3LL}) + " | " + RXFmtLangStr(6, {24.0}),
                      Web.Url("/slow/c.dat") + " | " + RXFmtLangStr(9, {3LL, 3LL}) + " | " + RXFmtLangStr(6, {24.0})}));
  EXPECT_GE(MidProgress, 0) << "the bars follow the progress events";
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_EQ(Joined(), "begin 3, done a.dat.uTMP, done b.dat.uTMP, done c.dat.uTMP, end");
  EXPECT_EQ(Helper[0], TzuRenewix::HelperPath() + "|" + Program() + "|+/afterupgrade0");
  EXPECT_EQ(Closed, 1);
  EXPECT_TRUE(CompletedShown);
  EXPECT_TRUE(Questions.empty());
  ASSERT_EQ(Boxes.Seen.size(), 1u);
  EXPECT_EQ(Boxes.Seen[0].Title, RXLangStr(0));
}

TEST_F(RenewixWindowsTest, CancelAsksAndOnlyYesAborts) {
  PublishSlow({"a.dat", "b.dat"});
  R->SetShowMessages(0);
  RestartNow = false;
  bool Cancelled = false;
  R->OnFileStart = [&](TObject*, const std::string&, std::int32_t, TDateTime, bool&) {
    if (Cancelled) return;
    Cancelled = true;
    QTimer::singleShot(0, [] {
      if (WizardForm) QTest::mouseClick(WizardForm->CancelBtn, Qt::LeftButton);
    });
  };
  Answer = IDNO;
  std::vector<std::string> AtCompletion;
  QTimer Confirm;
  QObject::connect(&Confirm, &QTimer::timeout, [&] {
    if (!WizardForm || !WizardForm->Completed()) return;
    AtCompletion = TempFiles(Dir.Path());
    QTest::mouseClick(WizardForm->OKBtn, Qt::LeftButton);
  });
  Confirm.start(20);
  R->CheckUpdate(false);
  ASSERT_TRUE(PumpUntil([&] { return Settled(); }, 30000)) << Joined();
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_EQ(Questions[0], RXLangStr(27));
  EXPECT_EQ(AtCompletion, (std::vector<std::string>{"a.dat.uTMP", "b.dat.uTMP"})) << "No: the download went on";
  EXPECT_EQ(Joined(), "begin 2, done a.dat.uTMP, done b.dat.uTMP, end");

  // Yes: the window goes, the upgrade is aborted and its files removed.
  Log.clear();
  Questions.clear();
  Cancelled = false;
  Answer = IDYES;
  R->SetVersionNumber("1.0.0.1");
  R->CheckUpdate(false);
  ASSERT_TRUE(PumpUntil([&] { return Settled(); }, 30000)) << Joined();
  EXPECT_EQ(Joined(), "begin 2, aborted");
  EXPECT_EQ(Questions.size(), 1u);
  EXPECT_EQ(WizardForm, nullptr);
  PumpUntil([&] { return !R->GetThreadBusy(); });
  EXPECT_TRUE(TempFiles(Dir.Path()).empty());
  EXPECT_TRUE(Helper.empty());
}

TEST_F(RenewixWindowsTest, ThePasswordDialogAnswersAProtectedFile) {
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url1=" + Web.Url("/protected/secret.txt") + "\n");
  R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  R->SetShowMessages(Bit(mPasswordRequest));
  R->Wizard()->SetEnabled(false);
  RestartNow = false;
  int Dialogs = 0;
  QTimer Fill;
  QObject::connect(&Fill, &QTimer::timeout, [&] {
    if (!PasswordForm || !PasswordForm->isVisible()) return;
    ++Dialogs;
    if (Dialogs == 1) SaveShot(*PasswordForm, "renewix-password-request.png");
    PasswordForm->UsernameEdit->SetText(NginxServer::User());
    PasswordForm->PasswordEdit->SetText(Dialogs == 1 ? "wrong" : NginxServer::Password());
    QTest::mouseClick(PasswordForm->OKBtn, Qt::LeftButton);
  });
  Fill.start(20);
  ASSERT_TRUE(RunCheck()) << Joined();
  EXPECT_EQ(Joined(), "begin 1, start secret.txt, done secret.txt.uTMP, end");
  EXPECT_EQ(Dialogs, 2) << "refused credentials ask again";
  EXPECT_EQ(R->HTTPUsername(), NginxServer::User());
  EXPECT_EQ(ReadFile(Dir.File("secret.txt.uTMP")), "members only\n");

  // Cancel aborts the upgrade.
  Log.clear();
  Fill.stop();
  R->SetHTTPPassword("");
  R->SetVersionNumber("1.0.0.1");
  QTimer Cancel;
  QObject::connect(&Cancel, &QTimer::timeout, [&] {
    if (PasswordForm && PasswordForm->isVisible()) QTest::keyClick(PasswordForm, Qt::Key_Escape);
  });
  Cancel.start(20);
  ::unlink(Dir.File("secret.txt.uTMP").c_str());
  ASSERT_TRUE(RunCheck()) << Joined();
  EXPECT_EQ(Joined(), "begin 1, aborted");
  EXPECT_EQ(R->HTTPPassword(), "");
}

TEST_F(RenewixWindowsTest, ALostConnectionIsReported) {
  TBoxes Boxes;
  FaultServer Faults;
  Faults.On("/a.dat", FaultServer::CutAfter(std::string(100000, 'a'), 500));
  Web.Put("ini/app.inf", "#version=1.0.0.3\n#url1=" + Faults.Url("/a.dat") + "\n");
  R->SetInfoFileURL(Web.Url("/ini/app.inf"));
  R->SetShowMessages(Bit(mConnLost));
  ASSERT_TRUE(RunCheck());
  EXPECT_EQ(Joined(), "begin 1, start a.dat, connlost");
  ASSERT_TRUE(PumpUntil([&] { return Boxes.Seen.size() == 1; }));
  EXPECT_EQ(Boxes.Seen[0].Text, RXLangStr(30));
  EXPECT_EQ(WizardForm, nullptr) << "the wizard closes with the transfer";
}

TEST_F(RenewixWindowsTest, EndingTheApplicationOnTheCompletedPageInstallsNothing) {
  Publish("1.0.0.3", {"a.dat"});
  QTimer End;
  QObject::connect(&End, &QTimer::timeout, [&] {
    if (WizardForm && WizardForm->Completed()) Application().Terminate();
  });
  End.start(20);
  R->CheckUpdate(false);
  ASSERT_TRUE(PumpUntil([&] { return Application().Terminated() && !WizardForm; }));
  Application().ResetTerminated();
  EXPECT_EQ(Joined(), "begin 1, start a.dat, done a.dat.uTMP");
  EXPECT_TRUE(Helper.empty());
  EXPECT_TRUE(TempFiles(Dir.Path()).empty()) << "the user never confirmed the installation";
}

}  // namespace
