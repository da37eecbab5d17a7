#include <gtest/gtest.h>

#include <sstream>
#include <sys/wait.h>

#include "TestUtil.h"
#include "platform/os/System.h"

using namespace zu::os;

TEST(CommandLine, SplitsAsTheWin32Parser) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("a b  c"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("\"/opt/my app/x\" +"), (V{"/opt/my app/x", "+"}));
  EXPECT_EQ(SplitCommandLine("a\"b c\"d"), (V{"ab cd"}));
  EXPECT_EQ(SplitCommandLine("\"\""), (V{""}));
  EXPECT_EQ(SplitCommandLine("a\\\\\\\"b"), (V{"a\\\"b"}));
  EXPECT_EQ(SplitCommandLine("a\\\\\"b c\""), (V{"a\\b c"}));
  EXPECT_EQ(SplitCommandLine("C:\\dir\\x.exe"), (V{"C:\\dir\\x.exe"}));
  EXPECT_EQ(SplitCommandLine("   "), V{});
  EXPECT_EQ(SplitCommandLine("\"a \"\"quoted\"\" word\""), (V{"a \"quoted\" word"}));
}

TEST(Processes, SpawnInANewSession) {
  zutest::TempDir D;
  pid_t Pid = 0;
  ASSERT_TRUE(SpawnProcess("sh", {"-c", "cut -d' ' -f6 /proc/$$/stat > " + D.File("sid") + "; echo $$ >> " + D.File("sid")}, &Pid));
  int Status = 0;
  ASSERT_EQ(::waitpid(Pid, &Status, 0), Pid);
  const std::string Out = zutest::ReadFile(D.File("sid"));
  std::istringstream In(Out);
  long Sid = 0, Self = 0;
  In >> Sid >> Self;
  EXPECT_EQ(Sid, Self) << "the child leads its own session";
  EXPECT_FALSE(SpawnProcess("no-such-program-zu", {}));
}

TEST(VersionRecord, NtFamilyWithKernelText) {
  TOSVersionInfo I{};
  EXPECT_FALSE(GetVersionEx(I)) << "the size field must be set";
  I.dwOSVersionInfoSize = sizeof I;
  ASSERT_TRUE(GetVersionEx(I));
  EXPECT_EQ(I.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(std::string(I.szCSDVersion).rfind("Linux", 0), 0u);
}

TEST(SoundNames, FreedesktopTheme) {
  EXPECT_EQ(FreedesktopSoundName("SystemAsterisk"), "dialog-information");
  EXPECT_EQ(FreedesktopSoundName("SystemHand"), "dialog-error");
  EXPECT_EQ(FreedesktopSoundName(""), "");
  EXPECT_FALSE(PlaySoundAlias("", false));
}
