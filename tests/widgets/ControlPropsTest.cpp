// The control properties the dialog controls publish beyond their own: the bitmap button's
// text style, image list, action and help kind; what the panel button forwards; the attached
// label's font, cursor, menu and reading order; the form help's system-menu item, caption
// button, cursors and text style. A PNG of the styled controls goes to the artifacts folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <QWhatsThis>

#include <string>

#include "TestUtil.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "platform/os/Shell.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuFormHelp.h"

using namespace zu;

namespace {

void Flush() {
  for (int I = 0; I < 3; ++I) QCoreApplication::processEvents();
}

QImage Solid(QColor C, int Size = 20) {
  QImage I(Size, Size, QImage::Format_ARGB32);
  I.fill(C);
  return I;
}

}  // namespace

TEST(BitBtnProps, TextStyleDecidesWhatIsMarkup) {
  TForm Form;
  TzuBitBtn B(&Form);
  B.setGeometry(0, 0, 200, 30);
  B.SetCaption("{b}Go{}");
  const int AsText = B.CaptionRect().width();
  B.TextStyle()->SetTagOpen('{');
  B.TextStyle()->SetTagClose('}');
  const int AsMarkup = B.CaptionRect().width();
  EXPECT_LT(AsMarkup, AsText) << "the braces became tags and take no room";
  B.TextStyle()->SetPlainText(true);
  EXPECT_EQ(B.CaptionRect().width(), AsText);
}

TEST(BitBtnProps, ImageOfTheListReplacesTheGlyphAndIsFoundByName) {
  TForm Form;
  Form.SetName("frm");
  auto* List = new TzuImageList(&Form);
  List->SetName("imgs");
  List->Add(Solid(Qt::red, 12));
  List->Add(Solid(Qt::blue, 20));
  auto* B = new TzuBitBtn(&Form);
  B->SetName("btn");
  B->setGeometry(0, 0, 120, 30);
  B->SetGlyph(Solid(Qt::green, 16));
  B->SetImages(List);
  EXPECT_EQ(B->GlyphRect().size(), QSize(16, 16)) << "ImageIndex -1: the glyph";
  B->SetImageIndex(1);
  EXPECT_EQ(B->ShownGlyph().pixelColor(0, 0), QColor(Qt::blue));
  EXPECT_EQ(B->GlyphRect().size(), QSize(20, 20));
  B->SetImageIndex(7);
  EXPECT_EQ(B->ShownGlyph().pixelColor(0, 0), QColor(Qt::green)) << "no such image: the glyph";
  B->SetImageIndex(0);
  const std::string Json = WriteComponentToJson(Form);
  EXPECT_NE(Json.find("\"Images\": \"imgs\""), std::string::npos) << Json;

  TForm Other;
  Other.SetName("frm");
  auto* L2 = new TzuImageList(&Other);
  L2->SetName("imgs");
  L2->Add(Solid(Qt::yellow, 12));
  auto* B2 = new TzuBitBtn(&Other);
  B2->SetName("btn");
  ReadComponentFromJson(Other, Json);
  EXPECT_EQ(B2->Images(), L2);
  EXPECT_EQ(B2->ImageIndex(), 0);
  EXPECT_EQ(B2->ShownGlyph().pixelColor(0, 0), QColor(Qt::yellow));
}

TEST(BitBtnProps, HelpKindAsksForTheNearestHelpContext) {
  std::vector<std::pair<unsigned, std::intptr_t>> Asked;
  Application().OnHelp = [&](unsigned Command, std::intptr_t Data) {
    Asked.emplace_back(Command, Data);
    return true;
  };
  TForm Form;
  QWidget Group(&Form);
  TzuBitBtn B(&Form, &Group);
  B.SetKind(bkHelp);
  Form.show();
  QTest::mouseClick(&B, Qt::LeftButton);
  EXPECT_TRUE(Asked.empty()) << "no control with a help context";
  SetControlHelpContext(&Form, 7);
  SetControlHelpContext(&Group, 42);
  QTest::mouseClick(&B, Qt::LeftButton);
  SetControlHelpContext(&B, 5);
  QTest::mouseClick(&B, Qt::LeftButton);
  EXPECT_EQ(Asked, (std::vector<std::pair<unsigned, std::intptr_t>>{{1, 42}, {1, 5}}));
  EXPECT_TRUE(Form.isVisible()) << "help is no modal result";
  Application().OnHelp = nullptr;
  EXPECT_FALSE(Application().HelpContext(42)) << "no help viewer here";
}

TEST(BitBtnProps, ActionLendsItsStateAndRunsOnClick) {
  TForm Form;
  TzuBitBtn B(&Form);
  QAction Act("&Run it");
  Act.setToolTip("Runs it");
  int Runs = 0;
  QObject::connect(&Act, &QAction::triggered, [&] { ++Runs; });
  B.SetAction(&Act);
  EXPECT_EQ(B.Caption(), "&Run it");
  EXPECT_EQ(B.Hint(), "Runs it");
  Form.show();
  QTest::mouseClick(&B, Qt::LeftButton);
  EXPECT_EQ(Runs, 1);
  Act.setEnabled(false);
  EXPECT_FALSE(B.isEnabled());
  Act.setText("Later");
  EXPECT_EQ(B.Caption(), "Later");
}

TEST(PanelBitBtnProps, ForwardsControlAndButtonPropertiesAndStoresThem) {
  TForm Form;
  Form.SetName("frm");
  auto* List = new TzuImageList(&Form);
  List->SetName("imgs");
  List->Add(Solid(Qt::red));
  auto* P = new TzuButtonsPanel(&Form);
  P->SetName("pnl");
  P->SetImagesName("imgs");
  TzuPanelBitBtn* Ok = P->BtnOK();
  TzuBitBtn* Btn = Ok->Button();
  EXPECT_EQ(Btn->Images(), List) << "the panel's list reaches every button";
  EXPECT_EQ(P->BtnHelp()->Button()->Images(), List);
  Ok->SetImageIndex(0);
  EXPECT_EQ(Btn->ShownGlyph().pixelColor(0, 0), QColor(Qt::red));
  Ok->FontProperty()->SetSize(14);
  EXPECT_FALSE(Ok->ParentFont());
  EXPECT_EQ(Btn->font().pointSize(), 14);
  Ok->SetColor(0x0000FF);  // red in 0x00BBGGRR
  EXPECT_EQ(Btn->palette().color(QPalette::Button), QColor(255, 0, 0));
  Ok->SetCursor(crHandPoint);
  EXPECT_EQ(Btn->cursor().shape(), Qt::PointingHandCursor);
  Ok->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Btn->layoutDirection(), Qt::RightToLeft);
  QMenu Menu;
  Ok->SetPopupMenu(&Menu);
  EXPECT_EQ(Btn->contextMenuPolicy(), Qt::CustomContextMenu);
  Ok->TextStyle()->SetTagOpen('<');
  EXPECT_EQ(Btn->TextStyle()->TagOpen(), '<');
  Ok->SetParentFont(true);
  EXPECT_EQ(Btn->font().pointSize(), Form.font().pointSize());
  Ok->FontProperty()->SetSize(14);
  P->BtnCustom()->SetGlyph(Solid(Qt::magenta, 10));  // a glyph of its own is stored

  const std::string Json = WriteComponentToJson(Form);
  TForm Other;
  Other.SetName("frm");
  auto* L2 = new TzuImageList(&Other);
  L2->SetName("imgs");
  auto* P2 = new TzuButtonsPanel(&Other);
  P2->SetName("pnl");
  ReadComponentFromJson(Other, Json);
  TzuPanelBitBtn* Ok2 = P2->BtnOK();
  EXPECT_EQ(P2->Images(), L2);
  EXPECT_EQ(Ok2->ImageIndex(), 0);
  EXPECT_FALSE(Ok2->ParentFont());
  EXPECT_EQ(Ok2->Button()->font().pointSize(), 14);
  EXPECT_EQ(Ok2->Color(), 0x0000FF);
  EXPECT_EQ(Ok2->Cursor(), crHandPoint);
  EXPECT_EQ(Ok2->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(Ok2->TextStyle()->TagOpen(), '<');
  EXPECT_TRUE(P2->BtnCancel()->ParentFont()) << "untouched buttons keep their parent's font";
  EXPECT_EQ(P2->BtnCustom()->Glyph().size(), QSize(10, 10));
  EXPECT_EQ(P2->BtnCustom()->Glyph().pixelColor(5, 5), QColor(Qt::magenta));
  EXPECT_EQ(Json.find("GlyphData"), Json.rfind("GlyphData")) << "kind glyphs come from resources, not form data";
}

TEST(AttachedLabelProps, FontCursorMenuAndDirectionReachTheLabel) {
  TForm Form;
  Form.resize(320, 80);
  TzuEdit Edit(&Form);
  Edit.SetBounds(150, 10, 150, 21);
  TzuAttachedLabel* A = Edit.AttachedLabel();
  A->SetCaption("&Name:");
  A->SetVisible(true);
  Form.show();
  TzuAttLabel* L = A->Label();
  const int Before = L->width();
  A->FontProperty()->SetSize(20);
  EXPECT_FALSE(A->ParentFont());
  EXPECT_EQ(L->font().pointSize(), 20);
  EXPECT_GT(L->width(), Before) << "re-placed at its new size";
  EXPECT_EQ(L->x() + L->width() + A->Spacing(), 150);
  A->SetCursor(crHelp);
  EXPECT_EQ(L->cursor().shape(), Qt::WhatsThisCursor);
  A->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(L->layoutDirection(), Qt::RightToLeft);
  A->SetParentBiDiMode(true);
  EXPECT_EQ(L->layoutDirection(), Form.layoutDirection());
  QMenu Menu;
  Menu.addAction("Item");
  A->SetPopupMenu(&Menu);
  emit L->customContextMenuRequested(QPoint(2, 2));
  Flush();
  EXPECT_TRUE(Menu.isVisible());
  Menu.close();
  A->SetParentFont(true);
  EXPECT_EQ(L->font().pointSize(), Form.font().pointSize());
}

TEST(FormHelpProps, SystemMenuItemEntersHelpModeWithTheHelpCursor) {
  TForm Form;
  Form.resize(300, 120);
  TzuFormHelp Help(&Form);
  QMenu* Sys = Help.GetSystemMenuHandle();
  const int Before = static_cast<int>(Sys->actions().size());
  Help.SystemMenu()->SetApplyToMenu(true);
  EXPECT_EQ(Sys->actions().size(), Before + 2) << "separator and item";
  QAction* Item = Sys->actions().last();
  EXPECT_EQ(Item->text(), "&What's This?");
  EXPECT_TRUE(Sys->actions()[Before]->isSeparator());
  Help.SystemMenu()->SetPosition(0);
  Help.SystemMenu()->SetSeparators(1 << smsAfter);
  Help.SystemMenu()->SetCaption("Help &mode");
  ASSERT_EQ(Sys->actions().size(), Before + 2) << "moved, not added again";
  EXPECT_EQ(Sys->actions()[0]->text(), "Help &mode");
  EXPECT_TRUE(Sys->actions()[1]->isSeparator());
  Help.SetCursorHelp(crCross);
  Form.show();
  Sys->actions()[0]->trigger();
  EXPECT_TRUE(Help.InHelpMode());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  Help.ExitHelpMode();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  Help.SystemMenu()->SetApplyToMenu(false);
  EXPECT_EQ(Sys->actions().size(), Before);
  {
    TzuFormHelp Gone(&Form);
    Gone.SystemMenu()->SetApplyToMenu(true);
    EXPECT_EQ(Sys->actions().size(), Before + 2);
  }
  EXPECT_EQ(Sys->actions().size(), Before) << "a freed form help leaves no item behind";

  // A menu item and a toolbar button of the program's do the same.
  QAction Menu("What's this");
  QToolButton Tool(&Form);
  Help.WhatsThis()->SetMenuItem(&Menu);
  Help.WhatsThis()->SetToolbarButton(&Tool);
  Menu.trigger();
  EXPECT_TRUE(Help.InHelpMode());
  Help.ExitHelpMode();
  Tool.click();
  EXPECT_TRUE(Help.InHelpMode());
  Help.ExitHelpMode();
}

TEST(FormHelpProps, TextStyleTagsLeaveTheCopiedTextAndPropertiesAreStored) {
  TForm Form;
  Form.SetName("frm");
  Form.resize(300, 160);
  auto* Help = new TzuFormHelp(&Form);
  Help->SetName("hlp");
  Help->TextStyle()->SetTagOpen('<');
  Help->TextStyle()->SetTagClose('>');
  EXPECT_EQ(Help->PlainHelpText("<b>Bold<> and [kept]"), "Bold and [kept]");
  QWidget Box(&Form);
  Box.setGeometry(10, 10, 100, 20);
  SetControlHint(&Box, "|<b>Bold<> help");
  Help->SetCursor(crHandPoint);
  Form.show();
  Help->ShowHelp(&Box);
  ASSERT_NE(Help->Popup(), nullptr);
  EXPECT_EQ(Help->Popup()->cursor().shape(), Qt::PointingHandCursor);
  ASSERT_TRUE(Help->Popup()->Bitmap().save(
      QString::fromStdString(zutest::ArtifactsDir() + "/controlprops-formhelp-tags.png"), "PNG"));
  QTest::mouseClick(Help->Popup(), Qt::RightButton);
  Flush();
  ASSERT_NE(Help->Popup()->CopyMenu(), nullptr);
  Help->Popup()->CopyMenu()->actions()[0]->trigger();
  EXPECT_EQ(os::ClipboardText(), "Bold help");
  Help->Popup()->CopyMenu()->close();
  Help->HidePopup();

  Help->CaptionButton()->SetVisible(true);
  EXPECT_TRUE(Form.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
  int Clicks = 0;
  Help->OnButtonClick = [&](TObject*) { ++Clicks; };
  QWhatsThis::enterWhatsThisMode();
  Flush();
  EXPECT_EQ(Clicks, 1) << "the title bar's help button";
  QWhatsThis::leaveWhatsThisMode();
  Help->ExitHelpMode();
  Help->FontProperty()->SetSize(15);
  Help->SystemMenu()->SetApplyToMenu(true);

  const std::string Json = WriteComponentToJson(Form);
  TForm Other;
  Other.SetName("frm");
  auto* H2 = new TzuFormHelp(&Other);
  H2->SetName("hlp");
  ReadComponentFromJson(Other, Json);
  EXPECT_TRUE(H2->CaptionButton()->Visible());
  EXPECT_TRUE(Other.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
  EXPECT_TRUE(H2->SystemMenu()->ApplyToMenu());
  EXPECT_EQ(H2->GetSystemMenuHandle()->actions().last()->text(), "&What's This?");
  EXPECT_EQ(H2->TextStyle()->TagClose(), '>');
  EXPECT_EQ(H2->Cursor(), crHandPoint);
  EXPECT_FALSE(H2->ParentFont());
  EXPECT_EQ(H2->Font()->Size(), 15);
}

TEST(ControlPropsArtwork, StyledButtonsAndLabel) {
  TForm Form;
  Form.resize(380, 120);
  auto* List = new TzuImageList(&Form);
  QImage Star(16, 16, QImage::Format_ARGB32);
  Star.fill(Qt::transparent);
  {
    QPainter P(&Star);
    P.setRenderHint(QPainter::Antialiasing);
    P.setBrush(QColor(230, 160, 20));
    P.setPen(Qt::NoPen);
    P.drawEllipse(1, 1, 14, 14);
  }
  List->Add(Star);
  TzuEdit Edit(&Form);
  Edit.SetBounds(120, 14, 200, 21);
  Edit.AttachedLabel()->SetCaption("&Big label:");
  Edit.AttachedLabel()->FontProperty()->SetSize(13);
  Edit.AttachedLabel()->FontProperty()->SetColor(0x800000);  // navy
  Edit.AttachedLabel()->SetVisible(true);
  TzuButtonsPanel Panel(&Form);
  Panel.SetImages(List);
  Panel.BtnOK()->SetImageIndex(0);
  Panel.BtnOK()->TextStyle()->SetTagOpen('<');
  Panel.BtnOK()->TextStyle()->SetTagClose('>');
  Panel.BtnOK()->SetCaption("<b>OK<>");
  Panel.BtnCancel()->SetColor(0xC0E0FF);
  Panel.BtnCancel()->FontProperty()->SetColor(0x0000C0);
  Panel.SetButtonWidth(90);
  Form.show();
  Flush();
  QImage Img(Form.size(), QImage::Format_ARGB32);
  Img.fill(QColor(235, 235, 235));
  Form.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  ASSERT_TRUE(Img.save(QString::fromStdString(zutest::ArtifactsDir() + "/controlprops-styled.png"), "PNG"));
  // The OK button shows the list's image: its orange is on screen.
  const QRect G = Panel.BtnOK()->Button()->GlyphRect().translated(Panel.BtnOK()->Button()->mapTo(&Form, QPoint()));
  EXPECT_EQ(Img.pixelColor(G.center()), QColor(230, 160, 20));
}
