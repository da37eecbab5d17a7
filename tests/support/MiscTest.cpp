#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QClipboard>
#include <QMimeData>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

#include "TestUtil.h"
#include "platform/framework/Application.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(PercentsOf, RoundingAndByteWrap) {
  EXPECT_EQ(PercentsOf(0, 5), 0);
  EXPECT_EQ(PercentsOf(3, 1), 33);
  EXPECT_EQ(PercentsOf(3, 2), 67);
  EXPECT_EQ(PercentsOf(1, 3), 44);  // 300 kept in 8 bits
  EXPECT_EQ(PercentsOf(200, 1), 0);    // 0.5 rounds to even
  EXPECT_EQ(PercentsOf(200, 3), 2);    // 1.5 -> 2
  EXPECT_EQ(PercentsOf(200, 5), 2);    // 2.5 -> 2
  EXPECT_EQ(PercentsOf(100, 100), 100);
  EXPECT_EQ(PercentsOf(1, 2.56L), 0);  // 256
  EXPECT_EQ(PercentsOf(100, -1), 255); // -1 in its low 8 bits
  EXPECT_EQ(PercentsOf(1e-4000L, 1e4000L), 0) << "an overflowing computation gives 0";
  EXPECT_EQ(PercentsOf(4294967296.0L, 2147483648.0L), 50) << "sizes beyond 32 bits";
}

TEST(StreamStrings, LengthPrefixedRoundTrip) {
  TMemoryStream S;
  PutStringToStream("hello", S);
  PutStringToStream("", S);
  PutStringToStream(std::string("a\0b", 3), S);
  EXPECT_EQ(S.Size(), 4 + 5 + 4 + 4 + 3);
  EXPECT_EQ(S.Memory()[0], 5);
  EXPECT_EQ(S.Memory()[1], 0);
  S.SetPosition(0);
  EXPECT_EQ(GetStringFromStream(S), "hello");
  EXPECT_EQ(GetStringFromStream(S), "");
  EXPECT_EQ(GetStringFromStream(S), std::string("a\0b", 3));
  EXPECT_EQ(GetStringFromStream(S), "") << "nothing left: swallowed read error";
}

TEST(StreamStrings, LengthBeyondTheStreamReadsNothing) {
  TMemoryStream S;
  const unsigned char Len[4] = {100, 0, 0, 0};
  S.WriteBuffer(Len, 4);
  S.WriteBuffer("abc", 3);
  S.SetPosition(0);
  EXPECT_EQ(GetStringFromStream(S), "");
  EXPECT_EQ(S.Position(), 4) << "only the length was read";
  const unsigned char Neg[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  TMemoryStream N;
  N.WriteBuffer(Neg, 4);
  N.SetPosition(0);
  EXPECT_EQ(GetStringFromStream(N), "");
}

TEST(StreamStrings, StreamToString) {
  TMemoryStream S;
  S.WriteBuffer("abcdef", 6);
  S.SetPosition(2);
  EXPECT_EQ(StreamToString(S, false), "cdef");
  S.SetPosition(2);
  EXPECT_EQ(StreamToString(S, true), "abcdef");
  EXPECT_EQ(StreamToString(S, false), "");
}

TEST(OperatingSystem, LinuxReportsTheNtFamily) {
  EXPECT_EQ(GetOS(), osXP);
  EXPECT_TRUE(IsNT());
  EXPECT_TRUE(IsWin2k());
  EXPECT_TRUE(IsXP());
}

TEST(OperatingSystem, InitMSRecord) {
  unsigned char R[12];
  std::memset(R, 0xAA, sizeof R);
  InitMSRecord(R, sizeof R);
  EXPECT_EQ(R[0], 12);
  EXPECT_EQ(R[1], 0);
  for (size_t I = 4; I < sizeof R; ++I) EXPECT_EQ(R[I], 0);
}

TEST(Sounds, AliasesInEnumerationOrder) {
  EXPECT_EQ(SystemSoundAlias(stNoSound), "");
  EXPECT_EQ(SystemSoundAlias(stAsterisk), "SystemAsterisk");
  EXPECT_EQ(SystemSoundAlias(stDefaultSound), ".Default");
  EXPECT_EQ(SystemSoundAlias(stNewMailNotification), "MailBeep");
  EXPECT_EQ(SystemSoundAlias(stProgramError), "AppGPFault");
  EXPECT_EQ(SystemSoundAlias(stStartWindows), "SystemStart");
  // Playing never raises, with or without a sound server.
  EXPECT_NO_THROW(PlaySystemSound(stNoSound, false, false));
  EXPECT_NO_THROW(PlaySystemSound(stAsterisk, true, false));
}

namespace {
struct BoxRecorder {
  std::string Text, Caption;
  unsigned Flags = 0xFFFF;
  int Answer = IDOK;
  BoxRecorder() {
    Application().OnMessageBox = [this](const std::string& T, const std::string& C, unsigned F) {
      Text = T;
      Caption = C;
      Flags = F;
      return Answer;
    };
  }
  ~BoxRecorder() { Application().OnMessageBox = nullptr; }
};
}  // namespace

TEST(MessageBoxes, FlagsCaptionsAndFormatting) {
  BoxRecorder R;
  Application().SetTitle("Renewix");
  R.Answer = IDNO;
  EXPECT_EQ(MsgBox("Proceed?", MB_YESNO | MB_ICONQUESTION, "Ask"), IDNO);
  EXPECT_EQ(R.Caption, "Ask");
  EXPECT_EQ(R.Flags, MB_YESNO | MB_ICONQUESTION);
  MsgBox("x", 0, "");
  EXPECT_EQ(R.Caption, "Renewix") << "an empty caption is the application's title";
  InfoBox("i");
  EXPECT_EQ(R.Flags, 0x40u);
  ErrorBox("e");
  EXPECT_EQ(R.Flags, 0x10u);
  WarnBox("w");
  EXPECT_EQ(R.Flags, 0x30u);
  InfoBox(-12);
  EXPECT_EQ(R.Text, "-12");
  InfoBox(true);
  EXPECT_EQ(R.Text, "True");
  InfoBox(false);
  EXPECT_EQ(R.Text, "False");
  InfoBox(1, 2, 3, 4);
  EXPECT_EQ(R.Text, "1:2 - 3:4");
  InfoBoxFmt("%s has %d files", "release", 3);
  EXPECT_EQ(R.Text, "release has 3 files");
  WarnBoxFmt("%05.1f", 2.5);
  EXPECT_EQ(R.Text, "002.5");
  EXPECT_EQ(R.Flags, 0x30u);
  InfoBoxDateTime(EncodeDate(2008, 2, 19) + 0.5);
  EXPECT_EQ(R.Text, "2008-02-19 12:00:00");
}

namespace {

// A fake desktop: xdg-open and xdg-mime on PATH that record what they were asked.
class FakeDesktop {
 public:
  FakeDesktop()
      : Path_("PATH", (Dir.Path() + "/bin:" + std::getenv("PATH")).c_str()),
        Data_("XDG_DATA_HOME", (Dir.Path() + "/share").c_str()) {
    std::filesystem::create_directories(Dir.Path() + "/bin");
    std::filesystem::create_directories(Dir.Path() + "/share/applications");
    Script("xdg-open", "printf '%s\\n' \"$@\" > " + Dir.File("opened") + ".tmp && mv " +
                           Dir.File("opened") + ".tmp " + Dir.File("opened"));
    Script("xdg-mime", "[ \"$1 $2 $3\" = 'query default text/html' ] && echo webby.desktop");
    Script("webby", "printf '%s\\n' \"$@\" > " + Dir.File("browsed") + ".tmp && mv " +
                        Dir.File("browsed") + ".tmp " + Dir.File("browsed"));
    zutest::WriteFile(Dir.File("share/applications/webby.desktop"),
                      "[Desktop Entry]\nType=Application\nName=Webby\nExec=" + Dir.File("bin/webby") +
                          " --new-window %u\n[Desktop Action x]\nExec=wrong\n");
  }
  std::string WaitFor(const std::string& Name) {
    for (int I = 0; I < 500; ++I) {
      if (std::filesystem::exists(Dir.File(Name))) return zutest::ReadFile(Dir.File(Name));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "(nothing started)";
  }
  void RemoveBrowser() { std::filesystem::remove(Dir.File("share/applications/webby.desktop")); }

  zutest::TempDir Dir;

 private:
  void Script(const std::string& Name, const std::string& Body) {
    const std::string F = Dir.File("bin/" + Name);
    zutest::WriteFile(F, "#!/bin/sh\n" + Body + "\n");
    ::chmod(F.c_str(), 0755);
  }
  zutest::ScopedEnv Path_, Data_;
};

}  // namespace

TEST(OpenURL, PlainUrlGoesToTheDesktopWithHttpAdded) {
  FakeDesktop Desk;
  EXPECT_GT(OpenURL("host/page", false, SW_SHOWNORMAL), 32);
  EXPECT_EQ(Desk.WaitFor("opened"), "http://host/page\n");
}

TEST(OpenURL, NewWindowUsesTheProgramRegisteredForWebPages) {
  FakeDesktop Desk;
  EXPECT_EQ(GetExecutableByExtension(".html"), Desk.Dir.File("bin/webby"));
  EXPECT_EQ(GetExecutableByExtension("html"), Desk.Dir.File("bin/webby"));
  EXPECT_EQ(GetExecutableByExtension(""), "");
  EXPECT_EQ(GetExecutableByExtension("."), "");
  EXPECT_GT(OpenURL("https://example.test/notes", true, SW_SHOWNORMAL), 32);
  EXPECT_EQ(Desk.WaitFor("browsed"), "https://example.test/notes\n");
}

TEST(OpenURL, TheAddressReachesTheBrowserAsOneArgument) {
  // Blanks in an address (from an info file, say) must not make options of their own.
  FakeDesktop Desk;
  EXPECT_GT(OpenURL("https://example.test/a b --renderer-cmd-prefix=evil", true, SW_SHOWNORMAL), 32);
  EXPECT_EQ(Desk.WaitFor("browsed"), "https://example.test/a b --renderer-cmd-prefix=evil\n");
}

TEST(OpenURL, NewWindowWithoutABrowserFallsBackToTheDesktop) {
  FakeDesktop Desk;
  Desk.RemoveBrowser();
  EXPECT_EQ(GetExecutableByExtension("html"), "");
  EXPECT_GT(OpenURL("ftp://files.test/x", true, SW_SHOWNORMAL), 32);
  EXPECT_EQ(Desk.WaitFor("opened"), "ftp://files.test/x\n");
}

TEST(Clipboard, PutsTextWithoutEmptyingOtherFormats) {
  QGuiApplication::clipboard()->clear();
  PutClipboardString(0, "ignored");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "");
  PutClipboardString(1, "plain text");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "plain text");
  PutClipboardString(49200, "custom");
  const QMimeData* D = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(D, nullptr);
  EXPECT_EQ(D->text().toStdString(), "plain text") << "the earlier format stays";
  EXPECT_EQ(D->data("application/x-zu-clipboard-format-49200"), QByteArray("custom\0", 7));
}

namespace {
class ClosingForm : public QWidget {
 public:
  int Closes = 0;
 protected:
  void closeEvent(QCloseEvent* E) override {
    ++Closes;
    QWidget::closeEvent(E);
  }
};
}  // namespace

TEST(Shutdown, ClosesTheMainFormThenTerminates) {
  ClosingForm Form;
  Form.show();
  Application().SetMainForm(&Form);
  ShutdownApplication();
  EXPECT_EQ(Form.Closes, 1);
  EXPECT_TRUE(Application().Terminated());
  Application().SetMainForm(nullptr);
  Application().ResetTerminated();
  // Without a main form it only terminates.
  ShutdownApplication();
  EXPECT_TRUE(Application().Terminated());
  Application().ResetTerminated();
}
