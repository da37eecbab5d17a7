// renewix-cli as its users run it: a process against a real nginx, its event lines on
// standard output, and a real self-update through the helper.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixVerify.h"
#include "platform/os/Crypto.h"
#include "servers/TestServers.h"
#include "widgets/zuRichTextUtils.h"

extern char** environ;

using zutest::NginxServer;
namespace fs = std::filesystem;

namespace {

struct TRun {
  int ExitCode = -1;  // -1: killed at the deadline
  std::string Out, Err;
  std::string OutPath, ErrPath;  // a restarted program appends to these
};

bool Contains(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

int Count(const std::string& Text, const std::string& Part) {
  int N = 0;
  for (size_t P = Text.find(Part); P != std::string::npos; P = Text.find(Part, P + Part.size())) ++N;
  return N;
}

// A whole file in one read (the programs are tens of megabytes); empty when it is missing.
std::string Slurp(const std::string& Path) {
  std::ifstream F(Path, std::ios::binary | std::ios::ate);
  if (!F) return std::string();
  std::string S(static_cast<size_t>(F.tellg()), '\0');
  F.seekg(0);
  F.read(S.data(), static_cast<std::streamsize>(S.size()));
  return F ? S : std::string();
}

// The program's message in English, as the console shows it (without markup).
std::string Message(int Index, std::initializer_list<zu::TRXFormatArg> Args = {}) {
  zu::RXSelectLanguage(zu::wlEnglish);
  return zu::DeleteAllTags(Args.size() ? zu::RXFmtLangStr(Index, Args) : zu::RXLangStr(Index));
}

std::string InfoFile(const std::string& Version, const std::vector<std::string>& URLs,
                     const std::string& More = std::string()) {
  std::string S = "#version=" + Version + "\n";
  for (size_t I = 0; I < URLs.size(); ++I) S += "#url" + std::to_string(I + 1) + "=" + URLs[I] + "\n";
  return S + More;
}

std::int64_t ExtractSize(const std::string& Path) {
  struct stat St {};
  return ::stat(Path.c_str(), &St) == 0 ? St.st_size : -1;
}

std::vector<std::string> FilesIn(const std::string& Dir) {
  std::vector<std::string> Names;
  for (const auto& E : fs::directory_iterator(Dir)) Names.push_back(E.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

// Each case gets its own directories: the program's (the helper replaces files there) and the
// temporary one, where the program writes its helper.
class RenewixCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Tmp());
    fs::create_directories(ProgDir());
  }

  std::string Tmp() const { return Work.File("tmp"); }
  std::string ProgDir() const { return fs::canonical(Work.Path()).string() + "/prog"; }
  std::string Built() const { return zutest::BinDir() + "/renewix-cli"; }
  std::string BuiltNext() const { return zutest::BinDir() + "/renewix-cli-next"; }

  // A copy of the program that may update itself.
  std::string Installed() const {
    const std::string P = ProgDir() + "/renewix-cli";
    fs::copy_file(Built(), P, fs::copy_options::overwrite_existing);
    return P;
  }

  // Runs Program in a session of its own, so that it finds no terminal to ask a password on;
  // Input is its standard input.
  TRun Run(const std::string& Program, const std::vector<std::string>& Args, const std::string& Input = "",
           const std::map<std::string, std::string>& Env = {}) {
    TRun R;
    const pid_t Pid = Start(Program, Args, Input, Env, R);
    Finish(Pid, R);
    return R;
  }

  pid_t Start(const std::string& Program, const std::vector<std::string>& Args, const std::string& Input,
              const std::map<std::string, std::string>& Env, TRun& R) {
    const std::string Base = Work.File("run" + std::to_string(++FRuns));
    zutest::WriteFile(Base + ".in", Input);
    std::map<std::string, std::string> Vars{{"LC_ALL", "C"}, {"LANG", "C"}, {"TMPDIR", Tmp()}};
    for (const auto& [K, V] : Env) Vars[K] = V;
    std::vector<std::string> EnvText;
    for (char** E = environ; *E; ++E) {
      const std::string S = *E;
      if (!Vars.count(S.substr(0, S.find('=')))) EnvText.push_back(S);
    }
    for (const auto& [K, V] : Vars) EnvText.push_back(K + "=" + V);
    std::vector<char*> Envp, Argv{const_cast<char*>(Program.c_str())};
    for (auto& S : EnvText) Envp.push_back(S.data());
    Envp.push_back(nullptr);
    for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);

    posix_spawn_file_actions_t Fa;
    posix_spawn_file_actions_init(&Fa);
    posix_spawn_file_actions_addopen(&Fa, 0, (Base + ".in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Fa, 1, (Base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&Fa, 2, (Base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t At;
    posix_spawnattr_init(&At);
    posix_spawnattr_setflags(&At, POSIX_SPAWN_SETSID);
    pid_t Pid = -1;
    if (posix_spawn(&Pid, Program.c_str(), &Fa, &At, Argv.data(), Envp.data()) != 0) Pid = -1;
    posix_spawn_file_actions_destroy(&Fa);
    posix_spawnattr_destroy(&At);
    R.OutPath = Base + ".out";
    R.ErrPath = Base + ".err";
    return Pid;
  }

  // Waits for the program to end (killed after a generous deadline) and collects its output.
  static void Finish(pid_t Pid, TRun& R) {
    if (Pid < 0) return;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    int Status = 0;
    while (::waitpid(Pid, &Status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > Deadline) {
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, &Status, 0);
        Status = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    R.ExitCode = Status != -1 && WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    R.Out = Slurp(R.OutPath);
    R.Err = Slurp(R.ErrPath);
  }

  // The helper starts the program again on its own; its output lands in the first run's file.
  static bool WaitForLine(const std::string& Path, const std::string& Line) {
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < Deadline) {
      if (Contains(Slurp(Path), Line + "\n")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  zutest::TempDir Work;

 private:
  int FRuns = 0;
};

class RenewixCliServer : public RenewixCli {
 protected:
  void SetUp() override {
    RenewixCli::SetUp();
    ASSERT_TRUE(Nginx.Ok()) << Nginx.Error();
  }
  std::string Publish(const std::string& Name, const std::string& Info) {
    Nginx.Put("ini/" + Name, Info);
    return Nginx.Url("/ini/" + Name);
  }
  NginxServer Nginx;
};

}  // namespace

TEST_F(RenewixCli, ArgumentsAndHelp) {
  for (const auto& Args : std::vector<std::vector<std::string>>{
           {"--bogus"},
           {"stray"},
           {"--info-url"},
           {"--version"},
           {"--version", "1.0", "--by-date", "--date", "01/02/2008"},
           {"--by-date"},
           {"--date", "01/02/2008"},
           {"--by-date", "--date", "13/40/2008"},
           {"--by-date", "--date", "1/2/2008"},
           {"--password", "x"},
           {"--user"},
           {"--restart-params"},
           {"--public-key"},
           {"--public-key", "bm90IGEga2V5"},
           {"--public-key", "not base64!"}}) {
    const TRun R = Run(Built(), Args);
    EXPECT_EQ(R.ExitCode, 2) << Args[0];
    EXPECT_EQ(R.Out, "") << Args[0];
    EXPECT_TRUE(Contains(R.Err, "renewix-cli: ")) << R.Err;
  }
  const TRun Help = Run(Built(), {"--help"});
  EXPECT_EQ(Help.ExitCode, 0);
  EXPECT_TRUE(Contains(Help.Out, "Usage: renewix-cli")) << Help.Out;
  EXPECT_TRUE(Contains(Help.Out, ZU_CLI_DEFAULT_INFO_URL)) << Help.Out;
  EXPECT_TRUE(Contains(Help.Out, ZU_CLI_VERSION)) << Help.Out;
  EXPECT_TRUE(Contains(Help.Out, "Exit status")) << Help.Out;
}

TEST_F(RenewixCli, RecognisesTheRestartMarker) {
  TRun R = Run(Built(), {"/afterupgrade"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "afterrestart\n");
  // A custom marker reaches the restarted program through the environment.
  R = Run(Built(), {"/custom"}, "", {{"RENEWIX_CLI_RESTART_PARAMS", "/custom"}});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "afterrestart\n");
  R = Run(Built(), {"/afterupgrade"}, "", {{"RENEWIX_CLI_RESTART_PARAMS", "/custom"}});
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  R = Run(Built(), {"/x", "--restart-params", "/x"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "afterrestart\n");
}

TEST_F(RenewixCliServer, CheckOnlyComparesVersionsAndDates) {
  const std::string File = Nginx.Url("/rel/renewix-cli");
  const std::string Newer = Publish("newer.inf", InfoFile(ZU_CLI_NEXT_VERSION, {File}));
  const std::string Same = Publish("same.inf", InfoFile(ZU_CLI_VERSION, {File}));
  const std::string NoURL = Publish("nourl.inf", InfoFile(ZU_CLI_NEXT_VERSION, {}));
  const std::string Dated = Publish("dated.inf", InfoFile("", {File}, "#date=03/01/2008\n"));

  // Without --version the program's own compiled version is compared.
  TRun R = Run(Built(), {"--check-only", "--info-url", Newer});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "begin " ZU_CLI_NEXT_VERSION "\n");
  R = Run(Built(), {"--check-only", "--info-url", Same});
  EXPECT_EQ(R.ExitCode, 1) << R.Err;
  EXPECT_EQ(R.Out, "noupdate\n");
  EXPECT_TRUE(Contains(R.Err, Message(24))) << R.Err;
  R = Run(Built(), {"--check-only", "--info-url", Same, "--version", "0.9"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "begin " ZU_CLI_VERSION "\n");
  R = Run(Built(), {"--check-only", "--info-url", Newer, "--version", "99.0"});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_EQ(R.Out, "noupdate\n");
  // Newer, but nothing to download.
  R = Run(Built(), {"--check-only", "--info-url", NoURL});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_EQ(R.Out, "noupdate\n");

  R = Run(Built(), {"--check-only", "--info-url", Dated, "--by-date", "--date", "02/29/2008"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "begin 03/01/2008\n");
  R = Run(Built(), {"--check-only", "--info-url", Dated, "--by-date", "--date", "03/01/2008"});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_EQ(R.Out, "noupdate\n");

  // A check asks nothing and fetches nothing but the info file.
  EXPECT_FALSE(Contains(Nginx.AccessLog(), "/rel/")) << Nginx.AccessLog();
}

TEST_F(RenewixCliServer, ReportsWhyACheckFailed) {
  TRun R = Run(Built(), {"--info-url", Nginx.Url("/ini/missing.inf")});
  EXPECT_EQ(R.ExitCode, 4) << R.Err;
  EXPECT_EQ(R.Out, "noinfofile\n");
  EXPECT_TRUE(Contains(R.Err, Message(25))) << R.Err;

  R = Run(Built(), {"--check-only", "--info-url", "http://update.invalid/ini/renewix-cli.inf"});
  EXPECT_EQ(R.ExitCode, 3) << R.Err;
  EXPECT_EQ(R.Out, "unreachable update.invalid\n");
  EXPECT_TRUE(Contains(R.Err, Message(26, {std::string("http://update.invalid")}))) << R.Err;
  EXPECT_TRUE(Contains(R.Err, "the host name could not be resolved")) << R.Err;

  zutest::FaultServer Cut;
  ASSERT_TRUE(Cut.Ok());
  const std::string Info = InfoFile(ZU_CLI_NEXT_VERSION, {Cut.Url("/rel/renewix-cli")});
  Cut.On("/ini/cut.inf", zutest::FaultServer::CutAfter(Info, 10));
  R = Run(Built(), {"--info-url", Cut.Url("/ini/cut.inf")});
  EXPECT_EQ(R.ExitCode, 5) << R.Err;
  EXPECT_EQ(R.Out, "connlost\n");
  EXPECT_TRUE(Contains(R.Err, Message(30))) << R.Err;
  EXPECT_TRUE(Contains(R.Err, "the connection broke off")) << R.Err;
}

TEST_F(RenewixCliServer, QuestionAnsweredOnStandardInput) {
  const std::string Program = Installed();
  Nginx.Put("rel/renewix-cli", Slurp(BuiltNext()));
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/renewix-cli")},
                                                      "#message={Faster start-up.}\n"));
  const TRun R = Run(Program, {"--info-url", URL}, "n\n");
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  EXPECT_EQ(R.Out, "begin " ZU_CLI_NEXT_VERSION "\nlater\n");
  EXPECT_TRUE(Contains(R.Err, Message(23, {std::string("renewix-cli"), std::string("\nFaster start-up.\n")})))
      << R.Err;
  EXPECT_TRUE(Contains(R.Err, "Update now? [y/N]")) << R.Err;
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});
  EXPECT_TRUE(Slurp(Program) == Slurp(Built()));
  EXPECT_FALSE(Contains(Nginx.AccessLog(), "/rel/")) << Nginx.AccessLog();

  // An update that is a web page: agreed to, it names the page and downloads nothing.
  const std::string Page = Publish("page.inf", InfoFile(ZU_CLI_NEXT_VERSION, {"http://example.invalid/new"},
                                                        "#method=2\n"));
  const TRun P = Run(Program, {"--info-url", Page}, "y\n");
  EXPECT_EQ(P.ExitCode, 0) << P.Err;
  EXPECT_EQ(P.Out, "begin " ZU_CLI_NEXT_VERSION "\nredirect http://example.invalid/new\n");
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});
}

TEST_F(RenewixCliServer, AFileThatCannotBeFetchedOrStoredAbortsTheUpdate) {
  const std::string Program = Installed();
  Nginx.Put("rel/one.txt", "first file\n");
  const std::string One = Nginx.Url("/rel/one.txt"), Missing = Nginx.Url("/rel/missing.txt");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {One, Missing}));

  TRun R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  // The missing file's headers still start it (with the size of the error page).
  EXPECT_EQ(R.Out.rfind("begin " ZU_CLI_NEXT_VERSION "\nfilestart " + One + " 11\nfiledone " + ProgDir() +
                            "/one.txt.uTMP\nfilestart " + Missing + " ",
                        0),
            0u)
      << R.Out;
  EXPECT_TRUE(Contains(R.Out, "\nlostfile " + Missing + " 404\naborted\n")) << R.Out;
  // What was downloaded of the aborted update is gone.
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});

  // Asked whether to skip the missing file, the user says no.
  R = Run(Program, {"--info-url", URL}, "y\nn\n");
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "lostfile " + Missing + " 404\naborted\n")) << R.Out;
  EXPECT_TRUE(Contains(R.Err, Message(28, {std::string("missing.txt")}) + " [y/N]")) << R.Err;
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});

  // Its download name is taken by a directory: the file cannot be written.
  fs::create_directory(ProgDir() + "/one.txt.uTMP");
  R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "aborted\n")) << R.Out;
  EXPECT_FALSE(Contains(R.Out, "filedone")) << R.Out;
  EXPECT_TRUE(Contains(R.Err, "cannot write " + ProgDir() + "/one.txt.uTMP")) << R.Err;
  EXPECT_TRUE(Slurp(Program) == Slurp(Built()));
}

TEST_F(RenewixCliServer, ProtectedReleaseFile) {
  const std::string Program = Installed();
  Nginx.Put("protected/data.txt", "members only\n");
  const std::string File = Nginx.Url("/protected/data.txt");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {File}));

  // Refused, and no terminal to ask on.
  TRun R = Run(Program, {"--yes", "--info-url", URL, "--user", NginxServer::User(), "--password", "wrong"});
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "lostfile " + File + " 401\naborted\n")) << R.Out;
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});

  // Accepted; the question is answered on standard input.
  R = Run(Program, {"--info-url", URL, "--user", NginxServer::User(), "--password", NginxServer::Password()}, "y\n");
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "filestart " + File + " 13\nfiledone " + ProgDir() + "/data.txt.uTMP\nrestart\n"))
      << R.Out;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
  EXPECT_EQ(Slurp(ProgDir() + "/data.txt"), "members only\n");
  EXPECT_EQ(FilesIn(ProgDir()), (std::vector<std::string>{"data.txt", "renewix-cli"}));
}

TEST_F(RenewixCliServer, UpdatesItselfAndRestartsAsTheNewVersion) {
  const std::string Program = Installed();
  zutest::WriteFile(ProgDir() + "/readme.txt", "old notes\n");
  const std::string NextBytes = Slurp(BuiltNext());
  ASSERT_FALSE(NextBytes == Slurp(Built()));
  Nginx.Put("rel/renewix-cli", NextBytes);
  Nginx.Put("rel/readme.txt", "new notes\n");
  const std::string ProgURL = Nginx.Url("/rel/renewix-cli"), DataURL = Nginx.Url("/rel/readme.txt");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {ProgURL, DataURL},
                                                      "#message={Version " ZU_CLI_NEXT_VERSION ".}\n"));

  const TRun R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "begin " ZU_CLI_NEXT_VERSION "\nfilestart " + ProgURL + " " + std::to_string(NextBytes.size()) +
                       "\nfiledone " + ProgDir() + "/renewix-cli.uTMP\nfilestart " + DataURL + " 10\nfiledone " +
                       ProgDir() + "/readme.txt.uTMP\nrestart\n");
  EXPECT_TRUE(Contains(R.Err, "Version " ZU_CLI_NEXT_VERSION ".")) << R.Err;
  EXPECT_EQ(Count(R.Err, "] 100%"), 2) << R.Err;  // one finished bar per file

  // The helper waits for the program to end, moves both files into place and starts the new
  // program with the restart marker.
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
  EXPECT_TRUE(Slurp(Program) == NextBytes);
  EXPECT_EQ(Slurp(ProgDir() + "/readme.txt"), "new notes\n");
  EXPECT_EQ(FilesIn(ProgDir()), (std::vector<std::string>{"readme.txt", "renewix-cli"}));
  EXPECT_TRUE(fs::status(Program).permissions() == fs::status(Built()).permissions());
  // The new program removed the helper when it started.
  EXPECT_FALSE(fs::exists(Tmp() + "/renewix-" + std::to_string(::getuid()) + "/Reveziri3.exe"));

  // It is the newer version now.
  const TRun Again = Run(Program, {"--info-url", URL});
  EXPECT_EQ(Again.ExitCode, 1) << Again.Err;
  EXPECT_EQ(Again.Out, "noupdate\n");
}

TEST_F(RenewixCliServer, InterruptAbortsTheDownload) {
  const std::string Program = Installed();
  zutest::FaultServer Slow;
  ASSERT_TRUE(Slow.Ok());
  const std::string Body(200000, 'x');
  Slow.On("/ini/cli.inf", zutest::FaultServer::Reply(200, InfoFile(ZU_CLI_NEXT_VERSION, {Slow.Url("/rel/big.bin")})));
  Slow.On("/rel/big.bin", zutest::FaultServer::Stall(Body, 1000, 60000));
  TRun R;
  const pid_t Pid = Start(Program, {"--yes", "--info-url", Slow.Url("/ini/cli.inf")}, "", {}, R);
  ASSERT_GT(Pid, 0);
  // Once the file is being downloaded (its first bytes are in), Ctrl+C or a SIGTERM.
  const bool Requested = Slow.WaitForRequests(2, 30000);
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Requested && !Contains(Slurp(R.OutPath), "filestart ") && std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(Pid, SIGTERM);
  Finish(Pid, R);
  ASSERT_TRUE(Requested);
  EXPECT_EQ(R.ExitCode, 7) << R.Err;
  EXPECT_EQ(R.Out, "begin " ZU_CLI_NEXT_VERSION "\nfilestart " + Slow.Url("/rel/big.bin") + " 200000\naborted\n");
  EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"});
}

namespace {

// A small tmpfs mounted for one case, gone again afterwards.
struct TMount {
  std::string Path;
  bool Ok = false;
  TMount(const std::string& P, unsigned long Flags, const char* Options) : Path(P) {
    Ok = ::mount("tmpfs", P.c_str(), "tmpfs", Flags, Options) == 0;
  }
  ~TMount() {
    if (Ok) ::umount2(Path.c_str(), MNT_DETACH);
  }
};

}  // namespace

TEST_F(RenewixCliServer, OddProgramPathsUpdateEndToEnd) {
  // '+', two blanks, a tab, a double quote, a line feed and UTF-8, with a stray "c.uTMP" in
  // the folder above that a path cut at '+' would have taken for the program's update.
  const std::string Parent = ProgDir() + "/c++";
  const std::string Dir = Parent + "/two  blanks\ttab \"quoted\"\nline \xc3\xa9t\xc3\xa9";
  fs::create_directories(Dir);
  zutest::WriteFile(ProgDir() + "/c.uTMP", "stray");
  const std::string Program = Dir + "/renewix-cli";
  fs::copy_file(Built(), Program);
  const std::string NextBytes = Slurp(BuiltNext());
  Nginx.Put("rel/renewix-cli", NextBytes);
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/renewix-cli")}));
  const TRun R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "restart\n")) << R.Out;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath) << Slurp(R.ErrPath);
  EXPECT_TRUE(Slurp(Program) == NextBytes);
  EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"renewix-cli"});
  EXPECT_EQ(Slurp(ProgDir() + "/c.uTMP"), "stray");
  EXPECT_FALSE(fs::exists(ProgDir() + "/c"));
}

TEST_F(RenewixCliServer, AFragmentOfAKilledRunIsNeverInstalled) {
  const std::string Program = Installed();
  const std::string Good(300000, 'g');
  zutest::WriteFile(ProgDir() + "/big.bin", Good);
  zutest::FaultServer Slow;
  ASSERT_TRUE(Slow.Ok());
  Slow.On("/ini/cli.inf", zutest::FaultServer::Reply(200, InfoFile(ZU_CLI_NEXT_VERSION, {Slow.Url("/rel/big.bin")})));
  Slow.On("/rel/big.bin", zutest::FaultServer::Stall(std::string(300000, 'x'), 131072, 60000));
  TRun R;
  const pid_t Pid = Start(Program, {"--yes", "--info-url", Slow.Url("/ini/cli.inf")}, "", {}, R);
  ASSERT_GT(Pid, 0);
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ExtractSize(ProgDir() + "/big.bin.uTMP") < 65536 && std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(Pid, SIGKILL);
  Finish(Pid, R);
  ASSERT_GE(ExtractSize(ProgDir() + "/big.bin.uTMP"), 65536);

  // The next update lists another file only: the fragment goes, the good file stays.
  Nginx.Put("rel/data.txt", "data\n");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/data.txt")}));
  const TRun Next = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(Next.ExitCode, 0) << Next.Err;
  ASSERT_TRUE(WaitForLine(Next.OutPath, "afterrestart")) << Slurp(Next.OutPath);
  EXPECT_TRUE(Slurp(ProgDir() + "/big.bin") == Good);
  EXPECT_EQ(Slurp(ProgDir() + "/data.txt"), "data\n");
  EXPECT_TRUE(Slurp(Program) == Slurp(Built()));
  EXPECT_EQ(FilesIn(ProgDir()), (std::vector<std::string>{"big.bin", "data.txt", "renewix-cli"}));
}

TEST_F(RenewixCliServer, AHelperThatCannotRunAnywhereIsReportedAndTheFilesStay) {
  const std::string Program = Installed();
  Nginx.Put("rel/data.txt", "data\n");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/data.txt")}));
  // No temporary directory, no runtime directory, and a link where the folder beside the
  // program would go.
  fs::create_directories(Work.File("theirs"));
  fs::create_directory_symlink(Work.File("theirs"), ProgDir() + "/.renewix-" + std::to_string(::getuid()));
  const TRun R = Run(Program, {"--yes", "--info-url", URL}, "",
                     {{"TMPDIR", Work.File("missing")}, {"XDG_RUNTIME_DIR", ""}});
  EXPECT_EQ(R.ExitCode, 8) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "\nnotstarted cannot open " + Work.File("missing") + ": No such file or directory; " +
                                  "cannot open " + ProgDir() + "/.renewix-" + std::to_string(::getuid()) + ": "))
      << R.Out;
  EXPECT_FALSE(Contains(R.Out, "restart\n")) << R.Out;
  EXPECT_TRUE(Contains(R.Err, Message(31, {std::string("x")}).substr(0, 20))) << R.Err;
  EXPECT_EQ(Slurp(ProgDir() + "/data.txt.uTMP"), "data\n");
  EXPECT_TRUE(fs::is_empty(Work.File("theirs")));
  EXPECT_TRUE(Slurp(Program) == Slurp(Built()));
}

TEST_F(RenewixCliServer, ATemporaryDirectoryThatCannotRunOrHoldTheHelperFallsBack) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
  struct TCase {
    const char* Name;
    unsigned long Flags;
    const char* Options;
  };
  for (const TCase& C : {TCase{"noexec", MS_NOEXEC, "size=8m,mode=1777"}, TCase{"full", 0, "size=64k,mode=1777"}}) {
    SCOPED_TRACE(C.Name);
    const std::string Tmp = Work.File(std::string("tmp-") + C.Name);
    fs::create_directories(Tmp);
    TMount M(Tmp, C.Flags, C.Options);
    ASSERT_TRUE(M.Ok) << std::strerror(errno);
    fs::remove_all(ProgDir());
    fs::create_directories(ProgDir());
    const std::string Program = Installed();
    Nginx.Put("rel/data.txt", std::string("data ") + C.Name);
    const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/data.txt")}));
    const TRun R = Run(Program, {"--yes", "--info-url", URL}, "", {{"TMPDIR", Tmp}, {"XDG_RUNTIME_DIR", ""}});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
    EXPECT_EQ(Slurp(ProgDir() + "/data.txt"), std::string("data ") + C.Name);
  }
}

TEST_F(RenewixCliServer, AHelperKilledMidInstallLeavesAWholeSetAndTheProgramSaysSo) {
  const std::vector<std::string> Data{"a.dat", "b.dat", "c.dat", "d.dat"};
  const std::string NextBytes = Slurp(BuiltNext());
  Nginx.Put("rel/renewix-cli", NextBytes);
  std::vector<std::string> URLs{Nginx.Url("/rel/renewix-cli")};
  for (const auto& N : Data) {
    Nginx.Put("rel/" + N, "new " + N);
    URLs.push_back(Nginx.Url("/rel/" + N));
  }
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, URLs));
  for (int K = 0; K <= 5; ++K) {
    SCOPED_TRACE("helper killed after rename " + std::to_string(K));
    fs::remove_all(ProgDir());
    fs::create_directories(ProgDir());
    const std::string Program = Installed();
    for (const auto& N : Data) zutest::WriteFile(ProgDir() + "/" + N, "old " + N);
    const TRun R = Run(Program, {"--yes", "--info-url", URL}, "", {{"RENEWIX_TEST_KILL_HELPER_AFTER", std::to_string(K)}});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    // The helper dies without starting the program; the program's next start sorts it out.
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(ProgDir() + "/.renewix-journal") && std::chrono::steady_clock::now() < Deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const TRun Start = Run(Program, {"/afterupgrade"});
    const bool New = K == 5;
    EXPECT_EQ(Start.ExitCode, New ? 0 : 9) << Start.Err;
    EXPECT_EQ(Start.Out, New ? "afterrestart\n"
                             : "installfailed the install was cut off; the previous version was restored\n"
                               "afterrestart\n");
    EXPECT_TRUE(Slurp(Program) == (New ? NextBytes : Slurp(Built())));
    for (const auto& N : Data) EXPECT_EQ(Slurp(ProgDir() + "/" + N), (New ? "new " : "old ") + N);
    EXPECT_EQ(FilesIn(ProgDir()), (std::vector<std::string>{"a.dat", "b.dat", "c.dat", "d.dat", "renewix-cli"}));
  }
}

namespace {

// The body bytes nginx sent for Path, summed over the access log's lines.
long long BytesSent(const std::string& Log, const std::string& Path) {
  long long Sum = 0;
  size_t Start = 0;
  while (Start < Log.size()) {
    size_t End = Log.find('\n', Start);
    if (End == std::string::npos) End = Log.size();
    const std::string Line = Log.substr(Start, End - Start);
    if (Line.rfind("GET " + Path + " ", 0) == 0) Sum += std::atoll(Line.substr(Line.rfind(' ') + 1).c_str());
    Start = End + 1;
  }
  return Sum;
}

}  // namespace

TEST_F(RenewixCliServer, ADownloadKilledHalfwayResumesAtTheNextCheck) {
  const std::string Program = Installed();
  std::string Big(32 << 20, '\0');
  for (size_t I = 0; I < Big.size(); ++I) Big[I] = static_cast<char>((I * 2654435761u) >> 13);
  Nginx.Put("throttled/big.bin", Big);
  const std::string File = Nginx.Url("/throttled/big.bin");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {File}));
  const std::string Part = ProgDir() + "/big.bin.uTMP";

  auto KillHalfway = [&] {
    TRun R;
    const pid_t Pid = Start(Program, {"--yes", "--info-url", URL}, "", {}, R);
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ExtractSize(Part) < static_cast<std::int64_t>(Big.size() * 48 / 100) &&
           std::chrono::steady_clock::now() < Deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(Pid, SIGKILL);
    Finish(Pid, R);
  };
  KillHalfway();
  const std::int64_t Have = ExtractSize(Part);
  ASSERT_GE(Have, static_cast<std::int64_t>(Big.size() * 48 / 100));
  ASSERT_LT(Have, static_cast<std::int64_t>(Big.size()));
  const long long SentBefore = BytesSent(Nginx.AccessLogWith({"/throttled/big.bin"}), "/throttled/big.bin");

  const TRun R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "resuming big.bin at " + std::to_string(Have) + " bytes\nfilestart " + File + " " +
                                  std::to_string(Big.size()) + "\n"))
      << R.Out;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
  EXPECT_TRUE(Slurp(ProgDir() + "/big.bin") == Big);
  const long long SentAfter =
      BytesSent(Nginx.AccessLogWith({"/throttled/big.bin", "206"}), "/throttled/big.bin") - SentBefore;
  EXPECT_LE(SentAfter, static_cast<long long>(Big.size()) * 55 / 100) << Nginx.AccessLog();
  EXPECT_GT(SentAfter, 0);

  // Cut off again, and the file changes on the server meanwhile: it is fetched anew.
  fs::remove(ProgDir() + "/big.bin");
  KillHalfway();
  ASSERT_GT(ExtractSize(Part), 0);
  std::string Changed = Big;
  Changed.resize(Big.size() - 1000);
  Changed[10] ^= 1;
  Nginx.Put("throttled/big.bin", Changed);
  const TRun Again = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(Again.ExitCode, 0) << Again.Err;
  EXPECT_FALSE(Contains(Again.Out, "resuming")) << Again.Out;
  ASSERT_TRUE(WaitForLine(Again.OutPath, "afterrestart")) << Slurp(Again.OutPath);
  EXPECT_TRUE(Slurp(ProgDir() + "/big.bin") == Changed);
}

TEST_F(RenewixCliServer, AnotherUsersHelperFolderIsNeverUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as one user and plant as another";
  // The program runs as nobody (65534); uid 65533 got to the shared temporary directory first.
  const zutest::TempDir Scratch(0755);
  const std::string& Base = Scratch.Path();
  const std::string Shared = Base + "/tmp", Dir = Base + "/prog", Home = Base + "/home";
  for (const auto& D : {Shared, Dir, Home}) fs::create_directories(D);
  ASSERT_EQ(::chmod(Shared.c_str(), 01777), 0);
  const std::string Planted = Shared + "/renewix-65534";
  ASSERT_EQ(::mkdir(Planted.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(Planted.c_str(), 0777), 0);
  ASSERT_EQ(::chown(Planted.c_str(), 65533, 65533), 0);
  const std::string Program = Dir + "/renewix-cli";
  fs::copy_file(Built(), Program);
  for (const auto& P : {Dir, Home, Program}) ASSERT_EQ(::chown(P.c_str(), 65534, 65534), 0);

  const std::string NextBytes = Slurp(BuiltNext());
  Nginx.Put("rel/renewix-cli", NextBytes);
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/renewix-cli")}));
  const TRun R = Run("/usr/bin/setpriv",
                     {"--reuid=65534", "--regid=65534", "--clear-groups", Program, "--yes", "--info-url", URL}, "",
                     {{"TMPDIR", Shared}, {"XDG_RUNTIME_DIR", ""}, {"HOME", Home}});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath) << Slurp(R.ErrPath);
  EXPECT_TRUE(Slurp(Program) == NextBytes);
  EXPECT_TRUE(fs::is_empty(Planted));
  struct stat St {};
  ASSERT_EQ(::lstat((Dir + "/.renewix-65534").c_str(), &St), 0) << "the helper ran from beside the program";
  EXPECT_EQ(St.st_uid, 65534u);
  EXPECT_EQ(St.st_mode & 0777, 0700u);
}

TEST_F(RenewixCliServer, AnInstallThatFailsRestartsTheOldProgramWhichSaysWhy) {
  const std::string Program = Installed();
  fs::create_directories(ProgDir() + "/plugins");
  zutest::WriteFile(ProgDir() + "/readme.txt", "old notes\n");
  Nginx.Put("rel/renewix-cli", Slurp(BuiltNext()));
  Nginx.Put("rel/readme.txt", "new notes\n");
  Nginx.Put("rel/plugins", "a file where a folder is\n");
  const std::string URL = Publish("cli.inf", InfoFile(ZU_CLI_NEXT_VERSION, {Nginx.Url("/rel/renewix-cli"),
                                                                           Nginx.Url("/rel/readme.txt"),
                                                                           Nginx.Url("/rel/plugins")}));
  const TRun R = Run(Program, {"--yes", "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
  EXPECT_TRUE(Contains(Slurp(R.OutPath), "restart\ninstallfailed cannot replace plugins: Is a directory\nafterrestart\n"))
      << Slurp(R.OutPath);
  EXPECT_TRUE(Contains(Slurp(R.ErrPath), Message(32, {std::string("cannot replace plugins: Is a directory")})))
      << Slurp(R.ErrPath);
  EXPECT_TRUE(Slurp(Program) == Slurp(Built()));
  EXPECT_EQ(Slurp(ProgDir() + "/readme.txt"), "old notes\n");
  EXPECT_EQ(FilesIn(ProgDir()), (std::vector<std::string>{"plugins", "readme.txt", "renewix-cli"}));
}

TEST_F(RenewixCliServer, APublicKeyInstallsOnlyAVerifiedRelease) {
  zu::os::TEd25519Key Key;
  ASSERT_TRUE(zu::os::Ed25519Generate(Key));
  const std::string Public = zu::os::Base64Encode(Key.Public);
  const std::string Program = Installed();
  const std::string Next = Slurp(BuiltNext());
  const std::string ProgURL = Nginx.Url("/rel/renewix-cli");
  const std::string Text = InfoFile(ZU_CLI_NEXT_VERSION, {ProgURL},
                                    "#url1.size=" + std::to_string(Next.size()) +
                                        "\n#url1.sha256=" + zu::os::Sha256Hex(Next) + "\n");
  std::string Signed;
  ASSERT_TRUE(zu::SignInfoFile(Text, Key, Signed));
  auto ExpectOldProgram = [&](const std::string& Why) {
    EXPECT_EQ(FilesIn(ProgDir()), std::vector<std::string>{"renewix-cli"}) << Why;
    EXPECT_TRUE(Slurp(Program) == Slurp(Built())) << Why;
    EXPECT_EQ(Run(Program, {"/afterupgrade"}).Out, "afterrestart\n") << Why << ": the old program runs";
  };

  // One byte of the program changed on the server.
  std::string Bad = Next;
  Bad[Bad.size() / 2] = static_cast<char>(Bad[Bad.size() / 2] ^ 1);
  Nginx.Put("rel/renewix-cli", Bad);
  const std::string URL = Publish("cli.inf", Signed);
  TRun R = Run(Program, {"--yes", "--public-key", Public, "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 10) << R.Err;
  EXPECT_TRUE(Contains(R.Out, "lostfile " + ProgURL + " 1000\nrefused renewix-cli: its SHA-256 differs from the "
                                                      "info file's\naborted\n")) << R.Out;
  EXPECT_TRUE(Contains(R.Err, "refused: renewix-cli: its SHA-256 differs")) << R.Err;
  ExpectOldProgram("a changed file");

  // Unsigned, with a key configured.
  Nginx.Put("rel/renewix-cli", Next);
  Publish("cli.inf", Text);
  R = Run(Program, {"--yes", "--public-key", Public, "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 10) << R.Err;
  EXPECT_EQ(R.Out, "noinfofile\nrefused the info file is not signed\n");
  ExpectOldProgram("an unsigned info file");

  // Signed and intact: verified, installed, and the new version runs.
  Publish("cli.inf", Signed);
  zu::os::TEd25519Key Rotated;
  ASSERT_TRUE(zu::os::Ed25519Generate(Rotated));
  R = Run(Program, {"--yes", "--public-key", zu::os::Base64Encode(Rotated.Public), "--public-key", Public,
                    "--info-url", URL});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  ASSERT_TRUE(WaitForLine(R.OutPath, "afterrestart")) << Slurp(R.OutPath);
  EXPECT_TRUE(Slurp(Program) == Next);
}
