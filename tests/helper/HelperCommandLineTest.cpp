#include "helper/HelperCommandLine.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace zu::helper;
using Strings = std::vector<std::string>;

namespace {

// The whole line as the application writes it, split the way argv receives it.
TCommandLine ParseLine(const std::string& Line) {
  Strings Argv = SplitCommandLine(Line);
  Argv.erase(Argv.begin());
  return ParseArguments(Argv);
}

}  // namespace

TEST(HelperCommandLine, SplitsAtControlCharactersAndGroupsQuotes) {
  EXPECT_EQ(SplitCommandLine("  a\tb\x01" "c\nd  "), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitCommandLine("a\"b c\"d \"\" e"), (Strings{"ab cd", "", "e"}));
  EXPECT_EQ(SplitCommandLine("\"open run  to end"), (Strings{"open run  to end"}));
  EXPECT_EQ(SplitCommandLine(std::string("a b\0c d", 7)), (Strings{"a", "b"}));
  EXPECT_EQ(SplitCommandLine("\xa0x\xff y"), (Strings{"\xa0x\xff", "y"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(HelperCommandLine, ProgramPathParametersAndModeDigit) {
  struct Case {
    const char* Line;
    const char* Program;
    const char* Params;
    bool Setup;
  };
  const Case Cases[] = {
      {"/tmp/Reveziri3.exe /opt/tool/tool.exe +/afterupgrade0", "/opt/tool/tool.exe",
       "/afterupgrade", false},
      // Unquoted single blanks are rebuilt; two in a row come back as one.
      {"/t/R.exe /Program Files/Tool/tool.exe +/afterupgrade0", "/Program Files/Tool/tool.exe",
       "/afterupgrade", false},
      {"/t/R.exe /a  b/tool.exe +x  y1", "/a b/tool.exe", "x y", true},
      {"/t/R.exe \"/a  b/tool.exe\" +x0", "/a  b/tool.exe", "x", false},
      {"/t/R.exe /opt/tool.exe +abc0", "/opt/tool.exe", "abc", false},
      {"/t/R.exe /opt/tool.exe +abc2", "/opt/tool.exe", "abc", false},
      // An empty RestartParams is stored as one blank.
      {"/t/R.exe /opt/tool.exe + 0", "/opt/tool.exe", " ", false},
      {"/t/R.exe /opt/tool.exe +a+b1", "/opt/tool.exe", "a+b", true},
      {"/t/R.exe +x0", "", "x", false},
      // The "+" that ends the last argument is its mode digit as well.
      {"/t/R.exe /opt/tool.exe +", "/opt/tool.exe", "", false},
      // Without "+" everything is the program path, the mode digit included.
      {"/t/R.exe /opt/my tool.exe", "/opt/my tool.exe", "", false},
      {"/t/R.exe /opt/tool1", "/opt/tool1", "", true},
      // An empty last argument carries no mode digit.
      {"/t/R.exe /opt/tool.exe +abc \"\"", "/opt/tool.exe", "abc ", false},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Line);
    const TCommandLine Cmd = ParseLine(C.Line);
    EXPECT_EQ(Cmd.ProgramPath, C.Program);
    EXPECT_EQ(Cmd.RestartParams, C.Params);
    EXPECT_EQ(Cmd.SetupMode, C.Setup);
  }
  EXPECT_TRUE(SplitCommandLine(ParseLine("/t/R.exe /opt/tool.exe + 0").RestartParams).empty());
  EXPECT_EQ(SplitCommandLine(ParseLine("/t/R.exe /opt/t +/afterupgrade --quiet0").RestartParams),
            (Strings{"/afterupgrade", "--quiet"}));
}

TEST(HelperCommandLine, HelperNameSplitAtBlanksIsRejoined) {
  const auto IsHelper = [](const std::string& P) { return P == "/tmp/my temp/Reveziri3.exe"; };
  EXPECT_EQ(HelperNameCount({"/tmp/my", "temp/Reveziri3.exe", "/opt/t.exe", "+x0"}, IsHelper), 2u);
  EXPECT_EQ(HelperNameCount({"/tmp/my temp/Reveziri3.exe", "/opt/t.exe"}, IsHelper), 1u);
  EXPECT_EQ(HelperNameCount({"Reveziri3.exe", "/opt/t.exe", "+x0"}, IsHelper), 1u);
  EXPECT_EQ(HelperNameCount({"Reveziri3.exe"}, IsHelper), 1u);
  EXPECT_EQ(HelperNameCount({}, IsHelper), 0u);
}

TEST(HelperCommandLine, PathPartsAndUpdateNames) {
  EXPECT_EQ(ProgramDirectory("/opt/tool/t.exe"), "/opt/tool/");
  EXPECT_EQ(BaseName("/opt/tool/t.exe"), "t.exe");
  EXPECT_EQ(ProgramDirectory("t.exe"), "");
  EXPECT_EQ(BaseName("t.exe"), "t.exe");
  EXPECT_EQ(BaseName("/opt/"), "");
  for (const char* N : {"a.uTMP", "a.UTMP", "a.utmp", "x.exe.UtMp"}) EXPECT_TRUE(IsUpdateName(N)) << N;
  for (const char* N : {".uTMP", "a.uTMPx", "a.tmp", "a_uTMP", ""}) EXPECT_FALSE(IsUpdateName(N)) << N;
}

namespace {

TCommandLine Cmd(bool Setup) { return {"/d/tool.exe", "/afterupgrade", Setup}; }

Strings Targets(const TPlan& P) {
  Strings T;
  for (const auto& M : P.Moves) T.push_back(M.Target);
  return T;
}

}  // namespace

TEST(HelperPlan, ReplaceModeNaming) {
  // The program's own update is present: every file keeps its name.
  TPlan P = PlanUpgrade(Cmd(false), "tool.exe", true,
                        {"other.exe.uTMP", "tool.exe.uTMP", "readme.txt", "a.dat.UTMP"});
  EXPECT_EQ(Targets(P), (Strings{"/d/a.dat", "/d/other.exe", "/d/tool.exe"}));
  EXPECT_EQ(P.Moves[0].Source, "/d/a.dat.UTMP");
  EXPECT_FALSE(P.Moves[1].Executable);
  EXPECT_TRUE(P.Moves[2].Executable);
  for (const auto& M : P.Moves) EXPECT_EQ(M.Attributes, AttrArchive);
  EXPECT_EQ(P.RunPath, "/d/tool.exe");
  EXPECT_FALSE(P.SetupProgram);

  // Only one other "exe": it becomes the program, under the program's listed name.
  P = PlanUpgrade(Cmd(false), "Tool.exe", false, {"new.exe.uTMP"});
  ASSERT_EQ(P.Moves.size(), 1u);
  EXPECT_EQ(P.Moves[0].Source, "/d/new.exe.uTMP");
  EXPECT_EQ(P.Moves[0].Target, "/d/Tool.exe");
  EXPECT_TRUE(P.Moves[0].Executable);

  // Upper-case "EXE" is no program; the first "exe" in byte order is, the second keeps its name.
  P = PlanUpgrade(Cmd(false), "tool.exe", false, {"b.exe.uTMP", "Setup.EXE.uTMP", "a.exe.uTMP"});
  EXPECT_EQ(Targets(P), (Strings{"/d/Setup.EXE", "/d/tool.exe", "/d/b.exe"}));

  P = PlanUpgrade({"tool.exe", "", false}, "tool.exe", false, {"new.exe.uTMP"});
  EXPECT_EQ(Targets(P), (Strings{"tool.exe"}));
}

TEST(HelperPlan, SetupModeChoosesOneSetupProgram) {
  TPlan P = PlanUpgrade(Cmd(true), "tool.exe", false,
                        {"setup.exe.uTMP", "data.txt.uTMP", "uninstall.exe.uTMP"});
  EXPECT_TRUE(P.SetupProgram);
  EXPECT_EQ(P.RunPath, "/d/setup.exe");
  EXPECT_EQ(P.SavedProgramPath, "/d/tool.exe");
  EXPECT_EQ(Targets(P), (Strings{"/d/data.txt", "/d/setup.exe", "/d/uninstall.exe"}));
  EXPECT_EQ(P.Moves[1].Attributes, AttrHidden | AttrArchive);
  EXPECT_TRUE(P.Moves[1].Executable);
  EXPECT_EQ(P.Moves[2].Attributes, AttrArchive);
  EXPECT_FALSE(P.Moves[2].Executable);

  // With the program's own update there is no setup program: the program is run.
  for (const bool Present : {true, false}) {
    P = PlanUpgrade(Cmd(true), "tool.exe", Present, {"tool.exe.uTMP"});
    EXPECT_FALSE(P.SetupProgram);
    EXPECT_EQ(P.RunPath, "/d/tool.exe");
    EXPECT_EQ(Targets(P), (Strings{"/d/tool.exe"}));
  }
}

TEST(HelperPlan, AnExeTakesOnlyAnExeProgramsPlace) {
  // An extensionless Linux program is replaced by its own update alone.
  TPlan P = PlanUpgrade({"/d/renewix-cli", "", false}, "renewix-cli", false, {"winhelper.exe.uTMP"});
  EXPECT_EQ(Targets(P), (Strings{"/d/winhelper.exe"}));
  EXPECT_FALSE(P.Moves[0].Executable);
  // Setup mode still picks its setup program by the ending.
  P = PlanUpgrade({"/d/renewix-cli", "", true}, "renewix-cli", false, {"setup.exe.uTMP"});
  EXPECT_TRUE(P.SetupProgram);
  EXPECT_EQ(P.RunPath, "/d/setup.exe");
}

TEST(HelperCommandLine, ArgumentVectorKeepsThePathWhole) {
  for (const std::string Path : {"/opt/c++/tool/app", "/a  b/app", "/t\tab/\"q\"/app", "/n\nl/\xc3\xa9/app"}) {
    const TCommandLine C = ParseArguments({Path, "+/afterupgrade  x0"});
    EXPECT_EQ(C.ProgramPath, Path);
    EXPECT_EQ(C.RestartParams, "/afterupgrade  x");
    EXPECT_FALSE(C.SetupMode);
  }
  const TCommandLine S = ParseArguments({"/p/app", "+1"});
  EXPECT_EQ(S.RestartParams, "");
  EXPECT_TRUE(S.SetupMode);
}
