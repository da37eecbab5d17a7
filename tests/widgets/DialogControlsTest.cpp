// The dialog controls: attached-label and buttons-panel geometry, the edit's keys and text
// saver, the buttons' kinds and modal results, the form help's search and popup, and a PNG
// of each control in the artifacts folder.
//
// BitBtnArtwork.DISABLED_Regenerate draws the buttons' kind glyphs into widgets/glyphs/
// (scripts/button-glyphs-artwork runs it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "platform/os/Shell.h"
#include "support/zuRegistry.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuFormHelp.h"

using namespace zu;

namespace {

QImage Render(QWidget& W) {
  QImage Img(W.size(), QImage::Format_ARGB32);
  Img.fill(QColor(235, 235, 235));
  W.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  return Img;
}

void SaveArtifact(const QImage& Img, const std::string& Name) {
  ASSERT_TRUE(Img.save(QString::fromStdString(zutest::ArtifactsDir() + "/" + Name), "PNG"));
}

void Flush() {
  for (int I = 0; I < 3; ++I) QCoreApplication::processEvents();
}

// A dialog form: a TForm inside a QDialog would not be modal, so tests use a QDialog host
// widget owning the components through a plain component.
struct TDialog {
  QDialog Dialog;
  TComponent Owner{nullptr};
};

}  // namespace

// ---------- attached label ----------

TEST(AttachedLabel, PositionTableForBothSpacingKinds) {
  const QRect Host(128, 10, 157, 21);
  const QSize L(70, 13);
  EXPECT_EQ(AttachedLabelPos(lpLeft, skFarPoint, Host, L, 77), QPoint(51, 14));
  EXPECT_EQ(AttachedLabelPos(lpLeft, skNearPoint, Host, L, 77), QPoint(-19, 14));
  EXPECT_EQ(AttachedLabelPos(lpAbove, skNearPoint, Host, L, 4), QPoint(128, 10 - 13 - 4));
  EXPECT_EQ(AttachedLabelPos(lpAbove, skFarPoint, Host, L, 4), QPoint(128, 6));
  EXPECT_EQ(AttachedLabelPos(lpBelow, skNearPoint, Host, L, 4), QPoint(128, 35));
  EXPECT_EQ(AttachedLabelPos(lpBelow, skFarPoint, Host, L, 20), QPoint(128, 31 + 20 - 13));
  EXPECT_EQ(AttachedLabelPos(lpRight, skNearPoint, Host, L, 4), QPoint(289, 14));
  EXPECT_EQ(AttachedLabelPos(lpRight, skFarPoint, Host, L, 90), QPoint(128 + 157 + 90 - 70, 14));
  EXPECT_EQ(AttachedLabelPos(lpAboveCenter, skNearPoint, Host, L, 4), QPoint(128 + 43, -7));
  EXPECT_EQ(AttachedLabelPos(lpBelowCenter, skFarPoint, Host, L, 20), QPoint(171, 38));
  // A label taller than its host: the negative half rounds down.
  EXPECT_EQ(AttachedLabelPos(lpLeft, skNearPoint, QRect(100, 0, 10, 10), QSize(5, 13), 0), QPoint(95, -2));
}

TEST(AttachedLabel, FollowsItsHostEdit) {
  TForm Form;
  Form.resize(320, 120);
  TzuEdit Edit(&Form);
  Edit.SetBounds(128, 10, 157, 21);
  TzuAttachedLabel* A = Edit.AttachedLabel();
  EXPECT_FALSE(A->Visible());  // a new label starts invisible
  A->SetCaption("&Password:");
  A->SetSpacingKind(skFarPoint);
  A->SetSpacing(77);
  A->SetVisible(true);
  Form.show();
  TzuAttLabel* L = A->Label();
  ASSERT_EQ(L->parentWidget(), &Form);
  EXPECT_EQ(L->Tag(), 666);
  EXPECT_EQ(L->buddy(), &Edit);
  EXPECT_EQ(L->x(), 51);
  EXPECT_EQ(L->y(), 10 + (21 - L->height()) / 2);
  A->SetSpacingKind(skNearPoint);
  EXPECT_EQ(L->x(), 128 - L->width() - 77);
  Edit.move(140, 40);
  EXPECT_EQ(L->x(), 140 - L->width() - 77);
  EXPECT_EQ(L->y(), 40 + (21 - L->height()) / 2);
  Edit.setEnabled(false);
  EXPECT_FALSE(L->isEnabled());
  Edit.setEnabled(true);
  const QRect Before = L->geometry();
  Edit.SetVisible(false);
  EXPECT_EQ(L->geometry(), QRect(0, 0, 0, 0));
  Edit.SetVisible(true);
  EXPECT_EQ(L->geometry(), Before);
  // A click on the label focuses its host.
  QTest::mouseClick(L, Qt::LeftButton);
  Flush();
  EXPECT_TRUE(Edit.hasFocus() || QApplication::focusWidget() == &Edit);
}

TEST(AttachedLabel, FarPointSpacingKeepsItsDpiInFormData) {
  TForm Form;
  Form.SetName("frmT");
  auto* Edit = new TzuEdit(&Form);
  Edit->SetName("edt");
  Edit->AttachedLabel()->SetSpacingKind(skFarPoint);
  Edit->AttachedLabel()->SetSpacing(40);
  const std::string Json = WriteComponentToJson(Form);
  EXPECT_NE(Json.find("DDPI"), std::string::npos);
  // Written at twice today's pixels per inch: the spacing halves on reading.
  std::int32_t Dpi = TzuAttachedLabel::ScreenPixelsPerInch() * 2;
  const QByteArray B64 = QByteArray(reinterpret_cast<const char*>(&Dpi), 4).toBase64();
  TForm Other;
  Other.SetName("frmT");
  auto* E2 = new TzuEdit(&Other);
  E2->SetName("edt");
  ReadComponentFromJson(Other, R"({"class":"TForm","name":"frmT","components":[{"class":"TzuEdit","name":"edt",
      "properties":{"AttachedLabel":{"properties":{"SpacingKind":"skFarPoint","Spacing":41,"Visible":true},
      "binary":{"DDPI":")" + B64.toStdString() + R"("}}}}]})");
  EXPECT_EQ(E2->AttachedLabel()->Spacing(), 21);  // 41 / 2 rounded half up
  // A near-point spacing writes no DDPI.
  Edit->AttachedLabel()->SetSpacingKind(skNearPoint);
  EXPECT_EQ(WriteComponentToJson(Form).find("DDPI"), std::string::npos);
}

// ---------- edit ----------

TEST(Edit, KeysUndoButtonAndValidChars) {
  TForm Form;
  Form.resize(300, 80);
  TzuEdit Edit(&Form);
  TzuEdit Other(&Form);
  Other.move(0, 40);
  EXPECT_EQ(Edit.height(), 21);
  Edit.SetText("before");
  Form.show();
  QApplication::setActiveWindow(&Form);
  Edit.setFocus(Qt::TabFocusReason);
  Flush();
  EXPECT_EQ(Edit.EnterText(), "before");
  EXPECT_EQ(Edit.selectedText().toStdString(), "before");  // AutoSelect
  QTest::keyClicks(&Edit, "after");
  EXPECT_EQ(Edit.Text(), "after");
  QTest::keyClick(&Edit, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(Edit.Text(), "before");
  EXPECT_EQ(Edit.selectedText().toStdString(), "before");
  QTest::keyClick(&Edit, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(Edit.Text(), "after");

  int Clicks = 0;
  Edit.OnButtonClick = [&](TObject*) { ++Clicks; };
  QTest::keyClick(&Edit, Qt::Key_F4);
  QTest::keyClick(&Edit, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(&Edit, Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(Clicks, 3);
  Edit.Button()->SetVisible(true);
  EXPECT_TRUE(Edit.Button()->Control()->isVisible());
  EXPECT_EQ(Edit.textMargins().right(), 18 + 2);
  QTest::mouseClick(Edit.Button()->Control(), Qt::LeftButton);
  EXPECT_EQ(Clicks, 4);

  Edit.SetText("");
  Edit.SetValidateChars(true);
  Edit.SetValidChars("0123456789");
  QTest::keyClicks(&Edit, "1a2-3");
  EXPECT_EQ(Edit.Text(), "123");
  QTest::keyClick(&Edit, Qt::Key_Backspace);
  EXPECT_EQ(Edit.Text(), "12");
  QTest::keyClick(&Edit, Qt::Key_A, Qt::ControlModifier);  // shortcuts still work
  EXPECT_EQ(Edit.selectedText().toStdString(), "12");

  Edit.SetPasswordChar('*');
  EXPECT_EQ(Edit.echoMode(), QLineEdit::Password);
  Edit.SetEnabled(false);
  EXPECT_EQ(Edit.palette().color(QPalette::Disabled, QPalette::Base),
            QApplication::palette().color(QPalette::Button));
  SaveArtifact(Render(Form), "dialogcontrols-edit.png");
}

TEST(Edit, EnterAndEscapeReachTheDialogsButtons) {
  TDialog D;
  D.Dialog.resize(300, 100);
  auto* Edit = new TzuEdit(&D.Owner, &D.Dialog);
  auto* Ok = new TzuBitBtn(&D.Owner, &D.Dialog);
  Ok->SetKind(bkOK);
  Ok->move(10, 50);
  auto* Cancel = new TzuBitBtn(&D.Owner, &D.Dialog);
  Cancel->SetKind(bkCancel);
  Cancel->move(100, 50);
  D.Dialog.show();
  Edit->setFocus();
  int Oks = 0;
  Ok->OnClick = [&](TObject*) { ++Oks; };
  QTest::keyClick(Edit, Qt::Key_Return);
  EXPECT_EQ(Oks, 1);
  EXPECT_EQ(D.Dialog.result(), mrOk);
  D.Dialog.show();
  QTest::keyClick(Edit, Qt::Key_Escape);
  EXPECT_EQ(D.Dialog.result(), mrCancel);
  EXPECT_FALSE(D.Dialog.isVisible());
}

TEST(Edit, TextSaverRoundTripsAndScramblesPasswords) {
  const std::string Key = "Software\\Renewix\\Test\\EditSaver";
  {
    TForm Form;
    TzuEdit Edit(&Form);
    TzuEditRegistrySaver* S = Edit.TextRegistrySaver();
    EXPECT_FALSE(S->Enabled());
    EXPECT_TRUE(S->HasOption(saveOnDestroy));
    S->SetEnabled(true);
    S->SetRegKey(Key);
    S->SetRegValue("Pwd");
    Edit.SetPasswordChar('*');
    Edit.SetText("s3cret \x1F!");
  }  // saved on destruction
  TzuRegistry Reg(rlCurrentUser);
  ASSERT_TRUE(Reg.OpenKey(Key, false));
  const std::string Stored = Reg.ReadString("Pwd");
  EXPECT_NE(Stored, "s3cret \x1F!");
  EXPECT_EQ(Stored, XORStr("s3cret \x1F!", TzuEditRegistrySaver::PasswordKey));
  {
    TForm Form;
    TzuEdit Edit(&Form);
    Edit.SetPasswordChar('*');
    Edit.TextRegistrySaver()->SetEnabled(true);
    Edit.TextRegistrySaver()->SetRegKey(Key);
    Edit.TextRegistrySaver()->SetRegValue("Pwd");
    Edit.Loaded();
    EXPECT_EQ(Edit.Text(), "s3cret \x1F!");
  }
  // INI storage, saved on leaving the edit; a plain edit keeps its text as it is.
  zutest::TempDir Dir;
  const std::string Ini = Dir.File("edit.ini");
  TForm Form;
  Form.resize(200, 80);
  TzuEdit Edit(&Form), Next(&Form);
  Next.move(0, 40);
  TzuEditRegistrySaver* S = Edit.TextRegistrySaver();
  S->SetEnabled(true);
  S->SetStorage(useIniFile);
  S->SetIniFileName(Ini);
  S->SetIniSection("Login");
  S->SetRegValue("User");
  S->SetOptions(1u << saveOnExit);
  Form.show();
  QApplication::setActiveWindow(&Form);
  Edit.setFocus();
  Edit.SetText("alice");
  Next.setFocus();
  Flush();
  EXPECT_EQ(TIniFile(Ini).ReadString("Login", "User", ""), "alice");
  Edit.SetPasswordChar('#');
  Edit.setFocus();
  Next.setFocus();
  Flush();
  EXPECT_EQ(TIniFile(Ini).ReadString("Login", "User", ""), XORStr("alice", TzuEditRegistrySaver::PasswordKey));
}

// ---------- check box ----------

TEST(CheckBox, BoxSideAlignmentAndClicks) {
  TForm Form;
  Form.resize(260, 90);
  TzuCheckBox Box(&Form);
  Box.setGeometry(10, 10, 240, 30);
  Box.SetCaption("&Do not show this message again");
  EXPECT_EQ(Box.StyleBits(), 0x100 | 0xC00);
  TzuCheckBox Right(&Form);
  Right.setGeometry(10, 50, 240, 30);
  Right.SetCaption("Box on the right");
  Right.SetBoxAlignment(zaRightJustify);
  Right.SetAlignmentHorz(zaRightJustify);
  Right.SetAlignmentVert(vaTopJustify);
  Right.SetCtl3D(false);
  EXPECT_EQ(Right.BoxRect().right(), 239);
  EXPECT_EQ(Right.BoxRect().top(), 0);
  EXPECT_LT(Right.TextRect().right(), Right.BoxRect().left());
  EXPECT_EQ(Right.StyleBits() & 0xFF00, 0x200 | 0x400 | 0x8000);
  Form.show();
  // A click anywhere on the text toggles it.
  QTest::mouseClick(&Box, Qt::LeftButton, {}, QPoint(200, 15));
  EXPECT_TRUE(Box.Checked());
  Right.SetChecked(true);
  SaveArtifact(Render(Form), "dialogcontrols-checkbox.png");
}

// ---------- buttons ----------

TEST(BitBtn, KindsSetCaptionResultAndDefaults) {
  TForm Form;
  TzuBitBtn B(&Form);
  B.SetKind(bkOK);
  EXPECT_EQ(B.Caption(), "OK");
  EXPECT_EQ(B.ModalResult(), mrOk);
  EXPECT_TRUE(B.Default());
  B.SetKind(bkNo);
  EXPECT_EQ(B.Caption(), "No");
  EXPECT_EQ(B.ModalResult(), mrNo);
  EXPECT_TRUE(B.Cancel());
  B.SetKind(bkIgnore);
  EXPECT_EQ(B.ModalResult(), mrIgnore);
  B.SetKind(bkAll);
  EXPECT_EQ(B.ModalResult(), mrAll);
  B.SetCaption("Mine");
  B.SetKind(bkCustom);
  EXPECT_EQ(B.Caption(), "Mine");
  B.SetKind(bkClose);
  EXPECT_EQ(B.ModalResult(), mrNone);
  Form.show();
  QTest::mouseClick(&B, Qt::LeftButton);
  EXPECT_FALSE(Form.isVisible());  // bkClose closes its form
}

TEST(BitBtn, GlyphAndCaptionLayout) {
  TForm Form;
  Form.resize(200, 80);
  TzuBitBtn B(&Form);
  B.setGeometry(10, 10, 120, 30);
  B.SetCaption("&Retry");
  QImage G(16, 16, QImage::Format_ARGB32);
  G.fill(QColor(40, 140, 60));
  B.SetGlyph(G);
  const QRect GR = B.GlyphRect(), CR = B.CaptionRect();
  EXPECT_EQ(CR.left() - GR.right() - 1, 4);
  // The pair is centred.
  EXPECT_LE(std::abs((GR.left() - 0) - (120 - CR.right() - 1)), 1);
  B.SetGlyphLayout(glGlyphRight);
  EXPECT_GT(B.GlyphRect().left(), B.CaptionRect().right());
  Form.show();
  B.setFocus();
  SaveArtifact(Render(Form), "dialogcontrols-bitbtn.png");
}

// ---------- buttons panel ----------

TEST(ButtonsPanel, LayoutCentreRightLeftAndCustom) {
  TForm Form;
  Form.resize(366, 200);
  TzuButtonsPanel P(&Form);
  EXPECT_EQ(P.Height(), 37);
  EXPECT_EQ(P.y(), 200 - 37);  // docked at the bottom
  EXPECT_EQ(P.Width(), 366);
  P.BtnApply()->SetVisible(false);
  Flush();
  P.SetAlignment(zaCenter);
  TzuBitBtn* Ok = P.BtnOK()->Button();
  TzuBitBtn* Cancel = P.BtnCancel()->Button();
  EXPECT_EQ(Ok->geometry(), QRect(105, 6, 75, 25));
  EXPECT_EQ(Cancel->geometry(), QRect(188, 6, 75, 25));
  P.SetAlignment(zaRightJustify);
  EXPECT_EQ(Cancel->x(), 366 - 5 - 75);
  EXPECT_EQ(Ok->x(), 366 - 5 - 158);
  P.SetShowDivider(true);
  EXPECT_EQ(P.Height(), 39);
  EXPECT_EQ(Ok->y(), 8);
  EXPECT_EQ(P.DividerRect(), QRect(5, 0, 356, 2));
  P.SetShowDivider(false);

  // The layout message follows a visibility change.
  P.BtnCustom()->SetCaption("More");
  P.BtnCustom()->SetVisible(true);
  Flush();
  TzuBitBtn* Custom = P.BtnCustom()->Button();
  EXPECT_EQ(Custom->x(), 366 - 5 - 75);
  EXPECT_EQ(Ok->x(), 366 - 5 - 75 * 3 - 16);
  P.SetCustomButtonPosition(cbpBeforeFirst);
  EXPECT_EQ(Custom->x(), 366 - 5 - 75 * 3 - 16);
  P.SetCustomButtonPosition(cbpOppositeEdge);
  EXPECT_EQ(Custom->x(), 5);
  EXPECT_EQ(Ok->x(), 366 - 5 - 158);
  P.SetAlignment(zaLeftJustify);
  EXPECT_EQ(Ok->x(), 5);
  EXPECT_EQ(Custom->x(), 366 - 5 - 75);
  // Narrower than the row: centre starts at 0.
  P.SetAlignment(zaCenter);
  P.SetDocked(false);
  Form.show();
  P.resize(100, P.height());
  EXPECT_EQ(Ok->x(), 0);
  P.SetDocked(true);
  P.SetAlignment(zaRightJustify);
  P.SetCustomButtonPosition(cbpAfterLast);
  Form.show();
  SaveArtifact(Render(Form), "dialogcontrols-buttonspanel.png");
}

TEST(ButtonsPanel, VerticalExchangesTheAxes) {
  TForm Form;
  Form.resize(300, 200);
  TzuButtonsPanel P(&Form);
  P.SetAlign(alVertical);
  EXPECT_EQ(P.Width(), 75 + 10);
  EXPECT_EQ(P.geometry(), QRect(300 - 85, 0, 85, 200));
  P.SetAlignment(zaLeftJustify);
  EXPECT_EQ(P.BtnOK()->Button()->geometry(), QRect(5, 6, 75, 25));
  EXPECT_EQ(P.BtnCancel()->Button()->geometry(), QRect(5, 39, 75, 25));
  EXPECT_EQ(P.BtnApply()->Button()->geometry(), QRect(5, 72, 75, 25));
}

TEST(ButtonsPanel, ApplySettingsCanKeepTheDialogOpen) {
  TDialog D;
  D.Dialog.resize(300, 120);
  TzuButtonsPanel* P = new TzuButtonsPanel(&D.Owner, &D.Dialog);
  std::string Log;
  bool Accept = false;
  P->OnApplySettings = [&](TObject*, bool& Apply) {
    Log += "apply ";
    Apply = Accept;
  };
  P->OnAnyBtnClick = [&](TObject*, std::uint8_t Id) { Log += "any" + std::to_string(Id) + " "; };
  P->OnBtnOKClick = [&](TObject*) { Log += "ok "; };
  bool ApplyChanged = false;
  P->OnApplyEnabledChanged = [&](TObject*) { ApplyChanged = true; };
  P->SetApplyEnabled(true);
  EXPECT_TRUE(ApplyChanged);
  int Result = -1;
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(P->BtnOK()->Button(), Qt::LeftButton);
    EXPECT_TRUE(D.Dialog.isVisible());  // refused: still open
    Accept = true;
    QTest::mouseClick(P->BtnApply()->Button(), Qt::LeftButton);
    EXPECT_FALSE(P->ApplyEnabled());
    EXPECT_TRUE(D.Dialog.isVisible());
    // Apply is now disabled (and visible): OK no longer asks.
    QTest::mouseClick(P->BtnOK()->Button(), Qt::LeftButton);
  });
  Result = D.Dialog.exec();
  EXPECT_EQ(Result, mrOk);
  EXPECT_EQ(Log, "apply apply any2 any0 ok ");
}

// ---------- form help ----------

TEST(FormHelp, FindsTheHelpControl) {
  TForm Form;
  Form.resize(300, 200);
  TzuFormHelp Help(&Form);
  TzuCheckBox Box(&Form);
  Box.SetHint("|Check this box if you don't want this message appear in future.");
  EXPECT_EQ(Help.FindHelpControl(&Box), &Box);
  TzuEdit Edit(&Form);
  Edit.SetHint("Short|The password of your account.");
  EXPECT_EQ(Help.FindHelpControl(Edit.AttachedLabel()->Label()), &Edit);
  // A child without a hint takes its parent's.
  QWidget Holder(&Form);
  SetControlHint(&Holder, "Panel help");
  QWidget Inner(&Holder);
  EXPECT_EQ(Help.FindHelpControl(&Inner), &Holder);
  TzuButtonsPanel P(&Form);
  P.BtnHelp()->SetVisible(true);
  struct TCase {
    QWidget* W;
    const char* Text;
  } Cases[] = {
      {P.BtnOK()->Button(), "Closes the dialog box and saves any changes you have made."},
      {P.BtnCancel()->Button(), "Closes the dialog box without saving any changes you have made."},
      {P.BtnApply()->Button(), "Saves all the changes you have made without closing the dialog box."},
      {P.BtnHelp()->Button(), "Click to display an overview of the dialog box."},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(Help.FindHelpControl(C.W), C.W);
    EXPECT_EQ(GetLongHint(ControlHint(C.W)), C.Text);
  }
  EXPECT_EQ(Help.FindHelpControl(&Form), nullptr);
}

TEST(FormHelp, F1ShowsThePopupAndAnyKeyClosesIt) {
  TForm Form;
  Form.resize(300, 160);
  TzuFormHelp Help(&Form);
  TzuCheckBox Box(&Form);
  Box.setGeometry(20, 20, 200, 20);
  Box.SetCaption("Do not show again");
  Box.SetHint("|Check this box if you don't want this message appear in future.");
  Form.show();
  QApplication::setActiveWindow(&Form);
  Flush();
  std::string Shown;
  int Hides = 0;
  Help.OnShow = [&](TObject*, QWidget* C, std::string& Msg) {
    EXPECT_EQ(C, &Box);
    Shown = Msg;
  };
  Help.OnHide = [&](TObject*, QWidget*) { ++Hides; };
  QCursor::setPos(Box.mapToGlobal(QPoint(30, 10)));
  QTest::keyClick(&Form, Qt::Key_F1);
  Flush();
  EXPECT_EQ(Shown, "Check this box if you don't want this message appear in future.");
  ASSERT_NE(Help.Popup(), nullptr);
  TzuFormHelpPopup* Popup = Help.Popup();
  EXPECT_EQ(Popup->objectName(), "TzuFormHelpPopup");
  EXPECT_LE(Popup->width(), 300);
  SaveArtifact(Popup->Bitmap(), "dialogcontrols-helppopup.png");
  QTest::keyClick(Popup, Qt::Key_Space);
  Flush();
  EXPECT_EQ(Help.Popup(), nullptr);
  EXPECT_EQ(Hides, 1);
  // OnShow may change the text; UseF1 off ignores F1.
  Help.OnShow = [](TObject*, QWidget*, std::string& Msg) { Msg = "Changed"; };
  Help.ShowHelp(&Box);
  ASSERT_NE(Help.Popup(), nullptr);
  EXPECT_EQ(Help.Popup()->Text(), "Changed");
  QTest::mouseClick(Help.Popup(), Qt::LeftButton);
  Flush();
  EXPECT_EQ(Help.Popup(), nullptr);
  Help.SetUseF1(false);
  QTest::keyClick(&Form, Qt::Key_F1);
  Flush();
  EXPECT_EQ(Help.Popup(), nullptr);
}

TEST(FormHelp, RightClickOffersWhatsThisAndCopy) {
  TForm Form;
  Form.resize(300, 160);
  TzuFormHelp Help(&Form);
  TzuCheckBox Box(&Form);
  Box.setGeometry(20, 20, 200, 20);
  Box.SetHint("|Help of the box.");
  Form.show();
  Flush();
  QTest::mouseClick(&Box, Qt::RightButton, {}, QPoint(10, 10));
  Flush();
  QMenu* Menu = Help.WhatsThisMenu();
  ASSERT_NE(Menu, nullptr);
  ASSERT_EQ(Menu->actions().size(), 1);
  EXPECT_EQ(Menu->actions()[0]->text().toStdString(), "&What's This?");
  EXPECT_EQ(Menu->actions()[0]->data().toUInt(), TzuFormHelp::WhatsThisCommand);
  Menu->actions()[0]->trigger();
  Menu->close();
  Flush();
  ASSERT_NE(Help.Popup(), nullptr);
  EXPECT_EQ(Help.Popup()->Text(), "Help of the box.");
  QTest::mouseClick(Help.Popup(), Qt::RightButton);
  Flush();
  QMenu* Copy = Help.Popup() ? Help.Popup()->CopyMenu() : nullptr;
  ASSERT_NE(Copy, nullptr);
  EXPECT_EQ(Copy->actions()[0]->text().toStdString(), "&Copy");
  Copy->actions()[0]->trigger();
  EXPECT_EQ(os::ClipboardText(), "Help of the box.");
  Copy->close();
  Help.HidePopup();
  Flush();
  // OnWhatsThis can suppress the menu; a disabled WhatsThis offers nothing.
  Help.OnWhatsThis = [](TObject*, QWidget*, QPoint, bool& ShowPopup, bool&) { ShowPopup = false; };
  QTest::mouseClick(&Box, Qt::RightButton, {}, QPoint(10, 10));
  Flush();
  EXPECT_EQ(Help.WhatsThisMenu(), nullptr);
  Help.OnWhatsThis = nullptr;
  Help.WhatsThis()->SetEnabled(false);
  QTest::mouseClick(&Box, Qt::RightButton, {}, QPoint(10, 10));
  Flush();
  EXPECT_EQ(Help.WhatsThisMenu(), nullptr);
}

TEST(FormHelp, DelayClosesAndWidthIsClamped) {
  TForm Form;
  Form.resize(200, 100);
  TzuFormHelp Help(&Form);
  Help.SetPopupWidth(5);
  EXPECT_EQ(Help.PopupWidth(), 40);
  Help.SetPopupWidth(5000);
  EXPECT_EQ(Help.PopupWidth(), 1000);
  Help.SetPopupWidth(300);
  Help.SetDelayInterval(50);
  Form.show();
  Help.ShowHelp(&Form, "A longer help text that wraps inside the popup's width of three hundred pixels, "
                       "so the popup is taller than one line.");
  ASSERT_NE(Help.Popup(), nullptr);
  EXPECT_LE(Help.Popup()->width(), 300);
  EXPECT_GT(Help.Popup()->height(), 2 * QFontMetrics(Form.font()).height());
  SaveArtifact(Help.Popup()->Bitmap(), "dialogcontrols-helppopup-wrapped.png");
  QTest::qWait(300);
  EXPECT_EQ(Help.Popup(), nullptr);
  Help.SetAdjustPopupWidth(false);
  Help.SetDelayInterval(0);
  Help.ShowHelp(&Form, "Short.");
  ASSERT_NE(Help.Popup(), nullptr);
  EXPECT_EQ(Help.Popup()->width(), 300);
  Help.HidePopup();
  Flush();
  EXPECT_EQ(Help.Popup(), nullptr);
}

// ---------- button glyphs ----------

TEST(BitBtn, KindsSetTheirGlyphs) {
  const TzuBitBtnKind Kinds[] = {bkOK,    bkCancel, bkHelp, bkYes, bkNo,     bkClose,
                                 bkAbort, bkRetry,  bkIgnore, bkAll, bkSearch, bkOpen};
  TForm Form;
  Form.resize(12 * 84 + 8, 41);
  std::vector<QImage> Distinct;
  int X = 8;
  for (TzuBitBtnKind K : Kinds) {
    auto* B = new TzuBitBtn(&Form);
    B->setGeometry(X, 8, 78, 25);
    X += 84;
    B->SetKind(K);
    const QImage& G = B->Glyph();
    ASSERT_FALSE(G.isNull()) << B->Caption();
    EXPECT_EQ(G.size(), QSize(16, 16)) << B->Caption();
    EXPECT_EQ(qAlpha(G.pixel(0, 0)), 0) << B->Caption();  // drawn on a transparent ground
    EXPECT_GT(B->CaptionRect().left(), B->GlyphRect().right());
    if (K != bkYes && K != bkAbort) Distinct.push_back(G);
  }
  // Yes borrows OK's glyph and Abort Cancel's; the other ten are all different.
  TzuBitBtn Ok(&Form), Yes(&Form), Cancel(&Form), Abort(&Form);
  Ok.SetKind(bkOK);
  Yes.SetKind(bkYes);
  Cancel.SetKind(bkCancel);
  Abort.SetKind(bkAbort);
  EXPECT_EQ(Yes.Glyph(), Ok.Glyph());
  EXPECT_EQ(Abort.Glyph(), Cancel.Glyph());
  ASSERT_EQ(Distinct.size(), 10u);
  for (size_t I = 0; I < Distinct.size(); ++I)
    for (size_t J = I + 1; J < Distinct.size(); ++J) EXPECT_NE(Distinct[I], Distinct[J]) << I << " " << J;
  Ok.hide();
  Yes.hide();
  Cancel.hide();
  Abort.hide();

  // A custom kind leaves the user's glyph alone.
  TzuBitBtn Mine(&Form);
  Mine.SetKind(bkOK);
  QImage Own(16, 16, QImage::Format_ARGB32);
  Own.fill(QColor(200, 120, 0));
  Mine.SetGlyph(Own);
  Mine.SetKind(bkCustom);
  EXPECT_EQ(Mine.Glyph(), Own);
  Mine.hide();

  Form.show();
  Flush();
  SaveArtifact(Render(Form), "dialogcontrols-bitbtn-kinds.png");
}

// ---------- button glyph artwork ----------

namespace {

QImage DrawGlyph(const std::string& Name) {
  QImage Img(16, 16, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  // A stroke with a darker rim, so light strokes stay visible on any button face.
  auto Stroke = [&](const QPainterPath& Path, const QColor& C, qreal W) {
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(C.darker(170), W + 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.drawPath(Path);
    P.setPen(QPen(C, W, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.drawPath(Path);
  };
  auto Check = [](qreal Dx, qreal Dy) {
    QPainterPath C;
    C.moveTo(2.5 + Dx, 8.5 + Dy);
    C.lineTo(6 + Dx, 12 + Dy);
    C.lineTo(13 + Dx, 4 + Dy);
    return C;
  };
  auto Head = [&](QPointF Tip, QPointF Back1, QPointF Back2, const QColor& C) {
    QPainterPath H;
    H.moveTo(Tip);
    H.lineTo(Back1);
    H.lineTo(Back2);
    H.closeSubpath();
    P.setPen(QPen(C.darker(170), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(C);
    P.drawPath(H);
  };
  const QColor Green(40, 170, 60), Red(220, 45, 45), Blue(40, 100, 210), Grey(130, 130, 130);
  if (Name == "ok") {
    Stroke(Check(0, 0), Green, 2.2);
  } else if (Name == "cancel") {
    QPainterPath X;
    X.moveTo(4, 4);
    X.lineTo(12, 12);
    X.moveTo(12, 4);
    X.lineTo(4, 12);
    Stroke(X, Red, 2.2);
  } else if (Name == "no") {
    QPainterPath N;
    N.addEllipse(QRectF(2.5, 2.5, 11, 11));
    N.moveTo(4.6, 11.4);
    N.lineTo(11.4, 4.6);
    Stroke(N, Red, 1.8);
  } else if (Name == "help") {
    QPainterPath Q;
    Q.moveTo(4.8, 5.8);
    Q.cubicTo(4.8, 1.8, 11.2, 1.8, 11.2, 5.6);
    Q.cubicTo(11.2, 8.2, 8, 8.2, 8, 10.2);
    Stroke(Q, Blue, 2.2);
    P.setPen(QPen(Blue.darker(170), 0.7));
    P.setBrush(Blue);
    P.drawEllipse(QRectF(6.5, 11.8, 3, 3));
  } else if (Name == "close") {
    // An open door in its frame.
    P.setPen(QPen(QColor(70, 70, 70), 1));
    P.setBrush(QColor(40, 40, 40));
    P.drawRect(QRectF(4.5, 1.5, 8, 13));
    QPainterPath D;
    D.moveTo(4.5, 1.5);
    D.lineTo(9.5, 3);
    D.lineTo(9.5, 15.5);
    D.lineTo(4.5, 14.5);
    D.closeSubpath();
    P.setPen(QPen(QColor(110, 60, 20), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(QColor(190, 120, 50));
    P.drawPath(D);
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(250, 210, 60));
    P.drawEllipse(QRectF(7.6, 8.2, 1.6, 1.6));
  } else if (Name == "retry") {
    QPainterPath A;
    A.arcMoveTo(QRectF(3, 3, 10, 10), 60);
    A.arcTo(QRectF(3, 3, 10, 10), 60, 280);
    Stroke(A, Green, 1.8);
    Head(QPointF(14.6, 5.2), QPointF(9.8, 1.4), QPointF(9.6, 7.2), Green);
  } else if (Name == "ignore") {
    // An arrow hopping over a dash.
    P.setPen(Qt::NoPen);
    P.setBrush(Grey.darker(130));
    P.drawRoundedRect(QRectF(5.5, 12, 4, 2.5), 0.8, 0.8);
    QPainterPath A;
    A.moveTo(1.8, 13);
    A.cubicTo(2.5, 3, 10.5, 2.5, 11.6, 8.5);
    Stroke(A, Grey, 1.3);
    Head(QPointF(12.6, 14.5), QPointF(8.9, 8.4), QPointF(15.3, 7.6), Grey);
  } else if (Name == "all") {
    Stroke(Check(-1.5, -1.5), Green, 1.7);
    Stroke(Check(0.8, 1.8), Green, 1.7);
  } else if (Name == "search") {
    P.setPen(QPen(QColor(90, 55, 20), 3, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(10, 10), QPointF(14, 14));
    P.setPen(QPen(QColor(60, 60, 60), 1.6));
    P.setBrush(QColor(190, 225, 250, 220));
    P.drawEllipse(QRectF(1.8, 1.8, 9, 9));
    P.setPen(QPen(QColor(255, 255, 255, 220), 1.2, Qt::SolidLine, Qt::RoundCap));
    P.setBrush(Qt::NoBrush);
    P.drawArc(QRectF(3.8, 3.8, 5, 5), 100 * 16, 70 * 16);
  } else if (Name == "open") {
    // A folder with its front flap opened.
    const QColor Edge(150, 105, 20);
    QPainterPath Back;
    Back.moveTo(1.5, 13.5);
    Back.lineTo(1.5, 3.5);
    Back.lineTo(5.5, 3.5);
    Back.lineTo(7, 5);
    Back.lineTo(12.5, 5);
    Back.lineTo(12.5, 13.5);
    Back.closeSubpath();
    P.setPen(QPen(Edge, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(QColor(220, 170, 50));
    P.drawPath(Back);
    QPainterPath Front;
    Front.moveTo(1.5, 13.5);
    Front.lineTo(4.5, 7.5);
    Front.lineTo(15, 7.5);
    Front.lineTo(12.5, 13.5);
    Front.closeSubpath();
    P.setBrush(QColor(250, 215, 100));
    P.drawPath(Front);
  }
  return Img;
}

}  // namespace

TEST(BitBtnArtwork, DISABLED_Regenerate) {
  for (const char* Name : {"ok", "cancel", "help", "no", "close", "retry", "ignore", "all", "search", "open"}) {
    const QImage G = DrawGlyph(Name);
    ASSERT_TRUE(G.save(QString::fromStdString(zutest::SourceDir() + "/widgets/glyphs/" + Name + ".png"), "PNG"));
    // An 8x preview of each to judge the artwork by.
    SaveArtifact(G.scaled(128, 128), std::string("bitbtn-glyph-") + Name + ".png");
  }
}
