// renewix-publish as scripts use it: its four commands, their outputs and exit codes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestUtil.h"
#include "engine/zuRenewixInfoFile.h"
#include "platform/os/Crypto.h"

namespace {

zutest::ProcessResult Publish(const std::vector<std::string>& Args) {
  return zutest::RunProcess(zutest::BinDir() + "/renewix-publish", Args, "", 60);
}

std::string Line(const std::string& S) { return S.substr(0, S.find('\n')); }

}  // namespace

TEST(RenewixPublish, KeygenComposeSignVerify) {
  zutest::TempDir D;
  const std::string Key = D.File("release.key");
  auto R = Publish({"keygen", Key});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const std::string Public = Line(R.Out);
  std::string Raw;
  EXPECT_TRUE(zu::os::Base64Decode(Public, Raw) && Raw.size() == 32) << R.Out;
  struct stat St{};
  ASSERT_EQ(::stat(Key.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0600u);
  const std::string KeyText = zutest::ReadFile(Key);
  R = Publish({"keygen", Key});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("never overwritten"), std::string::npos) << R.Err;
  EXPECT_EQ(zutest::ReadFile(Key), KeyText);

  zutest::WriteFile(D.File("b.dat"), "second");
  zutest::WriteFile(D.File("a prog"), std::string(300000, 'p'));
  zutest::WriteFile(D.File("notes.txt"), "Version 2:\nfaster.\n");
  const std::string Info = D.File("app.inf");
  R = Publish({"compose", "--version", "2.0.0.0", "--base-url", "http://h/rel", "--date", "03/01/2026",
               "--method", "0", "--message-file", D.File("notes.txt"), "--expires", "12/31/2099", "-o", Info,
               D.File("b.dat"), D.File("a prog")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const std::string Text = zutest::ReadFile(Info);
  const auto C = zu::ReadInfoFile(Text);
  EXPECT_EQ(C.Version, "2.0.0.0");
  EXPECT_EQ(C.Date, "03/01/2026");
  EXPECT_EQ(C.URLs, (std::vector<std::string>{"http://h/rel/b.dat", "http://h/rel/a%20prog"})) << "in the order given";
  EXPECT_EQ(C.Message, "Version 2:\nfaster.\n");
  EXPECT_NE(Text.find("#url2.size=300000\r\n#url2.sha256=" + zu::os::Sha256Hex(std::string(300000, 'p'))),
            std::string::npos)
      << Text;

  R = Publish({"verify", "--public-key", Public, Info});
  EXPECT_EQ(R.ExitCode, 1) << "not signed yet";
  EXPECT_NE(R.Err.find("not signed"), std::string::npos) << R.Err;
  R = Publish({"sign", "--key", Key, Info});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  R = Publish({"verify", "--public-key", Public, Info, D.File("b.dat"), D.File("a prog")});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;

  // Which check failed is said.
  zutest::WriteFile(D.File("b.dat"), "Second");
  R = Publish({"verify", "--public-key", Public, Info, D.File("b.dat")});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("b.dat: SHA-256"), std::string::npos) << R.Err;
  zutest::WriteFile(D.File("b.dat"), "second!");
  R = Publish({"verify", "--public-key", Public, Info, D.File("b.dat")});
  EXPECT_NE(R.Err.find("b.dat: size 7, the info file says 6"), std::string::npos) << R.Err;
  R = Publish({"keygen", D.File("other.key")});
  const std::string OtherPublic = Line(R.Out);
  R = Publish({"verify", "--public-key", OtherPublic, Info});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("does not match"), std::string::npos) << R.Err;
  R = Publish({"verify", "--public-key", OtherPublic, "--public-key", Public, Info});
  EXPECT_EQ(R.ExitCode, 0) << "either of two keys: " << R.Err;
}

TEST(RenewixPublish, BadArgumentsExitTwoAndHelpHasAnExample) {
  zutest::TempDir D;
  zutest::WriteFile(D.File("f"), "x");
  zutest::WriteFile(D.File("brace.txt"), "a } b");
  for (const auto& Args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"keygen"},
           {"compose", "--version", "1", "-o", D.File("o.inf"), D.File("f")},
           {"compose", "--version", "1", "--base-url", "http://h/", "--date", "2026-01-01", "-o", D.File("o"), D.File("f")},
           {"compose", "--version", "1", "--base-url", "http://h/", "--method", "3", "-o", D.File("o"), D.File("f")},
           {"compose", "--version", "1", "--base-url", "http://h/", "--message-file", D.File("brace.txt"), "-o",
            D.File("o"), D.File("f")},
           {"sign", D.File("f")},
           {"verify", D.File("f")},
           {"verify", "--public-key", "abc", D.File("f")}})
    EXPECT_EQ(Publish(Args).ExitCode, 2) << (Args.empty() ? std::string("(none)") : Args[0]);
  const auto R = Publish({"--help"});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_NE(R.Out.find("Example"), std::string::npos);
  EXPECT_NE(R.Out.find("renewix-publish sign --key"), std::string::npos);
}
