// The unit's other routines that reach the system, by family: files, processes, the registry,
// streams, the clipboard, windows, and the names Linux has no place for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>

#include <chrono>

#include "TestUtil.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Lists.h"
#include "platform/framework/Messages.h"
#include "platform/framework/Streams.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(UtilsFiles, FoldersContentsAndFindData) {
  zutest::TempDir T;
  const std::string Deep = T.File("a/b/c");
  EXPECT_FALSE(IsDirectoryExists(Deep));
  ASSERT_TRUE(CreateDirectory(Deep));
  EXPECT_TRUE(IsDirectoryEmpty(Deep));
  EXPECT_FALSE(IsDirectoryEmpty(T.File("missing")));
  EXPECT_FALSE(CreateDirectory(""));
  const std::string F = Deep + "/note.txt";
  ASSERT_TRUE(FileWriteString(F, std::string("one\0two", 7)));
  ASSERT_TRUE(FileWriteString(F, "+", true));
  EXPECT_EQ(FileReadString(F), std::string("one\0two+", 8));
  EXPECT_FALSE(IsDirectoryEmpty(Deep));
  EXPECT_EQ(FileReadString(T.File("missing")), "");
  EXPECT_EQ(FileReadString(Deep), "") << "a folder is no file";
  EXPECT_FALSE(FileWriteString(T.File("nowhere/x.txt"), "x"));
  EXPECT_EQ(zuGetFileSize(F), 8);
  EXPECT_EQ(zuGetFileSize(T.File("missing")), -1);

  ASSERT_TRUE(LogToFile(T.File("log.txt"), "started"));
  ASSERT_TRUE(LogToFile(T.File("log.txt"), "stopped"));
  const std::string Log = FileReadString(T.File("log.txt"));
  EXPECT_EQ(Log.size(), 2 * (19 + 1 + 7 + 1)) << Log;
  EXPECT_EQ(Log.substr(20, 8), "started\n");

  ASSERT_TRUE(SetFileAttr(F, {atrHidden}));
  TzuFindData D;
  ASSERT_TRUE(GetFindFileData(F, D));
  EXPECT_EQ(D.Name, "note.txt");
  EXPECT_EQ(D.Size, 8);
  EXPECT_TRUE(D.Attributes & 0x2);
  EXPECT_LT(std::fabs(D.Modified - Now()), 10.0 / 86400) << "local time";
  ASSERT_TRUE(GetFindFileData(Deep, D));
  EXPECT_TRUE(D.Attributes & 0x10);
  EXPECT_FALSE(GetFindFileData(T.File("missing"), D));
  EXPECT_TRUE(IsSameFileAttributes(F, {atrHidden}));
  EXPECT_FALSE(IsSameFileAttributes(F, {}));
  TzuFileAttributes A;
  std::int64_t Size = 0;
  EXPECT_TRUE(GetFileAttrSize(F, A, Size));
  EXPECT_EQ(Size, 8);
  EXPECT_EQ(GetFileDisplayName(Deep + "/"), "c");
  EXPECT_EQ(GetFileVersion(F), "") << "no version resource";
}

TEST(UtilsFiles, FileTimesCountFrom1601InUtc) {
  // 1 January 1970 00:00 UTC is 116444736000000000 ticks of 100 ns after 1601.
  const TDateTime Epoch = GMTToLocalTime(EncodeDate(1970, 1, 1));
  EXPECT_EQ(DateTimeToFileTime(Epoch), 116444736000000000LL);
  EXPECT_TRUE(SameDateTime(FileTimeToDateTime(116444736000000000LL), Epoch));
  const TDateTime T = EncodeDate(2030, 7, 1) + EncodeTime(13, 14, 15, 16);
  EXPECT_TRUE(SameDateTime(FileTimeToDateTime(DateTimeToFileTime(T)), T));
}

TEST(UtilsProcesses, ExecAndWaitGivesTheExitCodeAndNeverWaitsPastItsTimeOut) {
  EXPECT_EQ(ExecAndWait("sh -c \"exit 3\""), 3);
  EXPECT_EQ(ExecAndWait("sh", "-c \"exit 0\"", SW_SHOWNORMAL), 0);
  EXPECT_EQ(ExecAndWait("/no/such/program"), -1);
  EXPECT_EQ(ExecAndWait(""), -1);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ExecAndWait("sleep 30", SW_SHOWNORMAL, 200), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
}

TEST(UtilsSystem, WhatLinuxLacksFailsAndTheRestAnswers) {
  EXPECT_FALSE(RunControlPanel());
  EXPECT_FALSE(RunCPL("desk.cpl"));
  EXPECT_FALSE(OpenWithDlg("/etc/hosts"));
  EXPECT_FALSE(RegisterDLL("x.dll"));
  EXPECT_FALSE(UnregisterDLL("x.dll"));
  EXPECT_FALSE(HangUpModems());
  EXPECT_FALSE(IsEnabledDownloadOfSignedActiveX());
  EXPECT_FALSE(IsWin95());
  EXPECT_EQ(GetSystemIconIndex("/etc/hosts"), -1);
  EXPECT_EQ(GetSystemImageList(), 0);
  EXPECT_FALSE(ExploreFolder("/no/such/folder"));
  EXPECT_EQ(GetSystemDir(), "/usr/lib/");
  EXPECT_EQ(GetWindowsDir(), "/etc/");
  zutest::ScopedEnv E("ZU_UTILS_TEST", "value");
  EXPECT_EQ(GetEnvironmentString("ZU_UTILS_TEST"), "value");
  EXPECT_EQ(GetEnvironmentString("ZU_UTILS_NOT_SET"), "");
  EXPECT_FALSE(IsDebug());
  EXPECT_GE(GetCPUSpeed(), 0);
  EXPECT_EQ(GetKeyName('A'), "A");
  EXPECT_EQ(GetKeyName(0x70), "F1");
  EXPECT_EQ(GetKeyName(0x0D), "Enter");
  EXPECT_EQ(GetKeyName(0xFF), "");
  EXPECT_TRUE(GetShiftState().empty());
  const auto Start = std::chrono::steady_clock::now();
  Delay(50);
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(50));
}

TEST(UtilsRegistry, ValuesKeysAndBothRoots) {
  const std::string K = "\\Software\\ZuUtilsTest";
  EXPECT_FALSE(IsRegKeyExists(K, HKEY_CURRENT_USER));
  EXPECT_EQ(RegGetValuesCount(K, HKEY_CURRENT_USER), -1);
  ASSERT_TRUE(RegWriteStr(K, "Name", "zu", HKEY_CURRENT_USER));
  ASSERT_TRUE(RegWriteBool(K, "Flag", true, HKEY_CURRENT_USER));
  const TDateTime When = EncodeDate(2024, 1, 2) + EncodeTime(3, 4, 5, 6);
  ASSERT_TRUE(RegWriteDateTime(K, "When", When, HKEY_CURRENT_USER));
  EXPECT_TRUE(IsRegValueExists(K, "name", HKEY_CURRENT_USER));
  EXPECT_EQ(RegReadStr(K, "Name", HKEY_CURRENT_USER), "zu");
  EXPECT_TRUE(RegReadBool(K, "Flag", false, HKEY_CURRENT_USER));
  EXPECT_FALSE(RegReadBool(K, "Name", false, HKEY_CURRENT_USER)) << "a string is no Boolean";
  EXPECT_EQ(RegReadDateTime(K, "When", 0, HKEY_CURRENT_USER), When);
  EXPECT_EQ(RegReadDateTime(K, "Name", -1, HKEY_CURRENT_USER), -1);
  TFont F;
  F.SetName("DejaVu Sans");
  F.SetSize(11);
  F.SetStyle({fsBold});
  F.SetColor(0x123456);
  ASSERT_TRUE(RegWriteFont(K, "Font", F, HKEY_CURRENT_USER));
  TFont G;
  ASSERT_TRUE(RegReadFont(K, "Font", G, HKEY_CURRENT_USER));
  EXPECT_EQ(G.Name(), "DejaVu Sans");
  EXPECT_EQ(G.Size(), 11);
  EXPECT_EQ(G.Color(), 0x123456);
  EXPECT_TRUE(G.Style().count(fsBold));
  EXPECT_FALSE(RegReadFont(K, "Name", G, HKEY_CURRENT_USER));
  EXPECT_EQ(RegGetValuesCount(K, HKEY_CURRENT_USER), 4);
  TStringList Names;
  ASSERT_TRUE(RegGetValueNames(K, Names, HKEY_CURRENT_USER));
  EXPECT_EQ(Names.Count(), 4);
  EXPECT_TRUE(RegEraseValue(K, "Flag", HKEY_CURRENT_USER));
  EXPECT_FALSE(RegEraseValue(K, "Flag", HKEY_CURRENT_USER));
  EXPECT_TRUE(RegEraseKey(K, HKEY_CURRENT_USER));
  EXPECT_FALSE(IsRegKeyExists(K, HKEY_CURRENT_USER));
  EXPECT_FALSE(RegEraseKey("", HKEY_CURRENT_USER)) << "never the whole root";

  ASSERT_TRUE(RegWriteStrCULM(K, "Both", "yes"));
  ASSERT_TRUE(RegWriteIntCULM(K, "Count", 7));
  for (std::uint32_t Root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_EQ(RegReadStr(K, "Both", Root), "yes");
    EXPECT_EQ(RegReadInt(K, "Count", 0, Root), 7);
  }
  EXPECT_TRUE(RegEraseValueCULM(K, "Both"));
  EXPECT_FALSE(IsRegValueExists(K, "Both", HKEY_LOCAL_MACHINE));
  EXPECT_TRUE(RegEraseKeyCULM(K));
  EXPECT_FALSE(IsRegKeyExists(K, HKEY_LOCAL_MACHINE));
  EXPECT_FALSE(RegEraseKeyCULM(K)) << "nothing left to erase";
  EXPECT_FALSE(RegWriteStr(K, "X", "y", HKEY_CLASSES_ROOT)) << "no store";
}

TEST(UtilsStreams, ShortStringsIntegersAndFonts) {
  TMemoryStream S;
  ASSERT_TRUE(PutShortStringToStream("abc", S));
  EXPECT_FALSE(PutShortStringToStream(std::string(256, 'x'), S)) << "refused, not cut";
  EXPECT_EQ(S.Size(), 4);
  PutIntegerToStream(-2, S);
  StringToStream("raw", S);
  EXPECT_EQ(StreamToString(S, true), std::string("\x03" "abc" "\xFE\xFF\xFF\xFF" "raw", 11));
  S.SetPosition(0);
  EXPECT_EQ(GetShortStringFromStream(S), "abc");
  EXPECT_EQ(GetIntegerFromStream(S), -2);
  EXPECT_EQ(GetIntegerFromStream(S, 99), 99) << "three bytes left";
  std::string Out = "old";
  TMemoryStream Short;
  StringToStream(std::string("\x05" "ab", 3), Short);
  Short.SetPosition(0);
  EXPECT_FALSE(GetShortStringFromStream(Short, Out));
  EXPECT_EQ(Out, "");
  EXPECT_EQ(BufferStr("a\0b", 3), std::string("a\0b", 3));
  EXPECT_EQ(BufferStr(nullptr, 3), "");

  TFont F;
  F.SetName("Serif");
  F.SetSize(-13);
  F.SetStyle({fsItalic, fsUnderline});
  F.SetColor(0xFF);
  TMemoryStream FS;
  PutFontToStream(F, FS);
  FS.SetPosition(0);
  TFont G;
  ASSERT_TRUE(GetFontFromStream(FS, G));
  EXPECT_EQ(G.Name(), "Serif");
  EXPECT_EQ(G.Size(), -13);
  EXPECT_EQ(G.Style(), (TFontStyles{fsItalic, fsUnderline}));
  EXPECT_EQ(G.Color(), 0xFF);
  EXPECT_FALSE(GetFontFromStream(FS, G)) << "at the end";
}

TEST(UtilsClipboard, FormatsByNumberAndNameStreamsPicturesAndFiles) {
  ASSERT_TRUE(PutClipboardText("plain \xC3\xA9"));
  EXPECT_EQ(GetClipboardText(), "plain \xC3\xA9");
  EXPECT_TRUE(HasClipFormat(1));
  const unsigned Html = GetClipFormatIndex("text/html");
  const unsigned Mine = GetClipFormatIndex("Zu Private");
  EXPECT_GE(Html, 0xC000u);
  EXPECT_EQ(GetClipFormatIndex("Zu Private"), Mine) << "one number per name";
  EXPECT_EQ(GetClipFormatName(Mine), "Zu Private");
  EXPECT_EQ(GetClipFormatIndex(""), 0u);
  ASSERT_TRUE(PutClipboardStringByFormatName("text/html", "<b>x</b>"));
  ASSERT_TRUE(PutClipboardStringByFormatName("Zu Private", std::string("a\0b", 3)));
  EXPECT_EQ(GetClipboardStringByFormatName("text/html"), "<b>x</b>");
  EXPECT_EQ(GetClipboardString(Mine), "a") << "up to the zero byte";
  EXPECT_EQ(GetClipboardText(), "plain \xC3\xA9") << "the formats already there stay";
  TMemoryStream In;
  StringToStream(std::string("\x00\x01\x02", 3), In);
  ASSERT_TRUE(PutClipboardStream(42, In));
  EXPECT_TRUE(HasClipFormatNoOpen(42));
  TMemoryStream Out;
  ASSERT_TRUE(GetClipboardStream(42, Out));
  EXPECT_EQ(StreamToString(Out, true), std::string("\x00\x01\x02", 3));
  EXPECT_FALSE(GetClipboardStream(43, Out));
  EXPECT_FALSE(GetClipboardStreamByFormatName("never/put", Out));
  EXPECT_FALSE(PutClipboardStream(0, In));

  zutest::TempDir T;
  ASSERT_TRUE(PutClipboardFileList({T.File("a b.txt"), T.File("c.txt")}));
  std::vector<std::string> Files;
  ASSERT_TRUE(GetClipboardFileList(Files));
  EXPECT_EQ(Files, (std::vector<std::string>{T.File("a b.txt"), T.File("c.txt")}));
  EXPECT_FALSE(PutClipboardFileList({}));
  TBitmap B;
  QImage Img(4, 3, QImage::Format_RGB32);
  Img.fill(QColor(10, 200, 30));
  B.SetImage(Img);
  ASSERT_TRUE(PutClipboardBitmap(B));
  TBitmap C;
  ASSERT_TRUE(GetClipboardBitmap(C));
  EXPECT_EQ(C.Image().size(), QSize(4, 3));
  EXPECT_EQ(C.Image().pixelColor(1, 1), QColor(10, 200, 30));
}

TEST(UtilsWindows, ControlsFormsAndFocus) {
  TForm Form;
  Form.SetCaption("Main window");
  Form.resize(200, 150);
  QPlainTextEdit Edit(&Form);
  Edit.setGeometry(10, 10, 100, 60);
  Edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QWidget Hidden(&Form);
  Hidden.hide();
  Form.show();
  EXPECT_EQ(GetWindowTitle(WidgetHandle(&Form)), "Main window");
  EXPECT_EQ(GetClassNameByWnd(WidgetHandle(&Form)), "TForm");
  EXPECT_EQ(GetClassNameByWnd(WidgetHandle(&Edit)), "QPlainTextEdit");
  EXPECT_TRUE(IsVertScrollBarVisible(&Edit));
  EXPECT_FALSE(IsHorzScrollBarVisible(&Edit));
  EXPECT_FALSE(IsVertScrollBarVisible(nullptr));
  QWidget* At = ControlAtPoint(&Form, 50, 30);
  EXPECT_TRUE(At == &Edit || Edit.isAncestorOf(At));
  EXPECT_EQ(ControlAtPoint(&Form, 190, 140), nullptr);
  EXPECT_FALSE(SafeFocus(&Hidden));
  EXPECT_TRUE(SafeFocus(&Edit));
  ASSERT_TRUE(SetRightBottomFormPos(&Form));
  const TzuRect W = GetWorkArea();
  EXPECT_EQ(Form.frameGeometry().right() + 1, W.Right);
  EXPECT_EQ(Form.frameGeometry().bottom() + 1, W.Bottom);
  EXPECT_TRUE(HideFromTaskList(&Form, true));
  EXPECT_TRUE(Form.windowFlags().testFlag(Qt::Tool));
  EXPECT_TRUE(Form.isVisible());
  EXPECT_TRUE(HideFromTaskList(&Form, false));
  EXPECT_FALSE(Form.windowFlags().testFlag(Qt::Tool));
  EXPECT_TRUE(RepaintScreen());
  std::vector<const QWidget*> List{&Hidden, &Edit};
  EXPECT_TRUE(IsObjectInArray(static_cast<const QWidget*>(&Edit), List));
  EXPECT_FALSE(IsObjectInArray(static_cast<const QWidget*>(&Form), List));
  std::int64_t N = 41;
  EXPECT_EQ(InterlockedIncrement64(N), 42);
  EXPECT_EQ(N, 42);
}
