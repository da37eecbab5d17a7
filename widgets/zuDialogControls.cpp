// What the dialog controls share: hints, the form's modal result, dialog keys and the
// caption renderer. Each control (or family) has a unit of its own: zuAttachedLabel.cpp,
// zuEdit.cpp, zuCheckBox.cpp, zuButtons.cpp, zuButtonsPanel.cpp.
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

namespace dialog {

const std::vector<std::string> AlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};

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

std::string Accel(const std::string& Caption, bool ShowAccelChar) {
  if (ShowAccelChar) return Caption;
  std::string R;
  for (char C : Caption) {
    R += C;
    if (C == '&') R += '&';
  }
  return R;
}

}  // namespace dialog

namespace {

const char* const HintProperty = "zuHint";
const char* const ModalResultProperty = "zuModalResult";

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

void SetControlHelpContext(QWidget* W, int Context) {
  if (W) W->setProperty("zuHelpContext", Context);
}

int ControlHelpContext(const QWidget* W) { return W ? W->property("zuHelpContext").toInt() : 0; }

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

}  // namespace zu
