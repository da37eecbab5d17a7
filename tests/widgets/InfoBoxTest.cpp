// The info box driven through QTest: buttons and their results, Esc and the close box, the
// remembered answer in the registry, the layout rules, Ctrl+C copying, the built-in icons
// from the form data, and a PNG of each box in the artifacts folder.
//
// InfoBoxArtwork.DISABLED_Regenerate draws the built-in icons and rewrites
// widgets/forms/TzuInfoBoxForm.json (scripts/infobox-artwork runs it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include <QWhatsThis>

#include "QtTestUtil.h"
#include "widgets/InfoBoxDriver.h"
#include "TestUtil.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Streams.h"
#include "platform/os/Shell.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBox.h"
#include "widgets/zuInfoBoxForm.h"

using namespace zu;

namespace {

void SaveArtifact(QWidget& W, const std::string& Name) { ASSERT_TRUE(zutest::SaveWidgetPng(W, Name)); }

using zutest::Click;

std::string UniqueValue(const char* Base) {
  static int N = 0;
  return std::string(Base) + std::to_string(++N) + "_" + std::to_string(QCoreApplication::applicationPid());
}

QImage IconImage(TzuProportionalImage& I) {
  return I.Picture()->Graphic() ? I.Picture()->Graphic()->Image() : QImage();
}

}  // namespace

// ---------- message boxes from flags ----------

TEST(InfoBox, MsgBoxMapsFlagsToButtonsIconAndSound) {
  // MB_YESNO | MB_ICONQUESTION: Yes and No, the question icon and sound, No answers 7.
  const int R = zutest::DriveInfoBox([] { return ShowMsgBox("Replace the file?", "Question", 0x04 | 0x20); },
                      [](TzuInfoBoxForm& F) {
                        EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Yes");
                        EXPECT_EQ(F.btns->BtnCancel()->Caption(), "&No");
                        EXPECT_TRUE(F.btns->BtnCancel()->Button()->isVisible());
                        EXPECT_FALSE(F.btns->BtnCustom()->Button()->isVisible());
                        EXPECT_FALSE(F.CheckBox->isVisible());
                        EXPECT_EQ(F.Sound(), stQuestion);
                        EXPECT_TRUE(F.SoundPlayed());
                        EXPECT_EQ(F.Caption(), "Question");
                        EXPECT_EQ(IconImage(*F.Icon), F.SysIcons->Question()->Graphic()->Image());
                        SaveArtifact(F, "infobox-yesno-question.png");
                        Click(F.btns->BtnCancel());
                      });
  EXPECT_EQ(R, mrNo);

  struct TCase {
    int Flags;
    std::string OK, Second;
    bool Custom;
    TzuSystemSoundType Sound;
    int IconId;
  } Cases[] = {
      {0x05, "OK", "Cancel", false, stAsterisk, TzuInfoBoxIcons::idInformation},  // MB_RETRYCANCEL
      {0x02, "OK", "", false, stAsterisk, TzuInfoBoxIcons::idInformation},        // MB_ABORTRETRYIGNORE
      {0x03 | 0x30, "&Yes", "&No", true, stExclamation, TzuInfoBoxIcons::idExclamation},
      {0x01 | 0x10, "OK", "Cancel", false, stCriticalStop, TzuInfoBoxIcons::idStop},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Flags);
    const int Result = zutest::DriveInfoBox([&] { return ShowMsgBox("Text", "T", C.Flags); },
                             [&](TzuInfoBoxForm& F) {
                               EXPECT_EQ(F.btns->BtnOK()->Caption(), C.OK);
                               EXPECT_EQ(F.btns->BtnCancel()->Button()->isVisible(), !C.Second.empty());
                               if (!C.Second.empty()) {
                                 EXPECT_EQ(F.btns->BtnCancel()->Caption(), C.Second);
                               }
                               EXPECT_EQ(F.btns->BtnCustom()->Button()->isVisible(), C.Custom);
                               EXPECT_EQ(F.Sound(), C.Sound);
                               EXPECT_EQ(IconImage(*F.Icon), F.SysIcons->ById(C.IconId)->Graphic()->Image());
                               if (C.Custom) {
                                 // A short text still gets a form as wide as its button row.
                                 const QRect Last = F.btns->BtnCustom()->Button()->geometry();
                                 EXPECT_LE(Last.right(), F.ClientWidth() - F.btns->MarginHorz());
                                 EXPECT_GE(F.btns->BtnOK()->Button()->x(), F.btns->MarginHorz());
                                 SaveArtifact(F, "infobox-yesnocancel-exclamation.png");
                               }
                               if (C.IconId == TzuInfoBoxIcons::idStop) SaveArtifact(F, "infobox-okcancel-stop.png");
                               Click(F.btns->BtnOK());
                             });
    EXPECT_EQ(Result, C.OK == "OK" ? mrOk : mrYes);
  }
  // NoSound silences the box.
  zutest::DriveInfoBox([] { return ShowMsgBox("Quiet", "", 0x30, true); },
        [](TzuInfoBoxForm& F) {
          EXPECT_EQ(F.Sound(), stNoSound);
          Click(F.btns->BtnOK());
        });
}

TEST(InfoBox, EscAndTheCloseBoxPerButtonSet) {
  struct TCase {
    TzuInfoBoxButtons Buttons;
    int Esc;
  } Cases[] = {{ibOK, mrOk}, {ibOKCancel, mrCancel}, {ibYesNo, mrNo}, {ibRetryAbort, mrAbort},
               {ibYesNoCancel, mrCancel}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Buttons);
    TzuInfoBox Box;
    Box.SetInfoBoxButtons(C.Buttons);
    Box.SetShowCheckBox(false);
    Box.SetText("Press Esc");
    EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); }, [](TzuInfoBoxForm& F) { QTest::keyClick(&F, Qt::Key_Escape); }),
              C.Esc);
  }
  // Retry/Abort: captions and results of both buttons; spacing 20.
  TzuInfoBox Box;
  Box.SetInfoBoxButtons(ibRetryAbort);
  Box.SetShowCheckBox(false);
  Box.SetText("Retry?");
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); },
                  [](TzuInfoBoxForm& F) {
                    EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Retry");
                    EXPECT_EQ(F.btns->BtnCancel()->Caption(), "&Abort");
                    EXPECT_EQ(F.btns->ButtonSpacing(), 20);
                    Click(F.btns->BtnOK());
                  }),
            mrRetry);
  // The close box ends with Cancel.
  Box.SetInfoBoxButtons(ibYesNo);
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); }, [](TzuInfoBoxForm& F) { F.close(); }), mrCancel);
  // Without EscCancel neither Esc nor the close box ends the box.
  Box.SetEscCancel(false);
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); },
                  [](TzuInfoBoxForm& F) {
                    EXPECT_FALSE(F.windowFlags() & Qt::WindowCloseButtonHint);
                    QTest::keyClick(&F, Qt::Key_Escape);
                    F.close();
                    QApplication::processEvents();
                    EXPECT_TRUE(F.isVisible());
                    SaveArtifact(F, "infobox-noesc.png");
                    Click(F.btns->BtnOK());
                  }),
            mrYes);
}

// ---------- the remembered answer ----------

TEST(InfoBox, RemembersTheCheckedAnswer) {
  const std::string Value = UniqueValue("Remember");
  TzuInfoBox Box;
  Box.SetRegKey("Software\\Renewix\\Tests\\InfoBox\\");
  EXPECT_EQ(Box.RegKey(), "Software\\Renewix\\Tests\\InfoBox");
  Box.SetRegValue(Value);
  Box.SetInfoBoxButtons(ibOKCancel);
  Box.SetText("Remember me");
  auto Stored = [&] { return RegReadInt(Box.RegKey(), Value, -1, HKEY_CURRENT_USER); };

  // Cancel, or the close box, with the box checked stores nothing.
  zutest::DriveInfoBox([&] { return Box.Execute(true); },
        [](TzuInfoBoxForm& F) {
          EXPECT_TRUE(F.CheckBox->isVisible());
          EXPECT_FALSE(F.CheckBox->Checked());  // nothing remembered yet
          F.CheckBox->SetChecked(true);
          Click(F.btns->BtnCancel());
        });
  EXPECT_EQ(Stored(), -1);
  zutest::DriveInfoBox([&] { return Box.Execute(true); },
        [](TzuInfoBoxForm& F) {
          F.CheckBox->SetChecked(true);
          F.close();
        });
  EXPECT_EQ(Stored(), -1);

  // OK with the box checked writes 1; the next Execute(true) answers without showing.
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(true); },
                  [](TzuInfoBoxForm& F) {
                    QTest::mouseClick(F.CheckBox, Qt::LeftButton);
                    EXPECT_TRUE(F.CheckBox->Checked());
                    SaveArtifact(F, "infobox-remember.png");
                    Click(F.btns->BtnOK());
                  }),
            mrOk);
  EXPECT_EQ(Stored(), 1);
  bool Shown = true;
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(true); }, [](TzuInfoBoxForm& F) { Click(F.btns->BtnCancel()); }, &Shown),
            1);
  EXPECT_FALSE(Shown);

  // Execute(false) shows it with the box checked; unchecking writes nothing.
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); },
                  [](TzuInfoBoxForm& F) {
                    EXPECT_TRUE(F.CheckBox->Checked());
                    F.CheckBox->SetChecked(false);
                    Click(F.btns->BtnOK());
                  }),
            mrOk);
  EXPECT_EQ(Stored(), 1);

  // A loop ended from outside (result 0) must not wipe the answer either.
  Box.SetInfoBoxButtons(ibYesNo);
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Box.Execute(false); }, [](TzuInfoBoxForm& F) { F.done(0); }), 0);
  EXPECT_EQ(Stored(), 1);

  // ShowMsgBox neither reads nor writes the remembered answer.
  bool MsgShown = false;
  zutest::DriveInfoBox([] { return ShowMsgBox("Again", "", 0); }, [](TzuInfoBoxForm& F) { Click(F.btns->BtnOK()); }, &MsgShown);
  EXPECT_TRUE(MsgShown);
}

TEST(InfoBox, ShowInfoBoxFormsAndCloseInfoBox) {
  const std::string Value = UniqueValue("ShowInfo");
  // Yes/No with the check box: Yes checked is remembered under the default key.
  EXPECT_EQ(zutest::DriveInfoBox([&] { return ShowInfoBox("Upgrade now?", Value, 0, ibYesNo, true, "Upgrade", 32514); },
                  [](TzuInfoBoxForm& F) {
                    EXPECT_EQ(F.Caption(), "Upgrade");
                    EXPECT_EQ(IconImage(*F.Icon), F.SysIcons->Question()->Graphic()->Image());
                    F.CheckBox->SetChecked(true);
                    Click(F.btns->BtnOK());
                  }),
            mrYes);
  EXPECT_EQ(RegReadInt(IB_DEFAULT_REG_KEY, Value, 0, HKEY_CURRENT_USER), mrYes);
  bool Shown = true;
  EXPECT_EQ(zutest::DriveInfoBox([&] { return ShowInfoBox("Upgrade now?", Value, 0, ibYesNo, true, "", "", false); },
                  [](TzuInfoBoxForm&) {}, &Shown),
            mrYes);
  EXPECT_FALSE(Shown);

  // While one box shows, Execute(true) of another returns at once; CloseInfoBox cancels.
  int Inner = -1;
  EXPECT_EQ(zutest::DriveInfoBox([] { return ShowInfoBox("Outer", UniqueValue("Outer"), 0, ibOK, false, "", "", false); },
                  [&](TzuInfoBoxForm&) {
                    TzuInfoBox Other;
                    Other.SetRegValue(UniqueValue("Inner"));
                    Inner = Other.Execute(true);
                    CloseInfoBox();
                  }),
            mrCancel);
  EXPECT_EQ(Inner, 0);
  EXPECT_EQ(ShowingInfoBoxForm(), nullptr);

  // Translated captions come from the language table when one is installed.
  InfoBoxLangStr = [](int N) { return N == 14 ? std::string("&Ja") : N == 15 ? std::string("&Nein") : std::string("?"); };
  zutest::DriveInfoBox([] { return ShowMsgBox("Sprache", "", 0x04, true, true); },
        [](TzuInfoBoxForm& F) {
          EXPECT_EQ(F.btns->BtnOK()->Caption(), "&Ja");
          EXPECT_EQ(F.btns->BtnCancel()->Caption(), "&Nein");
          Click(F.btns->BtnOK());
        });
  InfoBoxLangStr = nullptr;
}

// ---------- layout ----------

TEST(InfoBox, LayoutOfLabelCheckBoxPictureAndIcon) {
  TzuInfoBox Box;
  Box.SetRegValue(UniqueValue("Layout"));
  Box.SetText("Short.");
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          // A short text with the check box: the label is at least 210 wide, and wide enough
          // for the check box's caption; the form fits it.
          EXPECT_EQ(F.Text->Left(), 56);
          EXPECT_GE(F.Text->Width(), 210);
          const int Caption = F.CheckBox->BoxRect().width() + 6 +
                              ControlCaptionSize(IB_DEFAULT_CHECKBOX_CAPTION, F.CheckBox->font(), 0, {}).width();
          EXPECT_EQ(F.Text->Width(), std::max(210, Caption + 18));
          EXPECT_GE(F.CheckBox->TextRect().width(), Caption - F.CheckBox->BoxRect().width() - 6);
          EXPECT_EQ(F.ClientWidth(), F.Text->Width() + 32 + 36);
          EXPECT_EQ(F.CheckBox->Left(), 56);
          EXPECT_EQ(F.CheckBox->Width(), F.ClientWidth() - 56 - 30);
          EXPECT_EQ(F.CheckBox->Caption(), IB_DEFAULT_CHECKBOX_CAPTION);
          const int TextBottom = F.Text->Top() + F.Text->Height();
          EXPECT_EQ(F.CheckBox->Top(), std::max(44 - F.btns->Height(), TextBottom) + 15);
          EXPECT_EQ(F.ClientHeight(), F.btns->Height() + F.CheckBox->Top() + F.CheckBox->Height() + 4);
          EXPECT_EQ(F.btns->y(), F.ClientHeight() - F.btns->Height());
          SaveArtifact(F, "infobox-short.png");
          Click(F.btns->BtnOK());
        });

  // A long text wraps at 299 pixels; without the check box the label takes the text's width.
  Box.SetShowCheckBox(false);
  Box.SetText("This is a [b]much longer[] message that cannot possibly fit on one line of the box, so it wraps "
              "onto several lines.");
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          EXPECT_LE(F.Text->Width(), 299);
          EXPECT_GT(F.Text->Width(), 210);
          EXPECT_GE(F.Text->Height(), 3 * QFontMetrics(F.font()).height() - 6);
          EXPECT_FALSE(F.CheckBox->isVisible());
          EXPECT_EQ(F.ClientWidth(), F.Text->Width() + 32 + 36);
          SaveArtifact(F, "infobox-long.png");
          Click(F.btns->BtnOK());
        });

  // One short line without check box: the icon reaches below the text area, so it moves
  // 4 pixels up. A picture goes centred below the text, the check box below it.
  Box.SetText("Hi");
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          const int Expected = F.ClientHeight() - F.btns->Height() < 12 + 32 ? 8 : 12;
          EXPECT_EQ(F.Icon->Top(), Expected);
          Click(F.btns->BtnOK());
        });
  QImage Pic(120, 40, QImage::Format_RGB32);
  Pic.fill(QColor(40, 120, 200));
  auto Bmp = std::make_unique<TBitmap>();
  Bmp->SetImage(Pic);
  TzuPicture P;
  P.SetGraphic(std::move(Bmp));
  Box.SetPicture(P);
  Box.SetShowCheckBox(true);
  Box.SetText("A picture follows.");
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          EXPECT_TRUE(F.Picture->isVisible());
          EXPECT_EQ(F.Picture->Width(), 120);
          EXPECT_EQ(F.Picture->Left(), F.ClientWidth() / 2 - 60);
          EXPECT_EQ(F.Picture->Top(), F.Text->Top() + F.Text->Height() + 15);
          EXPECT_EQ(F.CheckBox->Top(), F.Picture->Top() + 40 + 15);
          SaveArtifact(F, "infobox-picture.png");
          Click(F.btns->BtnOK());
        });
}

// ---------- clipboard, icons, properties ----------

TEST(InfoBox, CtrlCAndCtrlInsertCopyTheTextWithoutTags) {
  TzuInfoBox Box;
  Box.SetShowCheckBox(false);
  Box.SetText("[b]Error[] in file");
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          PutClipboardString(1, "");
          QTest::keyClick(&F, Qt::Key_C, Qt::ControlModifier);
          EXPECT_EQ(os::ClipboardText(), "Error in file");
          PutClipboardString(1, "");
          QTest::keyClick(F.btns->BtnOK()->Button(), Qt::Key_Insert, Qt::ControlModifier);
          EXPECT_EQ(os::ClipboardText(), "Error in file");
          Click(F.btns->BtnOK());
        });
  // With PlainText the copy is the text as shown, brackets and all.
  Box.TextStyle()->SetPlainText(true);
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [](TzuInfoBoxForm& F) {
          QTest::keyClick(&F, Qt::Key_C, Qt::ControlModifier);
          EXPECT_EQ(os::ClipboardText(), "[b]Error[] in file");
          Click(F.btns->BtnOK());
        });
}

TEST(InfoBox, BuiltInIconsComeFromTheFormData) {
  TzuInfoBoxForm F;
  for (TzuPicture* P : {F.Icon->Picture(), F.SysIcons->Stop(), F.SysIcons->Question(), F.SysIcons->Exclamation(),
                        F.SysIcons->Information()}) {
    ASSERT_NE(dynamic_cast<TIcon*>(P->Graphic()), nullptr);
    EXPECT_EQ(P->Width(), 32);
    EXPECT_EQ(P->Height(), 32);
  }
  EXPECT_NE(F.SysIcons->Stop()->Graphic()->Image(), F.SysIcons->Question()->Graphic()->Image());
  EXPECT_EQ(F.SysIcons->ById(32512), nullptr);
  // The icons are kept packed: "SFP", never the plain "Data".
  const std::string Json = WriteComponentToJson(F);
  EXPECT_NE(Json.find("\"SFP\""), std::string::npos);
  EXPECT_EQ(Json.find("\"Data\""), std::string::npos);
  // A custom icon replaces the built-in one even where the information icon would.
  TzuInfoBox Box;
  Box.SetShowCheckBox(false);
  Box.SetIcon(*F.SysIcons->Stop());
  EXPECT_EQ(Box.IconKind(), ikCustom);
  zutest::DriveInfoBox([&] { return Box.Execute(false); },
        [&](TzuInfoBoxForm& G) {
          EXPECT_EQ(IconImage(*G.Icon), F.SysIcons->Stop()->Graphic()->Image());
          Click(G.btns->BtnOK());
        });
}

TEST(InfoBox, IconKindRegKeyAndStoredProperties) {
  TzuInfoBox Box;
  Box.SetIconKind(ikError);
  EXPECT_EQ(Box.IconResID(), "32513");
  Box.SetIconKind(ikInformation);
  EXPECT_EQ(Box.IconResID(), "");
  Box.SetIconResID("MYICON");
  EXPECT_EQ(Box.IconKind(), ikCustom);
  Box.SetIconKind(ikCustom);
  EXPECT_EQ(Box.IconResID(), "MYICON");

  // Form data: defaults are not written, changed values are, and they read back.
  TForm Root;
  Root.SetName("Root");
  auto* B = new TzuInfoBox(&Root);
  B->SetName("Box1");
  std::string Json = WriteComponentToJson(Root);
  EXPECT_EQ(Json.find("CheckBoxCaption"), std::string::npos);
  EXPECT_EQ(Json.find("RegValue"), std::string::npos);
  B->SetCheckBoxCaption("Never again");
  B->SetInfoBoxButtons(ibYesNoCancel);
  B->SetRegLocation(rlLocalMachine);
  B->SetSound(stQuestion);
  Json = WriteComponentToJson(Root);
  TForm Copy;
  auto* C = new TzuInfoBox(&Copy);
  C->SetName("Box1");
  ReadComponentFromJson(Copy, Json);
  EXPECT_EQ(C->CheckBoxCaption(), "Never again");
  EXPECT_EQ(C->InfoBoxButtons(), ibYesNoCancel);
  EXPECT_EQ(C->RegRoot(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(C->Sound(), stQuestion);

  // The sub-box forwards to its own box.
  TzuSubInfoBox Sub;
  Sub.SetText("Forwarded");
  Sub.SetInfoBoxButtons(ibOKCancel);
  EXPECT_EQ(Sub.InfoBox()->Text(), "Forwarded");
  EXPECT_TRUE(Sub.Active());
  Sub.SetShowCheckBox(false);
  EXPECT_EQ(zutest::DriveInfoBox([&] { return Sub.Execute(false); }, [](TzuInfoBoxForm& F) { Click(F.btns->BtnCancel()); }),
            mrCancel);
}

// ---------- captions with markup ----------

TEST(InfoBox, ControlCaptionsUseTheMarkup) {
  QFont Font = QApplication::font();
  TzuCaptionOptions O;
  // Tags take no room; a bold tag widens the text.
  const QSize Plain = ControlCaptionSize("Retry", Font, 0, O);
  EXPECT_EQ(ControlCaptionSize("[]Retry", Font, 0, O), Plain);
  QFont Bold = Font;
  Bold.setBold(true);
  EXPECT_EQ(ControlCaptionSize("[b]Retry", Font, 0, O).width(), ControlCaptionSize("Retry", Bold, 0, O).width());
  // An access key's "&" takes no room either, unless access keys are off.
  EXPECT_EQ(ControlCaptionSize("&Retry", Font, 0, O), Plain);
  O.ShowAccelChar = false;
  EXPECT_GT(ControlCaptionSize("&Retry", Font, 0, O).width(), Plain.width());
  O.PlainText = true;
  EXPECT_GT(ControlCaptionSize("[]Retry", Font, 0, O).width(), Plain.width());
}

// ---------- artwork ----------

namespace {

QImage DrawIcon(int Id) {
  QImage Img(32, 32, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  auto Disc = [&](const QColor& C) {
    P.setPen(QPen(C.darker(150), 1.5));
    P.setBrush(C);
    P.drawEllipse(QRectF(2, 2, 28, 28));
  };
  P.setPen(Qt::NoPen);
  switch (Id) {
    case TzuInfoBoxIcons::idStop:
      Disc(QColor(210, 40, 40));
      P.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
      P.drawLine(QPointF(11, 11), QPointF(21, 21));
      P.drawLine(QPointF(21, 11), QPointF(11, 21));
      break;
    case TzuInfoBoxIcons::idQuestion: {
      Disc(QColor(40, 100, 200));
      QPainterPath Q;
      Q.moveTo(11.5, 12.5);
      Q.cubicTo(11.5, 6.5, 21, 6.5, 21, 12);
      Q.cubicTo(21, 16, 16, 16, 16, 20);
      P.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
      P.setBrush(Qt::NoBrush);
      P.drawPath(Q);
      P.setPen(Qt::NoPen);
      P.setBrush(Qt::white);
      P.drawEllipse(QRectF(14, 22.5, 4, 4));
      break;
    }
    case TzuInfoBoxIcons::idExclamation: {
      QPainterPath T;
      T.moveTo(16, 2);
      T.lineTo(30, 29);
      T.lineTo(2, 29);
      T.closeSubpath();
      P.setPen(QPen(QColor(150, 110, 0), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      P.setBrush(QColor(250, 200, 30));
      P.drawPath(T);
      P.setPen(Qt::NoPen);
      P.setBrush(Qt::black);
      P.drawRoundedRect(QRectF(14.5, 10, 3, 11), 1.5, 1.5);
      P.drawEllipse(QRectF(14.2, 23, 3.6, 3.6));
      break;
    }
    default:
      Disc(QColor(40, 100, 200));
      P.setPen(Qt::NoPen);
      P.setBrush(Qt::white);
      P.drawEllipse(QRectF(14, 7, 4, 4));
      P.drawRoundedRect(QRectF(14.25, 13, 3.5, 12), 1.5, 1.5);
      break;
  }
  return Img;
}

QJsonObject PictureNode(int Id) {
  TzuPicture Pic;
  auto I = std::make_unique<TIcon>();
  I->SetImage(DrawIcon(Id));
  Pic.SetGraphic(std::move(I));
  TMemoryStream S;
  Pic.WriteSFPData(S);
  S.SetPosition(0);
  std::string Bytes(static_cast<size_t>(S.Size()), '\0');
  S.ReadBuffer(Bytes.data(), S.Size());
  QJsonObject Binary{{"SFP", QString::fromLatin1(QByteArray::fromStdString(Bytes).toBase64())}};
  return QJsonObject{{"binary", Binary}};
}

}  // namespace

TEST(InfoBox, TitleBarHelpEndsAfterOneHelpClick) {
  TzuInfoBox Box;
  Box.SetInfoBoxButtons(ibOKCancel);
  Box.SetShowCheckBox(true);
  Box.SetRegValue(UniqueValue("Help"));
  bool InModeAfter = true, PopupShown = false;
  const int R = zutest::DriveInfoBox([&] { return Box.Execute(false); }, [&](TzuInfoBoxForm& F) {
    EXPECT_TRUE(F.windowFlags() & Qt::WindowContextHelpButtonHint);
    // The title bar's help button, then one click on the check box.
    QWhatsThis::enterWhatsThisMode();
    QApplication::processEvents();
    EXPECT_TRUE(F.FH->InHelpMode());
    QTest::mouseClick(F.CheckBox, Qt::LeftButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    PopupShown = F.FH->Popup() != nullptr;
    InModeAfter = F.FH->InHelpMode() || QWhatsThis::inWhatsThisMode();
    if (F.FH->Popup()) QTest::keyClick(F.FH->Popup(), Qt::Key_Escape);
    QApplication::processEvents();
    // The next click is an ordinary one: Cancel closes the box.
    Click(F.btns->BtnCancel());
  });
  EXPECT_TRUE(PopupShown);
  EXPECT_FALSE(InModeAfter);
  EXPECT_EQ(R, mrCancel);

  // Losing the form's activation ends help mode without a popup.
  const int R2 = zutest::DriveInfoBox([&] { return Box.Execute(false); }, [&](TzuInfoBoxForm& F) {
    QWhatsThis::enterWhatsThisMode();
    QApplication::processEvents();
    EXPECT_TRUE(F.FH->InHelpMode());
    QEvent Deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&F, &Deactivate);
    EXPECT_FALSE(F.FH->InHelpMode());
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    Click(F.btns->BtnOK());
  });
  EXPECT_EQ(R2, mrOk);
}

TEST(InfoBox, LargeFontsGrowTheCheckBoxAndTheButtons) {
  TzuInfoBox Box;
  Box.SetRegValue(UniqueValue("Large"));
  Box.SetText("Text in a large font.");
  Box.Font().SetSize(16);
  Box.SetInfoBoxButtons(ibYesNo);
  Box.ButtonCaptions()->SetYes("&Yes, download and install");
  zutest::DriveInfoBox([&] { return Box.Execute(false); }, [&](TzuInfoBoxForm& F) {
    // The check box is as high as its caption, which is higher than the design's 17.
    const QSize Caption = ControlCaptionSize(F.CheckBox->Caption(), F.CheckBox->font(), 0, {});
    EXPECT_GT(Caption.height(), 17);
    EXPECT_GE(F.CheckBox->Height(), Caption.height());
    EXPECT_EQ(F.ClientHeight(), F.btns->Height() + F.CheckBox->Top() + F.CheckBox->Height() + 4);
    // The long Yes grows; No keeps ButtonWidth; the row still fits the form.
    TzuBitBtn* Yes = F.btns->BtnOK()->Button();
    TzuBitBtn* No = F.btns->BtnCancel()->Button();
    EXPECT_GE(Yes->width(), ControlCaptionSize(Yes->Caption(), Yes->font(), 0, {}).width() + 8);
    EXPECT_GT(Yes->width(), 75);
    EXPECT_GE(No->width(), 75);
    EXPECT_LE(No->geometry().right(), F.width());
    EXPECT_GE(No->x(), Yes->geometry().right() + 20);
    SaveArtifact(F, "infobox-large-font.png");
    Click(F.btns->BtnCancel());
  });
  // English captions at the design font keep the 75-pixel buttons.
  TzuInfoBox Plain;
  Plain.SetShowCheckBox(false);
  Plain.SetInfoBoxButtons(ibYesNoCancel);
  Plain.SetText("x");
  zutest::DriveInfoBox([&] { return Plain.Execute(false); }, [&](TzuInfoBoxForm& F) {
    for (int I : {0, 1, 4}) EXPECT_EQ(F.btns->Btn(I)->Button()->width(), 75) << I;
    Click(F.btns->BtnCustom());
  });
}

TEST(InfoBoxArtwork, DISABLED_Regenerate) {
  QJsonObject Icon{{"class", "TzuProportionalImage"},
                   {"name", "Icon"},
                   {"properties", QJsonObject{{"Picture", PictureNode(TzuInfoBoxIcons::idInformation)}}}};
  QJsonObject Icons{{"class", "TzuInfoBoxIcons"},
                    {"name", "SysIcons"},
                    {"properties", QJsonObject{{"Stop", PictureNode(TzuInfoBoxIcons::idStop)},
                                               {"Question", PictureNode(TzuInfoBoxIcons::idQuestion)},
                                               {"Exclamation", PictureNode(TzuInfoBoxIcons::idExclamation)},
                                               {"Information", PictureNode(TzuInfoBoxIcons::idInformation)}}}};
  QJsonObject Root{{"class", "TzuInfoBoxForm"}, {"name", "InfoBoxForm"}, {"components", QJsonArray{Icon, Icons}}};
  zutest::WriteFile(zutest::SourceDir() + "/widgets/forms/TzuInfoBoxForm.json",
                    QJsonDocument(Root).toJson(QJsonDocument::Indented).toStdString());
  for (int Id : {32513, 32514, 32515, 32516})
    DrawIcon(Id).save(QString::fromStdString(zutest::ArtifactsDir() + "/infobox-icon-" + std::to_string(Id) + ".png"));
}
