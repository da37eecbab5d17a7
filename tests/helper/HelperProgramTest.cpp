// The built helper against scratch program directories, with shell scripts as programs.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "helper/HelperCommandLine.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string Helper = zutest::BinDir() + "/renewix-helper";

pid_t Spawn(const std::string& Path, std::vector<std::string> Argv) {
  std::vector<char*> P;
  for (auto& A : Argv) P.push_back(A.data());
  P.push_back(nullptr);
  pid_t Pid = 0;
  return ::posix_spawn(&Pid, Path.c_str(), nullptr, nullptr, P.data(), environ) == 0 ? Pid : -1;
}

// Exit code, or -1 (after killing it) when it does not end within the bound.
int WaitExit(pid_t Pid, int Seconds = 60) {
  for (int I = 0; I < Seconds * 100; ++I) {
    int Status = 0;
    const pid_t R = ::waitpid(Pid, &Status, WNOHANG);
    if (R == Pid) return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    if (R < 0 && errno != EINTR) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(Pid, SIGKILL);
  ::waitpid(Pid, nullptr, 0);
  return -1;
}

// Ends a child that a failed assertion would leave behind.
struct TChild {
  pid_t Pid;
  ~TChild() {
    if (Pid <= 0) return;
    ::kill(Pid, SIGKILL);
    ::waitpid(Pid, nullptr, 0);
  }
};

// The application's command line, split into argv as it reaches the helper.
int RunHelper(const std::string& CommandLine, const std::string& Path = Helper) {
  const pid_t Pid = Spawn(Path, zu::helper::SplitCommandLine(CommandLine));
  return Pid > 0 ? WaitExit(Pid) : -1;
}

// Restarted programs are no children of ours: their record is waited for.
std::string WaitRecord(const std::string& Path) {
  for (int I = 0; I < 3000 && !fs::exists(Path); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(Path) ? zutest::ReadFile(Path) : "<not started>";
}

void WriteMode(const std::string& Path, const std::string& Bytes, mode_t Mode) {
  zutest::WriteFile(Path, Bytes);
  ASSERT_EQ(::chmod(Path.c_str(), Mode), 0);
}

mode_t ModeOf(const std::string& Path) {
  struct stat St {};
  return ::stat(Path.c_str(), &St) == 0 ? St.st_mode & 07777 : 0;
}

std::string DosAttrib(const std::string& Path) {
  char Buf[32];
  const ssize_t N = ::getxattr(Path.c_str(), "user.DOSATTRIB", Buf, sizeof Buf);
  return N > 0 ? std::string(Buf, static_cast<std::size_t>(N)) : std::string();
}

void SetDosAttrib(const std::string& Path, const std::string& Text) {
  ::setxattr(Path.c_str(), "user.DOSATTRIB", Text.data(), Text.size(), 0);
}

// A program that writes the number of its arguments and each argument to Out.
std::string Recorder(const std::string& Out, const std::string& Extra = "") {
  return "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; " + Extra + "} > '" +
         Out + ".tmp'; mv '" + Out + ".tmp' '" + Out + "'\n";
}

class HelperProgram : public ::testing::Test {
 protected:
  zutest::TempDir Prog, Out;
  std::string Tool = Prog.File("tool.exe");
  std::string Record = Out.File("record");

  bool XattrsWork() {
    const std::string Probe = Prog.File("probe");
    zutest::WriteFile(Probe, "");
    SetDosAttrib(Probe, "0x2");
    const bool Ok = DosAttrib(Probe) == "0x2";
    fs::remove(Probe);
    return Ok;
  }
};

}  // namespace

TEST_F(HelperProgram, NoArgumentsShowsBannerAndExitsZero) {
  const zutest::ProcessResult R = zutest::RunProcess(Helper, {});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Err.rfind("Reveziri v3.4.2\nSelf-upgrading mechanism for Renewix component.\n", 0), 0u)
      << R.Err;
  const std::string Second = R.Err.substr(std::min<std::size_t>(R.Err.size(), 64));
  EXPECT_GT(Second.size(), 1u);
  EXPECT_EQ(Second.find('\n'), Second.size() - 1);
}

TEST_F(HelperProgram, ReplaceModeEveryFileKeepsItsName) {
  WriteMode(Tool, "#!/bin/sh\n", 0700);
  WriteMode(Prog.File("other.exe"), "other old", 0640);
  WriteMode(Tool + ".uTMP", Recorder(Record), 0644);
  WriteMode(Prog.File("other.exe.uTMP"), "other new", 0644);
  WriteMode(Prog.File("notes.txt.UTMP"), "notes", 0600);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);

  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(zutest::ReadFile(Prog.File("other.exe")), "other new");
  EXPECT_EQ(zutest::ReadFile(Prog.File("notes.txt")), "notes");
  EXPECT_EQ(ModeOf(Tool), 0700u);                  // the old file's bits
  EXPECT_EQ(ModeOf(Prog.File("other.exe")), 0640u);  // not made executable
  EXPECT_EQ(ModeOf(Prog.File("notes.txt")), 0600u);  // a new file keeps its own
  for (const auto& E : fs::directory_iterator(Prog.Path()))
    EXPECT_FALSE(zu::helper::IsUpdateName(E.path().filename().string())) << E.path();
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, OnlyOtherExeBecomesTheProgram) {
  WriteMode(Tool, "old", 0750);
  WriteMode(Prog.File("new.exe.uTMP"), Recorder(Record), 0600);
  WriteMode(Prog.File("Setup.EXE.uTMP"), "setup", 0644);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +abc0"), 0);
  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(ModeOf(Tool), 0750u);
  EXPECT_FALSE(fs::exists(Prog.File("new.exe")));
  EXPECT_EQ(zutest::ReadFile(Prog.File("Setup.EXE")), "setup");
  EXPECT_EQ(WaitRecord(Record), "1\n[abc]\n");
}

TEST_F(HelperProgram, MissingProgramIsStillInstalledAndStartedWithoutArguments) {
  WriteMode(Prog.File("new.exe.uTMP"), Recorder(Record), 0640);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " + 0"), 0);
  EXPECT_EQ(ModeOf(Tool), 0750u);  // executable where readable
  EXPECT_EQ(WaitRecord(Record), "0\n");
}

TEST_F(HelperProgram, UpperCaseExeIsNoProgram) {
  WriteMode(Tool, Recorder(Record), 0755);
  WriteMode(Prog.File("Setup.EXE.uTMP"), "setup", 0644);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(zutest::ReadFile(Prog.File("Setup.EXE")), "setup");
  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, ReadOnlyAndHiddenTargetsCarryOnlyArchiveAfterwards) {
  const bool Xattrs = XattrsWork();
  const std::string Notes = Prog.File("notes.txt");
  WriteMode(Tool, "old", 0555);
  WriteMode(Notes, "old", 0444);
  SetDosAttrib(Tool, "0x2");
  SetDosAttrib(Notes, "0x6");
  WriteMode(Tool + ".uTMP", Recorder(Record), 0644);
  WriteMode(Notes + ".uTMP", "new", 0644);
  SetDosAttrib(Notes + ".uTMP", "0x100");
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(zutest::ReadFile(Notes), "new");
  EXPECT_EQ(ModeOf(Notes), 0644u);
  EXPECT_EQ(ModeOf(Tool), 0755u);
  if (Xattrs) {
    EXPECT_EQ(DosAttrib(Notes), "0x20");
    EXPECT_EQ(DosAttrib(Tool), "0x20");
  }
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, BlanksInProgramAndHelperPaths) {
  // Neither path is quoted on the application's command line.
  const std::string Dir = Prog.File("Program Files");
  const std::string HelperDir = Out.File("my temp");
  fs::create_directories(Dir);
  fs::create_directories(HelperDir);
  const std::string Copy = HelperDir + "/Reveziri3.exe";
  fs::copy_file(Helper, Copy);
  const std::string Program = Dir + "/tool.exe";
  WriteMode(Program, "old", 0755);
  WriteMode(Program + ".uTMP", Recorder(Record), 0644);
  EXPECT_EQ(RunHelper(Copy + " " + Program + " +/afterupgrade --from  here0", Copy), 0);
  EXPECT_EQ(zutest::ReadFile(Program), Recorder(Record));
  EXPECT_EQ(WaitRecord(Record), "3\n[/afterupgrade]\n[--from]\n[here]\n");
}

TEST_F(HelperProgram, WaitsUntilTheProgramHasEnded) {
  fs::copy_file("/bin/sleep", Tool);
  TChild Running{Spawn(Tool, {Tool, "600"})};
  ASSERT_GT(Running.Pid, 0);
  WriteMode(Tool + ".uTMP", Recorder(Record), 0644);
  TChild H{Spawn(Helper, {Helper, Tool, "+/afterupgrade0"})};
  ASSERT_GT(H.Pid, 0);
  // While the program runs the helper stays and touches nothing.
  for (int I = 0; I < 30; ++I) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(::waitpid(H.Pid, nullptr, WNOHANG), 0) << "helper ended while the program ran";
  }
  EXPECT_TRUE(fs::exists(Tool + ".uTMP"));
  EXPECT_EQ(zutest::ReadFile(Tool), zutest::ReadFile("/bin/sleep"));
  ::kill(Running.Pid, SIGKILL);
  ::waitpid(std::exchange(Running.Pid, 0), nullptr, 0);
  EXPECT_EQ(WaitExit(std::exchange(H.Pid, 0)), 0);
  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, TargetsThatCannotBeReplacedStayAsTheyWere) {
  fs::create_directories(Prog.File("plugins"));
  zutest::WriteFile(Prog.File("plugins/inside"), "x");
  WriteMode(Prog.File("plugins.uTMP"), "new", 0600);
  WriteMode(Prog.File("data.txt.uTMP"), "data", 0600);
  WriteMode(Tool, Recorder(Record), 0755);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(zutest::ReadFile(Prog.File("plugins.uTMP")), "new");
  EXPECT_EQ(ModeOf(Prog.File("plugins.uTMP")), 0600u);
  EXPECT_EQ(zutest::ReadFile(Prog.File("plugins/inside")), "x");
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, UnwritableProgramDirectoryLeavesUpdatesInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  WriteMode(Tool, Recorder(Record), 0755);
  WriteMode(Tool + ".uTMP", "new", 0600);
  ASSERT_EQ(::chmod(Prog.Path().c_str(), 0555), 0);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  ::chmod(Prog.Path().c_str(), 0755);
  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(zutest::ReadFile(Tool + ".uTMP"), "new");
  EXPECT_EQ(ModeOf(Tool + ".uTMP"), 0600u);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, SetupModeRunsSetupWaitsDeletesThenStartsProgram) {
  const bool Xattrs = XattrsWork();
  const std::string Setup = Prog.File("setup.exe");
  const std::string SetupRecord = Out.File("setup");
  const std::string Done = Out.File("setup-done");
  // The setup keeps a copy of itself (with its attribute) and marks its end last.
  WriteMode(Setup + ".uTMP",
            "#!/bin/sh\ncp --preserve=xattr \"$0\" '" + Out.File("setup-copy") + "'\n" +
                Recorder(SetupRecord) + "sleep 0.2\ntouch '" + Done + "'\n",
            0644);
  WriteMode(Prog.File("data.txt.uTMP"), "data", 0644);
  WriteMode(Tool, Recorder(Record, "[ -e '" + Done + "' ] && echo after-setup; [ -e '" + Setup +
                                       "' ] && echo setup-left; "),
            0755);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade --setup1"), 0);
  EXPECT_TRUE(fs::exists(Done)) << "the helper did not wait for the setup program";
  EXPECT_FALSE(fs::exists(Setup));
  EXPECT_EQ(zutest::ReadFile(SetupRecord), "2\n[/afterupgrade]\n[--setup]\n");
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
  EXPECT_EQ(WaitRecord(Record), "2\n[/afterupgrade]\n[--setup]\nafter-setup\n");
  if (Xattrs) {
    EXPECT_EQ(DosAttrib(Out.File("setup-copy")), "0x22");
  }
}

TEST_F(HelperProgram, SetupModeWithoutSetupProgramStartsTheProgramOnce) {
  WriteMode(Prog.File("data.txt.uTMP"), "data", 0644);
  WriteMode(Tool, Recorder(Record), 0755);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade1"), 0);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
  EXPECT_TRUE(fs::exists(Tool));
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
}
