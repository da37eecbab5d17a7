// The engine's two windows driven through QTest: the download wizard (design places, texts,
// the hidden file location, the completed page, the abort question behind Cancel, Enter, Esc
// and the close box, the read-only address, freeing without asking, the side picture) and
// the password dialog (texts, the height rule, OK/Cancel/Esc/close box and the credentials),
// with PNGs of both windows in four languages in the artifacts folder.
//
// WindowsArtwork.DISABLED_Regenerate draws the built-in side picture and the password icon
// and rewrites engine/forms/*.json (scripts/renewix-windows-artwork runs it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QAbstractButton>
#include <QMessageBox>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <set>
#include <string>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPassword.h"
#include "engine/zuRenewixPasswordForm.h"
#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Streams.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichLabel.h"
#include "widgets/zuRichTextUtils.h"

using namespace zu;

namespace {

const char* const AppTitle = "Window Test App";

void SaveArtifact(QWidget& W, const std::string& Name) { ASSERT_TRUE(zutest::SaveWidgetPng(W, Name)); }

// Posted messages, then the windows freed later.
void Flush() {
  for (int I = 0; I < 3; ++I) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

std::string Text(const QLabel* L) { return L->text().toStdString(); }
std::string Text(const QGroupBox* G) { return G->title().toStdString(); }

int ColourCount(const QImage& Img) {
  std::set<QRgb> Colours;
  for (int Y = 0; Y < Img.height(); ++Y)
    for (int X = 0; X < Img.width(); ++X) Colours.insert(Img.pixel(X, Y));
  return static_cast<int>(Colours.size());
}

struct TBox {
  std::string Text, Caption;
  unsigned Flags;
};

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle(AppTitle);
    RXSelectLanguage(wlEnglish);
    Application().OnMessageBox = [this](const std::string& T, const std::string& C, unsigned F) {
      Boxes.push_back({T, C, F});
      if (DuringBox) DuringBox();
      return Answer;
    };
    Component = new TzuRenewix(nullptr);
    Component->OnAborted = [this](TObject*) { ++Aborted; };
  }
  void TearDown() override {
    FreeRenewixWizard();
    Flush();
    delete Component;
    Application().OnMessageBox = nullptr;
    RXSelectLanguage(wlEnglish);
  }

  TzuRenewixWizardForm* Show() {
    ShowRenewixWizard(Component);
    return WizardForm;
  }

  TzuRenewix* Component = nullptr;
  std::vector<TBox> Boxes;
  int Answer = IDNO;
  std::function<void()> DuringBox;
  int Aborted = 0;
};

void ExpectGeometry(const QWidget* W, int L, int T, int Wd, int H) {
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->geometry(), QRect(L, T, Wd, H)) << W->objectName().toStdString();
}

void ExpectPlace(const QWidget* W, int L, int T) {
  ASSERT_NE(W, nullptr);
  EXPECT_EQ(W->pos(), QPoint(L, T)) << W->objectName().toStdString();
}

}  // namespace

// ---------- the wizard ----------

TEST_F(WindowsTest, WizardKeepsTheDesignedPlaces) {
  TzuRenewixWizardForm* F = Show();
  ASSERT_NE(F, nullptr);
  EXPECT_TRUE(F->isVisible());
  EXPECT_EQ(F->size(), QSize(463, 281));
  EXPECT_EQ(F->minimumSize(), F->maximumSize());  // a dialog border: no resizing
  ExpectGeometry(F->PicP, 10, 10, 120, 220);
  EXPECT_EQ(F->Img->parentWidget(), F->PicP);
  ExpectGeometry(F->Img, 1, 1, 118, 218);
  ExpectPlace(F->WizardTitle, 136, 10);
  ExpectGeometry(F->AfterNote, 136, 44, 319, 13);
  ExpectGeometry(F->LCurrentFile, 136, 34, 319, 125);
  ExpectPlace(F->LDownloadingFileFrom, 6, 14);
  ExpectGeometry(F->FileURL, 10, 28, 301, 13);
  ExpectPlace(F->LFileSize, 6, 44);
  ExpectPlace(F->LTransferRate, 6, 60);
  ExpectPlace(F->LEstimatedTime, 6, 76);
  ExpectGeometry(F->ProgressCurrentFile, 6, 96, 307, 22);
  ExpectGeometry(F->LAllFiles, 136, 162, 319, 67);
  ExpectPlace(F->AllDownloading, 6, 16);
  ExpectGeometry(F->ProgressAllFiles, 6, 38, 307, 22);
  ExpectGeometry(F->Bevel1, 10, 238, 447, 13);
  ExpectPlace(F->LAbout, 30, 233);
  ExpectPlace(F->AboutShadow, 31, 234);
  ExpectGeometry(F->OKBtn, 296, 248, 75, 25);
  ExpectGeometry(F->CancelBtn, 380, 248, 75, 25);
  for (QWidget* W : {static_cast<QWidget*>(F->LDownloadingFileFrom), static_cast<QWidget*>(F->FileURL),
                     static_cast<QWidget*>(F->LFileSize), static_cast<QWidget*>(F->ProgressCurrentFile)})
    EXPECT_EQ(W->parentWidget(), F->LCurrentFile);
  EXPECT_EQ(F->AllDownloading->parentWidget(), F->LAllFiles);
  EXPECT_EQ(F->ProgressAllFiles->parentWidget(), F->LAllFiles);

  // Fonts and colours: the title, and the product name engraved into the separator.
  const QFont Title = F->WizardTitle->font();
  EXPECT_EQ(Title.pixelSize(), 19);
  EXPECT_TRUE(Title.bold());
  EXPECT_TRUE(Title.italic());
  EXPECT_EQ(F->LAbout->font().pixelSize(), 12);
  EXPECT_EQ(F->AboutShadow->font().pixelSize(), 12);
  EXPECT_EQ(F->LAbout->palette().color(QPalette::WindowText), F->palette().color(QPalette::Dark));
  EXPECT_EQ(F->AboutShadow->palette().color(QPalette::WindowText), F->palette().color(QPalette::Light));
  EXPECT_FALSE(F->LAbout->autoFillBackground());
  EXPECT_TRUE(F->AboutShadow->autoFillBackground());
  // The caption lies over its shadow.
  const QObjectList& Z = F->children();
  EXPECT_GT(Z.indexOf(F->LAbout), Z.indexOf(F->AboutShadow));
  EXPECT_GT(Z.indexOf(F->AboutShadow), Z.indexOf(F->Bevel1));

  // The address field: borderless, read-only, button face, highlight text, no tab stop.
  EXPECT_FALSE(F->FileURL->hasFrame());
  EXPECT_TRUE(F->FileURL->isReadOnly());
  EXPECT_EQ(F->FileURL->focusPolicy(), Qt::ClickFocus);
  EXPECT_EQ(F->FileURL->palette().color(QPalette::Base), F->palette().color(QPalette::Button));
  EXPECT_EQ(F->FileURL->palette().color(QPalette::Text), F->palette().color(QPalette::Highlight));
  for (QProgressBar* P : {F->ProgressCurrentFile, F->ProgressAllFiles}) {
    EXPECT_EQ(P->minimum(), 0);
    EXPECT_EQ(P->maximum(), 100);
    EXPECT_EQ(P->value(), 0);
  }
  // A second call fills the same window again.
  ShowRenewixWizard(Component);
  EXPECT_EQ(WizardForm, F);
}

TEST_F(WindowsTest, WizardTakesItsTextsFromTheMessageTable) {
  TzuRenewixWizardForm* F = Show();
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->Caption(), RXLangStr(0));
  EXPECT_EQ(Text(F->WizardTitle), RXLangStr(1));
  EXPECT_EQ(Text(F->LCurrentFile), " " + RXLangStr(3) + " ");
  EXPECT_EQ(Text(F->LAllFiles), " " + RXLangStr(4) + " ");
  EXPECT_EQ(Text(F->LDownloadingFileFrom), RXLangStr(5));
  EXPECT_EQ(Text(F->LEstimatedTime), RXLangStr(22));
  EXPECT_EQ(F->OKBtn->Caption(), RXLangStr(18));
  EXPECT_EQ(F->CancelBtn->Caption(), RXLangStr(17));
  EXPECT_EQ(Text(F->LAbout), " " + LoadRXString(RXProductNameId) + " ");
  EXPECT_EQ(Text(F->AboutShadow), Text(F->LAbout));
  EXPECT_EQ(Text(F->LFileSize), "");
  EXPECT_EQ(Text(F->LTransferRate), "");
  EXPECT_EQ(Text(F->AfterNote), "");
  // The English block.
  EXPECT_EQ(F->Caption(), "Application update wizard");
  EXPECT_EQ(Text(F->WizardTitle), "Downloading files...");
  EXPECT_EQ(Text(F->LCurrentFile), " Current file ");
  EXPECT_EQ(Text(F->LAllFiles), " All files ");
  EXPECT_EQ(Text(F->LDownloadingFileFrom), "Downloading file from");
  EXPECT_EQ(Text(F->LEstimatedTime), "Preparing. . .");
  EXPECT_EQ(F->OKBtn->Caption(), "&Next >");
  EXPECT_EQ(F->CancelBtn->Caption(), "&Cancel");
  EXPECT_EQ(Text(F->LAbout), " Renewix ");

  // Downloading page: OK disabled, Cancel is both default and cancel button.
  EXPECT_FALSE(F->OKBtn->isEnabled());
  EXPECT_TRUE(F->CancelBtn->isEnabled());
  EXPECT_TRUE(F->CancelBtn->Default());
  EXPECT_TRUE(F->CancelBtn->Cancel());
  EXPECT_TRUE(F->LCurrentFile->isVisible());
  EXPECT_TRUE(F->LAllFiles->isVisible());

  // Another language is taken when the window is shown.
  FreeRenewixWizard();
  RXSelectLanguage(wlGerman);
  F = Show();
  EXPECT_EQ(F->Caption(), RXLangStr(0));
  EXPECT_EQ(Text(F->WizardTitle), RXLangStr(1));
  EXPECT_NE(F->Caption(), "Application update wizard");
  // A long title keeps inside the window: its font gives way.
  EXPECT_LE(F->WizardTitle->x() + F->WizardTitle->width(), F->width());
  EXPECT_LE(F->WizardTitle->font().pixelSize(), 19);
  EXPECT_TRUE(F->WizardTitle->font().bold());
}

TEST_F(WindowsTest, WizardStaysOnTopOnlyWhenAsked) {
  EXPECT_TRUE(Component->Wizard()->StayOnTop());
  TzuRenewixWizardForm* F = Show();
  EXPECT_TRUE(IsStayOnTop(F));
  FreeRenewixWizard();
  Component->Wizard()->SetStayOnTop(false);
  F = Show();
  EXPECT_FALSE(IsStayOnTop(F));
  EXPECT_TRUE(F->isWindow());
}

TEST_F(WindowsTest, HiddenFileLocationMovesTheLabelsUp) {
  Component->Wizard()->SetHideFileLocation(true);
  TzuRenewixWizardForm* F = Show();
  ASSERT_NE(F, nullptr);
  EXPECT_FALSE(F->FileURL->isVisible());
  EXPECT_FALSE(F->LDownloadingFileFrom->isVisible());
  EXPECT_EQ(F->LFileSize->y(), 14);
  EXPECT_EQ(F->LTransferRate->y(), 30);
  EXPECT_EQ(F->LEstimatedTime->y(), 46);
  EXPECT_EQ(F->ProgressCurrentFile->y(), 66);
  ExpectGeometry(F->LCurrentFile, 136, 44, 319, 95);
  // The lower group and the rest stay.
  ExpectGeometry(F->LAllFiles, 136, 162, 319, 67);
  // Filling the window again does not move anything further.
  ShowRenewixWizard(Component);
  ExpectGeometry(F->LCurrentFile, 136, 44, 319, 95);
  EXPECT_EQ(F->ProgressCurrentFile->y(), 66);
}

TEST_F(WindowsTest, DisplayUpdatesWriteTheirControls) {
  // No window: nothing happens.
  WizardSetFileURL("http://example.org/a.zip");
  WizardSetProgress(10, 20);
  WizardFinish();
  EXPECT_EQ(WizardForm, nullptr);

  TzuRenewixWizardForm* F = Show();
  const std::string URL = "http://updates.example.org/very/long/path/to/the/program/release/setup-2.4.1.exe";
  WizardSetFileURL(URL);
  WizardSetAllDownloading("Downloading 2 of 3");
  WizardSetFileSize("File size: 12.5 Kb");
  WizardSetTransferRate("Transfer rate: 3.2 Kb/s");
  WizardSetEstimatedTime("Estimated time left: 0:01:05");
  WizardSetProgress(50, 49);
  EXPECT_EQ(F->FileURL->text().toStdString(), URL);
  EXPECT_EQ(F->FileURL->cursorPosition(), 0);  // the start of a long address shows
  EXPECT_EQ(Text(F->AllDownloading), "Downloading 2 of 3");
  EXPECT_EQ(Text(F->LFileSize), "File size: 12.5 Kb");
  EXPECT_EQ(Text(F->LTransferRate), "Transfer rate: 3.2 Kb/s");
  EXPECT_EQ(Text(F->LEstimatedTime), "Estimated time left: 0:01:05");
  // Auto-sized: the whole text fits.
  EXPECT_GE(F->LTransferRate->width(), F->LTransferRate->fontMetrics().horizontalAdvance(F->LTransferRate->text()));
  EXPECT_EQ(F->ProgressCurrentFile->value(), 50);
  EXPECT_EQ(F->ProgressAllFiles->value(), 49);
  WizardSetProgress(150, -5);
  EXPECT_EQ(F->ProgressCurrentFile->value(), 100);
  EXPECT_EQ(F->ProgressAllFiles->value(), 0);
}

TEST_F(WindowsTest, FinishShowsTheCompletedPageAndOKClosesWithoutAsking) {
  TzuRenewixWizardForm* F = Show();
  QPointer<TzuRenewixWizardForm> Alive = F;
  WizardFinish();
  EXPECT_TRUE(F->Completed());
  EXPECT_EQ(Text(F->WizardTitle), RXLangStr(2));
  EXPECT_EQ(Text(F->AfterNote), RXFmtLangStr(10, {std::string(AppTitle)}));
  EXPECT_EQ(Text(F->WizardTitle), "Upgrade completed!");
  EXPECT_EQ(Text(F->AfterNote), std::string("The update of ") + AppTitle +
                                    " has been successfully completed.\n\nPress the OK button to restart program.");
  // Auto-sized: as wide as designed, as high as its three lines.
  EXPECT_EQ(F->AfterNote->width(), 319);
  EXPECT_GE(F->AfterNote->height(), 3 * F->AfterNote->fontMetrics().height());
  EXPECT_FALSE(F->LCurrentFile->isVisible());
  EXPECT_FALSE(F->LAllFiles->isVisible());
  EXPECT_FALSE(F->CancelBtn->isEnabled());
  EXPECT_TRUE(F->OKBtn->isEnabled());
  EXPECT_EQ(F->OKBtn->Caption(), RXLangStr(16));
  EXPECT_EQ(F->OKBtn->Caption(), "&OK");
  EXPECT_EQ(F->focusWidget(), F->OKBtn);

  // Enter presses the focused OK: the window closes, nothing is asked or aborted.
  QTest::keyClick(F, Qt::Key_Return);
  Flush();
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_TRUE(Alive.isNull());
  EXPECT_EQ(Aborted, 0);
  EXPECT_FALSE(Component->Aborted());
}

TEST_F(WindowsTest, CancelAsksAndNoKeepsTheWindow) {
  TzuRenewixWizardForm* F = Show();
  Answer = IDNO;
  QTest::mouseClick(F->CancelBtn, Qt::LeftButton);
  EXPECT_TRUE(Boxes.empty());  // posted: asked once the click is over
  Flush();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, RXLangStr(27));
  EXPECT_EQ(Boxes[0].Text, "The update is not completed.\nWould you like to abort upgrading?");
  EXPECT_EQ(Boxes[0].Caption, AppTitle);
  EXPECT_EQ(Boxes[0].Flags, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(WizardForm, F);
  EXPECT_TRUE(F->isVisible());
  EXPECT_EQ(Aborted, 0);
  EXPECT_FALSE(Component->Aborted());
}

TEST_F(WindowsTest, CancelAndYesAbortsTheUpgrade) {
  QPointer<TzuRenewixWizardForm> F = Show();
  Answer = IDYES;
  // The window has gone and emptied WizardForm by the time the component aborts.
  bool FormGoneAtAbort = false;
  Component->OnAborted = [&](TObject*) {
    ++Aborted;
    FormGoneAtAbort = WizardForm == nullptr;
  };
  QTest::mouseClick(F->CancelBtn, Qt::LeftButton);
  Flush();
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Aborted, 1);
  EXPECT_TRUE(FormGoneAtAbort);
  EXPECT_TRUE(Component->Aborted());
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_TRUE(F.isNull());
  // The next upgrade gets a new window.
  EXPECT_NE(Show(), nullptr);
  EXPECT_TRUE(WizardForm->isVisible());
}

TEST_F(WindowsTest, EnterAndEscPressCancelWhileDownloading) {
  TzuRenewixWizardForm* F = Show();
  Answer = IDNO;
  QTest::keyClick(F, Qt::Key_Return);
  Flush();
  EXPECT_EQ(Boxes.size(), 1u);
  QTest::keyClick(F, Qt::Key_Escape);
  Flush();
  EXPECT_EQ(Boxes.size(), 2u);
  // Also from the address field.
  F->FileURL->setFocus();
  QTest::keyClick(F->FileURL, Qt::Key_Enter, Qt::KeypadModifier);
  Flush();
  QTest::keyClick(F->FileURL, Qt::Key_Escape);
  Flush();
  EXPECT_EQ(Boxes.size(), 4u);
  EXPECT_EQ(WizardForm, F);
  EXPECT_EQ(Aborted, 0);
}

TEST_F(WindowsTest, CloseBoxAsksOnBothPages) {
  QPointer<TzuRenewixWizardForm> F = Show();
  Answer = IDNO;
  EXPECT_FALSE(F->close());
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_TRUE(F->isVisible());
  EXPECT_EQ(WizardForm, F);

  // On the completed page Yes still aborts: no restart follows.
  WizardFinish();
  Answer = IDYES;
  EXPECT_TRUE(F->close());
  EXPECT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_EQ(Aborted, 1);
  EXPECT_TRUE(Component->Aborted());
  Flush();
  EXPECT_TRUE(F.isNull());
}

TEST_F(WindowsTest, TypingIntoTheAddressChangesNothing) {
  TzuRenewixWizardForm* F = Show();
  WizardSetFileURL("http://example.org/file.zip");
  F->FileURL->setFocus();
  F->FileURL->setCursorPosition(7);
  QTest::keyClicks(F->FileURL, "typed");
  QTest::keyClick(F->FileURL, Qt::Key_Backspace);
  QTest::keyClick(F->FileURL, Qt::Key_Delete);
  QTest::keyClick(F->FileURL, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(F->FileURL->text().toStdString(), "http://example.org/file.zip");
  // It can still be selected.
  QTest::keyClick(F->FileURL, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(F->FileURL->selectedText().toStdString(), "http://example.org/file.zip");
  // The handler itself discards every character.
  for (char C : {'a', '1', '\b', ' '}) {
    char Key = C;
    F->FileURLKeyPress(F->FileURL, Key);
    EXPECT_EQ(Key, 0);
  }
}

TEST_F(WindowsTest, FreeRenewixWizardDestroysWithoutAsking) {
  QPointer<TzuRenewixWizardForm> F = Show();
  FreeRenewixWizard();
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_TRUE(F.isNull());
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Aborted, 0);
  EXPECT_FALSE(Component->Aborted());
  FreeRenewixWizard();  // nothing left to free

  // Freed while the abort question is open: the answer no longer matters and nothing aborts.
  F = Show();
  Answer = IDYES;
  DuringBox = [] { FreeRenewixWizard(); };
  QTest::mouseClick(F->CancelBtn, Qt::LeftButton);
  Flush();
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_TRUE(F.isNull());
  EXPECT_EQ(Aborted, 0);
}

TEST_F(WindowsTest, SidePictureIsBuiltInOrTheWizardsOwnStretched) {
  TzuRenewixWizardForm* F = Show();
  const TGraphic* G = F->Img->Picture()->Graphic();
  ASSERT_NE(dynamic_cast<const TBitmap*>(G), nullptr);
  EXPECT_EQ(G->Width(), 118);
  EXPECT_EQ(G->Height(), 218);
  EXPECT_LE(ColourCount(G->Image()), 16);
  EXPECT_GT(ColourCount(G->Image()), 4);
  const QImage BuiltIn = G->Image();

  // An empty picture keeps the built-in one.
  FreeRenewixWizard();
  TzuPicture Empty;
  Component->Wizard()->SetPic118x218(&Empty);
  F = Show();
  ASSERT_NE(F->Img->Picture()->Graphic(), nullptr);
  EXPECT_EQ(F->Img->Picture()->Graphic()->Image(), BuiltIn);

  // One of another size is copied and stretched over the whole frame.
  FreeRenewixWizard();
  QImage Small(40, 30, QImage::Format_RGB32);
  Small.fill(QColor(200, 30, 60));
  TzuPicture Own;
  auto B = std::make_unique<TBitmap>();
  B->SetImage(Small);
  Own.SetGraphic(std::move(B));
  Component->Wizard()->SetPic118x218(&Own);
  F = Show();
  ASSERT_NE(F->Img->Picture()->Graphic(), nullptr);
  EXPECT_NE(F->Img->Picture(), Component->Wizard()->Pic118x218());
  EXPECT_EQ(F->Img->Picture()->Width(), 40);
  EXPECT_EQ(F->Img->DrawRect(), QRect(0, 0, 118, 218));
  QImage Shot(F->Img->size(), QImage::Format_ARGB32);
  Shot.fill(Qt::black);
  F->Img->render(&Shot);
  for (QPoint P : {QPoint(0, 0), QPoint(117, 217), QPoint(59, 109)})
    EXPECT_EQ(QColor(Shot.pixel(P)), QColor(200, 30, 60)) << P.x() << "," << P.y();
}

// ---------- the password dialog ----------

namespace {

// Runs ShowPasswordBox and, once the dialog is up, Act on it. A dialog Act leaves open is
// cancelled after a while, so a failing case cannot hang.
bool DrivePassword(TzuRenewix* C, const std::string& FileName, const std::function<void(TzuRenewixPasswordForm&)>& Act,
                   bool* Shown = nullptr) {
  bool Appeared = false;
  QTimer Start, Guard;
  Start.setSingleShot(true);
  Guard.setSingleShot(true);
  QObject::connect(&Start, &QTimer::timeout, [&] {
    if (!PasswordForm || !PasswordForm->isVisible()) return;
    Appeared = true;
    QApplication::processEvents();
    Guard.start(3000);
    Act(*PasswordForm);
  });
  QObject::connect(&Guard, &QTimer::timeout, [] {
    if (PasswordForm) PasswordForm->done(mrCancel);
  });
  Start.start(0);
  const bool R = ShowPasswordBox(C, FileName);
  if (Shown) *Shown = Appeared;
  return R;
}

}  // namespace

TEST_F(WindowsTest, PasswordDialogLayoutAndTexts) {
  Component->SetHTTPUsername("alice");
  Component->SetHTTPPassword("old-secret");
  bool Checked = false;
  bool Shown = false;
  const bool R = DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
    Checked = true;
    EXPECT_EQ(F.windowTitle().toStdString(), RXLangStr(11));
    EXPECT_EQ(F.windowTitle().toStdString(), "Enter password");
    EXPECT_TRUE(F.isModal());
    EXPECT_TRUE(IsStayOnTop(&F));
    EXPECT_EQ(F.width(), 303);
    EXPECT_EQ(F.minimumSize(), F.maximumSize());
    TzuRichLabel* L = F.zuRichLabel1;
    EXPECT_EQ(L->Left(), 45);
    EXPECT_EQ(L->Top(), 5);
    EXPECT_EQ(L->Width(), 246);
    EXPECT_TRUE(L->WordWrap());
    EXPECT_GT(L->Height(), 3 * 13);  // several lines
    // The height rule: explanation top + its height + the bottom panel.
    EXPECT_EQ(F.height(), 5 + L->Height() + 98);
    ExpectGeometry(F.BottomPanel, 0, F.height() - 98, 303, 98);
    ExpectGeometry(F.Image1, 7, 5, 32, 32);
    ASSERT_NE(F.Image1->Picture()->Graphic(), nullptr);
    EXPECT_EQ(F.Image1->Picture()->Width(), 32);
    EXPECT_NE(dynamic_cast<TIcon*>(F.Image1->Picture()->Graphic()), nullptr);
    const QImage Icon = F.Image1->Picture()->Graphic()->Image();
    EXPECT_EQ(qAlpha(Icon.pixel(0, 0)), 0);  // transparent corners, opaque body
    EXPECT_EQ(qAlpha(Icon.pixel(16, 25)), 255);
    ExpectGeometry(F.UsernameEdit, 128, 10, 157, 21);
    ExpectGeometry(F.PasswordEdit, 128, 34, 157, 21);
    ExpectGeometry(F.OKBtn, 120, 68, 75, 23);
    ExpectGeometry(F.CancelBtn, 210, 68, 75, 23);
    EXPECT_EQ(F.UsernameEdit->parentWidget(), F.BottomPanel);
    // The captions start at the explanation's left edge.
    for (TzuEdit* E : {F.UsernameEdit, F.PasswordEdit}) {
      TzuAttachedLabel* A = E->AttachedLabel();
      EXPECT_TRUE(A->Visible());
      EXPECT_EQ(A->SpacingKind(), skFarPoint);
      EXPECT_EQ(A->Spacing(), 128 - 45);
      EXPECT_EQ(A->Label()->x(), 45);
      EXPECT_TRUE(A->Label()->isVisible());
    }
    EXPECT_EQ(F.UsernameEdit->AttachedLabel()->Caption(), RXLangStr(12));
    EXPECT_EQ(F.PasswordEdit->AttachedLabel()->Caption(), RXLangStr(13));
    EXPECT_EQ(F.UsernameEdit->AttachedLabel()->Caption(), "User Name");
    EXPECT_EQ(F.PasswordEdit->AttachedLabel()->Caption(), "Password");
    EXPECT_EQ(F.OKBtn->Caption(), RXLangStr(16));
    EXPECT_EQ(F.CancelBtn->Caption(), RXLangStr(17));
    EXPECT_TRUE(F.OKBtn->Default());
    EXPECT_EQ(F.OKBtn->ModalResult(), mrOk);
    EXPECT_TRUE(F.CancelBtn->Cancel());
    EXPECT_EQ(F.CancelBtn->ModalResult(), mrCancel);
    // The user name from before; the password always starts empty.
    EXPECT_EQ(F.UsernameEdit->Text(), "alice");
    EXPECT_EQ(F.PasswordEdit->Text(), "");
    EXPECT_EQ(F.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(F.Component(), Component);
    EXPECT_EQ(F.zuRichLabel1->Caption(), TzuRenewixPasswordForm::ExplanationText(false, "setup.exe"));
    SaveArtifact(F, "password-en.png");
    QTest::mouseClick(F.CancelBtn, Qt::LeftButton);
  }, &Shown);
  EXPECT_TRUE(Shown);
  EXPECT_TRUE(Checked);
  EXPECT_FALSE(R);
  EXPECT_EQ(Component->HTTPUsername(), "alice");
  EXPECT_EQ(Component->HTTPPassword(), "old-secret");
  EXPECT_EQ(PasswordForm, nullptr);
}

TEST_F(WindowsTest, PasswordDialogOKStoresTheCredentials) {
  QPointer<TzuRenewixPasswordForm> Seen;
  bool R = DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
    Seen = &F;
    F.UsernameEdit->SetText("");
    QTest::keyClicks(F.UsernameEdit, "bob");
    QTest::keyClicks(F.PasswordEdit, "s3cret");
    QTest::mouseClick(F.OKBtn, Qt::LeftButton);
  });
  EXPECT_TRUE(R);
  EXPECT_EQ(Component->HTTPUsername(), "bob");
  EXPECT_EQ(Component->HTTPPassword(), "s3cret");
  EXPECT_EQ(PasswordForm, nullptr);
  Flush();
  EXPECT_TRUE(Seen.isNull());  // every dialog is a new form

  // Enter in a field presses OK as well.
  R = DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
    EXPECT_EQ(F.UsernameEdit->Text(), "bob");
    EXPECT_EQ(F.PasswordEdit->Text(), "");
    QTest::keyClicks(F.PasswordEdit, "other");
    QTest::keyClick(F.PasswordEdit, Qt::Key_Return);
  });
  EXPECT_TRUE(R);
  EXPECT_EQ(Component->HTTPPassword(), "other");
}

TEST_F(WindowsTest, PasswordDialogEscAndCloseBoxLeaveTheCredentials) {
  Component->SetHTTPUsername("carol");
  Component->SetHTTPPassword("kept");
  auto TypeThen = [](const std::function<void(TzuRenewixPasswordForm&)>& End) {
    return [End](TzuRenewixPasswordForm& F) {
      QTest::keyClicks(F.UsernameEdit, "-changed");
      QTest::keyClicks(F.PasswordEdit, "changed");
      End(F);
    };
  };
  EXPECT_FALSE(DrivePassword(Component, "a.zip", TypeThen([](TzuRenewixPasswordForm& F) {
    QTest::keyClick(F.PasswordEdit, Qt::Key_Escape);
  })));
  EXPECT_FALSE(DrivePassword(Component, "a.zip", TypeThen([](TzuRenewixPasswordForm& F) {
    QTest::keyClick(&F, Qt::Key_Escape);
  })));
  EXPECT_FALSE(DrivePassword(Component, "a.zip", TypeThen([](TzuRenewixPasswordForm& F) { F.close(); })));
  EXPECT_EQ(Component->HTTPUsername(), "carol");
  EXPECT_EQ(Component->HTTPPassword(), "kept");
}

TEST_F(WindowsTest, PasswordExplanationWithAndWithoutTheFileName) {
  const std::string Shown = TzuRenewixPasswordForm::ExplanationText(false, "setup.exe");
  EXPECT_EQ(Shown, RXFmtLangStr(29, {std::string("setup.exe")}));
  EXPECT_NE(Shown.find("\"[b]setup.exe[]\""), std::string::npos);
  EXPECT_EQ(Shown.rfind("Access to remote file \"[b]setup.exe[]\" is password protected.\n\n", 0), 0u);

  const std::string Hidden = TzuRenewixPasswordForm::ExplanationText(true, "setup.exe");
  EXPECT_EQ(Hidden.rfind("Access to remote file is password protected.\n\nPlease enter your username", 0), 0u);
  EXPECT_EQ(Hidden.find("setup.exe"), std::string::npos);
  EXPECT_EQ(Hidden.find("%s"), std::string::npos);
  // Exactly ten characters fewer than the message: the quoted placeholder and the one before.
  EXPECT_EQ(QString::fromStdString(Hidden).size() + 10, QString::fromStdString(RXLangStr(29)).size());

  // Simplified Chinese: the character before the quote is a whole CJK character.
  RXSelectLanguage(wlChineseSimplified);
  const std::string Msg = RXLangStr(29);
  ASSERT_NE(Msg.find("\"[b]%s[]\""), std::string::npos);
  const std::string Zh = TzuRenewixPasswordForm::ExplanationText(true, "setup.exe");
  const QString ZhQ = QString::fromStdString(Zh);
  EXPECT_EQ(ZhQ.toStdString(), Zh);  // still valid UTF-8
  EXPECT_FALSE(ZhQ.contains(QChar::ReplacementCharacter));
  // The quoted placeholder goes, and nothing of the word before it.
  EXPECT_EQ(ZhQ.size() + 9, QString::fromStdString(Msg).size());
  EXPECT_EQ(Zh.rfind("访问远程文件需要密码。", 0), 0u) << Zh;
  EXPECT_EQ(Zh.find("%s"), std::string::npos);

  RXSelectLanguage(wlEnglish);

  // The dialog shows the hidden form when the wizard hides the location.
  Component->Wizard()->SetHideFileLocation(true);
  Component->Wizard()->SetStayOnTop(false);
  DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
    EXPECT_EQ(F.zuRichLabel1->Caption(), Hidden);
    EXPECT_FALSE(IsStayOnTop(&F));
    EXPECT_EQ(F.height(), 5 + F.zuRichLabel1->Height() + 98);
    SaveArtifact(F, "password-en-hidden.png");
    F.done(mrCancel);
  });
}

TEST_F(WindowsTest, HiddenLocationRemovesThePlaceholderInEveryLanguage) {
  // Every language's own quotation marks, the blank before them, and at the start of a
  // sentence the blank after them.
  const QString Quotes = QStringLiteral("\"\u00AB\u00BB\u201E\u201C\u201D\u300C\u300D");
  for (int N = wlEnglish; N <= wlSlovak; ++N) {
    RXSelectLanguage(static_cast<TzuRenewixLanguage>(N));
    const QString Msg = QString::fromStdString(RXLangStr(29));
    const QString Hidden = QString::fromStdString(TzuRenewixPasswordForm::ExplanationText(true, "setup.exe"));
    SCOPED_TRACE(N);
    EXPECT_FALSE(Hidden.contains("%s")) << Hidden.toStdString();
    EXPECT_FALSE(Hidden.contains("[b]")) << Hidden.toStdString();
    EXPECT_FALSE(Hidden.at(0).isSpace()) << Hidden.toStdString();
    EXPECT_TRUE(Hidden.at(0).isUpper() || Hidden.at(0).script() == QChar::Script_Han) << Hidden.toStdString();
    EXPECT_FALSE(Hidden.contains("  ")) << Hidden.toStdString();
    // No quotation mark of the placeholder is left (the first paragraph quotes nothing else).
    const QString First = Hidden.left(Hidden.indexOf('\n'));
    for (QChar Q : Quotes) EXPECT_FALSE(First.contains(Q)) << First.toStdString();
    // Only the placeholder, its quotes and one blank go: at most 7 + 2 quotes + 3 blanks.
    EXPECT_GE(Hidden.size() + 12, Msg.size());
    EXPECT_EQ(Msg.mid(Msg.indexOf('\n')), Hidden.mid(Hidden.indexOf('\n')));
  }
  RXSelectLanguage(wlFrench);
  EXPECT_EQ(TzuRenewixPasswordForm::ExplanationText(true, "x").rfind("L'accès au fichier distant est protégé", 0), 0u);
  RXSelectLanguage(wlBasque);
  EXPECT_EQ(TzuRenewixPasswordForm::ExplanationText(true, "x").rfind("Urruneko fitxategirako sarbidea", 0), 0u);
  RXSelectLanguage(wlEnglish);
  // Shown, a file name with brackets keeps them: they are text, not markup.
  const std::string Shown = TzuRenewixPasswordForm::ExplanationText(false, "setup[1].exe");
  EXPECT_NE(RichTextToPlain(Shown).find("\"setup[1].exe\""), std::string::npos) << Shown;
}

TEST_F(WindowsTest, PasswordFieldsMoveRightForWideCaptions) {
  RXSelectLanguage(wlSlovak);
  DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
    const int Needed = F.CaptionRoom();
    EXPECT_GT(Needed, 83);  // "Používateľské meno" does not fit the design's room
    const int Extra = Needed - 83;
    EXPECT_EQ(F.UsernameEdit->Left(), 128 + Extra);
    EXPECT_EQ(F.PasswordEdit->Left(), 128 + Extra);
    EXPECT_EQ(F.width(), 303 + Extra);
    EXPECT_EQ(F.zuRichLabel1->Width(), 246 + Extra);
    EXPECT_EQ(F.CancelBtn->geometry().right() + 1, F.UsernameEdit->Left() + 157);
    for (TzuEdit* E : {F.UsernameEdit, F.PasswordEdit}) {
      QLabel* L = E->AttachedLabel()->Label();
      EXPECT_EQ(L->x(), 45);
      EXPECT_LE(L->x() + L->sizeHint().width() + TzuRenewixPasswordForm::CaptionGap, E->Left());
    }
    EXPECT_EQ(F.height(), 5 + F.zuRichLabel1->Height() + 98);
    F.done(mrCancel);
  });
  RXSelectLanguage(wlEnglish);
}

TEST_F(WindowsTest, WizardButtonsGrowToTheirCaptionsKeepingTheRightEdge) {
  RXSelectLanguage(wlMalay);
  TzuRenewixWizardForm* F = Show();
  ASSERT_NE(F, nullptr);
  const int Text = F->OKBtn->fontMetrics().horizontalAdvance(QString::fromStdString(RXLangStr(18)).remove('&'));
  EXPECT_GT(Text + 2 * TzuButton::FittingMargin, 75);
  EXPECT_GE(F->OKBtn->width(), Text + 2 * TzuButton::FittingMargin);
  EXPECT_EQ(F->CancelBtn->geometry().right(), 454);
  EXPECT_EQ(F->OKBtn->geometry().right(), F->CancelBtn->x() - 10);
  RXSelectLanguage(wlEnglish);
}

TEST_F(WindowsTest, AbortQuestionSpeaksTheSelectedLanguage) {
  RXSelectLanguage(wlGerman);
  Application().OnMessageBox = nullptr;  // the real platform box
  TzuRenewixWizardForm* F = Show();
  ASSERT_NE(F, nullptr);
  QStringList Captions;
  // Answered from a timer: the box runs its own loop.
  QTimer Poll;
  QObject::connect(&Poll, &QTimer::timeout, [&] {
    auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!Box || !Box->isVisible()) return;
    Poll.stop();
    for (QAbstractButton* B : Box->buttons()) Captions << B->text();
    SaveArtifact(*Box, "abort-question-de.png");
    if (QAbstractButton* No = Box->button(QMessageBox::No)) No->click();
    else Box->reject();
  });
  Poll.start(20);
  F->CancelBtnClick(nullptr);
  zutest::PumpUntil([&] { return !Captions.isEmpty(); }, 5000);
  Poll.stop();
  Flush();
  Captions.sort();
  EXPECT_EQ(Captions, (QStringList{"&Ja", "&Nein"}));
  EXPECT_EQ(WizardForm, F);  // No keeps the window
  RXSelectLanguage(wlEnglish);
}

// ---------- pictures of both windows ----------

TEST_F(WindowsTest, ArtifactsInFourLanguages) {
  const struct {
    TzuRenewixLanguage Language;
    const char* Code;
  } Languages[] = {{wlEnglish, "en"}, {wlGerman, "de"}, {wlRussian, "ru"}, {wlChineseSimplified, "zh_CN"}};
  for (const auto& L : Languages) {
    RXSelectLanguage(L.Language);
    const std::string Code = L.Code;
    for (bool Hide : {false, true}) {
      Component->Wizard()->SetHideFileLocation(Hide);
      TzuRenewixWizardForm* F = Show();
      ASSERT_NE(F, nullptr);
      WizardSetFileURL("http://updates.example.org/downloads/tool/setup-2.4.1.exe");
      WizardSetAllDownloading(RXFmtLangStr(9, {2LL, 3LL}));
      WizardSetFileSize(RXFmtLangStr(6, {1843200 / 1024.0}));
      WizardSetTransferRate(RXFmtLangStr(7, {96.4}));
      WizardSetEstimatedTime(RXFmtLangStr(8, {0LL, 3LL, 7LL}));
      WizardSetProgress(50, 49);
      const std::string Base = "wizard-" + Code + (Hide ? "-hidden" : "");
      SaveArtifact(*F, Base + "-downloading.png");
      if (!Hide) {
        WizardFinish();
        SaveArtifact(*F, Base + "-completed.png");
      }
      FreeRenewixWizard();
    }
    Component->Wizard()->SetHideFileLocation(false);
    bool Shown = false;
    DrivePassword(Component, "setup.exe", [&](TzuRenewixPasswordForm& F) {
      EXPECT_EQ(F.windowTitle().toStdString(), RXLangStr(11));
      SaveArtifact(F, "password-" + Code + ".png");
      F.done(mrCancel);
    }, &Shown);
    EXPECT_TRUE(Shown) << Code;
  }
}

// ---------- artwork ----------

namespace {

// The built-in side picture: a sky gradient, a cloud, a download arrow into a drive and a
// progress bar, reduced to 16 colours by ordered dithering.
QImage DrawWizardPicture() {
  const int W = 118, H = 218;
  QImage Img(W, H, QImage::Format_ARGB32);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  QLinearGradient Sky(0, 0, 0, H);
  Sky.setColorAt(0, QColor(10, 30, 80));
  Sky.setColorAt(0.55, QColor(30, 90, 170));
  Sky.setColorAt(1, QColor(70, 150, 220));
  P.fillRect(Img.rect(), Sky);
  P.setPen(Qt::NoPen);
  for (int I = 0; I < 5; ++I) {
    QPainterPath Ray;
    Ray.moveTo(59, 40);
    Ray.lineTo(-40 + I * 50, H);
    Ray.lineTo(-20 + I * 50, H);
    Ray.closeSubpath();
    P.setBrush(QColor(255, 255, 255, 18));
    P.drawPath(Ray);
  }
  QPainterPath Cloud;
  Cloud.setFillRule(Qt::WindingFill);
  Cloud.addEllipse(QRectF(18, 38, 40, 30));
  Cloud.addEllipse(QRectF(40, 24, 44, 40));
  Cloud.addEllipse(QRectF(68, 40, 34, 26));
  Cloud.addRoundedRect(QRectF(18, 50, 84, 20), 10, 10);
  Cloud = Cloud.simplified();
  QLinearGradient CloudFill(0, 24, 0, 70);
  CloudFill.setColorAt(0, QColor(255, 255, 255));
  CloudFill.setColorAt(1, QColor(190, 215, 240));
  P.setPen(QPen(QColor(120, 160, 210), 1.5));
  P.setBrush(CloudFill);
  P.drawPath(Cloud);
  QPainterPath Arrow;
  Arrow.moveTo(50, 58);
  Arrow.lineTo(68, 58);
  Arrow.lineTo(68, 112);
  Arrow.lineTo(84, 112);
  Arrow.lineTo(59, 140);
  Arrow.lineTo(34, 112);
  Arrow.lineTo(50, 112);
  Arrow.closeSubpath();
  QLinearGradient ArrowFill(34, 0, 84, 0);
  ArrowFill.setColorAt(0, QColor(120, 230, 90));
  ArrowFill.setColorAt(1, QColor(30, 150, 40));
  P.setPen(QPen(QColor(10, 70, 20), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  P.setBrush(ArrowFill);
  P.drawPath(Arrow);
  QLinearGradient DriveFill(0, 146, 0, 176);
  DriveFill.setColorAt(0, QColor(235, 235, 240));
  DriveFill.setColorAt(1, QColor(140, 145, 160));
  P.setPen(QPen(QColor(40, 40, 50), 1.5));
  P.setBrush(DriveFill);
  P.drawRoundedRect(QRectF(20, 146, 78, 30), 5, 5);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(40, 200, 60));
  P.drawEllipse(QRectF(84, 166, 6, 6));
  P.setPen(QPen(QColor(110, 115, 130), 1));
  P.drawLine(QPointF(28, 156), QPointF(74, 156));
  P.drawLine(QPointF(28, 162), QPointF(74, 162));
  P.setPen(QPen(QColor(200, 220, 245), 1));
  P.setBrush(QColor(10, 30, 80));
  P.drawRoundedRect(QRectF(16, 190, 86, 10), 4, 4);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(120, 230, 90));
  P.drawRoundedRect(QRectF(18, 192, 56, 6), 3, 3);
  P.end();

  const QVector<QRgb> Palette = {
      qRgb(0, 0, 0),       qRgb(10, 30, 80),    qRgb(20, 55, 120),   qRgb(30, 90, 170),
      qRgb(50, 120, 200),  qRgb(75, 155, 225),  qRgb(120, 160, 210), qRgb(190, 215, 240),
      qRgb(255, 255, 255), qRgb(10, 70, 20),    qRgb(30, 150, 40),   qRgb(120, 230, 90),
      qRgb(140, 145, 160), qRgb(215, 215, 225), qRgb(40, 40, 50),    qRgb(90, 110, 150)};
  static const int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  QImage Out(W, H, QImage::Format_Indexed8);
  Out.setColorTable(Palette);
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      const QRgb C = Img.pixel(X, Y);
      const int D = (Bayer[Y % 4][X % 4] - 8) * 3;
      int Best = 0, BestDist = 1 << 30;
      for (int I = 0; I < Palette.size(); ++I) {
        const int R = qRed(C) + D - qRed(Palette[I]), G = qGreen(C) + D - qGreen(Palette[I]),
                  B = qBlue(C) + D - qBlue(Palette[I]);
        const int Dist = 3 * R * R + 4 * G * G + 2 * B * B;
        if (Dist < BestDist) {
          BestDist = Dist;
          Best = I;
        }
      }
      Out.setPixel(X, Y, static_cast<uint>(Best));
    }
  return Out;
}

// The password dialog's icon: a padlock.
QImage DrawLockIcon() {
  QImage Img(32, 32, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  QPainterPath Shackle;
  Shackle.moveTo(9.5, 15);
  Shackle.lineTo(9.5, 10);
  Shackle.cubicTo(9.5, 2.5, 22.5, 2.5, 22.5, 10);
  Shackle.lineTo(22.5, 15);
  P.setBrush(Qt::NoBrush);
  P.setPen(QPen(QColor(70, 75, 90), 4.5, Qt::SolidLine, Qt::FlatCap));
  P.drawPath(Shackle);
  P.setPen(QPen(QColor(185, 190, 205), 2, Qt::SolidLine, Qt::FlatCap));
  P.drawPath(Shackle);
  QLinearGradient Body(0, 14, 0, 30);
  Body.setColorAt(0, QColor(255, 215, 80));
  Body.setColorAt(1, QColor(200, 135, 10));
  P.setPen(QPen(QColor(120, 75, 0), 1.2));
  P.setBrush(Body);
  P.drawRoundedRect(QRectF(4.5, 14.5, 23, 16), 3, 3);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(70, 40, 0));
  P.drawEllipse(QRectF(13.5, 18, 5, 5));
  QPainterPath Hole;
  Hole.moveTo(14.6, 21.5);
  Hole.lineTo(17.4, 21.5);
  Hole.lineTo(18.2, 27);
  Hole.lineTo(13.8, 27);
  Hole.closeSubpath();
  P.drawPath(Hole);
  P.setBrush(QColor(255, 245, 190, 160));
  P.drawRoundedRect(QRectF(6.5, 16, 19, 2.2), 1, 1);
  return Img;
}

// The binary properties a picture writes, as form data keeps them.
class TBinaryCapture : public TFiler {
 public:
  QJsonObject Binary;
  void DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool HasData) override {
    if (!HasData) return;
    TMemoryStream S;
    WriteData(S);
    const QByteArray Bytes(reinterpret_cast<const char*>(S.Memory()), static_cast<qsizetype>(S.Size()));
    Binary.insert(QString::fromStdString(Name), QString::fromLatin1(Bytes.toBase64()));
  }
};

QJsonObject ImageNode(const char* Name, std::unique_ptr<TGraphic> Graphic) {
  TzuPicture Pic;
  Pic.SetGraphic(std::move(Graphic));
  TBinaryCapture Filer;
  Pic.DefineProperties(Filer);
  return QJsonObject{{"class", "TzuProportionalImage"},
                     {"name", Name},
                     {"properties", QJsonObject{{"Picture", QJsonObject{{"binary", Filer.Binary}}}}}};
}

void WriteForm(const char* Class, const char* Name, const QJsonObject& Image, const std::string& File) {
  QJsonObject Root{{"class", Class}, {"name", Name}, {"components", QJsonArray{Image}}};
  zutest::WriteFile(zutest::SourceDir() + "/engine/forms/" + File,
                    QJsonDocument(Root).toJson(QJsonDocument::Indented).toStdString());
}

}  // namespace

TEST(WindowsArtwork, DISABLED_Regenerate) {
  const QImage Side = DrawWizardPicture();
  ASSERT_LE(ColourCount(Side), 16);
  auto Bitmap = std::make_unique<TBitmap>();
  Bitmap->SetImage(Side);
  WriteForm("TzuRenewixWizardForm", "RenewixWizardForm", ImageNode("Img", std::move(Bitmap)),
            "TzuRenewixWizardForm.json");
  const QImage Lock = DrawLockIcon();
  auto Icon = std::make_unique<TIcon>();
  Icon->SetImage(Lock);
  WriteForm("TzuRenewixPasswordForm", "RenewixPasswordForm", ImageNode("Image1", std::move(Icon)),
            "TzuRenewixPasswordForm.json");
  Side.save(QString::fromStdString(zutest::ArtifactsDir() + "/wizard-side-picture.png"));
  Lock.save(QString::fromStdString(zutest::ArtifactsDir() + "/password-icon.png"));
}
