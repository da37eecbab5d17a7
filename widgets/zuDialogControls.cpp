#include "widgets/zuDialogControls.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "platform/framework/MessageEvent.h"
#include "platform/framework/Messages.h"
#include "platform/os/Resources.h"
#include "support/zuUtils.h"
#include "widgets/zuRichTextUtils.h"

namespace zu {

namespace {

const char* const HintProperty = "zuHint";
const char* const ModalResultProperty = "zuModalResult";

const std::vector<std::string> AlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};

// Framework colours: 0x00BBGGRR, or a system colour (top bit) from the palette.
QColor ToQColor(TColor C) {
  if (C < 0) {
    const QPalette Pal = QApplication::palette();
    switch (static_cast<std::uint32_t>(C) & 0xFF) {
      case 5: return Pal.color(QPalette::Base);
      case 8: return Pal.color(QPalette::Text);
      case 15: return Pal.color(QPalette::Button);
      case 16: return Pal.color(QPalette::Dark);
      case 20: return Pal.color(QPalette::Light);
      case 24: return Pal.color(QPalette::ToolTipBase);
      default: return Pal.color(QPalette::Window);
    }
  }
  return QColor(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF);
}

Qt::Alignment HorzFlags(TzuTextAlignment A) {
  switch (A) {
    case zaRightJustify: return Qt::AlignRight;
    case zaCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

// A QLabel caption: "&" doubled when it is no access key.
std::string Accel(const std::string& Caption, bool ShowAccelChar) {
  if (ShowAccelChar) return Caption;
  std::string R;
  for (char C : Caption) {
    R += C;
    if (C == '&') R += '&';
  }
  return R;
}

}  // namespace

// ---------- shared ----------

void SetControlHint(QWidget* W, const std::string& Hint) {
  if (!W) return;
  W->setProperty(HintProperty, QString::fromStdString(Hint));
}

std::string ControlHint(const QWidget* W) {
  return W ? W->property(HintProperty).toString().toStdString() : std::string();
}

std::string GetLongHint(const std::string& Hint) {
  const size_t Bar = Hint.find('|');
  return Bar == std::string::npos ? Hint : Hint.substr(Bar + 1);
}

std::string GetShortHint(const std::string& Hint) { return Hint.substr(0, Hint.find('|')); }

int FormModalResult(const QWidget* W) {
  return W ? W->window()->property(ModalResultProperty).toInt() : 0;
}

void SetFormModalResult(QWidget* W, int Value) {
  if (W) W->window()->setProperty(ModalResultProperty, Value);
}

bool DialogKey(QWidget* Control, int Key) {
  if (!Control || (Key != Qt::Key_Return && Key != Qt::Key_Enter && Key != Qt::Key_Escape)) return false;
  const bool Escape = Key == Qt::Key_Escape;
  for (TzuButton* B : Control->window()->findChildren<TzuButton*>()) {
    if (!B->isVisible() || !B->isEnabled()) continue;
    if (Escape ? B->Cancel() : B->Default()) {
      B->click();
      return true;
    }
  }
  return false;
}

void DialogEnter(QWidget* Form) {
  auto* B = dynamic_cast<TzuButton*>(Form->focusWidget());
  if (B && B->isVisible() && B->isEnabled())
    B->click();
  else
    DialogKey(Form, Qt::Key_Return);
}

int MulDiv(int A, int B, int C) {
  if (C == 0) return -1;
  const long long P = static_cast<long long>(A) * B;
  const long long Q = (std::llabs(P) + std::llabs(static_cast<long long>(C)) / 2) / std::llabs(static_cast<long long>(C));
  return static_cast<int>(((P < 0) != (C < 0)) ? -Q : Q);
}

namespace {

void CaptionFont(const QFont& Font, const QColor& Color, TFont& F) {
  FromQFont(Font, F);
  F.SetColor(RGBToColor(Color.red(), Color.green(), Color.blue()));
}

TAlignment CaptionAlignment(int Flags) {
  if (Flags & Qt::AlignRight) return taRightJustify;
  if (Flags & Qt::AlignHCenter) return taCenter;
  return taLeftJustify;
}

TRichTextParams CaptionParams(const TzuCaptionOptions& O, int Width) {
  TRichTextParams P;
  P.PlainText = O.PlainText;
  P.WordWrap = O.WordWrap;
  P.Width = Width;
  P.Alignment = CaptionAlignment(O.Flags);
  P.TagOpen = O.TagOpen;
  P.TagClose = O.TagClose;
  P.ShowAccelChar = O.ShowAccelChar;
  return P;
}

// Wide enough for any caption that is not wrapped.
constexpr int UnwrappedWidth = 100000;

}  // namespace

// The one place where captions are drawn: the markup renderer, into a bitmap of the
// caption's size that is then placed in R by the alignment flags.
void DrawControlCaption(QPainter& P, const QRect& R, const std::string& Caption, const QFont& Font,
                        const QColor& Color, const TzuCaptionOptions& Options) {
  const QSize S = ControlCaptionSize(Caption, Font, R.width(), Options);
  if (S.isEmpty()) return;
  const int Width = Options.WordWrap ? std::max(R.width(), 1) : S.width();
  TFont F;
  CaptionFont(Font, Color, F);
  TBitmap Bitmap;
  QPoint NoPopup;
  DrawRichText(Bitmap, nullptr, QPoint(), NoPopup, Caption, F, clNone, clBlack, Options.PlainText, false,
               Options.WordWrap, Width, CaptionAlignment(Options.Flags), Options.TagOpen, Options.TagClose, 0, 0,
               false, false, Options.Disabled, Options.ShowAccelChar);
  const QImage& Img = Bitmap.Image();
  if (Img.isNull()) return;
  int X = R.left(), Y = R.top();
  if (!Options.WordWrap) {
    if (Options.Flags & Qt::AlignRight) X = R.right() + 1 - Img.width();
    else if (Options.Flags & Qt::AlignHCenter) X = R.left() + (R.width() - Img.width()) / 2;
  }
  if (Options.Flags & Qt::AlignBottom) Y = R.bottom() + 1 - Img.height();
  else if (Options.Flags & Qt::AlignVCenter) Y = R.top() + (R.height() - Img.height()) / 2;
  P.drawImage(QPoint(X, Y), Img);
}

QSize ControlCaptionSize(const std::string& Caption, const QFont& Font, int Width, const TzuCaptionOptions& Options) {
  TFont F;
  CaptionFont(Font, Qt::black, F);
  TzuFontMeasurer M(F);
  const int W = Options.WordWrap && Width > 0 ? Width : UnwrappedWidth;
  const TRichTextLayout L = LayoutRichText(Caption, F.Style(), F.Color(), CaptionParams(Options, W), M);
  return QSize(L.Result.x(), L.Result.y());
}

// ---------- TzuAttachedLabel ----------

QPoint AttachedLabelPos(TzuAttachedLabelPosition Position, TzuAttachedLabelSpacingKind Kind, const QRect& Host,
                        const QSize& Label, int S) {
  const int L = Host.x(), T = Host.y(), W = Host.width(), H = Host.height();
  const int w = Label.width(), h = Label.height();
  // Halving rounds down, also for a label larger than its host.
  auto Half = [](int V) { return static_cast<int>(std::floor(V / 2.0)); };
  const bool Far = Kind == skFarPoint;
  switch (Position) {
    case lpAbove: return {L, Far ? T - S : T - h - S};
    case lpBelow: return {L, Far ? T + H + S - h : T + H + S};
    case lpLeft: return {Far ? L - S : L - w - S, T + Half(H - h)};
    case lpRight: return {Far ? L + W + S - w : L + W + S, T + Half(H - h)};
    case lpAboveCenter: return {L + Half(W - w), Far ? T - S : T - h - S};
    case lpBelowCenter: return {L + Half(W - w), Far ? T + H + S - h : T + H + S};
  }
  return {L, T};
}

const TClassInfo& TzuAttLabel::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzuAttLabel>("TzuAttLabel", &TComponent::StaticClassInfo());
  return Info;
}

TzuAttLabel::TzuAttLabel(TzuAttachedLabel* AOwner) : QLabel(nullptr), TComponent(nullptr), FAttached(AOwner) {
  SetTag(AttachedLabelTag);
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  if (QWidget* H = AOwner->Host()) {
    setBuddy(H);
    H->installEventFilter(this);
  }
}

TzuAttLabel::~TzuAttLabel() {
  Destroying();
  if (QWidget* H = Host()) H->removeEventFilter(this);
}

QWidget* TzuAttLabel::Host() const { return FAttached ? FAttached->Host() : nullptr; }

bool TzuAttLabel::eventFilter(QObject* Watched, QEvent* Event) {
  if (FAttached && Watched == Host()) {
    switch (Event->type()) {
      case QEvent::ParentChange:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::EnabledChange:
      case QEvent::FontChange:
        FAttached->HostChanged();
        break;
      default:
        break;
    }
  }
  return QLabel::eventFilter(Watched, Event);
}

void TzuAttLabel::mousePressEvent(QMouseEvent* Event) {
  FPressed = Event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(Event);
}

void TzuAttLabel::mouseReleaseEvent(QMouseEvent* Event) {
  const bool Click = FPressed && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(Event);
  if (!Click || !FAttached) return;
  if (FAttached->OnClick) FAttached->OnClick(FAttached);
  QWidget* H = Host();
  if (FAttached->FocusOnClick() && H && H->focusPolicy() != Qt::NoFocus && H->isEnabled())
    H->setFocus(Qt::MouseFocusReason);
}

void TzuAttLabel::mouseDoubleClickEvent(QMouseEvent* Event) {
  QLabel::mouseDoubleClickEvent(Event);
  if (FAttached && FAttached->OnDblClick) FAttached->OnDblClick(FAttached);
}

void TzuAttLabel::paintEvent(QPaintEvent* Event) {
  // At design time a non-transparent label shows its own background even on a form that
  // does not fill its children's.
  if (FAttached && FAttached->IsDesignTime() && !FAttached->Transparent()) {
    QPainter P(this);
    P.fillRect(rect(), palette().color(QPalette::Window));
  }
  QLabel::paintEvent(Event);
}

const TClassInfo& TzuAttachedLabel::StaticClassInfo() {
  using T = TzuAttachedLabel;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuAttachedLabel", &TzuPersistent::StaticClassInfo())
          .Str("Caption", &T::Caption, &T::SetCaption)
          .Enum("Position", &T::Position, &T::SetPosition,
                {"lpAbove", "lpBelow", "lpLeft", "lpRight", "lpAboveCenter", "lpBelowCenter"}, std::optional(lpLeft))
          .Int("Spacing", &T::Spacing, &T::SetSpacing, 4)
          .Enum("SpacingKind", &T::SpacingKind, &T::SetSpacingKind, {"skNearPoint", "skFarPoint"},
                std::optional(skNearPoint))
          .Bool("Visible", &T::Visible, &T::SetVisible, std::nullopt)
          .Bool("FocusOnClick", &T::FocusOnClick, &T::SetFocusOnClick, true)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Bool("Transparent", &T::Transparent, &T::SetTransparent, false)
          .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap, false)
          .Bool("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar, true)
          .Int("Color", &T::Color, &T::SetColor, std::nullopt, [](const T& O) { return !O.ParentColor(); })
          .Bool("ParentColor", &T::ParentColor, &T::SetParentColor, true)
          .Str("Hint", &T::Hint, &T::SetHint)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false);
  return Info;
}

TzuAttachedLabel::TzuAttachedLabel(TComponent* AOwner, QWidget* AHost)
    : TzuPersistent(AOwner), FHost(AHost), FLabel(nullptr) {
  FLabel = new TzuAttLabel(this);
  FLabel->setVisible(false);
  HostChanged();
}

TzuAttachedLabel::~TzuAttachedLabel() {
  if (!FLabel) return;
  FLabel->FAttached = nullptr;
  if (FHost) FHost->removeEventFilter(FLabel);
  delete FLabel.data();
}

std::string TzuAttachedLabel::Caption() const { return FCaption; }

void TzuAttachedLabel::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  UpdateCaption();
}

void TzuAttachedLabel::UpdateCaption() {
  FLabel->setText(QString::fromStdString(Accel(FCaption, FShowAccelChar)));
  UpdateLabelPosition();
}

void TzuAttachedLabel::SetPosition(TzuAttachedLabelPosition Value) {
  if (Value == FPosition) return;
  FPosition = Value;
  UpdateLabelPosition();
}

void TzuAttachedLabel::SetSpacing(int Value) {
  if (Value == FSpacing) return;
  FSpacing = Value;
  UpdateLabelPosition();
}

void TzuAttachedLabel::SetSpacingKind(TzuAttachedLabelSpacingKind Value) {
  if (Value == FSpacingKind) return;
  FSpacingKind = Value;
  UpdateLabelPosition();
}

void TzuAttachedLabel::SetVisible(bool Value) {
  FVisible = Value;
  HostChanged();
}

void TzuAttachedLabel::SetEnabled(bool Value) {
  FEnabled = Value;
  HostChanged();
}

void TzuAttachedLabel::SetTransparent(bool Value) {
  FTransparent = Value;
  UpdateColor();
}

bool TzuAttachedLabel::WordWrap() const { return FLabel->wordWrap(); }

void TzuAttachedLabel::SetWordWrap(bool Value) {
  FLabel->setWordWrap(Value);
  UpdateLabelPosition();
}

void TzuAttachedLabel::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  UpdateCaption();
}

void TzuAttachedLabel::SetColor(TColor Value) {
  FColor = Value;
  FParentColor = false;
  UpdateColor();
}

void TzuAttachedLabel::SetParentColor(bool Value) {
  FParentColor = Value;
  UpdateColor();
}

void TzuAttachedLabel::UpdateColor() {
  const bool Own = !FTransparent && !FParentColor;
  FLabel->setAutoFillBackground(Own);
  QPalette Pal = FLabel->palette();
  if (Own) Pal.setColor(QPalette::Window, ToQColor(FColor));
  FLabel->setPalette(Pal);
  FLabel->update();
}

void TzuAttachedLabel::SetHint(const std::string& Value) {
  FHint = Value;
  SetControlHint(FLabel, Value);
  SetShowHint(FShowHint);
}

void TzuAttachedLabel::SetShowHint(bool Value) {
  FShowHint = Value;
  FLabel->setToolTip(Value ? QString::fromStdString(GetShortHint(FHint)) : QString());
}

void TzuAttachedLabel::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuAttachedLabel*>(Source);
  if (!S) {
    TzuPersistent::Assign(Source);
    return;
  }
  SetCaption(S->FCaption);
  SetPosition(S->FPosition);
  SetSpacing(S->FSpacing);
  SetSpacingKind(S->FSpacingKind);
  SetFocusOnClick(S->FFocusOnClick);
  SetEnabled(S->FEnabled);
  SetTransparent(S->FTransparent);
  SetWordWrap(S->WordWrap());
  SetShowAccelChar(S->FShowAccelChar);
  if (!S->FParentColor) SetColor(S->FColor);
  SetParentColor(S->FParentColor);
  SetHint(S->FHint);
  SetShowHint(S->FShowHint);
  SetVisible(S->FVisible);
}

int TzuAttachedLabel::ScreenPixelsPerInch() {
  const QScreen* S = QGuiApplication::primaryScreen();
  return S ? static_cast<int>(std::lround(S->logicalDotsPerInchY())) : 96;
}

void TzuAttachedLabel::DefineProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty(
      "DDPI",
      [this](TStream& S) {
        std::int32_t Dpi = 0;
        S.ReadBuffer(&Dpi, sizeof Dpi);
        // A damaged or zero value keeps the spacing as it was written.
        if (Dpi > 0) SetSpacing(MulDiv(FSpacing, ScreenPixelsPerInch(), Dpi));
      },
      [](TStream& S) {
        const std::int32_t Dpi = ScreenPixelsPerInch();
        S.WriteBuffer(&Dpi, sizeof Dpi);
      },
      FSpacingKind == skFarPoint);
}

void TzuAttachedLabel::HostChanged() {
  if (FHost) {
    FLabel->setEnabled(FEnabled && FHost->isEnabled());
    if (FLabel->parentWidget() != FHost->parentWidget()) {
      FLabel->setParent(FHost->parentWidget());
      UpdateColor();
    }
  }
  UpdateLabelPosition();
}

void TzuAttachedLabel::UpdateLabelPosition() {
  QWidget* Parent = FLabel->parentWidget();
  const bool HostHidden = FHost && !IsDesignTime() && FHost->isHidden();
  FLabel->setVisible(Parent && FVisible);
  if (!FHost || !Parent || !FVisible || HostHidden) {
    FLabel->setGeometry(0, 0, 0, 0);
    return;
  }
  FLabel->adjustSize();
  QSize Size = FLabel->size();
  if (FLabel->wordWrap()) Size = FLabel->sizeHint();
  const QPoint P = AttachedLabelPos(FPosition, FSpacingKind, FHost->geometry(), Size, FSpacing);
  FLabel->setGeometry(QRect(P, Size));
}

// ---------- TzuEditButton ----------

const TClassInfo& TzuEditButton::StaticClassInfo() {
  using T = TzuEditButton;
  static const TClassInfo Info = TClassBuilder<T>("TzuEditButton", &TzuPersistent::StaticClassInfo())
                                     .Str("Caption", &T::Caption, &T::SetCaption, std::string("..."))
                                     .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
                                     .Str("Hint", &T::Hint, &T::SetHint)
                                     .Bool("Visible", &T::Visible, &T::SetVisible, false)
                                     .Int("Width", &T::Width, &T::SetWidth, 18);
  return Info;
}

TzuEditButton::TzuEditButton(TzuCustomEdit* AEdit) : TzuPersistent(AEdit), FEdit(AEdit) {
  FButton = new QToolButton(AEdit);
  FButton->setFocusPolicy(Qt::NoFocus);
  FButton->setCursor(Qt::ArrowCursor);
  FButton->setText(QString::fromStdString(FCaption));
  FButton->setVisible(false);
  FButton->installEventFilter(AEdit);
  QObject::connect(FButton, &QToolButton::clicked, AEdit, [AEdit] { AEdit->ButtonClick(); });
}

TzuEditButton::~TzuEditButton() = default;  // the button is the edit's child

void TzuEditButton::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Changed();
}

void TzuEditButton::SetCaption(const std::string& Value) {
  FCaption = Value;
  FButton->setText(QString::fromStdString(Value));
}

void TzuEditButton::SetWidth(int Value) {
  if (Value == FWidth || Value < 0) return;
  FWidth = Value;
  Changed();
}

void TzuEditButton::SetEnabled(bool Value) {
  FEnabled = Value;
  FButton->setEnabled(Value);
}

void TzuEditButton::SetHint(const std::string& Value) {
  FHint = Value;
  FButton->setToolTip(QString::fromStdString(GetShortHint(Value)));
}

void TzuEditButton::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuEditButton*>(Source);
  if (!S) {
    TzuPersistent::Assign(Source);
    return;
  }
  SetCaption(S->FCaption);
  SetEnabled(S->FEnabled);
  SetHint(S->FHint);
  SetWidth(S->FWidth);
  SetVisible(S->FVisible);
}

void TzuEditButton::Changed() { FEdit->UpdateButton(); }

// ---------- TzuEditRegistrySaver ----------

const TClassInfo& TzuEditRegistrySaver::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuEditRegistrySaver>("TzuEditRegistrySaver", &TzuValueRegistrySaver::StaticClassInfo())
          .SetOf("Options", &TzuEditRegistrySaver::Options, &TzuEditRegistrySaver::SetOptions,
                 {"saveOnExit", "saveOnDestroy"}, 1u << saveOnDestroy);
  return Info;
}

TzuEditRegistrySaver::TzuEditRegistrySaver(TzuCustomEdit* AEdit) : TzuValueRegistrySaver(AEdit), FEdit(AEdit) {}

void TzuEditRegistrySaver::Assign(const TPersistent* Source) {
  if (const auto* S = dynamic_cast<const TzuEditRegistrySaver*>(Source)) SetOptions(S->FOptions);
  TzuValueRegistrySaver::Assign(Source);
}

// A password never lies in plain text, in the registry or in an INI file.
std::string TzuEditRegistrySaver::Stored(const std::string& Text) const {
  return FEdit->PasswordChar() ? XORStr(Text, PasswordKey) : Text;
}
std::string TzuEditRegistrySaver::Unstored(const std::string& Value) const {
  return FEdit->PasswordChar() ? XORStr(Value, PasswordKey) : Value;
}

void TzuEditRegistrySaver::DoSaveToRegistry(TzuRegistry& Registry) {
  Registry.WriteString(RegValue(), Stored(FEdit->Text()));
}

void TzuEditRegistrySaver::DoLoadFromRegistry(TzuRegistry& Registry) {
  if (Registry.ValueExists(RegValue())) FEdit->SetText(Unstored(Registry.ReadString(RegValue())));
}

void TzuEditRegistrySaver::DoSaveToIniFile(TIniFile& IniFile) {
  IniFile.WriteString(IniSection(), RegValue(), Stored(FEdit->Text()));
}

void TzuEditRegistrySaver::DoLoadFromIniFile(TIniFile& IniFile) {
  if (IniFile.ValueExists(IniSection(), RegValue()))
    FEdit->SetText(Unstored(IniFile.ReadString(IniSection(), RegValue(), std::string())));
}

// ---------- TzuCustomEdit ----------

const TClassInfo& TzuCustomEdit::StaticClassInfo() {
  using T = TzuCustomEdit;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuCustomEdit", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Int("Left", &T::Left, &T::SetLeft)
          .Int("Top", &T::Top, &T::SetTop)
          .Int("Width", &T::Width, &T::SetWidth)
          .Int("Height", &T::Height, &T::SetHeight)
          .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentNames, std::optional(zaLeftJustify))
          .Object("AttachedLabel", &T::AttachedLabel)
          .Bool("AutoSelect", &T::AutoSelect, &T::SetAutoSelect, true)
          .Bool("AutoSelectOnClick", &T::AutoSelectOnClick, &T::SetAutoSelectOnClick, false)
          .Bool("AutoSize", &T::AutoSize, &T::SetAutoSize, true)
          .Object("Button", &T::Button)
          .Int("Color", &T::Color, &T::SetColor, DefaultColor)
          .Int("ColorDisabled", &T::ColorDisabled, &T::SetColorDisabled, DefaultColorDisabled)
          .Int("CursorBorder", &T::CursorBorder, &T::SetCursorBorder, 0)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Str("Hint", &T::Hint, &T::SetHint)
          .Int("PasswordChar", &T::PasswordChar, &T::SetPasswordChar, 0)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .Str("Text", &T::Text, &T::SetText)
          .Object("TextRegistrySaver", &T::TextRegistrySaver)
          .Str("ValidChars", &T::ValidChars, &T::SetValidChars)
          .Bool("ValidateChars", &T::ValidateChars, &T::SetValidateChars, false)
          .Bool("Visible", &T::Visible, &T::SetVisible, true)
          .Event("OnButtonClick")
          .Event("OnButtonLeftMouseDown")
          .Event("OnLabelClick")
          .Event("OnLabelDblClick")
          .Event("OnMouseEnter")
          .Event("OnMouseLeave");
  return Info;
}

TzuCustomEdit::TzuCustomEdit(TComponent* AOwner, QWidget* ParentWidget)
    : QLineEdit(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)), TComponent(AOwner) {
  FButton = std::make_unique<TzuEditButton>(this);
  FSaver = std::make_unique<TzuEditRegistrySaver>(this);
  FAttachedLabel = std::make_unique<TzuAttachedLabel>(this, this);
  FAttachedLabel->OnClick = [this](TObject*) {
    if (OnLabelClick) OnLabelClick(this);
  };
  FAttachedLabel->OnDblClick = [this](TObject*) {
    if (OnLabelDblClick) OnLabelDblClick(this);
  };
  setGeometry(0, 0, 121, 21);
  UpdateColor();
  if (parentWidget()) setVisible(true);
}

TzuCustomEdit::~TzuCustomEdit() {
  Destroying();
  if (FSaver->HasOption(saveOnDestroy)) FSaver->Save();
  FAttachedLabel.reset();
}

void TzuCustomEdit::SetAlignment(TzuTextAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  setAlignment(HorzFlags(Value) | Qt::AlignVCenter);
}

void TzuCustomEdit::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustHeight();
}

void TzuCustomEdit::SetColor(TColor Value) {
  FColor = Value;
  UpdateColor();
}

void TzuCustomEdit::SetColorDisabled(TColor Value) {
  FColorDisabled = Value;
  UpdateColor();
}

void TzuCustomEdit::UpdateColor() {
  QPalette Pal = palette();
  const QColor C = ToQColor(isEnabled() ? FColor : FColorDisabled);
  Pal.setColor(QPalette::Active, QPalette::Base, C);
  Pal.setColor(QPalette::Inactive, QPalette::Base, C);
  Pal.setColor(QPalette::Disabled, QPalette::Base, C);
  setPalette(Pal);
}

void TzuCustomEdit::SetPasswordChar(int Value) {
  if (Value == FPasswordChar) return;
  FPasswordChar = Value;
  setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
  setStyleSheet(Value ? QString("QLineEdit { lineedit-password-character: %1; }").arg(Value) : QString());
}

void TzuCustomEdit::SetHint(const std::string& Value) {
  FHint = Value;
  SetControlHint(this, Value);
  SetShowHint(FShowHint);
}

void TzuCustomEdit::SetShowHint(bool Value) {
  FShowHint = Value;
  setToolTip(Value ? QString::fromStdString(GetShortHint(FHint)) : QString());
}

void TzuCustomEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  setGeometry(ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0));
}

void TzuCustomEdit::SetVisible(bool Value) {
  FVisible = Value;
  if (parentWidget() || !Value) setVisible(Value);
}

int TzuCustomEdit::OptimalHeight() const {
  const int BorderHeight = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  return fontMetrics().height() + BorderHeight / 4 + 8;
}

void TzuCustomEdit::AdjustHeight() {
  if (IsLoading()) return;
  const int H = OptimalHeight();
  if (FAutoSize ? height() != H : height() < H) resize(width(), H);
}

void TzuCustomEdit::Loaded() {
  TComponent::Loaded();
  AdjustHeight();
  FSaver->Load();
}

void TzuCustomEdit::UpdateButton() {
  const int W = FButton->TakenWidth();
  setTextMargins(0, 0, W ? W + 2 : 0, 0);
  QToolButton* B = FButton->Control();
  B->setGeometry(width() - W - 2, 2, W, std::max(height() - 4, 0));
  B->setVisible(W > 0);
}

void TzuCustomEdit::ButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
}

void TzuCustomEdit::keyPressEvent(QKeyEvent* Event) {
  const int Key = Event->key();
  const bool Alt = Event->modifiers() & Qt::AltModifier;
  if (Alt && Key == Qt::Key_Backspace) {
    // An undo of the whole edit: the text on entering and the edited one change places.
    const std::string Current = Text();
    SetText(FEnterText);
    FEnterText = Current;
    selectAll();
    return;
  }
  if ((Alt && (Key == Qt::Key_Up || Key == Qt::Key_Down)) || (Key == Qt::Key_F4 && !Alt)) {
    ButtonClick();
    return;
  }
  if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
    DialogKey(this, Key);
    return;
  }
  if (Key == Qt::Key_Escape) {
    if (!DialogKey(this, Key)) Event->ignore();
    return;
  }
  const QString T = Event->text();
  // Shortcuts (Ctrl+C, Ctrl+V, ...) are no typed characters.
  const bool Typed = !T.isEmpty() && T[0].isPrint() && !(Event->modifiers() & Qt::ControlModifier);
  if (FValidateChars && Typed && Key != Qt::Key_Backspace) {
    for (const QChar C : T)
      if (FValidChars.find(QString(C).toStdString()) == std::string::npos) return;
  }
  QLineEdit::keyPressEvent(Event);
}

void TzuCustomEdit::focusInEvent(QFocusEvent* Event) {
  FEnterText = Text();
  QLineEdit::focusInEvent(Event);
  const bool ByMouse = Event->reason() == Qt::MouseFocusReason;
  if (FAutoSelect && (!ByMouse || FAutoSelectOnClick)) {
    selectAll();
    // The click that gave the focus would place the cursor afterwards.
    if (ByMouse) QTimer::singleShot(0, this, [this] { selectAll(); });
  }
}

void TzuCustomEdit::focusOutEvent(QFocusEvent* Event) {
  QLineEdit::focusOutEvent(Event);
  if (FSaver->HasOption(saveOnExit)) FSaver->Save();
}

void TzuCustomEdit::changeEvent(QEvent* Event) {
  QLineEdit::changeEvent(Event);
  if (Event->type() == QEvent::EnabledChange) UpdateColor();
  if (Event->type() == QEvent::FontChange) AdjustHeight();
}

void TzuCustomEdit::resizeEvent(QResizeEvent* Event) {
  QLineEdit::resizeEvent(Event);
  UpdateButton();
}

void TzuCustomEdit::enterEvent(QEnterEvent* Event) {
  QLineEdit::enterEvent(Event);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TzuCustomEdit::leaveEvent(QEvent* Event) {
  QLineEdit::leaveEvent(Event);
  if (OnMouseLeave) OnMouseLeave(this);
}

bool TzuCustomEdit::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FButton->Control() && Event->type() == QEvent::MouseButtonPress) {
    auto* M = static_cast<QMouseEvent*>(Event);
    if (M->button() == Qt::LeftButton && OnButtonLeftMouseDown) {
      const QPoint P = M->position().toPoint();
      OnButtonLeftMouseDown(this, M->button(), M->modifiers(), P.x(), P.y());
    }
  }
  return QLineEdit::eventFilter(Watched, Event);
}

const TClassInfo& TzuEdit::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzuEdit>("TzuEdit", &TzuCustomEdit::StaticClassInfo()).Creatable();
  return Info;
}

// ---------- TzuCheckBox ----------

const TClassInfo& TzuCheckBox::StaticClassInfo() {
  using T = TzuCheckBox;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuCheckBox", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Int("Left", &T::Left, &T::SetLeft)
          .Int("Top", &T::Top, &T::SetTop)
          .Int("Width", &T::Width, &T::SetWidth)
          .Int("Height", &T::Height, &T::SetHeight)
          .Enum("AlignmentHorz", &T::AlignmentHorz, &T::SetAlignmentHorz, AlignmentNames,
                std::optional(zaLeftJustify))
          .Enum("AlignmentVert", &T::AlignmentVert, &T::SetAlignmentVert,
                {"vaTopJustify", "vaBottomJustify", "vaCenter"}, std::optional(vaCenter))
          .Enum("BoxAlignment", &T::BoxAlignment, &T::SetBoxAlignment, AlignmentNames, std::optional(zaLeftJustify))
          .Str("Caption", &T::Caption, &T::SetCaption)
          .Bool("Checked", &T::Checked, &T::SetChecked, false)
          .Bool("Ctl3D", &T::Ctl3D, &T::SetCtl3D, true)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Str("Hint", &T::Hint, &T::SetHint)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap, false)
          .Creatable();
  return Info;
}

TzuCheckBox::TzuCheckBox(TComponent* AOwner, QWidget* ParentWidget)
    : QCheckBox(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)), TComponent(AOwner) {
  setGeometry(0, 0, 97, 17);
  if (parentWidget()) setVisible(true);
}

TzuCheckBox::~TzuCheckBox() { Destroying(); }

void TzuCheckBox::SetCaption(const std::string& Value) { setText(QString::fromStdString(Value)); }

void TzuCheckBox::SetAlignmentHorz(TzuTextAlignment Value) {
  FAlignmentHorz = Value;
  update();
}
void TzuCheckBox::SetAlignmentVert(TVerticalAlignment Value) {
  FAlignmentVert = Value;
  update();
}
void TzuCheckBox::SetBoxAlignment(TzuTextAlignment Value) {
  FBoxAlignment = Value == zaRightJustify ? zaRightJustify : zaLeftJustify;
  update();
}
void TzuCheckBox::SetCtl3D(bool Value) {
  FCtl3D = Value;
  update();
}
void TzuCheckBox::SetWordWrap(bool Value) {
  FWordWrap = Value;
  update();
}

void TzuCheckBox::SetHint(const std::string& Value) {
  FHint = Value;
  SetControlHint(this, Value);
  SetShowHint(FShowHint);
}

void TzuCheckBox::SetShowHint(bool Value) {
  FShowHint = Value;
  setToolTip(Value ? QString::fromStdString(GetShortHint(FHint)) : QString());
}

long TzuCheckBox::StyleBits() const {
  static const long Horz[] = {0x100, 0x200, 0x300};
  static const long Vert[] = {0x400, 0x800, 0xC00};
  long Bits = Horz[FAlignmentHorz] | Vert[FAlignmentVert];
  if (!FCtl3D) Bits |= 0x8000;
  if (FWordWrap) Bits |= 0x2000;
  if (FBoxAlignment == zaRightJustify) Bits |= 0x20;  // the box on the right
  return Bits;
}

QRect TzuCheckBox::BoxRect() const {
  QStyleOptionButton Opt;
  Opt.initFrom(this);
  const int W = style()->pixelMetric(QStyle::PM_IndicatorWidth, &Opt, this);
  const int H = style()->pixelMetric(QStyle::PM_IndicatorHeight, &Opt, this);
  const int X = FBoxAlignment == zaRightJustify ? width() - W : 0;
  int Y = (height() - H) / 2;
  if (FAlignmentVert == vaTopJustify) Y = 0;
  if (FAlignmentVert == vaBottomJustify) Y = height() - H;
  return QRect(X, Y, W, H);
}

QRect TzuCheckBox::TextRect() const {
  const QRect B = BoxRect();
  const int Gap = 4;
  return FBoxAlignment == zaRightJustify ? QRect(0, 0, B.left() - Gap, height())
                                         : QRect(B.right() + 1 + Gap, 0, width() - B.width() - Gap, height());
}

void TzuCheckBox::paintEvent(QPaintEvent*) {
  QPainter P(this);
  QStyleOptionButton Opt;
  Opt.initFrom(this);
  Opt.rect = BoxRect();
  Opt.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
  if (isDown()) Opt.state |= QStyle::State_Sunken;
  if (FCtl3D) {
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &Opt, &P, this);
  } else {
    // Flat: a one-pixel box with a plain tick.
    const QRect R = Opt.rect.adjusted(0, 0, -1, -1);
    P.fillRect(R, palette().color(QPalette::Base));
    P.setPen(palette().color(QPalette::WindowText));
    P.drawRect(R);
    if (isChecked()) {
      P.drawLine(R.left() + 3, R.center().y(), R.center().x(), R.bottom() - 3);
      P.drawLine(R.center().x(), R.bottom() - 3, R.right() - 2, R.top() + 3);
    }
  }
  Qt::Alignment V = Qt::AlignVCenter;
  if (FAlignmentVert == vaTopJustify) V = Qt::AlignTop;
  if (FAlignmentVert == vaBottomJustify) V = Qt::AlignBottom;
  TzuCaptionOptions O;
  O.Flags = static_cast<int>(HorzFlags(FAlignmentHorz) | V);
  O.WordWrap = FWordWrap;
  O.Disabled = !isEnabled();
  const QRect TR = TextRect();
  DrawControlCaption(P, TR, Caption(), font(), palette().color(QPalette::WindowText), O);
  if (hasFocus()) {
    QStyleOptionFocusRect F;
    F.initFrom(this);
    const QSize CS = ControlCaptionSize(Caption(), font(), TR.width(), O);
    F.rect = QStyle::alignedRect(layoutDirection(), static_cast<Qt::Alignment>(O.Flags), CS, TR).adjusted(-1, 0, 1, 0);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &F, &P, this);
  }
}

bool TzuCheckBox::hitButton(const QPoint& Pos) const { return rect().contains(Pos); }

// ---------- TzuButton ----------

const TClassInfo& TzuButton::StaticClassInfo() {
  using T = TzuButton;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuButton", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Int("Left", &T::Left, &T::SetLeft)
          .Int("Top", &T::Top, &T::SetTop)
          .Int("Width", &T::Width, &T::SetWidth)
          .Int("Height", &T::Height, &T::SetHeight)
          .Bool("Cancel", &T::Cancel, &T::SetCancel, false)
          .Str("Caption", &T::Caption, &T::SetCaption)
          .Bool("Default", &T::Default, &T::SetDefault, false)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Str("Hint", &T::Hint, &T::SetHint)
          .Int("ModalResult", &T::ModalResult, &T::SetModalResult, 0)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .Bool("Visible", &T::Visible, &T::SetVisible, true)
          .Event("OnClick");
  return Info;
}

TzuButton::TzuButton(TComponent* AOwner, QWidget* ParentWidget)
    : QPushButton(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)), TComponent(AOwner) {
  setAutoDefault(false);
  setGeometry(0, 0, 75, 25);
  connect(this, &QPushButton::clicked, this, [this] { Click(); });
  if (parentWidget()) setVisible(true);
}

TzuButton::~TzuButton() { Destroying(); }

void TzuButton::SetDefault(bool Value) {
  FDefault = Value;
  setDefault(Value);
}

void TzuButton::SetHint(const std::string& Value) {
  FHint = Value;
  SetControlHint(this, Value);
  SetShowHint(FShowHint);
}

void TzuButton::SetShowHint(bool Value) {
  FShowHint = Value;
  setToolTip(Value ? QString::fromStdString(GetShortHint(FHint)) : QString());
}

void TzuButton::SetVisible(bool Value) {
  FVisible = Value;
  if (parentWidget() || !Value) setVisible(Value);
}

void TzuButton::Click() {
  QWidget* Form = window();
  SetFormModalResult(Form, FModalResult);
  QPointer<TzuButton> Self(this);
  if (OnClick) OnClick(this);
  // A handler may have reset the result (the dialog stays open) or freed the button.
  auto* Dialog = qobject_cast<QDialog*>(Form);
  if (Self && Dialog && FormModalResult(Dialog) != 0) {
    const int R = FormModalResult(Dialog);
    SetFormModalResult(Dialog, 0);
    Dialog->done(R);
  }
}

int TzuButton::FittingWidth() const {
  // The caption as the button shows it: a single "&" marks the access key and takes no room.
  const QString T = text();
  QString Shown;
  for (qsizetype I = 0; I < T.size(); ++I) {
    if (T[I] == '&' && I + 1 < T.size()) ++I;
    Shown += T[I];
  }
  return fontMetrics().horizontalAdvance(Shown) + 2 * FittingMargin;
}

void TzuButton::changeEvent(QEvent* Event) {
  QPushButton::changeEvent(Event);
  if (Event->type() == QEvent::EnabledChange && OnEnabledChanged) OnEnabledChanged();
}

// ---------- TzuBitBtn ----------

namespace {

struct TKindInfo {
  const char* Caption;
  int ModalResult;
  const char* Glyph;
};
const TKindInfo KindInfos[] = {
    {nullptr, 0, nullptr},          {"OK", mrOk, "ZUBOK"},           {"Cancel", mrCancel, "ZUBCANCEL"},
    {"Help", mrNone, "ZUBHELP"},    {"Yes", mrYes, "ZUBOK"},         {"No", mrNo, "ZUBNO"},
    {"Close", mrNone, "ZUBCLOSE"},  {"Abort", mrAbort, "ZUBCANCEL"}, {"Retry", mrRetry, "ZUBRETRY"},
    {"Ignore", mrIgnore, "ZUBIGNORE"}, {"All", mrAll, "ZUBALL"},     {"Search", mrNone, "ZUBSEARCH"},
    {"Open", mrNone, "ZUBOPEN"},
};

// Decoded once, so buttons of one kind share one image.
QImage KindGlyph(const char* Name) {
  static std::map<std::string, QImage> Cache;
  auto It = Cache.find(Name);
  if (It == Cache.end()) {
    std::string Data;
    QImage Img;
    if (os::LoadResource(Name, "BITMAP", Data))
      Img.loadFromData(reinterpret_cast<const uchar*>(Data.data()), static_cast<int>(Data.size()), "PNG");
    It = Cache.emplace(Name, Img).first;
  }
  return It->second;
}

}  // namespace

const TClassInfo& TzuBitBtn::StaticClassInfo() {
  using T = TzuBitBtn;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuBitBtn", &TzuButton::StaticClassInfo())
          .Enum("GlyphLayout", &T::GlyphLayout, &T::SetGlyphLayout, {"glGlyphLeft", "glGlyphRight"},
                std::optional(glGlyphLeft))
          .Enum("Kind", &T::Kind, &T::SetKind,
                {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
                 "bkIgnore", "bkAll", "bkSearch", "bkOpen"},
                std::optional(bkCustom))
          .Bool("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar, true)
          .Bool("ShowDropDownMenuArrow", &T::ShowDropDownMenuArrow, &T::SetShowDropDownMenuArrow, true)
          .Bool("ShowFocus", &T::ShowFocus, &T::SetShowFocus, true)
          .Int("Spacing", &T::Spacing, &T::SetSpacing, 4)
          .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap, false)
          .Creatable();
  return Info;
}

TzuBitBtn::TzuBitBtn(TComponent* AOwner, QWidget* ParentWidget) : TzuButton(AOwner, ParentWidget) {}

void TzuBitBtn::SetKind(TzuBitBtnKind Value) {
  FKind = Value;
  if (Value == bkCustom) return;
  const TKindInfo& K = KindInfos[Value];
  SetCaption(K.Caption);
  SetModalResult(K.ModalResult);
  FGlyph = KindGlyph(K.Glyph);
  if (Value == bkOK || Value == bkYes) SetDefault(true);
  if (Value == bkCancel || Value == bkNo) SetCancel(true);
  update();
}

void TzuBitBtn::SetGlyph(const QImage& Value) {
  FGlyph = Value;
  update();
}
void TzuBitBtn::SetGlyphLayout(TzuGlyphLayout Value) {
  FGlyphLayout = Value;
  update();
}
void TzuBitBtn::SetSpacing(int Value) {
  FSpacing = Value;
  update();
}
void TzuBitBtn::SetShowFocus(bool Value) {
  FShowFocus = Value;
  update();
}
void TzuBitBtn::SetShowAccelChar(bool Value) {
  FShowAccelChar = Value;
  update();
}
void TzuBitBtn::SetShowDropDownMenuArrow(bool Value) {
  FShowDropDownMenuArrow = Value;
  update();
}
void TzuBitBtn::SetDropDownMenu(QMenu* Value) {
  FDropDownMenu = Value;
  update();
}
void TzuBitBtn::SetWordWrap(bool Value) {
  FWordWrap = Value;
  update();
}

void TzuBitBtn::Click() {
  if (FDropDownMenu) FDropDownMenu->popup(mapToGlobal(QPoint(0, height())));
  if (FKind == bkClose) {
    if (OnClick) OnClick(this);
    window()->close();
    return;
  }
  TzuButton::Click();
}

TzuCaptionOptions TzuBitBtn::CaptionOptions() const {
  TzuCaptionOptions O;
  O.Flags = Qt::AlignCenter;
  O.ShowAccelChar = FShowAccelChar;
  O.WordWrap = FWordWrap;
  O.Disabled = !isEnabled();
  return O;
}

void TzuBitBtn::Layout(QRect& GlyphR, QRect& CaptionR) const {
  const int Arrow = FDropDownMenu && FShowDropDownMenuArrow ? 10 : 0;
  const QRect Area = rect().adjusted(4, 3, -4 - Arrow, -3);
  const QSize G = FGlyph.isNull() ? QSize(0, 0) : FGlyph.size();
  const QSize C = ControlCaptionSize(Caption(), font(), FWordWrap ? Area.width() - G.width() : 0, CaptionOptions());
  const int Gap = G.width() > 0 && C.width() > 0 ? FSpacing : 0;
  const int Total = G.width() + Gap + C.width();
  int X = Area.left() + (Area.width() - Total) / 2;
  const int GY = Area.top() + (Area.height() - G.height()) / 2;
  const int CY = Area.top() + (Area.height() - C.height()) / 2;
  if (FGlyphLayout == glGlyphLeft) {
    GlyphR = QRect(QPoint(X, GY), G);
    CaptionR = QRect(QPoint(X + G.width() + Gap, CY), C);
  } else {
    CaptionR = QRect(QPoint(X, CY), C);
    GlyphR = QRect(QPoint(X + C.width() + Gap, GY), G);
  }
}

int TzuBitBtn::FittingWidth() const {
  const int Arrow = FDropDownMenu && FShowDropDownMenuArrow ? 10 : 0;
  const QSize G = FGlyph.isNull() ? QSize(0, 0) : FGlyph.size();
  const QSize C = ControlCaptionSize(Caption(), font(), 0, CaptionOptions());
  const int Gap = G.width() > 0 && C.width() > 0 ? FSpacing : 0;
  return G.width() + Gap + C.width() + Arrow + 2 * FittingMargin;
}

QRect TzuBitBtn::GlyphRect() const {
  QRect G, C;
  Layout(G, C);
  return G;
}

QRect TzuBitBtn::CaptionRect() const {
  QRect G, C;
  Layout(G, C);
  return C;
}

void TzuBitBtn::paintEvent(QPaintEvent*) {
  QPainter P(this);
  QStyleOptionButton Opt;
  initStyleOption(&Opt);
  Opt.text.clear();
  Opt.icon = QIcon();
  Opt.state &= ~QStyle::State_HasFocus;
  style()->drawControl(QStyle::CE_PushButtonBevel, &Opt, &P, this);
  QRect G, C;
  Layout(G, C);
  const int Shift = isDown() ? 1 : 0;
  if (!FGlyph.isNull()) P.drawImage(G.translated(Shift, Shift), FGlyph);
  DrawControlCaption(P, C.translated(Shift, Shift), Caption(), font(), palette().color(QPalette::ButtonText),
                     CaptionOptions());
  if (FDropDownMenu && FShowDropDownMenuArrow) {
    QStyleOption A;
    A.initFrom(this);
    A.rect = QRect(width() - 14, (height() - 8) / 2, 8, 8);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &A, &P, this);
  }
  if (hasFocus() && FShowFocus) {
    QStyleOptionFocusRect F;
    F.initFrom(this);
    F.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &F, &P, this);
  }
}

// ---------- TzuPanelBitBtn ----------

const TClassInfo& TzuCustomPersistentControl::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuCustomPersistentControl>("TzuCustomPersistentControl", &TzuPersistent::StaticClassInfo());
  return Info;
}

TzuCustomPersistentControl::~TzuCustomPersistentControl() { delete FControl.data(); }

const TClassInfo& TzuPersistentControl::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuPersistentControl>("TzuPersistentControl", &TzuCustomPersistentControl::StaticClassInfo());
  return Info;
}

const TClassInfo& TzuPanelBitBtn::StaticClassInfo() {
  using T = TzuPanelBitBtn;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuPanelBitBtn", &TzuPersistentControl::StaticClassInfo())
          .Str("Caption", &T::Caption, &T::SetCaption, std::nullopt)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, std::nullopt)
          .Enum("GlyphLayout", &T::GlyphLayout, &T::SetGlyphLayout, {"glGlyphLeft", "glGlyphRight"},
                std::optional(glGlyphLeft))
          .Str("Hint", &T::Hint, &T::SetHint)
          .Enum("Kind", &T::Kind, &T::SetKind,
                {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
                 "bkIgnore", "bkAll", "bkSearch", "bkOpen"},
                std::optional(bkCustom))
          .Int("ModalResult", &T::ModalResult, &T::SetModalResult, std::nullopt)
          .Bool("ShowFocus", &T::ShowFocus, &T::SetShowFocus, true)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .Bool("Visible", &T::Visible, &T::SetVisible, std::nullopt);
  return Info;
}

TzuPanelBitBtn::TzuPanelBitBtn(TComponent* AOwner) : TzuPersistentControl(AOwner) { InitControl(); }

QWidget* TzuPanelBitBtn::CreateControl() {
  // The button belongs to this object, not to the owner's component list.
  return new TzuBitBtn(nullptr, dynamic_cast<QWidget*>(Owner()));
}

void TzuPanelBitBtn::SetVisible(bool Value) {
  if (Value == Button()->Visible()) return;
  Button()->SetVisible(Value);
  if (auto* W = dynamic_cast<QWidget*>(Owner())) PostMessage(WidgetHandle(W), ZUM_RELAYOUT, 0, 0);
}

void TzuPanelBitBtn::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuPanelBitBtn*>(Source);
  if (!S) {
    TzuPersistentControl::Assign(Source);
    return;
  }
  SetCaption(S->Caption());
  SetEnabled(S->Enabled());
  SetGlyphLayout(S->GlyphLayout());
  SetHint(S->Hint());
  SetModalResult(S->ModalResult());
  SetShowFocus(S->ShowFocus());
  SetShowHint(S->ShowHint());
  SetVisible(S->Visible());
}

// ---------- TzuButtonsPanel ----------

const TClassInfo& TzuButtonsPanel::StaticClassInfo() {
  using T = TzuButtonsPanel;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuButtonsPanel", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Enum("Align", &T::Align, &T::SetAlign, {"alHorizontal", "alVertical"}, std::optional(alHorizontal))
          .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentNames, std::optional(zaRightJustify))
          .Bool("ApplyEnabled", &T::ApplyEnabled, &T::SetApplyEnabled, false)
          .Object("BtnOK", &T::BtnOK)
          .Object("BtnCancel", &T::BtnCancel)
          .Object("BtnApply", &T::BtnApply)
          .Object("BtnHelp", &T::BtnHelp)
          .Object("BtnCustom", &T::BtnCustom)
          .Int("ButtonHeight", &T::ButtonHeight, &T::SetButtonHeight, 25)
          .Int("ButtonSpacing", &T::ButtonSpacing, &T::SetButtonSpacing, 8)
          .Int("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth, 75)
          .Enum("CustomButtonPosition", &T::CustomButtonPosition, &T::SetCustomButtonPosition,
                {"cbpAfterLast", "cbpBeforeFirst", "cbpOppositeEdge"}, std::optional(cbpAfterLast))
          .Bool("Docked", &T::Docked, &T::SetDocked, true)
          .Int("MarginHorz", &T::MarginHorz, &T::SetMarginHorz, 5)
          .Int("MarginVert", &T::MarginVert, &T::SetMarginVert, 6)
          .Bool("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar, true)
          .Bool("ShowDivider", &T::ShowDivider, &T::SetShowDivider, false)
          .Bool("ShowSizeGrip", &T::ShowSizeGrip, &T::SetShowSizeGrip, false)
          .Event("OnAnyBtnClick")
          .Event("OnApplySettings")
          .Event("OnApplyEnabledChanged")
          .Event("OnBtnOKClick")
          .Event("OnBtnCancelClick")
          .Event("OnBtnApplyClick")
          .Event("OnBtnHelpClick")
          .Event("OnBtnCustomClick")
          .Creatable();
  return Info;
}

TzuButtonsPanel::TzuButtonsPanel(TComponent* AOwner, QWidget* ParentWidget)
    : QWidget(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)), TComponent(AOwner) {
  for (int I = 0; I < 5; ++I) {
    FBtns[I] = std::make_unique<TzuPanelBitBtn>(this);
    TzuBitBtn* B = FBtns[I]->Button();
    B->SetTag(I);
    B->OnClick = [this, I](TObject*) { BtnClick(static_cast<std::uint8_t>(I)); };
  }
  FBtns[idOK]->SetCaption("OK");
  FBtns[idOK]->SetModalResult(mrOk);
  FBtns[idOK]->Button()->SetDefault(true);
  FBtns[idCancel]->SetCaption("Cancel");
  FBtns[idCancel]->SetModalResult(mrCancel);
  FBtns[idCancel]->Button()->SetCancel(true);
  FBtns[idApply]->SetCaption("Apply");
  FBtns[idApply]->SetEnabled(false);
  FBtns[idHelp]->SetCaption("Help");
  FBtns[idHelp]->Button()->SetVisible(false);
  FBtns[idCustom]->Button()->SetVisible(false);
  FBtns[idApply]->Button()->OnEnabledChanged = [this] {
    if (OnApplyEnabledChanged) OnApplyEnabledChanged(this);
  };
  WidgetHandle(this);
  resize(300, 37);
  WatchParent(nullptr);
  UpdateButtons();
  if (parentWidget()) setVisible(true);
}

TzuButtonsPanel::~TzuButtonsPanel() {
  Destroying();
  if (FWatched) FWatched->removeEventFilter(this);
  for (auto& B : FBtns) B.reset();
}

void TzuButtonsPanel::SetAlign(TzuButtonsPanelAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetAlignment(TzuTextAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetCustomButtonPosition(TzuCustomButtonPosition Value) {
  if (Value == FCustomButtonPosition) return;
  FCustomButtonPosition = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonWidth(int Value) {
  if (Value == FButtonWidth) return;
  FButtonWidth = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonHeight(int Value) {
  if (Value == FButtonHeight) return;
  FButtonHeight = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetButtonSpacing(int Value) {
  if (Value == FButtonSpacing) return;
  FButtonSpacing = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetMarginHorz(int Value) {
  if (Value == FMarginHorz) return;
  FMarginHorz = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetMarginVert(int Value) {
  if (Value == FMarginVert) return;
  FMarginVert = Value;
  UpdateButtons();
}
void TzuButtonsPanel::SetShowAccelChar(bool Value) {
  FShowAccelChar = Value;
  for (auto& B : FBtns) B->Button()->SetShowAccelChar(Value);
}
void TzuButtonsPanel::SetShowDivider(bool Value) {
  if (Value == FShowDivider) return;
  FShowDivider = Value;
  UpdateButtons();
  update();
}
void TzuButtonsPanel::SetShowSizeGrip(bool Value) {
  if (Value == FShowSizeGrip) return;
  FShowSizeGrip = Value;
  if (Value && !FSizeGrip) FSizeGrip = new QSizeGrip(this);
  if (FSizeGrip) FSizeGrip->setVisible(Value);
  UpdateButtons();
}
void TzuButtonsPanel::SetDocked(bool Value) {
  FDocked = Value;
  UpdateButtons();
}

void TzuButtonsPanel::Loaded() {
  TComponent::Loaded();
  UpdateButtons();
}

QRect TzuButtonsPanel::DividerRect() const {
  if (!FShowDivider) return QRect();
  if (FAlign == alHorizontal) return QRect(FMarginHorz, 0, width() - 2 * FMarginHorz, 2);
  return QRect(0, FMarginVert, 2, height() - 2 * FMarginVert);
}

void TzuButtonsPanel::Dock() {
  QWidget* P = parentWidget();
  if (!FDocked || !P) return;
  if (FAlign == alHorizontal)
    setGeometry(0, P->height() - height(), P->width(), height());
  else
    setGeometry(P->width() - width(), 0, width(), P->height());
}

void TzuButtonsPanel::UpdateButtons() {
  if (IsLoading() || FLayingOut) return;
  FLayingOut = true;
  const bool Horz = FAlign == alHorizontal;
  const int D = FShowDivider ? 2 : 0;
  // Along the row: the extent of a button and the margin; across it: the other two.
  const int Along = Horz ? FButtonWidth : FButtonHeight;
  const int Across = Horz ? FButtonHeight : FButtonWidth;
  const int MarginAlong = Horz ? FMarginHorz : FMarginVert;
  const int MarginAcross = Horz ? FMarginVert : FMarginHorz;
  if (Horz)
    resize(width(), Across + 2 * MarginAcross + D);
  else
    resize(Across + 2 * MarginAcross + D, height());
  Dock();
  const int Length = Horz ? width() : height();

  std::vector<TzuBitBtn*> Row;
  auto Add = [&Row](TzuPanelBitBtn* B) {
    if (B->Visible()) Row.push_back(B->Button());
  };
  TzuBitBtn* Custom = FBtns[idCustom]->Visible() ? FBtns[idCustom]->Button() : nullptr;
  if (FCustomButtonPosition == cbpBeforeFirst) Add(FBtns[idCustom].get());
  for (int I = idOK; I <= idHelp; ++I) Add(FBtns[I].get());
  if (FCustomButtonPosition == cbpAfterLast) Add(FBtns[idCustom].get());

  // In a row a button whose caption needs more than ButtonWidth grows to fit it.
  auto Extent = [&](TzuBitBtn* B) { return Horz ? std::max(FButtonWidth, B->FittingWidth()) : Along; };
  int E = 0;
  for (size_t I = 0; I < Row.size(); ++I) E += Extent(Row[I]) + (I ? FButtonSpacing : 0);
  int X = MarginAlong;
  if (FAlignment == zaRightJustify) X = Length - E - MarginAlong;
  if (FAlignment == zaCenter) X = Length < E ? 0 : (Length - E) / 2 + 1;
  auto Place = [&](TzuBitBtn* B, int Pos) {
    if (Horz)
      B->setGeometry(Pos, MarginAcross + D, Extent(B), FButtonHeight);
    else
      B->setGeometry(MarginAcross + D, Pos, FButtonWidth, FButtonHeight);
  };
  for (TzuBitBtn* B : Row) {
    Place(B, X);
    X += Extent(B) + FButtonSpacing;
  }
  if (Custom && FCustomButtonPosition == cbpOppositeEdge)
    Place(Custom, FAlignment == zaLeftJustify ? Length - MarginAlong - Extent(Custom) : MarginAlong);
  if (FSizeGrip) {
    const QSize G = FSizeGrip->sizeHint();
    FSizeGrip->setGeometry(width() - G.width(), height() - G.height(), G.width(), G.height());
    FSizeGrip->raise();
  }
  FLayingOut = false;
  update();
}

void TzuButtonsPanel::BtnClick(std::uint8_t Index) {
  if ((Index == idOK || Index == idApply) && OnApplySettings) {
    TzuBitBtn* Apply = FBtns[idApply]->Button();
    if (!Apply->Visible() || Apply->isEnabled()) {
      bool DoApply = true;
      OnApplySettings(this, DoApply);
      if (!DoApply) {
        // The dialog stays open.
        if (window()) SetFormModalResult(this, 0);
        return;
      }
      Apply->setEnabled(false);
    }
  }
  if (OnAnyBtnClick) OnAnyBtnClick(this, Index);
  const TNotifyEvent* Events[] = {&OnBtnOKClick, &OnBtnCancelClick, &OnBtnApplyClick, &OnBtnHelpClick,
                                  &OnBtnCustomClick};
  if (Index < 5 && *Events[Index]) (*Events[Index])(this);
}

bool TzuButtonsPanel::event(QEvent* Event) {
  if (Event->type() == MessageEventType()) {
    auto* M = static_cast<TMessageEvent*>(Event);
    if (M->Message.Msg == ZUM_RELAYOUT) {
      UpdateButtons();
      return true;
    }
  }
  if (Event->type() == QEvent::ParentAboutToChange && FWatched) {
    FWatched->removeEventFilter(this);
    FWatched = nullptr;
  }
  if (Event->type() == QEvent::ParentChange) {
    WatchParent(nullptr);
    UpdateButtons();
  }
  return QWidget::event(Event);
}

void TzuButtonsPanel::WatchParent(QWidget*) {
  if (FWatched) FWatched->removeEventFilter(this);
  FWatched = parentWidget();
  if (FWatched) FWatched->installEventFilter(this);
}

bool TzuButtonsPanel::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FWatched && Event->type() == QEvent::Resize) Dock();
  return QWidget::eventFilter(Watched, Event);
}

void TzuButtonsPanel::paintEvent(QPaintEvent*) {
  if (!FShowDivider) return;
  QPainter P(this);
  const QRect R = DividerRect();
  const QPalette& Pal = palette();
  // An etched line: shadow, then highlight.
  if (FAlign == alHorizontal) {
    P.fillRect(QRect(R.left(), R.top(), R.width(), 1), Pal.color(QPalette::Dark));
    P.fillRect(QRect(R.left(), R.top() + 1, R.width(), 1), Pal.color(QPalette::Light));
  } else {
    P.fillRect(QRect(R.left(), R.top(), 1, R.height()), Pal.color(QPalette::Dark));
    P.fillRect(QRect(R.left() + 1, R.top(), 1, R.height()), Pal.color(QPalette::Light));
  }
}

void TzuButtonsPanel::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  UpdateButtons();
}

}  // namespace zu
