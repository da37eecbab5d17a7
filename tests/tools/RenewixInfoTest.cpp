#include <gtest/gtest.h>

#include "TestUtil.h"
#include "engine/zuRenewixInfoFile.h"

namespace {

zutest::ProcessResult Info(const std::vector<std::string>& Args, const std::string& Input = "") {
  return zutest::RunProcess(zutest::BinDir() + "/renewix-info", Args, Input);
}

const std::string Sample = zutest::SourceDir() + "/tools/samples/SablewingUpdate.inf";

}  // namespace

TEST(RenewixInfo, PrintsTheSampleFile) {
  const auto R = Info({Sample});
  EXPECT_EQ(R.ExitCode, 1) << "no comparison asked";
  EXPECT_EQ(R.Out,
            "version: 1.0.0.3\n"
            "date: 03/01/2008\n"
            "url: http://127.0.0.1:8080/release/renewix\n"
            "url: http://127.0.0.1:8080/release/renewix.hlp\n"
            "method: umSelfUpgrade\n"
            "message:\n"
            "Version 1.0.0.3:\n"
            "1. Faster start-up.\n"
            "2. Fewer questions.\n");
  EXPECT_EQ(R.Err, "");
}

TEST(RenewixInfo, ComparesByNumber) {
  auto R = Info({"--version", "1.0.0.2", Sample});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_NE(R.Out.find("method: umSelfUpgrade\nnewer: yes\nmessage:\n"), std::string::npos) << R.Out;
  R = Info({"--version", "1.0.0.3", Sample});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Out.find("newer: no\n"), std::string::npos);
}

TEST(RenewixInfo, ComparesByDateFromStandardInput) {
  const std::string Text = "#date=03/01/2008\n#url=http://h/a\n#method=1\n";
  auto R = Info({"--date", "02/19/2008", "-"}, Text);
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out, "version: \ndate: 03/01/2008\nurl: http://h/a\nmethod: umUseExternalSetup\nnewer: yes\nmessage:\n");
  R = Info({"--date", "03/01/2008", "-"}, Text);
  EXPECT_EQ(R.ExitCode, 1);
}

TEST(RenewixInfo, NewerButWithoutFilesOffersNothing) {
  const auto R = Info({"--version", "1.0", "-"}, "#version=2.0\n#message={x}");
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Out.find("newer: no\n"), std::string::npos);
}

TEST(RenewixInfo, AnInvalidLocalDateIsTodayWithAWarning) {
  const auto R = Info({"--date", "13/45/2008", "-"}, "#url=http://h/a\n");  // no #date: today too
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("13/45/2008"), std::string::npos);
}

TEST(RenewixInfo, ErrorsExitTwoWithOneLine) {
  auto R = Info({"/nonexistent/file.inf"});
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  EXPECT_NE(R.Err.find("/nonexistent/file.inf"), std::string::npos);
  EXPECT_EQ(Info({}).ExitCode, 2);
  EXPECT_EQ(Info({"--version"}).ExitCode, 2);
  EXPECT_EQ(Info({"--bogus", Sample}).ExitCode, 2);
  EXPECT_EQ(Info({"--version", "1", "--date", "01/01/2000", Sample}).ExitCode, 2);
  EXPECT_EQ(Info({"/"}).ExitCode, 2) << "a directory cannot be read";
}

TEST(RenewixInfo, HelpDocumentsTheOutput) {
  const auto R = Info({"--help"});
  EXPECT_EQ(R.ExitCode, 0);
  for (const char* Word : {"version:", "date:", "url:", "method:", "message:", "newer: yes | no", "Exit status"})
    EXPECT_NE(R.Out.find(Word), std::string::npos) << Word;
}

TEST(RenewixInfo, AgreesWithTheLibrary) {
  const std::string Text = "#URL=http://h/A\n#url0=http://h/b\n#url3=http://h/c\n#version=3\n#message={m}";
  const auto R = Info({"-"}, Text);
  std::string Expected;
  for (const auto& U : zu::InfoFileURLs(Text)) Expected += "url: " + U + "\n";
  EXPECT_NE(R.Out.find(Expected), std::string::npos) << R.Out;
  EXPECT_EQ(zu::InfoFileURLs(Text).size(), 3u);
}
