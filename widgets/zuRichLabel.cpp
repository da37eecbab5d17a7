#include "widgets/zuRichLabel.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "platform/framework/Windows.h"

namespace zu {

// ---------- TzuTextStyle ----------

const TClassInfo& TzuTextStyle::StaticClassInfo() {
  using T = TzuTextStyle;
  static const TClassInfo Info = TClassBuilder<T>("TzuTextStyle", &TPersistent::StaticClassInfo())
                                     .Bool("PlainText", &T::PlainText, &T::SetPlainText, false)
                                     .Str("TagOpen", &T::TagOpenText, &T::SetTagOpenText, std::string("["))
                                     .Str("TagClose", &T::TagCloseText, &T::SetTagCloseText, std::string("]"));
  return Info;
}

void TzuTextStyle::TextStyleChanged() {
  if (FControl) FControl->update();
}

void TzuTextStyle::SetPlainText(bool Value) {
  if (Value == FPlainText) return;
  FPlainText = Value;
  TextStyleChanged();
}

void TzuTextStyle::SetTagOpen(char Value) {
  if (Value == FTagOpen) return;
  FTagOpen = Value;
  TextStyleChanged();
}

void TzuTextStyle::SetTagClose(char Value) {
  if (Value == FTagClose) return;
  FTagClose = Value;
  TextStyleChanged();
}

void TzuTextStyle::SetTagOpenText(const std::string& Value) {
  if (Value.size() != 1) throw EConvertError("A tag character is one character: \"" + Value + "\"");
  SetTagOpen(Value[0]);
}

void TzuTextStyle::SetTagCloseText(const std::string& Value) {
  if (Value.size() != 1) throw EConvertError("A tag character is one character: \"" + Value + "\"");
  SetTagClose(Value[0]);
}

void TzuTextStyle::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuTextStyle*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  SetPlainText(S->FPlainText);
  SetTagOpen(S->FTagOpen);
  SetTagClose(S->FTagClose);
}

// ---------- TzuFontProperty ----------

const TClassInfo& TzuFontProperty::StaticClassInfo() {
  using T = TzuFontProperty;
  static const TClassInfo Info =
      TClassBuilder<T>("TFont", &TPersistent::StaticClassInfo())
          .Int("Color", &T::Color, &T::SetColor, clWindowText)
          .Str("Name", &T::Name, &T::SetName, std::string("Sans Serif"))
          .Int("Size", &T::Size, &T::SetSize, 8)
          .SetOf("Style", &T::StyleMask, &T::SetStyleMask, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
                 0);
  return Info;
}

std::int64_t TzuFontProperty::StyleMask() const {
  std::int64_t M = 0;
  for (TFontStyle S : FFont.Style()) M |= std::int64_t{1} << S;
  return M;
}

void TzuFontProperty::SetStyleMask(std::int64_t Value) {
  TFontStyles S;
  for (TFontStyle F : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (Value & (std::int64_t{1} << F)) S.insert(F);
  FFont.SetStyle(S);
}

// ---------- TzuBaseLabel ----------

namespace {
const std::vector<std::string> AlignNames{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient",
                                          "alCustom"};
const std::vector<std::string> AlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
}  // namespace

const TClassInfo& TzuBaseLabel::StaticClassInfo() {
  using T = TzuBaseLabel;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuBaseLabel", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Int("Left", &T::Left, &T::SetLeft)
          .Int("Top", &T::Top, &T::SetTop)
          .Int("Width", &T::Width, &T::SetWidth)
          .Int("Height", &T::Height, &T::SetHeight)
          .Enum("Align", &T::Align, &T::SetAlign, AlignNames, std::optional(alNone))
          .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentNames, std::optional(taLeftJustify))
          .Bool("AutoSize", &T::AutoSize, &T::SetAutoSize, true)
          .Str("Caption", &T::Caption, &T::SetCaption, std::string())
          .Int("Color", &T::Color, &T::SetColor, clBtnFace)
          .Object("Font", &T::FontProperty)
          .Bool("ShowAccelChar", &T::ShowAccelChar, &T::SetShowAccelChar, true)
          .Bool("Transparent", &T::Transparent, &T::SetTransparent, false)
          .Bool("Visible", &T::Visible, &T::SetVisible, true)
          .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap, false)
          .Event("OnClick")
          .Event("OnDblClick")
          .Event("OnMouseDown")
          .Event("OnMouseEnter")
          .Event("OnMouseLeave")
          .Event("OnMouseMove")
          .Event("OnMouseUp")
          .Creatable();
  return Info;
}

TzuBaseLabel::TzuBaseLabel(TComponent* AOwner, QWidget* ParentWidget)
    : QWidget(ParentWidget ? ParentWidget : ComponentWidget(AOwner)),
      TComponent(AOwner),
      FBitmap(std::make_unique<TBitmap>()),
      FFont(std::make_unique<TFont>()),
      FFontProperty(std::make_unique<TzuFontProperty>(*FFont)) {
  FFont->OnChange = [this](TObject*) {
    AdjustBounds();
    update();
  };
  setMouseTracking(true);
  resize(65, 17);
  if (parentWidget()) setVisible(true);  // a control shows with its parent unless hidden
}

TzuBaseLabel::~TzuBaseLabel() {
  Destroying();
  FFont->OnChange = nullptr;
}

void TzuBaseLabel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  setGeometry(ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0));
}

void TzuBaseLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  update();
}

void TzuBaseLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  update();
}

void TzuBaseLabel::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TzuBaseLabel::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  CaptionChanged();
}

void TzuBaseLabel::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  update();
}

void TzuBaseLabel::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  AdjustBounds();
  update();
}

void TzuBaseLabel::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  update();
}

void TzuBaseLabel::SetVisible(bool Value) {
  FVisible = Value;
  // Without a parent the label has nowhere to show: it never becomes a window of its own.
  if (parentWidget() || !Value) setVisible(Value);
}

void TzuBaseLabel::Loaded() {
  TComponent::Loaded();
  AdjustBounds();
}

void TzuBaseLabel::CaptionChanged() {
  AdjustBounds();
  update();
}

namespace {
int PlainTextFlags(TAlignment A, bool WordWrap, bool ShowAccelChar) {
  int F = Qt::AlignTop | (A == taRightJustify ? Qt::AlignRight : A == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
  if (WordWrap) F |= Qt::TextWordWrap;
  F |= ShowAccelChar ? Qt::TextShowMnemonic : Qt::TextDontClip;
  return F;
}
}  // namespace

void TzuBaseLabel::AdjustBounds() {
  if (!FAutoSize || IsLoading()) return;
  const QFontMetrics FM(ToQFont(*FFont));
  const int Flags = PlainTextFlags(FAlignment, FWordWrap, FShowAccelChar);
  const QString Text = QString::fromStdString(FCaption.empty() ? std::string(" ") : FCaption);
  const QRect R = FM.boundingRect(QRect(0, 0, FWordWrap ? width() : 0x7FFF, 0x7FFF), Flags, Text);
  SetBounds(x(), y(), FWordWrap ? width() : R.width(), R.height());
}

void TzuBaseLabel::DoDrawText(QPainter& Painter) {
  Painter.setFont(ToQFont(*FFont));
  Painter.setPen(ColorToQColor(FFont->Color()));
  Painter.drawText(rect(), PlainTextFlags(FAlignment, FWordWrap, FShowAccelChar), QString::fromStdString(FCaption));
}

void TzuBaseLabel::paintEvent(QPaintEvent*) {
  if (!parentWidget()) return;
  QPainter P(this);
  if (!FTransparent) P.fillRect(rect(), ColorToQColor(FColor));
  DoDrawText(P);
}

void TzuBaseLabel::MouseEnter() {
  FMouseInControl = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TzuBaseLabel::MouseLeave() {
  FMouseInControl = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TzuBaseLabel::enterEvent(QEnterEvent*) { MouseEnter(); }
void TzuBaseLabel::leaveEvent(QEvent*) { MouseLeave(); }

void TzuBaseLabel::mousePressEvent(QMouseEvent* Event) {
  FPressed = Event->button() == Qt::LeftButton;
  const QPoint P = Event->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, Event->button(), Event->modifiers(), P.x(), P.y());
}

void TzuBaseLabel::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  const bool Click = FPressed && Event->button() == Qt::LeftButton && rect().contains(P);
  FPressed = false;
  if (OnMouseUp) OnMouseUp(this, Event->button(), Event->modifiers(), P.x(), P.y());
  if (Click && OnClick) OnClick(this);
}

void TzuBaseLabel::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  if (OnMouseMove) OnMouseMove(this, Event->modifiers(), P.x(), P.y());
}

void TzuBaseLabel::mouseDoubleClickEvent(QMouseEvent* Event) {
  if (OnDblClick) OnDblClick(this);
  QWidget::mouseDoubleClickEvent(Event);
}

// ---------- TzuRichLabel ----------

const TClassInfo& TzuRichLabel::StaticClassInfo() {
  using T = TzuRichLabel;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuRichLabel", &TzuBaseLabel::StaticClassInfo())
          .Bool("AutoHeight", &T::AutoHeight, &T::SetAutoHeight, true)
          .Int("MarginHorz", &T::MarginHorz, &T::SetMarginHorz, 0)
          .Int("MarginVert", &T::MarginVert, &T::SetMarginVert, 0)
          .Int("ShadowColor", &T::ShadowColor, &T::SetShadowColor, clBlack)
          .Bool("ShowFrame", &T::ShowFrame, &T::SetShowFrame, false)
          .Bool("ShowShadow", &T::ShowShadow, &T::SetShowShadow, false)
          .Object("TextStyle", &T::TextStyle)
          .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap, true)
          .Bool("AutoSize", &T::AutoSize, &T::SetAutoSize, false)
          .Creatable();
  return Info;
}

TzuRichLabel::TzuRichLabel(TComponent* AOwner, QWidget* ParentWidget)
    : TzuBaseLabel(AOwner, ParentWidget), FTextStyle(std::make_unique<TzuTextStyle>(this)) {
  SetAutoSize(false);
  TzuBaseLabel::SetWordWrap(false);
}

void TzuRichLabel::Changed() { update(); }

void TzuRichLabel::SetAutoHeight(bool Value) {
  if (Value == FAutoHeight) return;
  FAutoHeight = Value;
  Changed();
}

void TzuRichLabel::SetMarginHorz(std::uint16_t Value) {
  if (Value == FMarginHorz) return;
  FMarginHorz = Value;
  Changed();
}

void TzuRichLabel::SetMarginVert(std::uint16_t Value) {
  if (Value == FMarginVert) return;
  FMarginVert = Value;
  Changed();
}

void TzuRichLabel::SetShadowColor(TColor Value) {
  if (Value == FShadowColor) return;
  FShadowColor = Value;
  Changed();
}

void TzuRichLabel::SetShowFrame(bool Value) {
  if (Value == FShowFrame) return;
  FShowFrame = Value;
  Changed();
}

void TzuRichLabel::SetShowShadow(bool Value) {
  if (Value == FShowShadow) return;
  FShowShadow = Value;
  Changed();
}

void TzuRichLabel::SetWordWrap(bool Value) {
  if (Value == FRichWordWrap) return;
  FRichWordWrap = Value;
  Changed();
}

QPoint TzuRichLabel::TextWH() {
  QPoint NoPopup(0, 0);
  // The label's canvas as background: its Color, or the parent showing through.
  return DrawRichText(Bitmap(), nullptr, QPoint(0, 0), NoPopup, Caption(), Font(), Transparent() ? clNone : Color(),
                      FShadowColor, FTextStyle->PlainText(), FRichWordWrap, FRichWordWrap, width(), Alignment(),
                      FTextStyle->TagOpen(), FTextStyle->TagClose(), FMarginHorz, FMarginVert, FShowFrame,
                      FShowShadow, false, false);
}

void TzuRichLabel::ApplyAutoHeight() {
  const QImage& B = Bitmap().Image();
  if (!FAutoHeight || Align() == alClient || B.isNull()) return;
  if (B.height() != height()) SetHeight(B.height());
}

void TzuRichLabel::DoDrawText(QPainter& Painter) {
  TextWH();
  Painter.drawImage(QPoint(0, 0), Bitmap().Image());
  ApplyAutoHeight();
}

void TzuRichLabel::CaptionChanged() {
  TzuBaseLabel::CaptionChanged();
  // Settled now, so a hidden form is shown with the label's final height.
  if (parentWidget() && !parentWidget()->isVisible()) {
    TextWH();
    ApplyAutoHeight();
  }
  update();
}

}  // namespace zu
