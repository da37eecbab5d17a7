// Whole upgrades of the real program: build/bin/renewix (1.0.0.2), copied into a scratch
// program directory, checks against nginx, which publishes build/bin/renewix-next (1.0.0.3).
// The program drives itself through its test driver (app/TestDriver.h): it clicks, answers
// every box and logs what each box said; the helper replaces the program (or runs a setup
// program) and starts it again, and the restarted program plays the script's next section.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "DemoSigning.h"
#include "TestUtil.h"
#include "servers/TestServers.h"

using zutest::ChildProcess;
using zutest::NginxServer;
using zutest::ReadFile;
using zutest::ScopedEnv;
using zutest::TempDir;
using zutest::WriteFile;
namespace fs = std::filesystem;

namespace {

struct TLine {
  int Instance = 0;
  std::string Kind, Text;
};

std::vector<TLine> ReadLog(const std::string& Path) {
  std::vector<TLine> R;
  std::ifstream In(Path);
  for (std::string Line; std::getline(In, Line);) {
    std::istringstream L(Line);
    TLine T;
    L >> T.Instance >> T.Kind;
    std::getline(L >> std::ws, T.Text);
    R.push_back(T);
  }
  return R;
}

// What instance N logged of one kind, in order.
std::vector<std::string> Of(const std::vector<TLine>& Log, int Instance, const std::string& Kind) {
  std::vector<std::string> R;
  for (const auto& L : Log)
    if (L.Instance == Instance && L.Kind == Kind) R.push_back(L.Text);
  return R;
}

// A box line is "<caption>|<text> -> <answer>": the text alone.
std::vector<std::string> BoxTexts(const std::vector<TLine>& Log, int Instance) {
  std::vector<std::string> R;
  for (const auto& B : Of(Log, Instance, "box")) {
    const size_t Bar = B.find('|'), Arrow = B.rfind(" -> ");
    R.push_back(B.substr(Bar + 1, Arrow - Bar - 1));
  }
  return R;
}

bool Exited(const std::vector<TLine>& Log, int Instance) { return !Of(Log, Instance, "exit").empty(); }

class UpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Web.Ok()) << Web.Error();
    fs::create_directories(ProgramDir());
    fs::create_directories(Dir.File("tmp"));
    fs::copy_file(zutest::BinDir() + "/renewix", Program());
    fs::permissions(Program(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    Next = ReadFile(zutest::BinDir() + "/renewix-next");
    ASSERT_FALSE(Next.empty());
  }
  void TearDown() override {
    // Whatever the chain left running (it runs in sessions of its own) ends here.
    for (const auto& L : ReadLog(LogPath()))
      if (L.Kind == "start" && !Exited(ReadLog(LogPath()), L.Instance)) {
        const pid_t Pid = std::atoi(L.Text.substr(L.Text.find("pid=") + 4).c_str());
        if (Pid > 0) ::kill(Pid, SIGKILL);
      }
  }

  std::string ProgramDir() const { return Dir.File("program"); }
  std::string Program() const { return Dir.File("program/renewix"); }
  std::string LogPath() const { return Dir.File("driver.log"); }
  std::string HelperFile() const { return Dir.File("tmp/renewix-" + std::to_string(::getuid()) + "/Reveziri3.exe"); }

  void Publish(const std::string& File, const std::string& Bytes, const std::string& Extra = std::string()) {
    Web.Put("rel/1.0.0.3/" + File, Bytes);
    Web.Put("ini/SablewingUpdate.inf",
            zutest::SignedWithDemoKey("#version=1.0.0.3\n#url1=" + Web.Url("/rel/1.0.0.3/" + File) + "\n" +
                                      zutest::FileCheckLines("#url1", Bytes) +
                                      "#message={1. Faster start\n2. Smaller downloads}\n" + Extra));
  }

  // Runs the program with Script until Instances programs have logged their exit.
  std::vector<TLine> Play(const std::string& Script, const std::vector<std::string>& Args, int Instances,
                          const std::string& Shots) {
    WriteFile(Dir.File("script"), Script);
    const std::string ShotsDir = zutest::ArtifactsDir() + "/" + Shots;
    fs::remove_all(ShotsDir);
    ScopedEnv E1("RENEWIX_TEST_SCRIPT", Dir.File("script").c_str());
    ScopedEnv E2("RENEWIX_TEST_LOG", LogPath().c_str());
    ScopedEnv E3("RENEWIX_TEST_SHOTS", ShotsDir.c_str());
    ScopedEnv E4("RENEWIX_TEST_TIMEOUT", "60");
    ScopedEnv E5("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
    ScopedEnv E6("TMPDIR", Dir.File("tmp").c_str());
    ScopedEnv E7("LANG", "en_US.UTF-8");
    ChildProcess P;
    EXPECT_TRUE(P.Start(Program(), Args, Dir.File("program.out")));
    EXPECT_EQ(P.Wait(90000), 0) << ReadFile(Dir.File("program.out"));
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (!Exited(ReadLog(LogPath()), Instances) && std::chrono::steady_clock::now() < End)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto Log = ReadLog(LogPath());
    EXPECT_TRUE(Exited(Log, Instances)) << ReadFile(LogPath()) << ReadFile(Dir.File("program.out"));
    return Log;
  }

  // What the first program must see of an upgrade, and the restarted one of its check.
  void ExpectUpgradeThenSilentRestart(const std::vector<TLine>& Log) {
    ASSERT_EQ(Of(Log, 1, "start").size(), 1u) << ReadFile(LogPath());
    EXPECT_NE(Of(Log, 1, "start")[0].find("version=1.0.0.2 args="), std::string::npos);
    EXPECT_EQ(Of(Log, 1, "title"), std::vector<std::string>{"Renewix (Ver1.0.0.2)"});
    const auto Boxes = BoxTexts(Log, 1);
    ASSERT_EQ(Boxes.size(), 4u) << ReadFile(LogPath());
    EXPECT_EQ(Boxes[0], "zuUpgrdr1BeginUpgrade");
    EXPECT_NE(Boxes[1].find("1. Faster start\\n2. Smaller downloads"), std::string::npos) << Boxes[1];
    EXPECT_EQ(Boxes[2], "zuUpgrdr1FileStart");
    EXPECT_EQ(Boxes[3], "zuUpgrdr1FileDone");
    for (const auto& B : Of(Log, 1, "box")) EXPECT_EQ(B.find("(unscripted)"), std::string::npos) << B;
    EXPECT_EQ(Of(Log, 1, "wizard"), std::vector<std::string>{"completed"});
    EXPECT_TRUE(Of(Log, 1, "timeout").empty());

    // Started by the helper with the restart parameters: no after-restart message, since
    // the component still holds "/afterupgrade" while it is loaded.
    ASSERT_EQ(Of(Log, 2, "start").size(), 1u) << ReadFile(LogPath());
    EXPECT_NE(Of(Log, 2, "start")[0].find("version=1.0.0.3 args=/verysilent"), std::string::npos)
        << Of(Log, 2, "start")[0];
    EXPECT_EQ(Of(Log, 2, "title"), std::vector<std::string>{"Renewix (Ver1.0.0.3)"});
    EXPECT_EQ(BoxTexts(Log, 2), std::vector<std::string>{"No Available Updates!!!"});
    EXPECT_TRUE(Of(Log, 3, "start").empty());

    // The new program is in place, executable; nothing of the download is left over, and
    // the restarted program removed the helper's file.
    EXPECT_TRUE(ReadFile(Program()) == Next) << "the program is not renewix-next";
    EXPECT_EQ(::access(Program().c_str(), X_OK), 0);
    for (const auto& E : fs::directory_iterator(ProgramDir())) EXPECT_NE(E.path().extension(), ".uTMP") << E.path();
    EXPECT_FALSE(fs::exists(HelperFile()));
  }

  NginxServer Web;
  TempDir Dir;
  std::string Next;
};

const char* const UpgradeScript =
    "check\n"
    "box ok      # zuUpgrdr1BeginUpgrade\n"
    "box yes     # the question with the release notes\n"
    "box ok      # zuUpgrdr1FileStart\n"
    "box ok      # zuUpgrdr1FileDone\n"
    "wizard-ok\n"
    "---\n"
    "check\n"
    "box ok      # No Available Updates!!!\n"
    "close\n";

TEST_F(UpgradeTest, SelfUpgradeReplacesTheProgramAndStartsItSilently) {
  Publish("renewix", Next);
  const auto Log = Play(UpgradeScript, {}, 2, "upgrade-self");
  ExpectUpgradeThenSilentRestart(Log);
  const std::string Access = Web.AccessLogWith({"GET /rel/1.0.0.3/renewix 200"});
  EXPECT_NE(Access.find("GET /rel/1.0.0.3/renewix 200"), std::string::npos) << Access;
}

TEST_F(UpgradeTest, ExternalSetupRunsWithVerysilentIsDeletedAndTheProgramRestarts) {
  // A setup program as the release ships it: it records how it was called and installs the
  // new program beside itself.
  WriteFile(Dir.File("next"), Next);
  const std::string Setup = "#!/bin/sh\n"
                            "echo \"$@\" >> '" + Dir.File("setup-args") + "'\n"
                            "d=$(dirname \"$0\")\n"
                            "cp '" + Dir.File("next") + "' \"$d/renewix.new\" && chmod 755 \"$d/renewix.new\" && "
                            "mv \"$d/renewix.new\" \"$d/renewix\"\n";
  Publish("setup.exe", Setup, "#method=1\n");
  const auto Log = Play(UpgradeScript, {}, 2, "upgrade-setup");
  ExpectUpgradeThenSilentRestart(Log);
  EXPECT_EQ(ReadFile(Dir.File("setup-args")), "/verysilent\n") << "run once, with the restart parameters";
  EXPECT_FALSE(fs::exists(ProgramDir() + "/setup.exe")) << "the helper deletes the setup program";
}

TEST_F(UpgradeTest, OnlyTheRestartMarkerShowsTheAfterRestartMessage) {
  // "/afterupgrade" is the component's RestartParams while the form is loaded: the message
  // comes while the window is created, before it shows.
  auto Log = Play("box ok\nclose\n", {"/afterupgrade"}, 1, "afterupgrade");
  EXPECT_EQ(BoxTexts(Log, 1), std::vector<std::string>{"zuUpgrdr1AfterRestart"});
  ASSERT_GE(Log.size(), 3u);
  EXPECT_EQ(Log[1].Kind, "box") << "shown before the window";
  EXPECT_EQ(Log[2].Kind, "title");

  fs::remove(LogPath());
  Log = Play("close\n", {"/verysilent"}, 1, "verysilent");
  EXPECT_TRUE(BoxTexts(Log, 1).empty());
  EXPECT_EQ(Of(Log, 1, "title"), std::vector<std::string>{"Renewix (Ver1.0.0.2)"});

  fs::remove(LogPath());
  Log = Play("close\n", {}, 1, "plain-start");
  EXPECT_TRUE(BoxTexts(Log, 1).empty());
}

}  // namespace
