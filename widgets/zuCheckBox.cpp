// zuCheckBox: the check box with its alignments and word wrap.
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

}  // namespace zu
