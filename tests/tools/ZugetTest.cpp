#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>

#include "TestUtil.h"
#include "servers/TestServers.h"

using zutest::FaultServer;
using zutest::NginxServer;

namespace {

zutest::ProcessResult Zuget(const std::vector<std::string>& Args) {
  return zutest::RunProcess(zutest::BinDir() + "/zuget", Args, "", 60);
}

std::string Pattern(std::size_t N, unsigned Seed) {
  std::mt19937 Gen(Seed);
  std::string S(N, '\0');
  for (auto& C : S) C = static_cast<char>(Gen());
  return S;
}

// zuget in the background, downloading Url into Out quietly.
pid_t StartZuget(const std::string& Url, const std::string& Out) {
  const pid_t Pid = fork();
  if (Pid == 0) {
    const std::string Exe = zutest::BinDir() + "/zuget";
    ::execl(Exe.c_str(), "zuget", Url.c_str(), "-o", Out.c_str(), "--quiet", static_cast<char*>(nullptr));
    _exit(127);
  }
  return Pid;
}

}  // namespace

TEST(Zuget, DownloadsToStandardOutputAndToAFile) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  auto R = Zuget({N.Url("/hello.txt"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "Hello, world!\n");
  zutest::TempDir D;
  const std::string Content = Pattern(300000, 1);
  N.Put("big.bin", Content);
  R = Zuget({N.Url("/big.bin"), "-o", D.File("big.bin"), "--events", "--buffer", "65536"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(zutest::ReadFile(D.File("big.bin")) == Content);
  EXPECT_NE(R.Err.find("header 200 300000\n"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("progress 300000 300000\n"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("done 300000\n"), std::string::npos) << R.Err;
}

TEST(Zuget, ExitStatusPerOutcome) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  zutest::TempDir D;
  auto R = Zuget({N.Url("/nothing"), "--events"});
  EXPECT_EQ(R.ExitCode, 4);
  EXPECT_NE(R.Err.find("httperror 404"), std::string::npos);
  EXPECT_NE(R.Err.find("object not found"), std::string::npos);
  R = Zuget({"http://no-such-host.invalid/", "--events"});
  EXPECT_EQ(R.ExitCode, 3);
  EXPECT_NE(R.Err.find("unreachable"), std::string::npos);
  EXPECT_NE(R.Err.find("cannot reach no-such-host.invalid: the host name could not be resolved"), std::string::npos)
      << R.Err;
  // Why it failed is said: a refused port, a proxy that is not there.
  const std::string Closed = "127.0.0.1:" + std::to_string(zutest::FreePort());
  R = Zuget({"http://" + Closed + "/x"});
  EXPECT_EQ(R.ExitCode, 3);
  EXPECT_NE(R.Err.find(": connection refused"), std::string::npos) << R.Err;
  R = Zuget({"http://localhost:" + std::to_string(N.Port()) + "/hello.txt", "--proxy", Closed});
  EXPECT_EQ(R.ExitCode, 3);
  EXPECT_NE(R.Err.find(": the proxy refused the connection"), std::string::npos) << R.Err;
  R = Zuget({N.Url("/hello.txt"), "-o", D.File("no/dir/x"), "--events"});
  EXPECT_EQ(R.ExitCode, 6);
  EXPECT_NE(R.Err.find("outputfileerror"), std::string::npos);
  for (const auto& Args : std::vector<std::vector<std::string>>{
           {}, {"--bogus", "x"}, {"a", "b"}, {"x", "--resume"}, {"x", "--range", "9-3"}, {"x", "--buffer", "10"}})
    EXPECT_EQ(Zuget(Args).ExitCode, 2);
  EXPECT_EQ(Zuget({"--help"}).ExitCode, 0);
}

TEST(Zuget, LostConnectionThenResume) {
  FaultServer F;
  const std::string Content = Pattern(1000000, 2);
  F.On("/big", FaultServer::Script({FaultServer::CutAfter(Content, 500000), FaultServer::File(Content)}));
  zutest::TempDir D;
  auto R = Zuget({F.Url("/big"), "-o", D.File("big.bin"), "--events"});
  EXPECT_EQ(R.ExitCode, 5);
  EXPECT_NE(R.Err.find("connlost 500000 1000000"), std::string::npos) << R.Err;
  R = Zuget({F.Url("/big"), "-o", D.File("big.bin"), "--resume", "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(zutest::ReadFile(D.File("big.bin")) == Content);
  EXPECT_EQ(F.Last().Header("Range"), "bytes=495904-");
}

TEST(Zuget, RangesHeadersAndPosts) {
  FaultServer F;
  F.On("/file", FaultServer::File("0123456789"));
  F.On("/form", FaultServer::Reply(200, "posted"));
  auto R = Zuget({F.Url("/file"), "--range", "2-5", "--quiet"});
  EXPECT_EQ(R.Out, "2345");
  R = Zuget({F.Url("/form"), "--post", "a=1", "--header", "X-Zu: 1", "--quiet"});
  EXPECT_EQ(R.Out, "posted");
  EXPECT_EQ(F.Last().Method, "POST");
  EXPECT_EQ(F.Last().Body, "a=1");
  EXPECT_EQ(F.Last().Header("X-Zu"), "1");
}

TEST(Zuget, CtrlCPausesAndKeepsThePartialFile) {
  FaultServer F;
  const std::string Content = Pattern(200000, 3);
  F.On("/slow", FaultServer::Script({FaultServer::Stall(Content, 50000, 20000), FaultServer::File(Content)}));
  zutest::TempDir D;
  const std::string Out = D.File("slow.bin");
  const pid_t Pid = StartZuget(F.Url("/slow"), Out);
  ASSERT_GT(Pid, 0);
  // Quiet, zuget gathers what comes in memory: nothing reaches the file before the pause.
  ASSERT_TRUE(F.WaitForRequests(1, 10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the first 50000 bytes arrive
  ::kill(Pid, SIGINT);
  int Status = 0;
  ASSERT_EQ(::waitpid(Pid, &Status, 0), Pid);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 7);
  const std::string Partial = zutest::ReadFile(Out);
  EXPECT_EQ(Partial.size(), 50000u) << "every byte that came is kept";
  EXPECT_TRUE(Partial == Content.substr(0, Partial.size()));
  auto R = Zuget({F.Url("/slow"), "-o", Out, "--resume", "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(zutest::ReadFile(Out) == Content);
}

// zuget is a console program: it must not load the GUI libraries (they cost it tens of
// milliseconds at start), and its worker and main thread, which only hand over to each other,
// share one CPU.
TEST(Zuget, RunsOnQtCoreAloneWithItsThreadsOnOneCpu) {
  FaultServer F;
  const std::string Content = Pattern(100000, 4);
  F.On("/slow", FaultServer::Stall(Content, 1000, 20000));
  zutest::TempDir D;
  const std::string Out = D.File("slow.bin");
  const pid_t Pid = StartZuget(F.Url("/slow"), Out);
  ASSERT_GT(Pid, 0);
  ASSERT_TRUE(F.WaitForRequests(1, 10000));  // the worker is running
  const std::string Proc = "/proc/" + std::to_string(Pid);
  const std::string Maps = zutest::ReadFile(Proc + "/maps");
  EXPECT_NE(Maps.find("libQt6Core.so"), std::string::npos);
#ifndef ZU_UBSAN  // see tests/CMakeLists.txt
  EXPECT_EQ(Maps.find("libQt6Gui.so"), std::string::npos);
  EXPECT_EQ(Maps.find("libQt6Widgets.so"), std::string::npos);
#endif
  std::set<std::string> Cpus;
  int Threads = 0;
  for (const auto& Task : std::filesystem::directory_iterator(Proc + "/task")) {
    const std::string Status = zutest::ReadFile(Task.path().string() + "/status");
    const std::size_t At = Status.find("Cpus_allowed_list:");
    ASSERT_NE(At, std::string::npos);
    Cpus.insert(Status.substr(At + 18, Status.find('\n', At) - At - 18));
    ++Threads;
  }
  EXPECT_GE(Threads, 2);
  ASSERT_EQ(Cpus.size(), 1u);
  const std::string Cpu = *Cpus.begin();
  EXPECT_EQ(Cpu.find_first_of(",-"), std::string::npos) << "allowed CPUs: " << Cpu;
  ::kill(Pid, SIGINT);
  int Status = 0;
  ASSERT_EQ(::waitpid(Pid, &Status, 0), Pid);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(WEXITSTATUS(Status), 7);
}

TEST(Zuget, MultipartFormsAndFiles) {
  FaultServer F;
  F.On("/up", FaultServer::Reply(200, "stored"));
  zutest::TempDir D;
  zutest::WriteFile(D.File("notes.txt"), "file content");
  auto R = Zuget({F.Url("/up"), "--form", "title=Hello", "--file", "doc=@" + D.File("notes.txt"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "stored");
  const auto Req = F.Last();
  EXPECT_EQ(Req.Method, "POST");
  EXPECT_EQ(Req.Header("Content-Type").rfind("multipart/form-data; boundary=\"---ATTACH-BOUNDARY-0-", 0), 0u);
  EXPECT_NE(Req.Body.find("Content-Disposition: form-data; name=\"title\"\r\n\r\nHello\r\n"), std::string::npos);
  EXPECT_NE(Req.Body.find("name=\"doc\"; filename=\"notes.txt\"\r\nContent-Type: text/plain\r\n\r\nfile content\r\n"),
            std::string::npos)
      << Req.Body;
  EXPECT_EQ(Zuget({F.Url("/up"), "--file", "doc=" + D.File("notes.txt")}).ExitCode, 2) << "the @ is required";
  EXPECT_EQ(Zuget({F.Url("/up"), "--file", "doc=@" + D.File("missing")}).ExitCode, 2);
}

TEST(Zuget, AsksForThePasswordOnTheTerminal) {
  if (access("/usr/bin/script", X_OK) != 0) GTEST_SKIP() << "no script(1) for a terminal";
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  N.Put("protected/p.txt", "behind the door");
  zutest::TempDir D;
  const std::string Cmd = zutest::BinDir() + "/zuget " + N.Url("/protected/p.txt") + " --user member -o " +
                          D.File("p.txt") + " --quiet";
  // The answer comes once the prompt is up, as a person types it.
  const std::string Typed = "sleep 1; echo " + std::string(NginxServer::Password());
  auto R = zutest::RunProcess("sh", {"-c", "(" + Typed + ") | script -qec '" + Cmd + "' /dev/null"}, "", 60);
  EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
  EXPECT_NE(R.Out.find("Password for member (Members): "), std::string::npos) << R.Out;
  EXPECT_EQ(R.Out.find(NginxServer::Password()), std::string::npos) << "typed without echo";
  EXPECT_EQ(zutest::ReadFile(D.File("p.txt")), "behind the door");
}

// A range into a new file is that range, fetched once; a server that ignores the range (200
// with the whole entity) stores nothing rather than the wrong bytes.
TEST(Zuget, RangeIntoANewFileStoresExactlyThatRange) {
  FaultServer F;
  F.On("/file", FaultServer::File("0123456789"));
  F.On("/norange", FaultServer::Reply(200, "0123456789"));
  zutest::TempDir D;
  auto R = Zuget({F.Url("/file"), "--range", "2-5", "-o", D.File("a"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "2345");
  EXPECT_EQ(F.RequestCount(), 1u) << "one request";
  EXPECT_EQ(F.Last().Header("Range"), "bytes=2-5");
  R = Zuget({F.Url("/file"), "--range", "7-", "-o", D.File("b"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(zutest::ReadFile(D.File("b")), "789");
  R = Zuget({F.Url("/file"), "--range", "0-0", "-o", D.File("c"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(zutest::ReadFile(D.File("c")), "0") << "0-0 is the first byte";
  zutest::WriteFile(D.File("d"), "older and longer content");
  R = Zuget({F.Url("/file"), "--range", "4-6", "-o", D.File("d"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(zutest::ReadFile(D.File("d")), "456") << "an existing file is replaced";
  const std::size_t Before = F.RequestCount();
  R = Zuget({F.Url("/norange"), "--range", "2-5", "-o", D.File("e")});
  EXPECT_EQ(R.ExitCode, 4) << R.Err;
  EXPECT_NE(R.Err.find("range"), std::string::npos) << R.Err;
  EXPECT_FALSE(std::filesystem::exists(D.File("e")));
  EXPECT_EQ(F.RequestCount(), Before + 1);
}

TEST(Zuget, ProxyCredentialsFromOptionsOrTheTerminal) {
  NginxServer N;
  ASSERT_TRUE(N.Ok()) << N.Error();
  zutest::TinyproxyServer P("proxyuser", "proxypass");
  ASSERT_TRUE(P.Ok());
  zutest::TempDir D;
  // The default bypass list skips 127.0.0.1, so nginx is reached as localhost.
  const std::string Url = "http://localhost:" + std::to_string(N.Port()) + "/hello.txt";
  auto R = Zuget({Url, "--proxy", P.Address(), "--proxy-user", "proxyuser", "--proxy-password", "proxypass",
                  "-o", D.File("a"), "--quiet"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(zutest::ReadFile(D.File("a")), "Hello, world!\n");
  EXPECT_NE(P.Log().find("localhost"), std::string::npos) << "through the proxy";
  R = Zuget({Url, "--proxy", P.Address(), "--proxy-user", "proxyuser", "--proxy-password", "wrong", "--events"});
  EXPECT_EQ(R.ExitCode, 4) << R.Err;  // tinyproxy refuses wrong credentials with 401, missing ones with 407
  EXPECT_NE(R.Err.find("httperror 40"), std::string::npos) << R.Err;
  EXPECT_EQ(Zuget({Url, "--proxy-user"}).ExitCode, 2);

  if (access("/usr/bin/script", X_OK) != 0) GTEST_SKIP() << "no script(1) for a terminal";
  const std::string Cmd = zutest::BinDir() + "/zuget " + Url + " --proxy " + P.Address() +
                          " --proxy-user proxyuser -o " + D.File("b") + " --quiet";
  const std::string Typed = "sleep 1; echo proxypass";
  R = zutest::RunProcess("sh", {"-c", "(" + Typed + ") | script -qec '" + Cmd + "' /dev/null"}, "", 60);
  EXPECT_EQ(R.ExitCode, 0) << R.Out << R.Err;
  EXPECT_NE(R.Out.find("Proxy password for proxyuser: "), std::string::npos) << R.Out;
  EXPECT_EQ(R.Out.find("proxypass"), std::string::npos) << "typed without echo";
  EXPECT_EQ(zutest::ReadFile(D.File("b")), "Hello, world!\n");
}
