// zuButtons: the push button, the bitmap button and the panel button that owns one.
#include "widgets/zuDialogControls.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QAction>
#include <QBuffer>
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

#include "platform/framework/Application.h"
#include "platform/framework/MessageEvent.h"
#include "platform/framework/Messages.h"
#include "platform/os/Resources.h"
#include "support/zuUtils.h"
#include "widgets/zuRichTextUtils.h"
#include "widgets/zuDialogControlsPrivate.h"

namespace zu {

using namespace dialog;

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
          .ZU_PUBLISH_CONTROL_PROPS
          .ZU_PUBLISH_CONTROL_COLOR
          .Event("OnClick");
  return Info;
}

TzuButton::TzuButton(TComponent* AOwner, QWidget* ParentWidget)
    : QPushButton(ParentWidget ? ParentWidget : dynamic_cast<QWidget*>(AOwner)),
      TComponent(AOwner),
      FProps(std::make_unique<TzuControlProps>(this)) {
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
          .Object("TextStyle", &T::TextStyle)
          .Str("Images", &T::ImagesName, &T::SetImagesName)
          .Int("ImageIndex", &T::ImageIndex, &T::SetImageIndex, -1)
          .Creatable();
  return Info;
}

TzuBitBtn::TzuBitBtn(TComponent* AOwner, QWidget* ParentWidget)
    : TzuButton(AOwner, ParentWidget), FTextStyle(std::make_unique<TzuTextStyle>(this)) {}

TzuImageList* TzuBitBtn::Images() const {
  if (!FImages && !FImagesName.empty())
    // Named in form data: the list is one of the components beside the button.
    for (TComponent* O = Owner(); O; O = O->Owner())
      if (auto* L = dynamic_cast<TzuImageList*>(O->FindComponent(FImagesName))) {
        const_cast<TzuBitBtn*>(this)->FImages = L;
        break;
      }
  return FImages;
}

void TzuBitBtn::SetImages(TzuImageList* Value) {
  FImages = Value;
  FImagesName = Value ? Value->Name() : std::string();
  update();
}

std::string TzuBitBtn::ImagesName() const { return FImages ? FImages->Name() : FImagesName; }

void TzuBitBtn::SetImagesName(const std::string& Value) {
  FImages = nullptr;
  FImagesName = Value;
  update();
}

void TzuBitBtn::SetImageIndex(int Value) {
  FImageIndex = Value;
  update();
}

QImage TzuBitBtn::ShownGlyph() const {
  if (TzuImageList* L = Images(); L && FImageIndex >= 0) {
    const QImage I = L->Image(FImageIndex);
    if (!I.isNull()) return I;
  }
  return FGlyph;
}

void TzuBitBtn::SetAction(QAction* Value) {
  QObject::disconnect(FActionLink);
  FAction = Value;
  if (!Value) return;
  FActionLink = connect(Value, &QAction::changed, this, [this] { ActionChanged(); });
  ActionChanged();
}

void TzuBitBtn::ActionChanged() {
  if (!FAction) return;
  SetCaption(FAction->text().toStdString());
  setEnabled(FAction->isEnabled());
  SetVisible(FAction->isVisible());
  if (!FAction->toolTip().isEmpty()) SetHint(FAction->toolTip().toStdString());
}

void TzuBitBtn::SetKind(TzuBitBtnKind Value) {
  FKind = Value;
  if (Value == bkCustom) return;
  const TKindInfo& K = KindInfos[Value];
  SetCaption(K.Caption);
  SetModalResult(K.ModalResult);
  FGlyph = KindGlyph(K.Glyph);
  FOwnGlyph = false;
  if (Value == bkOK || Value == bkYes) SetDefault(true);
  if (Value == bkCancel || Value == bkNo) SetCancel(true);
  update();
}

void TzuBitBtn::SetGlyph(const QImage& Value) {
  FGlyph = Value;
  FOwnGlyph = !Value.isNull();
  update();
}

void TzuBitBtn::DefineProperties(TFiler& Filer) {
  TzuButton::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      "GlyphData",
      [this](TStream& S) {
        const std::string Bytes = StreamToString(S, false);
        QImage I;
        if (I.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size()), "PNG"))
          SetGlyph(I);
      },
      [this](TStream& S) {
        QByteArray Png;
        QBuffer B(&Png);
        B.open(QIODevice::WriteOnly);
        FGlyph.save(&B, "PNG");
        S.WriteBuffer(Png.constData(), Png.size());
      },
      FOwnGlyph && !FGlyph.isNull());
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
  if (FKind == bkHelp) {
    int Context = 0;
    for (const QWidget* W = this; W && !Context; W = W->parentWidget()) Context = ControlHelpContext(W);
    if (Context) Application().HelpContext(Context);
  }
  if (FAction) FAction->trigger();
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
  O.PlainText = FTextStyle->PlainText();
  O.TagOpen = FTextStyle->TagOpen();
  O.TagClose = FTextStyle->TagClose();
  return O;
}

void TzuBitBtn::Layout(QRect& GlyphR, QRect& CaptionR) const {
  const int Arrow = FDropDownMenu && FShowDropDownMenuArrow ? 10 : 0;
  const QRect Area = rect().adjusted(4, 3, -4 - Arrow, -3);
  const QImage Shown = ShownGlyph();
  const QSize G = Shown.isNull() ? QSize(0, 0) : Shown.size();
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
  const QImage Shown = ShownGlyph();
  const QSize G = Shown.isNull() ? QSize(0, 0) : Shown.size();
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
  if (const QImage Shown = ShownGlyph(); !Shown.isNull()) P.drawImage(G.translated(Shift, Shift), Shown);
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
          .Bool("Visible", &T::Visible, &T::SetVisible, std::nullopt)
          .Int("ImageIndex", &T::ImageIndex, &T::SetImageIndex, -1)
          .Object("TextStyle", &T::TextStyle)
          .ZU_PUBLISH_CONTROL_PROPS
          .ZU_PUBLISH_CONTROL_COLOR;
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
  SetGlyph(S->Glyph());
  SetImageIndex(S->ImageIndex());
  TextStyle()->Assign(S->TextStyle());
  SetAction(S->Action());
  Props().Assign(S->Props());
}

}  // namespace zu
