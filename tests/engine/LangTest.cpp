// The engine's message table and languages: the blocks and their placeholders, the choice of
// the language from the locale variables, the checked format, and the notices and the upgrade
// question driven on the offscreen platform, with PNGs of them in the artifacts folder.
//
// LangArtwork.DISABLED_Regenerate draws the upgrade question's icon and rewrites
// engine/lang/zzurxico.ico (scripts/renewix-icon-artwork runs it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "QtTestUtil.h"
#include "widgets/InfoBoxDriver.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "widgets/zuRichTextUtils.h"
#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/os/Language.h"
#include "platform/os/Resources.h"
#include "widgets/zuInfoBox.h"

using namespace zu;

namespace {

int BlockStart(int Ordinal) { return RXFirstLanguageId + 50 * (Ordinal - 1); }

// The placeholders of a text in their order.
std::vector<std::string> Placeholders(const std::string& S) {
  static const std::regex Re(R"(%%|%-?[0-9]*(\.[0-9]+)?[a-zA-Z])");
  std::vector<std::string> R;
  for (auto It = std::sregex_iterator(S.begin(), S.end(), Re); It != std::sregex_iterator(); ++It)
    R.push_back(It->str());
  return R;
}

// The locale variables of the process for one case; the system's language follows them.
class Locale {
 public:
  Locale(const char* All, const char* Messages, const char* Lang)
      : FAll("LC_ALL", All), FMessages("LC_MESSAGES", Messages), FLang("LANG", Lang) {}

 private:
  zutest::ScopedEnv FAll, FMessages, FLang;
};

// Leaves the process-wide language as it found it.
class LangTest : public ::testing::Test {
 protected:
  void SetUp() override { FSaved = RXCurrentLanguage(); }
  void TearDown() override {
    RXSelectLanguage(static_cast<TzuRenewixLanguage>((FSaved - RXFirstLanguageId) / 50 + 1));
    TApplication::Instance().SetTitle(FTitle);
  }

 private:
  std::uint16_t FSaved = 0;
  std::string FTitle = TApplication::Instance().Title();
};

void SaveArtifact(QWidget& W, const std::string& Name) { ASSERT_TRUE(zutest::SaveWidgetPng(W, Name)); }

using zutest::Click;

QImage Shown(TzuProportionalImage& I) { return I.Picture()->Graphic() ? I.Picture()->Graphic()->Image() : QImage(); }

QImage IconResourceImage() {
  std::string Data;
  if (!os::LoadResource(RXUpgradeIconName, "ICON", Data)) return {};
  QImage Img;
  Img.loadFromData(reinterpret_cast<const uchar*>(Data.data()), static_cast<int>(Data.size()), "ICO");
  return Img;
}

struct TShot {
  TzuRenewixLanguage Language;
  const char* Code;
};
constexpr TShot Shots[] = {{wlEnglish, "en"}, {wlGerman, "de"}, {wlRussian, "ru"}, {wlChineseSimplified, "zh_CN"}};

}  // namespace

// Kept first: nothing in this process has selected a language or shown a box yet.
TEST_F(LangTest, StartUpSelectsTheSystemLanguageAndInstallsTheCaptionHook) {
  EXPECT_EQ(RXCurrentLanguage(), BlockStart(RXAutoLanguage()));
  ASSERT_TRUE(InfoBoxLangStr);
  RXSelectLanguage(wlGerman);
  EXPECT_EQ(InfoBoxLangStr(16), LoadRXString(51116));
  EXPECT_EQ(InfoBoxLangStr(14), "&Ja");

  // A program started under a Brazilian locale has that block before anything selects one.
  Locale L(nullptr, "pt_BR.UTF-8", "de_DE.UTF-8");
  const zutest::ProcessResult P = zutest::RunProcess(
      zutest::BinDir() + "/test_lang", {"--gtest_also_run_disabled_tests", "--gtest_filter=LangChild.*"});
  EXPECT_EQ(P.ExitCode, 0) << P.Err;
  EXPECT_NE(P.Out.find("start language 51300"), std::string::npos) << P.Out;
}

// Run by the case above in a child process.
TEST(LangChild, DISABLED_PrintsTheStartLanguage) { std::printf("start language %d\n", RXCurrentLanguage()); }

// ---------- the table ----------

TEST_F(LangTest, EveryBlockHasItsMessagesWithTheEnglishPlaceholders) {
  std::vector<std::string> Firsts;
  for (int N = wlEnglish; N <= wlSlovak; ++N) {
    SCOPED_TRACE("language " + std::to_string(N));
    for (int I = 0; I < RXMessageCount; ++I) {
      SCOPED_TRACE("message " + std::to_string(I));
      const std::string Text = LoadRXString(BlockStart(N) + I);
      const std::string English = LoadRXString(BlockStart(wlEnglish) + I);
      ASSERT_FALSE(Text.empty());
      EXPECT_EQ(Placeholders(Text), Placeholders(English));
      EXPECT_EQ(QString::fromUtf8(Text.data(), static_cast<int>(Text.size())).toStdString(), Text);  // valid UTF-8
      EXPECT_EQ(Text.find('\r'), std::string::npos);
    }
    for (int I : {23, 29}) EXPECT_NE(LoadRXString(BlockStart(N) + I).find("[b]%s[]"), std::string::npos);
    // The rest of each block is empty.
    for (int I = RXMessageCount; I < 50; ++I) EXPECT_EQ(LoadRXString(BlockStart(N) + I), "");
    Firsts.push_back(LoadRXString(BlockStart(N)));
  }
  // Every block is a translation of its own: no two captions of the wizard are the same.
  for (size_t A = 0; A < Firsts.size(); ++A)
    for (size_t B = A + 1; B < Firsts.size(); ++B) EXPECT_NE(Firsts[A], Firsts[B]) << A + 1 << " and " << B + 1;
  // Outside the table.
  EXPECT_EQ(LoadRXString(52450), "");
  EXPECT_EQ(LoadRXString(50996), "");
  EXPECT_EQ(LoadRXString(-1), "");
}

TEST_F(LangTest, EnglishBlockAndTheStringsBelowIt) {
  EXPECT_EQ(LoadRXString(51000), "Application update wizard");
  EXPECT_EQ(LoadRXString(51008), "Estimated time left: %d:%.2d:%.2d");
  EXPECT_EQ(LoadRXString(51010),
            "The update of %s has been successfully completed.\n\nPress the OK button to restart program.");
  EXPECT_EQ(LoadRXString(51018), "&Next >");
  EXPECT_EQ(LoadRXString(51022), "Preparing. . .");
  EXPECT_EQ(LoadRXString(51023),
            "A newer version of [b]%s[] was released.\n%s\nDo you want to update your version with the latest one?");
  EXPECT_EQ(LoadRXString(51025), "File which contains upgrade information was not found on developer's site.");
  EXPECT_EQ(LoadRXString(51029),
            "Access to remote file \"[b]%s[]\" is password protected.\n\nPlease enter your username and password "
            "(received after registration) to continue software upgrade.");
  EXPECT_EQ(LoadRXString(51030),
            "Connection with remote server lost.\n\nPlease restore connection and try to\nupgrade this software "
            "again later.");
  EXPECT_EQ(LoadRXString(RXAppTitleId), "<AppTitle>");
  EXPECT_EQ(LoadRXString(RXTitleMarkerId), "Qt Creator");
  EXPECT_EQ(LoadRXString(RXProductNameId), "Renewix");
  // Spot checks that each file sits at its block.
  EXPECT_EQ(LoadRXString(51064), "&Да");
  EXPECT_EQ(LoadRXString(51114), "&Ja");
  EXPECT_EQ(LoadRXString(51217), "&Cancelar");
  EXPECT_EQ(LoadRXString(52114), "[[&Y]]是");
  EXPECT_EQ(LoadRXString(52064), "是(&Y)");
}

TEST_F(LangTest, ChineseBlocksKeepTheirBracketConventions) {
  // Message 10 names the OK button (message 16 without its access key) in brackets.
  for (int N : {wlChineseTraditional, wlChineseSimplified}) {
    std::string OK = LoadRXString(BlockStart(N) + 16);
    OK = std::regex_replace(OK, std::regex(R"(\[\[&.\]\]|\(&.\))"), "");
    ASSERT_FALSE(OK.empty());
    EXPECT_NE(LoadRXString(BlockStart(N) + 10).find("[" + OK + "]"), std::string::npos) << N;
  }
  // Simplified: access keys before the word in literal (doubled) brackets, a literal
  // bracketed phrase in 29 and its quote directly after a word. Message 10 is shown as plain
  // text, so its brackets stay single.
  for (int I = 14; I <= 19; ++I) {
    EXPECT_TRUE(std::regex_search(LoadRXString(52100 + I), std::regex(R"(^\[\[&[A-Z]\]\][^ \[])"))) << I;
    EXPECT_EQ(RichTextToPlain(LoadRXString(52100 + I)).substr(0, 4), LoadRXString(52100 + I).substr(1, 4)) << I;
  }
  const std::string M29 = LoadRXString(52129);
  EXPECT_TRUE(std::regex_search(M29, std::regex(R"(\[\[[^\]b&][^\]]+\]\])"))) << M29;
  EXPECT_NE(RichTextToPlain(M29).find("[注册后获得]"), std::string::npos);
  const size_t Quote = M29.find("\"[b]");
  ASSERT_NE(Quote, std::string::npos);
  ASSERT_GT(Quote, 0u);
  EXPECT_NE(M29[Quote - 1], ' ');
}

// ---------- languages ----------

TEST_F(LangTest, LocaleNamesGiveLanguageIdentifiers) {
  const struct {
    const char* Locale;
    std::uint16_t LangID;
  } Cases[] = {
      {"pt_BR.UTF-8", 0x0416}, {"pt_PT", 0x0816},     {"pt", 0x0816},           {"zh_CN.UTF-8", 0x0804},
      {"zh_SG", 0x0804},       {"zh", 0x0804},        {"zh_TW.Big5", 0x0404},   {"zh_HK.UTF-8", 0x0404},
      {"ja_JP.UTF-8", 0x0411}, {"de_DE@euro", 0x0407}, {"DE_at", 0x0407},       {"en_GB", 0x0409},
      {"nb_NO.UTF-8", 0x0414}, {"sr_RS@latin", 0x041A}, {"C", 0x0409},          {"POSIX", 0x0409},
      {"C.UTF-8", 0x0409},     {"", 0x0409},          {"xx_YY", 0x0409},
  };
  for (const auto& C : Cases) EXPECT_EQ(os::LangIDForLocale(C.Locale), C.LangID) << C.Locale;

  // LC_ALL, then LC_MESSAGES, then LANG; an empty one does not count.
  {
    Locale L(nullptr, nullptr, "de_DE.UTF-8");
    EXPECT_EQ(os::SystemDefaultLangID(), 0x0407);
  }
  {
    Locale L("", "fr_FR", "de_DE.UTF-8");
    EXPECT_EQ(os::SystemDefaultLangID(), 0x040C);
  }
  {
    Locale L("ru_RU.UTF-8", "fr_FR", "de_DE.UTF-8");
    EXPECT_EQ(os::SystemDefaultLangID(), 0x0419);
  }
  {
    Locale L(nullptr, nullptr, nullptr);
    EXPECT_EQ(os::SystemDefaultLangID(), 0x0409);
  }
}

TEST_F(LangTest, AutomaticSelectionFromTheSystemLanguage) {
  EXPECT_EQ(RXLanguageForLangID(0x0416), wlPortugueseBrazilian);
  EXPECT_EQ(RXLanguageForLangID(0x0816), wlPortuguese);
  EXPECT_EQ(RXLanguageForLangID(0x0804), wlChineseSimplified);
  EXPECT_EQ(RXLanguageForLangID(0x0404), wlChineseTraditional);
  EXPECT_EQ(RXLanguageForLangID(0x1004), wlChineseTraditional);  // any sublanguage but 2
  EXPECT_EQ(RXLanguageForLangID(0x0411), wlEnglish);
  EXPECT_EQ(RXLanguageForLangID(0x0809), wlEnglish);
  EXPECT_EQ(RXLanguageForLangID(0x0000), wlEnglish);
  EXPECT_EQ(RXLanguageForLangID(0x041B), wlSlovak);
  EXPECT_EQ(RXLanguageForLangID(0x0814), wlNorwegian);

  const struct {
    const char* All;
    const char* Lang;
    int Block;
  } Cases[] = {
      {nullptr, "pt_BR.UTF-8", 51300}, {nullptr, "pt_PT.UTF-8", 51250}, {nullptr, "zh_CN.UTF-8", 52100},
      {nullptr, "zh_SG", 52100},       {nullptr, "zh_TW.UTF-8", 52050}, {nullptr, "ja_JP.UTF-8", 51000},
      {nullptr, "de_DE.UTF-8", 51100}, {"uk_UA.UTF-8", "de_DE.UTF-8", 51650}, {nullptr, "tr_TR", 52300},
      {nullptr, "C", 51000},
  };
  for (const auto& C : Cases) {
    Locale L(C.All, nullptr, C.Lang);
    RXSelectLanguage(wlAuto);
    EXPECT_EQ(RXCurrentLanguage(), C.Block) << C.Lang;
    EXPECT_EQ(RXLangStr(0), LoadRXString(C.Block));
  }
}

TEST_F(LangTest, SelectingALanguageSwitchesEveryLookup) {
  for (int N = wlEnglish; N <= wlSlovak; ++N) {
    RXSelectLanguage(static_cast<TzuRenewixLanguage>(N));
    EXPECT_EQ(RXCurrentLanguage(), BlockStart(N));
    EXPECT_EQ(RXLangStr(0), LoadRXString(BlockStart(N)));
    EXPECT_EQ(RXLangStr(30), LoadRXString(BlockStart(N) + 30));
  }
  RXSelectLanguage(wlGerman);
  EXPECT_EQ(RXLangStr(0), LoadRXString(51100));
  EXPECT_EQ(RXLangStr(RXMessageCount), "");  // past the messages
  EXPECT_EQ(RXLangStr(-51100), "");
  RXSelectLanguage(static_cast<TzuRenewixLanguage>(30));  // no such language: no change
  EXPECT_EQ(RXCurrentLanguage(), 51100);
}

TEST_F(LangTest, WizardLanguageIsProcessWideAndAutoDetectsOnlyOnChange) {
  Locale L(nullptr, nullptr, "fr_FR.UTF-8");
  RXSelectLanguage(wlEnglish);
  TzuRenewixWizard A(nullptr), B(nullptr);
  ASSERT_EQ(A.Language(), wlAuto);
  A.SetLanguage(wlAuto);  // unchanged: no detection
  EXPECT_EQ(RXCurrentLanguage(), 51000);
  A.SetLanguage(wlGerman);
  EXPECT_EQ(RXLangStr(0), LoadRXString(51100));
  B.SetLanguage(wlRussian);  // the last selection wins, for every instance
  EXPECT_EQ(RXCurrentLanguage(), 51050);
  A.SetLanguage(wlAuto);  // from another value: detects
  EXPECT_EQ(RXCurrentLanguage(), 51150);
}

// ---------- format ----------

TEST_F(LangTest, FormatFillsThePlaceholders) {
  EXPECT_EQ(RXFormat("File size: %.1f Kb", {1536.0 / 1024}), "File size: 1.5 Kb");
  EXPECT_EQ(RXFormat("%d:%.2d:%.2d", {1LL, 5LL, 7LL}), "1:05:07");
  EXPECT_EQ(RXFormat("%d:%.2d:%.2d", {12LL, 345LL, 0LL}), "12:345:00");
  EXPECT_EQ(RXFormat("%.2d|%d", {-5LL, -12LL}), "-05|-12");
  EXPECT_EQ(RXFormat("%5d|%-5d|%3s|%.3s", {42LL, 42LL, std::string("a"), std::string("Привет")}),
            "   42|42   |  a|При");
  EXPECT_EQ(RXFormat("%f %.0f %.3f", {2.5, 2.75, -0.0625}), "2.50 3 -0.062");
  EXPECT_EQ(RXFormat("100%% of %s", {std::string("[b]x[]")}), "100% of [b]x[]");
  EXPECT_EQ(RXFormat("no placeholders", {}), "no placeholders");
  EXPECT_EQ(RXFormat("%s", {std::string("%d stays")}), "%d stays");  // arguments are not formats
  EXPECT_EQ(RXFormat("%s", {std::string("a"), 1LL}), "a");             // surplus ignored

  RXSelectLanguage(wlEnglish);
  EXPECT_EQ(RXFmtLangStr(8, {1LL, 2LL, 3LL}), "Estimated time left: 1:02:03");
  EXPECT_EQ(RXFmtLangStr(9, {3LL, 10LL}), "Downloading 3 of 10");
  EXPECT_EQ(RXFmtLangStr(26, {std::string("http://example.org")}).substr(0, 29), "Host http://example.org unrea");
}

TEST_F(LangTest, FormatMismatchesRaiseNamingTheFormat) {
  const struct {
    std::string Format;
    std::vector<TRXFormatArg> Args;
  } Cases[] = {
      {"Downloading %d of %d", {1LL}},          // too few
      {"File size: %.1f Kb", {}},               // none
      {"Downloading %d of %d", {std::string("1"), 2LL}},  // text for a number
      {"Host %s unreachable.", {80LL}},         // number for text
      {"Rate %.1f", {3LL}},                     // integer for a floating-point number
      {"Count %d", {2.0}},                      // and the other way round
      {"Hex %x", {1LL}},                        // no such placeholder
      {"Trailing %", {}},
      {"Wide %123456d", {1LL}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Format);
    try {
      // The initializer list of the call is rebuilt from the case's arguments.
      switch (C.Args.size()) {
        case 0: RXFormat(C.Format, {}); break;
        case 1: RXFormat(C.Format, {C.Args[0]}); break;
        default: RXFormat(C.Format, {C.Args[0], C.Args[1]}); break;
      }
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& E) {
      EXPECT_NE(std::string(E.what()).find("'" + C.Format + "'"), std::string::npos) << E.what();
    }
  }
  RXSelectLanguage(wlGerman);
  EXPECT_THROW(RXFmtLangStr(23, {std::string("App")}), EConvertError);
}

// ---------- boxes ----------

TEST_F(LangTest, UpgradeQuestionAnswersAndText) {
  TApplication::Instance().SetTitle("Notes Pro");
  RXSelectLanguage(wlEnglish);
  std::string Seen;
  bool Appeared = false;
  const bool Yes = zutest::DriveInfoBox([] { return ShowUpgradeBox("Faster sync."); },
                               [&](TzuInfoBoxForm& F) {
                                 Seen = F.Text->Caption();
                                 EXPECT_EQ(F.Caption(), "Application update wizard");
                                 EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Yes");
                                 EXPECT_EQ(F.btns->BtnCancel()->Caption(), "&Later");
                                 EXPECT_FALSE(F.btns->BtnCustom()->Button()->isVisible());
                                 EXPECT_FALSE(F.CheckBox->isVisible());
                                 EXPECT_EQ(F.Sound(), stNoSound);
                                 const QImage Icon = IconResourceImage();
                                 ASSERT_FALSE(Icon.isNull());
                                 EXPECT_EQ(Shown(*F.Icon).convertToFormat(QImage::Format_ARGB32),
                                           Icon.convertToFormat(QImage::Format_ARGB32));
                                 Click(F.btns->BtnOK());
                               },
                               &Appeared);
  EXPECT_TRUE(Appeared);
  EXPECT_TRUE(Yes);
  EXPECT_EQ(Seen, RXFormat(LoadRXString(51023), {std::string("Notes Pro"), std::string("\nFaster sync.[DEF]\n")}));

  // Later, in German; an empty release message leaves two line feeds in a row.
  RXSelectLanguage(wlGerman);
  const bool Later = zutest::DriveInfoBox([] { return ShowUpgradeBox(""); },
                                 [&](TzuInfoBoxForm& F) {
                                   Seen = F.Text->Caption();
                                   EXPECT_EQ(F.Caption(), LoadRXString(51100));
                                   EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Ja");
                                   EXPECT_EQ(F.btns->BtnCancel()->Caption(), LoadRXString(51119));
                                   Click(F.btns->BtnCancel());
                                 });
  EXPECT_FALSE(Later);
  EXPECT_EQ(Seen, RXFormat(LoadRXString(51123), {std::string("Notes Pro"), std::string()}));
  EXPECT_NE(Seen.find("\n\n"), std::string::npos);

  // Closed without an answer: no upgrade.
  EXPECT_FALSE(zutest::DriveInfoBox([] { return ShowUpgradeBox("x"); }, [](TzuInfoBoxForm&) { CloseInfoBox(); }));
}

TEST_F(LangTest, UpgradeQuestionHidesADevelopmentEnvironmentTitle) {
  RXSelectLanguage(wlEnglish);
  for (const char* Title : {"Qt Creator", "Notes.ui - Qt Creator 12.0"}) {
    TApplication::Instance().SetTitle(Title);
    std::string Seen;
    zutest::DriveInfoBox([] { return ShowUpgradeBox("v2"); },
                [&](TzuInfoBoxForm& F) {
                  Seen = F.Text->Caption();
                  Click(F.btns->BtnCancel());
                });
    EXPECT_NE(Seen.find("[b]<AppTitle>[]"), std::string::npos) << Seen;
    EXPECT_EQ(Seen.find(Title), std::string::npos);
  }
  TApplication::Instance().SetTitle("qt creator fan club");  // the marker is matched exactly
  std::string Seen;
  zutest::DriveInfoBox([] { return ShowUpgradeBox(""); },
              [&](TzuInfoBoxForm& F) {
                Seen = F.Text->Caption();
                Click(F.btns->BtnCancel());
              });
  EXPECT_NE(Seen.find("[b]qt creator fan club[]"), std::string::npos) << Seen;
}

TEST_F(LangTest, NoticesUseTheTitleAndTranslatedButtons) {
  RXSelectLanguage(wlGerman);
  int R = zutest::DriveInfoBox([] { return RXLangMsgBox(27, MB_YESNO | MB_ICONQUESTION); },
                     [](TzuInfoBoxForm& F) {
                       EXPECT_EQ(F.Caption(), LoadRXString(51100));
                       EXPECT_EQ(F.Text->Caption(), LoadRXString(51127));
                       EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Ja");
                       EXPECT_EQ(F.btns->BtnCancel()->Caption(), "&Nein");
                       EXPECT_EQ(F.Sound(), stQuestion);  // the sound is on
                       Click(F.btns->BtnCancel());
                     });
  EXPECT_EQ(R, mrNo);

  RXSelectLanguage(wlSpanish);
  R = zutest::DriveInfoBox([] { return RXMsgBox("Hola", MB_OK | MB_ICONSTOP); },
                 [](TzuInfoBoxForm& F) {
                   EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Aceptar");
                   EXPECT_EQ(F.Sound(), stCriticalStop);
                   Click(F.btns->BtnOK());
                 });
  EXPECT_EQ(R, mrOk);

  // The lost-file question: the platform's box with the title "Error #<code>".
  RXSelectLanguage(wlRussian);
  R = zutest::DriveInfoBox(
      [] {
        return ShowMsgBox(RXFmtLangStr(28, {std::string("data.bin")}), RXLangStr(21) + " #404",
                          MB_YESNO | MB_ICONEXCLAMATION, false, true);
      },
      [](TzuInfoBoxForm& F) {
        EXPECT_EQ(F.Caption(), "Ошибка #404");
        EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Да");
        Click(F.btns->BtnOK());
      });
  EXPECT_EQ(R, mrYes);
}

TEST_F(LangTest, ScreenshotsOfTheQuestionsAndNotices) {
  TApplication::Instance().SetTitle("Notes Pro");
  for (const TShot& S : Shots) {
    SCOPED_TRACE(S.Code);
    RXSelectLanguage(S.Language);
    const std::string Code = S.Code;
    auto Shoot = [&](const std::string& Name) {
      return [&, Name](TzuInfoBoxForm& F) {
        // Each text must show: its label is laid out with a height and the form holds it.
        EXPECT_GT(F.Text->Height(), 0);
        EXPECT_LE(F.Text->Top() + F.Text->Height(), F.ClientHeight());
        SaveArtifact(F, "lang-" + Name + "-" + Code + ".png");
        Click(F.btns->BtnOK());
      };
    };
    EXPECT_TRUE(zutest::DriveInfoBox([] { return ShowUpgradeBox("Version 2.0: faster sync, [b]new[] themes."); },
                            Shoot("upgrade")));
    EXPECT_EQ(zutest::DriveInfoBox([] { return RXLangMsgBox(24, MB_OK | MB_ICONINFORMATION); }, Shoot("notice24")), mrOk);
    EXPECT_EQ(zutest::DriveInfoBox([] { return RXLangMsgBox(25, MB_OK | MB_ICONSTOP); }, Shoot("notice25")), mrOk);
    EXPECT_EQ(zutest::DriveInfoBox([] { return RXMsgBox(RXFmtLangStr(26, {std::string("http://updates.example.com")}),
                                              MB_OK | MB_ICONSTOP); },
                         Shoot("notice26")),
              mrOk);
    EXPECT_EQ(zutest::DriveInfoBox([] { return RXLangMsgBox(30, MB_OK | MB_ICONSTOP); }, Shoot("notice30")), mrOk);
    EXPECT_EQ(zutest::DriveInfoBox(
                  [] {
                    return ShowMsgBox(RXFmtLangStr(28, {std::string("plugins/sync.so")}), RXLangStr(21) + " #404",
                                      MB_YESNO | MB_ICONEXCLAMATION, false, true);
                  },
                  Shoot("lostfile28")),
              mrYes);
  }
}

// ---------- artwork ----------

namespace {

// The upgrade question's icon: a blue disc with a white arrow pointing down into a tray.
QImage DrawUpgradeIcon() {
  QImage Img(32, 32, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  QRadialGradient G(QPointF(12, 10), 22);
  G.setColorAt(0, QColor(90, 170, 250));
  G.setColorAt(1, QColor(20, 80, 170));
  P.setPen(QPen(QColor(15, 55, 120), 1.2));
  P.setBrush(G);
  P.drawEllipse(QRectF(1.5, 1.5, 29, 29));
  // Arrow.
  QPainterPath A;
  A.moveTo(13.5, 6.5);
  A.lineTo(18.5, 6.5);
  A.lineTo(18.5, 14);
  A.lineTo(23, 14);
  A.lineTo(16, 21.5);
  A.lineTo(9, 14);
  A.lineTo(13.5, 14);
  A.closeSubpath();
  P.setPen(QPen(QColor(10, 60, 30), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  P.setBrush(QColor(120, 220, 110));
  P.drawPath(A);
  // Tray.
  QPainterPath T;
  T.moveTo(8, 20);
  T.lineTo(8, 25);
  T.lineTo(24, 25);
  T.lineTo(24, 20);
  P.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  P.setBrush(Qt::NoBrush);
  P.drawPath(T);
  return Img;
}

}  // namespace

TEST(LangArtwork, UpgradeIconIsAnIconResource) {
  const QImage Icon = IconResourceImage();
  ASSERT_FALSE(Icon.isNull());
  EXPECT_EQ(Icon.size(), QSize(32, 32));
  EXPECT_TRUE(Icon.hasAlphaChannel());
  const QImage A = Icon.convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(A.pixel(0, 0)), 0);     // round: transparent corners
  EXPECT_EQ(qAlpha(A.pixel(16, 16)), 255);  // opaque middle
}

TEST(LangArtwork, DISABLED_Regenerate) {
  const QImage Img = DrawUpgradeIcon();
  const std::string Path = zutest::SourceDir() + "/engine/lang/zzurxico.ico";
  ASSERT_TRUE(Img.save(QString::fromStdString(Path), "ICO"));
  Img.save(QString::fromStdString(zutest::ArtifactsDir() + "/zzurxico.png"), "PNG");
}
