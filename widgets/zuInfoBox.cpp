#include "widgets/zuInfoBox.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <cctype>

#include "platform/framework/Application.h"
#include "platform/framework/Streams.h"
#include "platform/os/Resources.h"

namespace zu {

TPosition IB_DEFAULT_POSITION = poMainFormCenter;
std::function<std::string(int MessageNo)> InfoBoxLangStr;

namespace {

// The unit's state: a box is showing, and the form shown most recently.
bool GShowing = false;
QPointer<TzuInfoBoxForm> GShowingForm;

const std::vector<std::string> PositionNames = {"poDesigned",       "poDefault",      "poDefaultPosOnly",
                                                "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter",
                                                "poMainFormCenter", "poOwnerFormCenter"};
const std::vector<std::string> SoundNames = {
    "stNoSound",    "stAsterisk",   "stCloseProgram", "stCriticalStop",      "stDefaultSound", "stExclamation",
    "stExitWindows", "stMaximize",  "stMenuCommand",  "stMenuPopup",         "stMinimize",     "stNewMailNotification",
    "stOpenProgram", "stProgramError", "stQuestion",  "stRestoreDown",       "stRestoreUp",    "stStartWindows"};

bool IsNumber(const std::string& S) {
  return !S.empty() && std::all_of(S.begin(), S.end(), [](unsigned char C) { return std::isdigit(C); });
}

// An icon of the program's resources (type "ICON"); false when there is none or it is damaged.
bool LoadIconResource(const std::string& Name, TPicture& Into) {
  std::string Data;
  if (!os::LoadResource(Name, "ICON", Data) || Data.empty()) return false;
  try {
    auto I = std::make_unique<TzuIcon>();
    TMemoryStream S;
    S.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
    S.SetPosition(0);
    I->LoadFromStream(S);
    Into.SetGraphic(std::move(I));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// A bitmap resource (PNG data, type "BITMAP"), else the JPEG resource of type "JPG".
void LoadPictureResource(int Id, TPicture& Into) {
  const std::string Name = "#" + std::to_string(Id);
  std::string Data;
  try {
    if (os::LoadResource(Name, "BITMAP", Data) && !Data.empty()) {
      auto B = std::make_unique<TBitmap>();
      TMemoryStream S;
      S.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
      S.SetPosition(0);
      B->LoadFromStream(S);
      Into.SetGraphic(std::move(B));
      return;
    }
    LoadJPEG(Id, Into);
  } catch (const std::exception&) {
    Into.SetGraphic(nullptr);  // a damaged resource leaves an empty picture
  }
}

bool HasPicture(const TPicture& P) { return P.Graphic() && !P.Graphic()->Empty(); }

}  // namespace

// ---------- TzuInfoBoxButtonCaptions ----------

const TClassInfo& TzuInfoBoxButtonCaptions::StaticClassInfo() {
  using T = TzuInfoBoxButtonCaptions;
  static const TClassInfo Info = TClassBuilder<T>("TzuInfoBoxButtonCaptions", &TPersistent::StaticClassInfo())
                                     .Str("OK", &T::OK, &T::SetOK, std::string(IB_DEFAULT_OK))
                                     .Str("Cancel", &T::Cancel, &T::SetCancel, std::string(IB_DEFAULT_CANCEL))
                                     .Str("Yes", &T::Yes, &T::SetYes, std::string(IB_DEFAULT_YES))
                                     .Str("No", &T::No, &T::SetNo, std::string(IB_DEFAULT_NO))
                                     .Str("Retry", &T::Retry, &T::SetRetry, std::string(IB_DEFAULT_RETRY))
                                     .Str("Abort", &T::Abort, &T::SetAbort, std::string(IB_DEFAULT_ABORT));
  return Info;
}

void TzuInfoBoxButtonCaptions::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuInfoBoxButtonCaptions*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FOK = S->FOK;
  FCancel = S->FCancel;
  FYes = S->FYes;
  FNo = S->FNo;
  FRetry = S->FRetry;
  FAbort = S->FAbort;
}

// ---------- TzuInfoBox ----------

// The box's published properties, shared by the box and the property object that wraps one.
template <class T, class FontGetter>
TClassBuilder<T>&& AddInfoBoxProperties(TClassBuilder<T>&& B, FontGetter Font) {
  return std::move(B)
      .Object("ButtonCaptions", &T::ButtonCaptions)
      .Int("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth, 75)
      .Str("CheckBoxCaption", &T::CheckBoxCaption, &T::SetCheckBoxCaption, std::string(IB_DEFAULT_CHECKBOX_CAPTION))
      .Bool("EscCancel", &T::EscCancel, &T::SetEscCancel, true)
      .Object("Font", Font)
      .Enum("InfoBoxButtons", &T::InfoBoxButtons, &T::SetInfoBoxButtons,
            {"ibOK", "ibOKCancel", "ibYesNo", "ibRetryAbort", "ibYesNoCancel"}, std::optional(ibOK))
      .Object("Icon", &T::Icon)
      .Str("IconResID", &T::IconResID, &T::SetIconResID)
      .Enum("IconKind", &T::IconKind, &T::SetIconKind,
            {"ikInformation", "ikQuestion", "ikWarning", "ikError", "ikCustom"}, std::optional(ikInformation))
      .Object("Picture", &T::Picture)
      .Int("PictureResID", &T::PictureResID, &T::SetPictureResID, 0)
      .Enum("Position", &T::Position, &T::SetPosition, PositionNames, std::optional(poMainFormCenter))
      .Str("RegKey", &T::RegKey, &T::SetRegKey, std::string(IB_DEFAULT_REG_KEY))
      .Str("RegValue", &T::RegValue, &T::SetRegValue, std::string("Dlg1"))
      .Enum("RegLocation", &T::RegLocation, &T::SetRegLocation, {"rlCurrentUser", "rlLocalMachine"},
            std::optional(rlCurrentUser))
      .Bool("ShowCheckBox", &T::ShowCheckBox, &T::SetShowCheckBox, true)
      .Bool("ShowHelpButton", &T::ShowHelpButton, &T::SetShowHelpButton, true)
      .Enum("Sound", &T::Sound, &T::SetSound, SoundNames, std::optional(stNoSound))
      .Bool("DontShowOnWindowsShutdown", &T::DontShowOnWindowsShutdown, &T::SetDontShowOnWindowsShutdown, false)
      .Str("Text", &T::Text, &T::SetText)
      .Object("TextStyle", &T::TextStyle)
      .Str("Title", &T::Title, &T::SetTitle);
}

const TClassInfo& TzuInfoBox::StaticClassInfo() {
  using T = TzuInfoBox;
  static const TClassInfo Info =
      AddInfoBoxProperties(TClassBuilder<T>("TzuInfoBox", &TzuComponent::StaticClassInfo()), &T::FontProperty)
          .Creatable();
  return Info;
}

TzuInfoBox::TzuInfoBox(TComponent* AOwner)
    : TzuComponent(AOwner),
      FButtonCaptions(std::make_unique<TzuInfoBoxButtonCaptions>()),
      FFont(std::make_unique<TFont>()),
      FIcon(std::make_unique<TzuPicture>()),
      FPicture(std::make_unique<TzuPicture>()),
      FTextStyle(std::make_unique<TzuTextStyle>()) {
  FFontProperty = std::make_unique<TzuFontProperty>(*FFont);
  FIcon->OnChange = [this](TObject*) { IconChanged(); };
}

TzuInfoBox::~TzuInfoBox() { Destroying(); }

void TzuInfoBox::IconChanged() { FIconKind = ikCustom; }

void TzuInfoBox::SetIconResID(const std::string& Value) {
  FIconResID = Value;
  if (!Value.empty()) FIconKind = ikCustom;
}

void TzuInfoBox::SetIconKind(TzuWinIconKind Value) {
  FIconKind = Value;
  switch (Value) {
    case ikInformation: FIconResID.clear(); break;
    case ikQuestion: FIconResID = "32514"; break;
    case ikWarning: FIconResID = "32515"; break;
    case ikError: FIconResID = "32513"; break;
    case ikCustom: break;
  }
}

void TzuInfoBox::SetRegKey(const std::string& Value) {
  FRegKey = Value;
  if (!FRegKey.empty() && FRegKey.back() == '\\') FRegKey.pop_back();
}

std::uint32_t TzuInfoBox::RegRoot() const {
  return FRegLocation == rlLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

void TzuInfoBox::TranslateButtons() {
  if (!InfoBoxLangStr) return;
  FButtonCaptions->SetOK(InfoBoxLangStr(16));
  FButtonCaptions->SetCancel(InfoBoxLangStr(17));
  FButtonCaptions->SetYes(InfoBoxLangStr(14));
  FButtonCaptions->SetNo(InfoBoxLangStr(15));
}

namespace {
constexpr int CheckBoxDesignHeight = 17;
}

void TzuInfoBox::Layout(TzuInfoBoxForm& F, int Remembered) {
  TzuButtonsPanel& B = *F.btns;
  B.SetButtonWidth(FButtonWidth);
  if (FShowHelpButton) F.setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  F.setFont(ToQFont(*FFont));
  F.Text->Font().Assign(*FFont);

  // Icon, first choice.
  if (HasPicture(*FIcon)) {
    F.Icon->Picture()->Assign(*FIcon);
  } else if (const QScreen* S = QGuiApplication::primaryScreen(); S && S->depth() <= 8) {
    F.Icon->Picture()->Assign(*F.SysIcons->Information());
  }
  F.SetCaption(FTitle.empty() ? Application().Title() : FTitle);

  // The text: wrapped at the label's design width, then narrowed to the text.
  TzuRichLabel& L = *F.Text;
  L.SetLeft(2 * F.Icon->Left() + F.Icon->Width());
  L.TextStyle()->Assign(FTextStyle.get());
  L.SetCaption(FText);
  const QPoint Extent = L.TextWH();
  const int TextHeight = Extent.y();
  TzuCheckBox& C = *F.CheckBox;
  int LabelWidth = Extent.x();
  if (FShowCheckBox) {
    // At least 210, and wide enough that the check box (30 short of the right edge) shows
    // its whole caption in this font.
    C.SetCaption(FCheckBoxCaption);
    TzuCaptionOptions O;
    const int CaptionWidth = C.BoxRect().width() + 6 + ControlCaptionSize(FCheckBoxCaption, C.font(), 0, O).width();
    LabelWidth = std::max({LabelWidth, 210, CaptionWidth + 30 + L.Left() - F.Icon->Width() - 3 * F.Icon->Left()});
  }
  L.SetWidth(LabelWidth);
  L.SetHeight(TextHeight);
  // Never narrower than the button row.
  // Each button as wide as ButtonWidth or its caption (the row grows the same way).
  const TzuInfoBoxButtonCaptions& Caps = *FButtonCaptions;
  std::vector<std::string> RowCaptions;
  switch (FInfoBoxButtons) {
    case ibOK: RowCaptions = {Caps.OK()}; break;
    case ibOKCancel: RowCaptions = {Caps.OK(), Caps.Cancel()}; break;
    case ibYesNo: RowCaptions = {Caps.Yes(), Caps.No()}; break;
    case ibRetryAbort: RowCaptions = {Caps.Retry(), Caps.Abort()}; break;
    case ibYesNoCancel: RowCaptions = {Caps.Yes(), Caps.No(), Caps.Cancel()}; break;
  }
  const int Buttons = static_cast<int>(RowCaptions.size());
  const int Spacing = FInfoBoxButtons == ibOK ? B.ButtonSpacing() : FInfoBoxButtons == ibYesNoCancel ? 10 : 20;
  int RowWidth = (Buttons - 1) * Spacing + 2 * B.MarginHorz();
  for (const std::string& Cap : RowCaptions)
    RowWidth += std::max(FButtonWidth, ControlCaptionSize(Cap, F.font(), 0, TzuCaptionOptions()).width() +
                                           2 * TzuBitBtn::FittingMargin);
  const int ClientWidth = std::max(LabelWidth + F.Icon->Width() + 3 * F.Icon->Left(), RowWidth);
  F.resize(ClientWidth, F.height());

  C.setVisible(FShowCheckBox);
  if (FShowCheckBox) {
    C.SetLeft(L.Left());
    C.SetWidth(ClientWidth - C.Left() - 30);
    // Its height follows its font, so a large font is not cut at the bottom.
    const int CaptionHeight = ControlCaptionSize(FCheckBoxCaption, C.font(), 0, TzuCaptionOptions()).height();
    C.SetHeight(std::max({CheckBoxDesignHeight, CaptionHeight + 2, C.BoxRect().height() + 2}));
    C.SetChecked(Remembered != 0);
  } else {
    C.SetWidth(0);
    C.SetHeight(0);
  }

  // Icon, second choice: the program's icon resources, then the system icons.
  if (!FIconResID.empty()) {
    const bool Number = IsNumber(FIconResID);
    TzuPicture Loaded;
    if (LoadIconResource(Number ? "#" + FIconResID : FIconResID, Loaded)) {
      F.Icon->Picture()->Assign(Loaded);
    } else if (Number) {
      if (const TzuPicture* Sys = F.SysIcons->ById(std::stoi(FIconResID.substr(0, 9))); Sys && HasPicture(*Sys))
        F.Icon->Picture()->Assign(*Sys);
    }
  } else if (IsXP() && !HasPicture(*FIcon)) {
    F.Icon->Picture()->Assign(*F.SysIcons->Information());
  }

  // The picture below the text.
  TzuProportionalImage& P = *F.Picture;
  if (HasPicture(*FPicture))
    P.Picture()->Assign(*FPicture);
  else if (FPictureResID != 0)
    LoadPictureResource(FPictureResID, *P.Picture());
  const int BtnsHeight = B.Height();
  if (HasPicture(*P.Picture())) {
    P.SetBounds(P.Left(), P.Top(), P.Picture()->Width(), P.Picture()->Height());
    P.SetLeft(ClientWidth / 2 - P.Width() / 2);
    P.SetTop(L.Top() + TextHeight + 15);
    P.SetVisible(true);
    C.SetTop(P.Top() + P.Height() + 15);
  } else {
    C.SetTop(std::max(F.Icon->Top() + F.Icon->Height() - BtnsHeight, L.Top() + TextHeight) + 15);
  }
  int ClientHeight = BtnsHeight + C.Top();
  if (FShowCheckBox) ClientHeight += C.Height() + 4;
  F.resize(ClientWidth, ClientHeight);
  if (ClientHeight - BtnsHeight < F.Icon->Top() + F.Icon->Height()) F.Icon->SetTop(F.Icon->Top() - 4);

  // Buttons: captions, results, the one Esc presses, spacing.
  TzuPanelBitBtn& OK = *B.BtnOK();
  TzuPanelBitBtn& Second = *B.BtnCancel();
  TzuPanelBitBtn& Custom = *B.BtnCustom();
  const TzuInfoBoxButtonCaptions& Cap = *FButtonCaptions;
  TzuPanelBitBtn* Esc = &Second;
  auto Set = [](TzuPanelBitBtn& Btn, const std::string& Caption, int Result) {
    Btn.SetCaption(Caption);
    Btn.SetModalResult(Result);
    Btn.SetVisible(true);
  };
  Second.SetVisible(false);
  Custom.SetVisible(false);
  switch (FInfoBoxButtons) {
    case ibOK:
      Set(OK, Cap.OK(), mrOk);
      Esc = &OK;
      break;
    case ibOKCancel:
      Set(OK, Cap.OK(), mrOk);
      Set(Second, Cap.Cancel(), mrCancel);
      B.SetButtonSpacing(20);
      break;
    case ibYesNo:
      Set(OK, Cap.Yes(), mrYes);
      Set(Second, Cap.No(), mrNo);
      B.SetButtonSpacing(20);
      break;
    case ibRetryAbort:
      Set(OK, Cap.Retry(), mrRetry);
      Set(Second, Cap.Abort(), mrAbort);
      B.SetButtonSpacing(20);
      break;
    case ibYesNoCancel:
      Set(OK, Cap.Yes(), mrYes);
      Set(Second, Cap.No(), mrNo);
      Set(Custom, Cap.Cancel(), mrCancel);
      Esc = &Custom;
      B.SetButtonSpacing(10);
      break;
  }
  for (TzuPanelBitBtn* Btn : {&OK, &Second, &Custom}) Btn->Button()->SetCancel(FEscCancel && Btn == Esc);
  OK.Button()->SetDefault(true);
  B.UpdateButtons();
  F.SetEscCancel(FEscCancel);
}

int TzuInfoBox::Execute(bool CheckDontShow) {
  if (FRegKey.empty()) FRegKey = IB_DEFAULT_REG_KEY;
  const int Remembered = IsDesigning() ? 0 : RegReadInt(FRegKey, FRegValue, 0, RegRoot());
  if (CheckDontShow && (GShowing || Remembered != 0)) return Remembered;

  GShowing = true;
  std::unique_ptr<TzuInfoBoxForm> Form;
  int Result = mrCancel;
  try {
    Form = std::make_unique<TzuInfoBoxForm>();
    GShowingForm = Form.get();
    Form->SetInfoBox(this);
    Layout(*Form, Remembered);
    Form->SetSound(FSound);
    PlaceForm(*Form, FPosition);
    Result = Form->exec();
    // Only a real answer is remembered: a loop ended from outside (0) must not wipe one.
    if (Result > 0 && Result != mrCancel && FShowCheckBox && Form->CheckBox->Checked() && !IsDesigning())
      RegWriteInt(FRegKey, FRegValue, Result, RegRoot());
  } catch (...) {
    GShowing = false;
    throw;
  }
  GShowing = false;
  return Result;
}

// ---------- free functions ----------

int ShowMsgBox(const std::string& Text, const std::string& Title, int Flags, bool NoSound, bool TranslateButtons) {
  TzuInfoBox Box(nullptr);
  TzuSystemSoundType Sound = stAsterisk;
  if ((Flags & 0x30) == 0x30) {
    Box.SetIconResID("32515");
    Sound = stExclamation;
  } else if (Flags & 0x10) {
    Box.SetIconResID("32513");
    Sound = stCriticalStop;
  } else if (Flags & 0x20) {
    Box.SetIconResID("32514");
    Sound = stQuestion;
  }
  if ((Flags & 3) == 3)
    Box.SetInfoBoxButtons(ibYesNoCancel);
  else if (Flags & 1)
    Box.SetInfoBoxButtons(ibOKCancel);
  else if (Flags & 4)
    Box.SetInfoBoxButtons(ibYesNo);
  else
    Box.SetInfoBoxButtons(ibOK);
  Box.SetSound(NoSound ? stNoSound : Sound);
  Box.SetText(Text);
  Box.SetTitle(Title);
  Box.SetShowCheckBox(false);
  Box.SetShowHelpButton(false);
  Box.SetPosition(IB_DEFAULT_POSITION);
  if (TranslateButtons) Box.TranslateButtons();
  return Box.Execute(false);
}

int ShowInfoBox(const std::string& Text, const std::string& RegValue, int PictureResID, TzuInfoBoxButtons Buttons,
                bool ShowCheckBox, const std::string& Title, const std::string& IconResID, bool TranslateButtons) {
  TzuInfoBox Box(nullptr);
  Box.SetText(Text);
  Box.SetRegValue(RegValue);
  Box.SetShowCheckBox(ShowCheckBox);
  Box.SetPictureResID(PictureResID);
  Box.SetInfoBoxButtons(Buttons);
  Box.SetTitle(Title);
  Box.SetIconResID(IconResID);
  Box.SetPosition(IB_DEFAULT_POSITION);
  if (TranslateButtons) Box.TranslateButtons();
  return Box.Execute(true);
}

int ShowInfoBox(const std::string& Text, const std::string& RegValue, int PictureResID, TzuInfoBoxButtons Buttons,
                bool ShowCheckBox, const std::string& Title, int IconID) {
  return ShowInfoBox(Text, RegValue, PictureResID, Buttons, ShowCheckBox, Title, std::to_string(IconID), true);
}

void CloseInfoBox() {
  if (GShowingForm) GShowingForm->done(mrCancel);
}

TzuInfoBoxForm* ShowingInfoBoxForm() { return GShowing ? GShowingForm.data() : nullptr; }

// ---------- TzuSubInfoBox ----------

const TClassInfo& TzuSubInfoBox::StaticClassInfo() {
  using T = TzuSubInfoBox;
  static const TClassInfo Info = AddInfoBoxProperties(
      TClassBuilder<T>("TzuSubInfoBox", &TPersistent::StaticClassInfo()).Bool("Active", &T::Active, &T::SetActive, true),
      &T::Font);
  return Info;
}

TzuSubInfoBox::TzuSubInfoBox() : FBox(std::make_unique<TzuInfoBox>(nullptr)) {}
TzuSubInfoBox::~TzuSubInfoBox() = default;

void TzuSubInfoBox::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuSubInfoBox*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FActive = S->FActive;
  const TzuInfoBox& O = *S->FBox;
  TzuInfoBox& B = *FBox;
  B.ButtonCaptions()->Assign(O.ButtonCaptions());
  B.SetButtonWidth(O.ButtonWidth());
  B.SetCheckBoxCaption(O.CheckBoxCaption());
  B.SetEscCancel(O.EscCancel());
  B.SetFont(O.Font());
  B.SetInfoBoxButtons(O.InfoBoxButtons());
  B.SetIcon(*O.Icon());
  B.SetIconResID(O.IconResID());
  B.SetIconKind(O.IconKind());
  B.SetPicture(*O.Picture());
  B.SetPictureResID(O.PictureResID());
  B.SetPosition(O.Position());
  B.SetRegKey(O.RegKey());
  B.SetRegValue(O.RegValue());
  B.SetRegLocation(O.RegLocation());
  B.SetShowCheckBox(O.ShowCheckBox());
  B.SetShowHelpButton(O.ShowHelpButton());
  B.SetSound(O.Sound());
  B.SetDontShowOnWindowsShutdown(O.DontShowOnWindowsShutdown());
  B.SetText(O.Text());
  B.TextStyle()->Assign(O.TextStyle());
  B.SetTitle(O.Title());
}

}  // namespace zu
