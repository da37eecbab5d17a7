#include <gtest/gtest.h>

#include <cmath>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixInfoFile.h"
#include "servers/TestServers.h"

using namespace zu;

namespace {
const char* Sample =
    "#version=1.0.0.3\r\n#date=03/01/2008\r\n#url=http://h/prog\r\n#url2=http://h/help\r\n"
    "#method=0\r\n#message={Version 1.0.0.3:\r\nfaster start-up.}\r\n";
}

TEST(InfoFile, ReadsTheExampleFile) {
  const auto C = ReadInfoFile(Sample);
  EXPECT_EQ(C.Version, "1.0.0.3");
  EXPECT_EQ(C.Date, "03/01/2008");
  EXPECT_EQ(C.URLs, (std::vector<std::string>{"http://h/prog", "http://h/help"}));
  EXPECT_EQ(C.Method, umSelfUpgrade);
  EXPECT_EQ(C.Message, "Version 1.0.0.3:\r\nfaster start-up.");
  EXPECT_TRUE(IsNewerVersion(Sample, byNumber, "1.0.0.2", ""));
  EXPECT_FALSE(IsNewerVersion(Sample, byNumber, "1.0.0.3", ""));
}

TEST(InfoFile, UrlNumberingAndGaps) {
  EXPECT_EQ(InfoFileURLs("#url=A\n#url1=B\n#url2=C\n"), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(InfoFileURLs("#url1=A\n#url3=B\n"), (std::vector<std::string>{"A"}));
  EXPECT_EQ(InfoFileURLs("#url1=A\n#url2=B\n#url3=C\n"), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(InfoFileURLs("#url0=A\n#url2=B\n"), (std::vector<std::string>{"A", "B"}));
  // With both #url and #url0 numbering continues at 3.
  EXPECT_EQ(InfoFileURLs("#url=A\n#url0=B\n#url2=X\n#url3=C\n"), (std::vector<std::string>{"A", "B", "C"}));
  // An empty entry counts as missing and ends the list.
  EXPECT_EQ(InfoFileURLs("#url=A\n#url2=\n#url3=C\n"), (std::vector<std::string>{"A"}));
  EXPECT_TRUE(InfoFileURLs("#version=2\n").empty());
  // Decimal numbers without leading zeros: #url10 follows #url9.
  std::string Many;
  for (int I = 1; I <= 12; ++I) Many += "#url" + std::to_string(I) + "=U" + std::to_string(I) + "\n";
  const auto L = InfoFileURLs(Many);
  ASSERT_EQ(L.size(), 12u);
  EXPECT_EQ(L[9], "U10");
  EXPECT_EQ(L[11], "U12");
}

TEST(InfoFile, MethodUsesOnlyTheFirstCharacter) {
  EXPECT_EQ(InfoFileMethod("#method=1\n"), umUseExternalSetup);
  EXPECT_EQ(InfoFileMethod("#method=2x\n"), umRedirectToURL);
  EXPECT_EQ(InfoFileMethod("#method=x2\n"), umSelfUpgrade);
  EXPECT_EQ(InfoFileMethod("#method=\n"), umSelfUpgrade);
  EXPECT_EQ(InfoFileMethod(""), umSelfUpgrade);
  EXPECT_EQ(InfoFileMethod("#method=1\t; external setup\n"), umUseExternalSetup);
  EXPECT_EQ(InfoFileMethod("#METHOD=2"), umRedirectToURL);
}

TEST(InfoFile, LastEntryWithoutLineEndIsReadWhole) {
  const auto C = ReadInfoFile("#url=http://h/a.exe\n#version=1.2.3.45");
  EXPECT_EQ(C.Version, "1.2.3.45");
  const auto M = ReadInfoFile("#version=2\n#message={two\nlines}");
  EXPECT_EQ(M.Message, "two\nlines");
  // Without a closing brace the message runs to the end of the text.
  EXPECT_EQ(ReadInfoFile("#message={open ended\n").Message, "open ended\n");
}

TEST(InfoFile, MessageNeedsTheBracedForm) {
  EXPECT_EQ(ReadInfoFile("#message=plain text\n").Message, "");
  EXPECT_EQ(ReadInfoFile("#message= {x}\n").Message, "");
  EXPECT_EQ(ReadInfoFile("#Message={Keeps Case}").Message, "Keeps Case");
}

TEST(InfoFile, KeyInsideAnEarlierValueWins) {
  const std::string T = "#message={see #version=9 below}\n#version=1.0.0.3\n";
  EXPECT_EQ(ReadInfoFile(T).Version, "9 below}");
  EXPECT_TRUE(IsNewerVersion(T, byNumber, "1.0.0.3", ""));
}

TEST(RXDate, ConvertsBothWays) {
  TDateTime D = RXDateToDate("02/19/2008");
  int Y, M, Dd;
  DecodeDate(D, Y, M, Dd);
  EXPECT_EQ(Y, 2008);
  EXPECT_EQ(M, 2);
  EXPECT_EQ(Dd, 19);
  EXPECT_EQ(DateToRXDate(D), "02/19/2008");
  EXPECT_EQ(DateToRXDate(EncodeDate(2009, 12, 3) + 0.75), "12/03/2009");
  // Two-digit years are years of the first century.
  DecodeDate(RXDateToDate("1/2/8"), Y, M, Dd);
  EXPECT_EQ(Y, 8);
  EXPECT_EQ(DateToRXDate(EncodeDate(8, 1, 2)), "01/02/0008");
}

TEST(RXDate, InvalidTextIsToday) {
  const TDateTime Today = Date();
  for (const char* S : {"19/02/2008", "02/30/2008", "", "02-19-2008", "02/19", "a/b/c", "02/19/2008x"})
    EXPECT_EQ(RXDateToDate(S), Today) << S;
  EXPECT_EQ(RXDateToDate("02/29/2008"), EncodeDate(2008, 2, 29));
}

TEST(NewerVersion, ByNumber) {
  EXPECT_TRUE(IsNewerVersion("#version=1.0.0.10", byNumber, "1.0.0.9", ""));
  EXPECT_FALSE(IsNewerVersion("#version=1.0", byNumber, "1.0.0.0", ""));
  // A missing #version is older than any non-empty local version, never newer.
  EXPECT_FALSE(IsNewerVersion("#url=x", byNumber, "1.0.0.2", ""));
  EXPECT_FALSE(IsNewerVersion("#url=x", byNumber, "", ""));
  EXPECT_TRUE(IsNewerVersion("#version=1.0a", byNumber, "1.0", ""));
}

TEST(NewerVersion, StrayBlanksAndCarriageReturnsAreNotANewRelease) {
  for (const char* T : {"#version=1.2.0.0 \r\n", "#version=1.2.0.0\r\n", "#version= 1. 2.0.0\t\n"})
    EXPECT_FALSE(IsNewerVersion(T, byNumber, "1.2.0.0", "")) << T;
  EXPECT_FALSE(IsNewerVersion("#version=1.2.0.0\n", byNumber, "1.2.0.0 ", ""));
  EXPECT_TRUE(IsNewerVersion("#version=1.2.0.1\r\n", byNumber, "1.2.0.0", ""));
  EXPECT_FALSE(IsNewerVersion("#date=03/01/2008\r\n", byDate, "", "03/01/2008"));
  EXPECT_TRUE(IsNewerVersion("#date=03/02/2008 \r\n", byDate, "", "03/01/2008"));
}

TEST(NewerVersion, ByDate) {
  const std::string T = "#date=03/01/2008\n";
  EXPECT_TRUE(IsNewerVersion(T, byDate, "", "02/29/2008"));
  EXPECT_FALSE(IsNewerVersion(T, byDate, "", "03/01/2008"));
  EXPECT_FALSE(IsNewerVersion(T, byDate, "", "03/02/2008"));
  // Without #date the published date is today: every earlier local date is older.
  EXPECT_TRUE(IsNewerVersion("#url=x", byDate, "", "01/01/2000"));
  EXPECT_FALSE(IsNewerVersion("#url=x", byDate, "", DateToRXDate(Date())));
  // An unreadable local date is today too.
  EXPECT_TRUE(IsNewerVersion("#date=01/01/9999", byDate, "", "garbage"));
  EXPECT_FALSE(IsNewerVersion("#date=01/01/2000", byDate, "", "garbage"));
}

TEST(InfoFile, ThousandsOfUrlsInOrderAndKeysAsParseStrFindsThem) {
  std::string T = "#version=2\r\n";
  for (int I = 1; I <= 20000; ++I) T += "#URL" + std::to_string(I) + "=http://h/f" + std::to_string(I) + "\r\n";
  T += "#url3=late duplicate\r\n";
  const auto L = InfoFileURLs(T);
  ASSERT_EQ(L.size(), 20000u);
  EXPECT_EQ(L[2], "http://h/f3") << "the first of a key counts";
  EXPECT_EQ(L[19999], "http://h/f20000");
  // A key anywhere in the text, also inside another value, as ParseStr finds it.
  EXPECT_EQ(InfoFileURLs("#message={#url=http://in/notes}\n#url=http://h/a\n"),
            std::vector<std::string>{"http://in/notes}"});
  EXPECT_EQ(InfoFileURLs("x#url1=A\n#url01=B\n#url2=C"), (std::vector<std::string>{"A", "C"}));
}

namespace {

struct TInfoRoot : TComponent {
  TInfoRoot() : TComponent(nullptr) {}
};

// The outcome of one non-blocking check against Url.
std::string CheckOutcome(const std::string& Url) {
  TInfoRoot Root;
  auto* R = new TzuRenewix(&Root);
  R->SetShowMessages(0);
  R->SetVersionControl(byNumber);
  R->SetVersionNumber("1.0.0.0");
  R->SetInfoFileURL(Url);
  std::string Outcome;
  R->OnNoInfoFile = [&](TObject*) { Outcome = "NoInfoFile"; };
  R->OnNoUpdateAvailable = [&](TObject*) { Outcome = "NoUpdateAvailable"; };
  R->OnBeginUpgrade = [&](TObject*, const std::string&, TzuUpgradeMethod, TStringList*, bool& Can) {
    Outcome = "BeginUpgrade";
    Can = false;
  };
  R->OnHostUnreachable = [&](TObject*, const std::string&, const std::string&) { Outcome = "HostUnreachable"; };
  R->OnConnLost = [&](TObject*) { Outcome = "ConnLost"; };
  R->CheckUpdate(false);
  zutest::PumpUntil([&] { return !Outcome.empty() && !R->GetThreadBusy(); }, 20000);
  return Outcome;
}

}  // namespace

TEST(InfoFile, AnInfoFileOverTheBoundIsNoInfoFileAndIsNotReadOn) {
  zutest::FaultServer F;
  const std::string Head = "#version=2.0.0.0\r\n#url=http://h/prog\r\n#message={";
  F.On("/ok", zutest::FaultServer::Reply(200, Head + std::string(1000, 'n') + "}\r\n"));
  F.On("/announced", zutest::FaultServer::Reply(200, Head + std::string(MaxInfoFileSize, 'n') + "}\r\n"));
  // Without a length, and without end: the check stops at the bound instead of growing.
  F.On("/endless", [](const zutest::FaultRequest&, zutest::FaultConnection& C) {
    if (!C.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n#version=2.0.0.0\r\n")) return;
    const std::string Block(64 * 1024, 'e');
    for (int I = 0; I < 2000 && C.Send(Block); ++I) {
    }
    C.Close();
  });
  EXPECT_EQ(CheckOutcome(F.Url("/ok")), "BeginUpgrade");
  EXPECT_EQ(CheckOutcome(F.Url("/announced")), "NoInfoFile");
  EXPECT_EQ(CheckOutcome(F.Url("/endless")), "NoInfoFile");
}
