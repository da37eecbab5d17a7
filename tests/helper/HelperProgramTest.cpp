// The built helper against scratch program directories, with shell scripts as programs.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/file.h>
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
#include "helper/Install.h"

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

// What the component leaves for the helper: a completed run naming every ".uTMP" file of Dir
// as it is now.
void Request(const std::string& Dir) {
  zu::helper::TManifest M;
  M.Complete = true;
  for (const auto& E : fs::directory_iterator(Dir)) {
    const std::string Name = E.path().filename().string();
    struct stat St {};
    if (!zu::helper::IsUpdateName(Name) || ::lstat(E.path().c_str(), &St) != 0 || !S_ISREG(St.st_mode)) continue;
    M.Files.push_back({Name.substr(0, Name.size() - 5), "http://127.0.0.1/" + Name, "", "", St.st_size, St.st_ino, true});
  }
  const int Fd = zu::helper::OpenDirectory(Dir);
  ASSERT_GE(Fd, 0);
  EXPECT_TRUE(zu::helper::WriteManifest(Fd, M));
  ::close(Fd);
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

std::vector<std::string> FilesIn(const std::string& Dir) {
  std::vector<std::string> Names;
  for (const auto& E : fs::directory_iterator(Dir)) Names.push_back(E.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
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
  WriteMode(Prog.File("notes.txt.uTMP"), "notes", 0600);
  Request(Prog.Path());
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
  Request(Prog.Path());
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +abc0"), 0);
  EXPECT_EQ(zutest::ReadFile(Tool), Recorder(Record));
  EXPECT_EQ(ModeOf(Tool), 0750u);
  EXPECT_FALSE(fs::exists(Prog.File("new.exe")));
  EXPECT_EQ(zutest::ReadFile(Prog.File("Setup.EXE")), "setup");
  EXPECT_EQ(WaitRecord(Record), "1\n[abc]\n");
}

TEST_F(HelperProgram, MissingProgramIsStillInstalledAndStartedWithoutArguments) {
  WriteMode(Prog.File("new.exe.uTMP"), Recorder(Record), 0640);
  Request(Prog.Path());
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " + 0"), 0);
  EXPECT_EQ(ModeOf(Tool), 0750u);  // executable where readable
  EXPECT_EQ(WaitRecord(Record), "0\n");
}

TEST_F(HelperProgram, UpperCaseExeIsNoProgram) {
  WriteMode(Tool, Recorder(Record), 0755);
  WriteMode(Prog.File("Setup.EXE.uTMP"), "setup", 0644);
  Request(Prog.Path());
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
  Request(Prog.Path());
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
  Request(Dir);
  EXPECT_EQ(RunHelper(Copy + " " + Program + " +/afterupgrade --from  here0", Copy), 0);
  EXPECT_EQ(zutest::ReadFile(Program), Recorder(Record));
  EXPECT_EQ(WaitRecord(Record), "3\n[/afterupgrade]\n[--from]\n[here]\n");
}

TEST_F(HelperProgram, WaitsUntilTheProgramHasEnded) {
  fs::copy_file("/bin/sleep", Tool);
  TChild Running{Spawn(Tool, {Tool, "600"})};
  ASSERT_GT(Running.Pid, 0);
  WriteMode(Tool + ".uTMP", Recorder(Record), 0644);
  Request(Prog.Path());
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

TEST_F(HelperProgram, ATargetThatCannotBeReplacedUndoesTheWholeInstall) {
  fs::create_directories(Prog.File("plugins"));
  zutest::WriteFile(Prog.File("plugins/inside"), "x");
  zutest::WriteFile(Prog.File("a.txt"), "old a");
  WriteMode(Prog.File("a.txt.uTMP"), "new a", 0600);
  WriteMode(Prog.File("plugins.uTMP"), "new", 0600);
  WriteMode(Prog.File("z.txt.uTMP"), "new z", 0600);
  WriteMode(Tool, Recorder(Record, "echo \"$RENEWIX_UPDATE_RESULT\"; "), 0755);
  Request(Prog.Path());
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  // a.txt had been replaced before plugins failed: it is back, and the set is gone.
  EXPECT_EQ(zutest::ReadFile(Prog.File("a.txt")), "old a");
  EXPECT_EQ(zutest::ReadFile(Prog.File("plugins/inside")), "x");
  EXPECT_FALSE(fs::exists(Prog.File("z.txt")));
  EXPECT_EQ(FilesIn(Prog.Path()), (std::vector<std::string>{"a.txt", "plugins", "tool.exe"}));
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\nfailed cannot replace plugins: Is a directory\n");
}

TEST_F(HelperProgram, UnwritableProgramDirectoryStartsTheOldProgramAndSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the helper as another user";
  // Owned by root, run as nobody: no journal can be written, so nothing is touched.
  const zutest::TempDir Shared(0755);
  const std::string& Base = Shared.Path();
  const std::string Dir = Base + "/prog", Rec = Base + "/out";
  fs::create_directories(Dir);
  fs::create_directories(Rec);
  ASSERT_EQ(::chmod(Dir.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(Rec.c_str(), 0777), 0);
  const std::string Program = Dir + "/tool", Record2 = Rec + "/record";
  WriteMode(Program, Recorder(Record2, "echo \"$RENEWIX_UPDATE_RESULT\"; id -u; "), 0755);
  WriteMode(Program + ".uTMP", "new", 0644);
  WriteMode(Dir + "/data.txt.uTMP", "data", 0644);
  Request(Dir);
  const pid_t Pid = Spawn("/usr/bin/setpriv", {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                               Helper, Program, "+/afterupgrade0"});
  ASSERT_GT(Pid, 0);
  EXPECT_EQ(WaitExit(Pid), 0);
  EXPECT_EQ(WaitRecord(Record2), "1\n[/afterupgrade]\nfailed cannot write .renewix-journal: Permission denied\n65534\n");
  EXPECT_EQ(zutest::ReadFile(Program), Recorder(Record2, "echo \"$RENEWIX_UPDATE_RESULT\"; id -u; "));
  EXPECT_EQ(zutest::ReadFile(Program + ".uTMP"), "new");
  EXPECT_FALSE(fs::exists(Dir + "/data.txt"));
}

TEST_F(HelperProgram, AnUnreadableProgramDirectoryStartsTheOldProgramAndSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the helper as another user";
  const zutest::TempDir Shared(0777);
  const std::string& Base = Shared.Path();
  const std::string Dir = Base + "/prog", Program = Dir + "/tool", Record2 = Base + "/record";
  fs::create_directories(Dir);
  WriteMode(Program, Recorder(Record2, "echo \"$RENEWIX_UPDATE_RESULT\"; "), 0755);
  WriteMode(Program + ".uTMP", "new", 0644);
  Request(Dir);
  ASSERT_EQ(::chmod(Dir.c_str(), 0711), 0);  // others may run the program but not list the folder
  const pid_t Pid = Spawn("/usr/bin/setpriv", {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                               Helper, Program, "+/afterupgrade0"});
  ASSERT_GT(Pid, 0);
  EXPECT_EQ(WaitExit(Pid), 0);
  EXPECT_EQ(WaitRecord(Record2), "1\n[/afterupgrade]\nfailed cannot open the program's folder: Permission denied\n");
  EXPECT_EQ(zutest::ReadFile(Program + ".uTMP"), "new");
}

TEST_F(HelperProgram, OddProgramPathsAsAnArgumentVector) {
  // A stray "c.uTMP" beside "c++" once took the place of a program whose path was cut at '+'.
  fs::create_directories(Prog.File("c++/two  blanks\ttab\"quote\nline \xc3\xa9"));
  zutest::WriteFile(Prog.File("c.uTMP"), "stray");
  Request(Prog.Path());
  const std::string Dir = Prog.File("c++/two  blanks\ttab\"quote\nline \xc3\xa9");
  const std::string Program = Dir + "/app";
  WriteMode(Program, "old", 0755);
  WriteMode(Program + ".uTMP", Recorder(Record), 0644);
  Request(Dir);
  const pid_t Pid = Spawn(Helper, {Helper, Program, "+/afterupgrade  --x0"});
  ASSERT_GT(Pid, 0);
  EXPECT_EQ(WaitExit(Pid), 0);
  EXPECT_EQ(zutest::ReadFile(Program), Recorder(Record));
  EXPECT_EQ(WaitRecord(Record), "2\n[/afterupgrade]\n[--x]\n");
  EXPECT_EQ(zutest::ReadFile(Prog.File("c.uTMP")), "stray");
  EXPECT_FALSE(fs::exists(Prog.File("c")));
}

TEST_F(HelperProgram, AnExeNeverReplacesAProgramWithoutThatEnding) {
  const std::string App = Prog.File("renewix-cli");
  WriteMode(App, Recorder(Record), 0755);
  WriteMode(Prog.File("winhelper.exe.uTMP"), "windows helper", 0644);
  Request(Prog.Path());
  EXPECT_EQ(RunHelper(Helper + " " + App + " +/afterupgrade0"), 0);
  EXPECT_EQ(zutest::ReadFile(App), Recorder(Record));
  EXPECT_EQ(zutest::ReadFile(Prog.File("winhelper.exe")), "windows helper");
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
}

TEST_F(HelperProgram, OnlyTheCompletedRunsOwnFilesAreInstalled) {
  WriteMode(Tool, Recorder(Record), 0755);
  zutest::WriteFile(Prog.File("big.bin"), "good big");
  WriteMode(Prog.File("big.bin.uTMP"), "fragment", 0644);
  // A run still downloading is no request: nothing moves and nothing starts.
  const int Fd = zu::helper::OpenDirectory(Prog.Path());
  ASSERT_GE(Fd, 0);
  zu::helper::TManifest M;
  M.Files.push_back({"big.bin", "http://127.0.0.1/big.bin", "", "", 8, 0, false});
  ASSERT_TRUE(zu::helper::WriteManifest(Fd, M));
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(zutest::ReadFile(Prog.File("big.bin")), "good big");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(Record));

  // The next, completed run lists data.txt and notes.txt; the fragment and a planted file
  // stay where they are.
  WriteMode(Prog.File("data.txt.uTMP"), "data", 0644);
  WriteMode(Prog.File("notes.txt.uTMP"), "notes", 0644);
  Request(Prog.Path());
  ASSERT_TRUE(zu::helper::ReadManifest(Fd, M));
  std::erase_if(M.Files, [](const auto& F) { return F.Name == "big.bin"; });
  ASSERT_TRUE(zu::helper::WriteManifest(Fd, M));
  WriteMode(Prog.File("planted.txt.uTMP"), "planted", 0644);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
  EXPECT_EQ(zutest::ReadFile(Prog.File("notes.txt")), "notes");
  EXPECT_EQ(zutest::ReadFile(Prog.File("big.bin")), "good big");
  EXPECT_EQ(zutest::ReadFile(Prog.File("big.bin.uTMP")), "fragment");
  EXPECT_EQ(zutest::ReadFile(Prog.File("planted.txt.uTMP")), "planted");
  EXPECT_FALSE(fs::exists(Prog.File("planted.txt")));
  EXPECT_FALSE(fs::exists(Prog.File(zu::helper::ManifestName)));

  // A listed file changed after its download: none of the set is installed, and the program
  // hears why.
  fs::remove(Record);
  WriteMode(Tool, Recorder(Record, "echo \"$RENEWIX_UPDATE_RESULT\"; "), 0755);
  WriteMode(Prog.File("data.txt.uTMP"), "data 2", 0644);
  WriteMode(Prog.File("notes.txt.uTMP"), "notes 2", 0644);
  Request(Prog.Path());
  WriteMode(Prog.File("notes.txt.uTMP"), "changed afterwards", 0644);
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\nfailed notes.txt.uTMP is not the file that was downloaded\n");
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
  EXPECT_EQ(zutest::ReadFile(Prog.File("notes.txt")), "notes");
  ::close(Fd);
}

TEST_F(HelperProgram, KilledAfterAnyRenameTheNextRunEndsWithAWholeSet) {
  const std::vector<std::string> Names{"a.dat", "b.dat", "c.dat", "d.dat", "tool.exe"};
  for (int K = 0; K <= static_cast<int>(Names.size()); ++K) {
    SCOPED_TRACE("killed after rename " + std::to_string(K));
    fs::remove(Record);
    for (const auto& N : Names) {
      WriteMode(Prog.File(N), N == "tool.exe" ? Recorder(Record, "echo old; ") : "old " + N, 0755);
      WriteMode(Prog.File(N + ".uTMP"), N == "tool.exe" ? Recorder(Record, "echo new; ") : "new " + N, 0644);
    }
    Request(Prog.Path());
    {
      zutest::ScopedEnv Kill("RENEWIX_TEST_KILL_HELPER_AFTER", std::to_string(K).c_str());
      const pid_t Pid = Spawn(Helper, {Helper, Tool, "+/afterupgrade0"});
      ASSERT_GT(Pid, 0);
      int Status = 0;
      ASSERT_EQ(::waitpid(Pid, &Status, 0), Pid);
      ASSERT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL);
    }
    EXPECT_TRUE(fs::exists(Prog.File(zu::helper::JournalName)));
    // The next helper finishes or undoes the set and starts the program it never started.
    EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade0"), 0);
    const std::string Seen = WaitRecord(Record);
    const bool New = K == static_cast<int>(Names.size());
    EXPECT_EQ(Seen, New ? "1\n[/afterupgrade]\nnew\n" : "1\n[/afterupgrade]\nold\n");
    for (const auto& N : Names) {
      if (N != "tool.exe") {
        EXPECT_EQ(zutest::ReadFile(Prog.File(N)), (New ? "new " : "old ") + N);
      }
    }
    EXPECT_EQ(FilesIn(Prog.Path()), Names);
  }
}

TEST_F(HelperProgram, ASecondHelperFindsTheWorkDoneAndStartsNothing) {
  const std::string Starts = Out.File("starts");
  WriteMode(Tool, "old", 0755);
  WriteMode(Tool + ".uTMP", "#!/bin/sh\necho started >> '" + Starts + "'\n", 0644);
  for (int I = 0; I < 20; ++I) WriteMode(Prog.File("f" + std::to_string(I) + ".uTMP"), "new", 0644);
  Request(Prog.Path());
  TChild A{Spawn(Helper, {Helper, Tool, "+/afterupgrade0"})};
  TChild B{Spawn(Helper, {Helper, Tool, "+/afterupgrade0"})};
  EXPECT_EQ(WaitExit(std::exchange(A.Pid, 0)), 0);
  EXPECT_EQ(WaitExit(std::exchange(B.Pid, 0)), 0);
  // ">>" creates the file before its one write: wait for the line, not for the file.
  for (int I = 0; I < 3000 && (!fs::exists(Starts) || fs::file_size(Starts) == 0); ++I)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(WaitRecord(Starts), "started\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(zutest::ReadFile(Starts), "started\n");
}

TEST_F(HelperProgram, AFolderLockedByAnotherUserEndsTheWaitAndSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hold the lock as another user";
  // Anybody who can read the folder can lock it; here nobody holds it for as long as it likes.
  const zutest::TempDir Shared(0755);
  const std::string& Base = Shared.Path();
  const std::string Dir = Base + "/prog", Program = Dir + "/tool";
  fs::create_directories(Dir);
  ASSERT_EQ(::chmod(Dir.c_str(), 0755), 0);
  const std::string Old = Recorder(Record, "echo \"$RENEWIX_UPDATE_RESULT\"; ");
  WriteMode(Program, Old, 0755);
  WriteMode(Program + ".uTMP", Recorder(Record, "echo new; "), 0644);
  Request(Dir);
  // The shell's descriptor holds the lock; killing it releases the lock.
  TChild Holder{Spawn("/usr/bin/setpriv", {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/bin/sh",
                                           "-c", "exec 9<\"$0\" && flock -x 9 && exec sleep 60", Dir})};
  ASSERT_GT(Holder.Pid, 0);
  const int Fd = zu::helper::OpenDirectory(Dir);
  ASSERT_GE(Fd, 0);
  bool Held = false;
  for (int I = 0; I < 500 && !Held; ++I) {
    Held = ::flock(Fd, LOCK_EX | LOCK_NB) != 0;
    if (!Held) ::flock(Fd, LOCK_UN), std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(Fd);
  ASSERT_TRUE(Held);
  {
    zutest::ScopedEnv Short("RENEWIX_TEST_LOCK_WAIT_MS", "300");
    EXPECT_EQ(RunHelper(Helper + " " + Program + " +/afterupgrade0"), 0);
  }
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\nfailed another process kept the program's folder locked\n");
  EXPECT_EQ(zutest::ReadFile(Program), Old);
  // The download stays: once the lock is gone the next helper installs it.
  ::kill(Holder.Pid, SIGKILL);
  ::waitpid(std::exchange(Holder.Pid, 0), nullptr, 0);
  fs::remove(Record);
  EXPECT_EQ(RunHelper(Helper + " " + Program + " +/afterupgrade0"), 0);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\nnew\n");
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
  Request(Prog.Path());
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
  Request(Prog.Path());
  EXPECT_EQ(RunHelper(Helper + " " + Tool + " +/afterupgrade1"), 0);
  EXPECT_EQ(WaitRecord(Record), "1\n[/afterupgrade]\n");
  EXPECT_TRUE(fs::exists(Tool));
  EXPECT_EQ(zutest::ReadFile(Prog.File("data.txt")), "data");
}
