// zuAttachedLabel: the caption label that follows its host control.
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
#include "widgets/zuDialogControlsPrivate.h"

namespace zu {

using namespace dialog;

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

void TzuAttLabel::changeEvent(QEvent* Event) {
  QLabel::changeEvent(Event);
  if (Event->type() == QEvent::FontChange && FAttached) FAttached->UpdateLabelPosition();
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
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .ZU_PUBLISH_CONTROL_PROPS;
  return Info;
}

TzuAttachedLabel::TzuAttachedLabel(TComponent* AOwner, QWidget* AHost)
    : TzuPersistent(AOwner), FHost(AHost), FLabel(nullptr) {
  FLabel = new TzuAttLabel(this);
  FLabel->setVisible(false);
  FProps = std::make_unique<TzuControlProps>(FLabel, false);
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
  Props().Assign(S->Props());
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

}  // namespace zu
