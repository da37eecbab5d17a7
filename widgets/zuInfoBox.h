// zuInfoBox: the library's message box. A modal dialog with an icon, a marked-up text, an
// optional picture, up to three buttons, a check box that remembers the answer in the
// registry, a sound, and Ctrl+C / Ctrl+Insert copying of its text without tags.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Font.h"
#include "support/zuClasses.h"
#include "support/zuRegistry.h"  // TzuRegLocation
#include "support/zuUtils.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuInfoBoxForm.h"
#include "widgets/zuRichLabel.h"

namespace zu {

enum TzuInfoBoxButtons { ibOK, ibOKCancel, ibYesNo, ibRetryAbort, ibYesNoCancel };
enum TzuWinIconKind { ikInformation, ikQuestion, ikWarning, ikError, ikCustom };

inline constexpr const char* IB_DEFAULT_OK = "OK";
inline constexpr const char* IB_DEFAULT_CANCEL = "Cancel";
inline constexpr const char* IB_DEFAULT_YES = "&Yes";
inline constexpr const char* IB_DEFAULT_NO = "&No";
inline constexpr const char* IB_DEFAULT_RETRY = "&Retry";
inline constexpr const char* IB_DEFAULT_ABORT = "&Abort";
inline constexpr const char* IB_DEFAULT_REG_KEY = "Software\\CompanyName\\ProgramName\\InfoBox";
inline constexpr const char* IB_DEFAULT_CHECKBOX_CAPTION = "Don't show me this message again";
// Where ShowMsgBox and ShowInfoBox place their boxes (changeable).
extern TPosition IB_DEFAULT_POSITION;

// The message texts of the current language that translated captions use (OK 16, Cancel 17,
// Yes 14, No 15). The engine's message table installs it; while it is unset, TranslateButtons
// leaves the captions as they are.
extern std::function<std::string(int MessageNo)> InfoBoxLangStr;

class TzuInfoBoxButtonCaptions : public TPersistent {
  ZU_CLASS_INFO
 public:
  const std::string& OK() const { return FOK; }
  void SetOK(const std::string& Value) { FOK = Value; }
  const std::string& Cancel() const { return FCancel; }
  void SetCancel(const std::string& Value) { FCancel = Value; }
  const std::string& Yes() const { return FYes; }
  void SetYes(const std::string& Value) { FYes = Value; }
  const std::string& No() const { return FNo; }
  void SetNo(const std::string& Value) { FNo = Value; }
  const std::string& Retry() const { return FRetry; }
  void SetRetry(const std::string& Value) { FRetry = Value; }
  const std::string& Abort() const { return FAbort; }
  void SetAbort(const std::string& Value) { FAbort = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  std::string FOK = IB_DEFAULT_OK, FCancel = IB_DEFAULT_CANCEL, FYes = IB_DEFAULT_YES, FNo = IB_DEFAULT_NO,
              FRetry = IB_DEFAULT_RETRY, FAbort = IB_DEFAULT_ABORT;
};

class TzuInfoBox : public TzuComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuInfoBox(TComponent* AOwner = nullptr);
  ~TzuInfoBox() override;

  TzuInfoBoxButtonCaptions* ButtonCaptions() const { return FButtonCaptions.get(); }
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int Value) { FButtonWidth = Value; }
  const std::string& CheckBoxCaption() const { return FCheckBoxCaption; }
  void SetCheckBoxCaption(const std::string& Value) { FCheckBoxCaption = Value; }
  bool EscCancel() const { return FEscCancel; }
  void SetEscCancel(bool Value) { FEscCancel = Value; }
  TFont& Font() const { return *FFont; }
  TzuFontProperty* FontProperty() const { return FFontProperty.get(); }
  void SetFont(const TFont& Value) { FFont->Assign(Value); }
  TzuInfoBoxButtons InfoBoxButtons() const { return FInfoBoxButtons; }
  void SetInfoBoxButtons(TzuInfoBoxButtons Value) { FInfoBoxButtons = Value; }
  // Any change of the custom icon makes the icon kind ikCustom.
  TzuPicture* Icon() const { return FIcon.get(); }
  void SetIcon(const TPicture& Value) { FIcon->Assign(Value); }
  const std::string& IconResID() const { return FIconResID; }
  void SetIconResID(const std::string& Value);
  TzuWinIconKind IconKind() const { return FIconKind; }
  void SetIconKind(TzuWinIconKind Value);
  TzuPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture& Value) { FPicture->Assign(Value); }
  int PictureResID() const { return FPictureResID; }
  void SetPictureResID(int Value) { FPictureResID = Value; }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  const std::string& RegKey() const { return FRegKey; }
  void SetRegKey(const std::string& Value);  // drops a trailing backslash
  const std::string& RegValue() const { return FRegValue; }
  void SetRegValue(const std::string& Value) { FRegValue = Value; }
  TzuRegLocation RegLocation() const { return FRegLocation; }
  void SetRegLocation(TzuRegLocation Value) { FRegLocation = Value; }
  bool ShowCheckBox() const { return FShowCheckBox; }
  void SetShowCheckBox(bool Value) { FShowCheckBox = Value; }
  bool ShowHelpButton() const { return FShowHelpButton; }
  void SetShowHelpButton(bool Value) { FShowHelpButton = Value; }
  TzuSystemSoundType Sound() const { return FSound; }
  void SetSound(TzuSystemSoundType Value) { FSound = Value; }
  bool DontShowOnWindowsShutdown() const { return FDontShowOnWindowsShutdown; }
  void SetDontShowOnWindowsShutdown(bool Value) { FDontShowOnWindowsShutdown = Value; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value) { FText = Value; }
  TzuTextStyle* TextStyle() const { return FTextStyle.get(); }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }

  // Shows the dialog modally; the modal result. With CheckDontShow a remembered answer (or 0
  // while another box shows) is returned without showing anything.
  int Execute(bool CheckDontShow);
  // The OK, Cancel, Yes and No captions in the current language (see InfoBoxLangStr).
  void TranslateButtons();
  // The registry root of RegLocation.
  std::uint32_t RegRoot() const;

 private:
  void IconChanged();
  void Layout(TzuInfoBoxForm& F, int Remembered);

  std::unique_ptr<TzuInfoBoxButtonCaptions> FButtonCaptions;
  int FButtonWidth = 75;
  std::string FCheckBoxCaption = IB_DEFAULT_CHECKBOX_CAPTION;
  bool FEscCancel = true;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TzuFontProperty> FFontProperty;
  TzuInfoBoxButtons FInfoBoxButtons = ibOK;
  std::unique_ptr<TzuPicture> FIcon;
  std::string FIconResID;
  TzuWinIconKind FIconKind = ikInformation;
  std::unique_ptr<TzuPicture> FPicture;
  int FPictureResID = 0;
  TPosition FPosition = poMainFormCenter;
  std::string FRegKey = IB_DEFAULT_REG_KEY;
  std::string FRegValue = "Dlg1";
  TzuRegLocation FRegLocation = rlCurrentUser;
  bool FShowCheckBox = true;
  bool FShowHelpButton = true;
  TzuSystemSoundType FSound = stNoSound;
  bool FDontShowOnWindowsShutdown = false;
  std::string FText;
  std::unique_ptr<TzuTextStyle> FTextStyle;
  std::string FTitle;
};

int ShowMsgBox(const std::string& Text, const std::string& Title, int Flags, bool NoSound = false,
               bool TranslateButtons = false);
int ShowInfoBox(const std::string& Text, const std::string& RegValue, int PictureResID, TzuInfoBoxButtons Buttons,
                bool ShowCheckBox, const std::string& Title, const std::string& IconResID, bool TranslateButtons);
int ShowInfoBox(const std::string& Text, const std::string& RegValue, int PictureResID, TzuInfoBoxButtons Buttons,
                bool ShowCheckBox, const std::string& Title, int IconID);
// Closes the box that is showing, if any; its modal result is then Cancel.
void CloseInfoBox();
// The form of the box that is showing (null when none is).
TzuInfoBoxForm* ShowingInfoBoxForm();

// An info box as a property of another object: every property forwards to the owned box.
class TzuSubInfoBox : public TPersistent {
  ZU_CLASS_INFO
 public:
  TzuSubInfoBox();
  ~TzuSubInfoBox() override;
  TzuInfoBox* InfoBox() const { return FBox.get(); }
  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  int Execute(bool CheckDontShow) { return FBox->Execute(CheckDontShow); }
  void Assign(const TPersistent* Source) override;

#define ZU_FORWARD(Type, Name)                                   \
  Type Name() const { return FBox->Name(); }                     \
  void Set##Name(Type Value) { FBox->Set##Name(Value); }
  ZU_FORWARD(int, ButtonWidth)
  ZU_FORWARD(std::string, CheckBoxCaption)
  ZU_FORWARD(bool, EscCancel)
  ZU_FORWARD(TzuInfoBoxButtons, InfoBoxButtons)
  ZU_FORWARD(std::string, IconResID)
  ZU_FORWARD(TzuWinIconKind, IconKind)
  ZU_FORWARD(int, PictureResID)
  ZU_FORWARD(TPosition, Position)
  ZU_FORWARD(std::string, RegKey)
  ZU_FORWARD(std::string, RegValue)
  ZU_FORWARD(TzuRegLocation, RegLocation)
  ZU_FORWARD(bool, ShowCheckBox)
  ZU_FORWARD(bool, ShowHelpButton)
  ZU_FORWARD(TzuSystemSoundType, Sound)
  ZU_FORWARD(bool, DontShowOnWindowsShutdown)
  ZU_FORWARD(std::string, Text)
  ZU_FORWARD(std::string, Title)
#undef ZU_FORWARD
  TzuInfoBoxButtonCaptions* ButtonCaptions() const { return FBox->ButtonCaptions(); }
  TzuFontProperty* Font() const { return FBox->FontProperty(); }
  TzuPicture* Icon() const { return FBox->Icon(); }
  TzuPicture* Picture() const { return FBox->Picture(); }
  TzuTextStyle* TextStyle() const { return FBox->TextStyle(); }

 private:
  std::unique_ptr<TzuInfoBox> FBox;
  bool FActive = true;
};

}  // namespace zu
