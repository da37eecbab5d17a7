#include "widgets/zuFormHelp.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QToolTip>
#include <QWhatsThis>

#include <algorithm>

#include "platform/framework/Exceptions.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuRichTextUtils.h"

namespace zu {

namespace {

constexpr std::uintptr_t PopupTimerId = 1;

QColor RGBColor(TColor C) { return QColor(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF); }

// Controls that show a context menu of their own keep their right click.
bool HasOwnContextMenu(const QWidget* W) {
  return W->contextMenuPolicy() != Qt::DefaultContextMenu || qobject_cast<const QLineEdit*>(W) ||
         qobject_cast<const QTextEdit*>(W) || qobject_cast<const QPlainTextEdit*>(W) ||
         qobject_cast<const QAbstractSpinBox*>(W) || qobject_cast<const QMenu*>(W);
}

}  // namespace

// Sees the application's events for one form help: right clicks, help mode, hints.
class TzuFormHelpFilter : public QObject {
 public:
  explicit TzuFormHelpFilter(TzuFormHelp* AHelp) : FHelp(AHelp) {}
  bool eventFilter(QObject* Watched, QEvent* Event) override { return FHelp->AppEvent(Watched, Event); }

 private:
  TzuFormHelp* FHelp;
};

// ---------- settings ----------

const TClassInfo& TzuFormHelpMargins::StaticClassInfo() {
  using T = TzuFormHelpMargins;
  static const TClassInfo Info = TClassBuilder<T>("TzuFormHelpMargins", &TPersistent::StaticClassInfo())
                                     .Int("Horizontal", &T::Horizontal, &T::SetHorizontal, 11)
                                     .Int("Vertical", &T::Vertical, &T::SetVertical, 7);
  return Info;
}

void TzuFormHelpMargins::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuFormHelpMargins*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FHorizontal = S->FHorizontal;
  FVertical = S->FVertical;
}

const TClassInfo& TzuWhatsThis::StaticClassInfo() {
  using T = TzuWhatsThis;
  static const TClassInfo Info = TClassBuilder<T>("TzuWhatsThis", &TPersistent::StaticClassInfo())
                                     .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
                                     .Str("Caption", &T::Caption, &T::SetCaption, std::string("&What's This?"));
  return Info;
}

TzuWhatsThis::~TzuWhatsThis() {
  QObject::disconnect(FMenuLink);
  QObject::disconnect(FButtonLink);
}

void TzuWhatsThis::SetMenuItem(QAction* Value) {
  QObject::disconnect(FMenuLink);
  FMenuItem = Value;
  if (Value && FHelp) {
    TzuFormHelp* H = FHelp;
    FMenuLink = QObject::connect(Value, &QAction::triggered, Value, [H] { H->EnterHelpMode(); });
  }
}

void TzuWhatsThis::SetToolbarButton(QAbstractButton* Value) {
  QObject::disconnect(FButtonLink);
  FToolbarButton = Value;
  if (Value && FHelp) {
    TzuFormHelp* H = FHelp;
    FButtonLink = QObject::connect(Value, &QAbstractButton::clicked, Value, [H] { H->EnterHelpMode(); });
  }
}

void TzuWhatsThis::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuWhatsThis*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FEnabled = S->FEnabled;
  FCaption = S->FCaption;
  SetMenuItem(S->FMenuItem);
  SetToolbarButton(S->FToolbarButton);
}

const TClassInfo& TzuFormHelpCaptionButton::StaticClassInfo() {
  using T = TzuFormHelpCaptionButton;
  static const TClassInfo Info = TClassBuilder<T>("TzuFormHelpCaptionButton", &TPersistent::StaticClassInfo())
                                     .Bool("Visible", &T::Visible, &T::SetVisible, false)
                                     .Str("Hint", &T::Hint, &T::SetHint, std::string("Help"));
  return Info;
}

void TzuFormHelpCaptionButton::SetVisible(bool Value) {
  FVisible = Value;
  if (FHelp) FHelp->UpdateCaptionButton();
}

void TzuFormHelpCaptionButton::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuFormHelpCaptionButton*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FHint = S->FHint;
  SetVisible(S->FVisible);
}

const TClassInfo& TzuFormHelpSystemMenu::StaticClassInfo() {
  using T = TzuFormHelpSystemMenu;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuFormHelpSystemMenu", &TPersistent::StaticClassInfo())
          .Bool("ApplyToMenu", &T::ApplyToMenu, &T::SetApplyToMenu, false)
          .Str("Caption", &T::Caption, &T::SetCaption, std::string("&What's This?"))
          .Int("Position", &T::Position, &T::SetPosition, -1)
          .SetOf("Separators", &T::Separators, &T::SetSeparators, {"smsBefore", "smsAfter"}, 1 << smsBefore);
  return Info;
}

void TzuFormHelpSystemMenu::SetApplyToMenu(bool Value) {
  FApplyToMenu = Value;
  if (FHelp) FHelp->UpdateSystemMenu();
}
void TzuFormHelpSystemMenu::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (FHelp) FHelp->UpdateSystemMenu();
}
void TzuFormHelpSystemMenu::SetPosition(int Value) {
  FPosition = Value;
  if (FHelp) FHelp->UpdateSystemMenu();
}
void TzuFormHelpSystemMenu::SetSeparators(std::int64_t Value) {
  FSeparators = Value;
  if (FHelp) FHelp->UpdateSystemMenu();
}

void TzuFormHelpSystemMenu::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuFormHelpSystemMenu*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FCaption = S->FCaption;
  FPosition = S->FPosition;
  FSeparators = S->FSeparators;
  SetApplyToMenu(S->FApplyToMenu);
}

// ---------- the popup ----------

TzuFormHelpPopup::TzuFormHelpPopup(TzuFormHelp* AHelp, const QImage& Bitmap, const std::string& Text)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FHelp(AHelp),
      FBitmap(Bitmap),
      FText(Text) {
  setObjectName("TzuFormHelpPopup");
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::StrongFocus);
  resize(Bitmap.size());
}

void TzuFormHelpPopup::paintEvent(QPaintEvent*) {
  QPainter P(this);
  P.drawImage(0, 0, FBitmap);
}

void TzuFormHelpPopup::keyPressEvent(QKeyEvent*) { close(); }

void TzuFormHelpPopup::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::RightButton) {
    close();
    return;
  }
  auto* Menu = new QMenu(this);
  Menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* Copy = Menu->addAction("&Copy");
  const std::string Text = FHelp ? FHelp->PlainHelpText(FText) : FText;
  QObject::connect(Copy, &QAction::triggered, [Text] { PutClipboardString(1, Text); });
  FMenu = Menu;
  Menu->popup(Event->globalPosition().toPoint());
}

void TzuFormHelpPopup::focusOutEvent(QFocusEvent* Event) {
  QWidget::focusOutEvent(Event);
  // Its own copy menu takes the focus for a moment; anything else ends the help.
  if (!FMenu && QApplication::activePopupWidget() != this) close();
}

void TzuFormHelpPopup::closeEvent(QCloseEvent* Event) {
  QWidget::closeEvent(Event);
  if (FHelp) FHelp->PopupClosed();
  FHelp = nullptr;
}

// ---------- TzuFormHelp ----------

const TClassInfo& TzuFormHelp::StaticClassInfo() {
  using T = TzuFormHelp;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuFormHelp", &TzuHFormHookComponentWatchCaption::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Bool("Active", &T::Active, &T::SetActive, true)
          .Bool("AdjustPopupWidth", &T::AdjustPopupWidth, &T::SetAdjustPopupWidth, true)
          .Int("Color", &T::Color, &T::SetColor, DefaultColor)
          .Int("DelayInterval", &T::DelayInterval, &T::SetDelayInterval, 0)
          .Object("Margins", &T::Margins)
          .Object("Font", &T::FontProperty)
          .Bool("ParentFont", &T::ParentFont, &T::SetParentFont, std::nullopt)  // after Font, always
          .Object("CaptionButton", &T::CaptionButton)
          .Object("SystemMenu", &T::SystemMenu)
          .Int("Cursor", &T::Cursor, &T::SetCursor, crDefault)
          .Int("CursorHelp", &T::CursorHelp, &T::SetCursorHelp, crHelp)
          .Object("TextStyle", &T::TextStyle)
          .Int("PopupWidth", &T::PopupWidth, &T::SetPopupWidth, 300)
          .Int("ShadowColor", &T::ShadowColor, &T::SetShadowColor, clBlack)
          .Bool("ShowShadow", &T::ShowShadow, &T::SetShowShadow, true)
          .Bool("UseF1", &T::UseF1, &T::SetUseF1, true)
          .Object("WhatsThis", &T::WhatsThis)
          .Event("OnButtonClick")
          .Event("OnShow")
          .Event("OnHide")
          .Event("OnWhatsThis")
          .Creatable();
  return Info;
}

TzuFormHelp::TzuFormHelp(TComponent* AOwner)
    : TzuHFormHookComponentWatchCaption(AOwner),
      FFont(std::make_unique<TFont>()),
      FFontProperty(std::make_unique<TzuFontProperty>(*FFont)),
      FTextStyle(std::make_unique<TzuTextStyle>()),
      FCaptionButton(std::make_unique<TzuFormHelpCaptionButton>(this)),
      FSystemMenu(std::make_unique<TzuFormHelpSystemMenu>(this)),
      FMargins(std::make_unique<TzuFormHelpMargins>()),
      FWhatsThis(std::make_unique<TzuWhatsThis>(this)),
      FFilter(std::make_unique<TzuFormHelpFilter>(this)) {
  FFont->OnChange = [this](TObject*) { FParentFont = false; };
  qApp->installEventFilter(FFilter.get());
}

void TzuFormHelp::Loaded() {
  TzuHFormHookComponentWatchCaption::Loaded();
  UpdateSystemMenu();
  UpdateCaptionButton();
}

void TzuFormHelp::FormRecreate() {
  TzuHFormHookComponentWatchCaption::FormRecreate();
  UpdateCaptionButton();
}

void TzuFormHelp::UpdateSystemMenu() {
  for (const QPointer<QAction>& A : FMenuActions) delete A.data();
  FMenuActions.clear();
  if (IsLoading() || IsDestroying() || !FSystemMenu->ApplyToMenu() || !Parent()) return;
  QMenu* Menu = GetSystemMenuHandle();
  if (!Menu) return;
  const QList<QAction*> Old = Menu->actions();
  const int P = FSystemMenu->Position();
  QAction* Before = P >= 0 && P < Old.size() ? Old[P] : nullptr;
  auto Insert = [&](QAction* A) {
    Menu->insertAction(Before, A);
    FMenuActions.append(A);
  };
  auto Separator = [&] {
    auto* S = new QAction(Menu);
    S->setSeparator(true);
    Insert(S);
  };
  if (FSystemMenu->Separators() & (1 << smsBefore)) Separator();
  auto* Item = new QAction(QString::fromStdString(FSystemMenu->Caption()), Menu);
  QObject::connect(Item, &QAction::triggered, Item, [this] { EnterHelpMode(); });
  Insert(Item);
  if (FSystemMenu->Separators() & (1 << smsAfter)) Separator();
}

void TzuFormHelp::UpdateCaptionButton() {
  QWidget* F = GetParentForm();
  if (!F || IsLoading() || IsDestroying()) return;
  const bool Show = FCaptionButton->Visible();
  if (F->windowFlags().testFlag(Qt::WindowContextHelpButtonHint) == Show) return;
  Qt::WindowFlags Flags = F->windowFlags();
  Flags.setFlag(Qt::WindowContextHelpButtonHint, Show);
  if (Show) Flags.setFlag(Qt::WindowTitleHint).setFlag(Qt::WindowSystemMenuHint).setFlag(Qt::CustomizeWindowHint);
  const bool Visible = F->isVisible();
  F->setWindowFlags(Flags);
  if (Visible) F->show();
  F->setProperty("zuHelpButtonHint", QString::fromStdString(FCaptionButton->Hint()));
}

std::string TzuFormHelp::PlainHelpText(const std::string& Text) const {
  if (FTextStyle->PlainText()) return Text;
  return DeleteAllTags(Text, FTextStyle->TagOpen(), FTextStyle->TagClose());
}

TzuFormHelp::~TzuFormHelp() {
  Destroying();
  qApp->removeEventFilter(FFilter.get());
  for (const QPointer<QAction>& A : FMenuActions) delete A.data();  // they call back into us
  ExitHelpMode();
  if (FPopup) {
    FPopup->FHelp = nullptr;
    delete FPopup.data();
  }
  delete FMenu.data();
}

void TzuFormHelp::SetActive(bool Value) {
  FActive = Value;
  if (!Value) {
    HidePopup();
    ExitHelpMode();
  }
}

void TzuFormHelp::SetPopupWidth(int Value) { FPopupWidth = std::clamp(Value, 40, 1000); }

bool TzuFormHelp::OnForm(const QWidget* W) const {
  const QWidget* Form = Parent();
  return W && Form && (W == Form || Form->isAncestorOf(W));
}

QWidget* TzuFormHelp::FindHelpControl(QWidget* Start) const {
  QWidget* W = Start;
  if (auto* L = dynamic_cast<TzuAttLabel*>(W);
      L && L->Tag() == TzuAttLabel::AttachedLabelTag && GetLongHint(ControlHint(L)).empty() && L->Host())
    W = L->Host();
  for (; W; W = W->parentWidget()) {
    std::string Hint = ControlHint(W);
    if (GetLongHint(Hint).empty()) {
      if (auto* B = qobject_cast<QPushButton*>(W)) {
        const auto* ZB = dynamic_cast<const TzuButton*>(B);
        const int Result = ZB ? ZB->ModalResult() : mrNone;
        const std::string Caption = B->text().toStdString();
        std::string Default;
        if (Result == mrOk)
          Default = "Closes the dialog box and saves any changes you have made.";
        else if (Result == mrCancel)
          Default = "Closes the dialog box without saving any changes you have made.";
        else if (Caption.find("Apply") != std::string::npos)
          Default = "Saves all the changes you have made without closing the dialog box.";
        else if (Caption.find("Help") != std::string::npos)
          Default = "Click to display an overview of the dialog box.";
        if (!Default.empty()) {
          Hint = GetShortHint(Hint) + "|" + Default;
          SetControlHint(W, Hint);
        }
      }
    }
    if (!GetLongHint(Hint).empty()) return W;
    if (W == Parent()) break;
  }
  return nullptr;
}

QImage TzuFormHelp::RenderHelp(const std::string& Text, const QFont& Font, TColor Color, TColor ShadowColor,
                               bool ShowShadow, int MarginHorz, int MarginVert, int Width, bool Fit,
                               const TzuTextStyle* Style) {
  const int N = ShowShadow ? 7 : 0;
  TzuCaptionOptions O;
  O.Flags = Qt::AlignLeft | Qt::AlignTop;
  O.ShowAccelChar = false;
  O.WordWrap = true;
  if (Style) {
    O.PlainText = Style->PlainText();
    O.TagOpen = Style->TagOpen();
    O.TagClose = Style->TagClose();
  }
  const QSize T = ControlCaptionSize(Text, Font, std::max(Width - 2 * MarginHorz - N, 1), O);
  const int W = Fit ? std::min(Width, T.width() + 2 * MarginHorz + N) : Width;
  const int H = T.height() + 2 * MarginVert + (ShowShadow ? 8 : 0);
  QImage Img(W, H, QImage::Format_ARGB32_Premultiplied);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  const int Edge = ShowShadow ? 6 : 0;
  P.setPen(Qt::black);
  P.setBrush(RGBColor(Color));
  P.drawRect(0, 0, W - Edge - 1, H - Edge - 1);
  if (ShowShadow) {
    // The half-tone shadow right of and below the frame.
    const QColor S = RGBColor(ShadowColor);
    const int R = W - 7, B = H - 7;
    for (int X = 7; X <= R + 6; ++X)
      for (int Y = B + 1; Y <= B + 6; ++Y)
        if ((X + Y) % 2) P.fillRect(X, Y, 1, 1, S);
    for (int Y = 7; Y <= B; ++Y)
      for (int X = R + 1; X <= R + 6; ++X)
        if ((X + Y) % 2) P.fillRect(X, Y, 1, 1, S);
  }
  DrawControlCaption(P, QRect(MarginHorz, MarginVert, T.width(), T.height()), Text, Font, Qt::black, O);
  return Img;
}

void TzuFormHelp::ShowHelp(QWidget* Control, const std::string& Text, QPoint At) {
  if (!FActive || IsDesigning()) return;
  HidePopup();
  QWidget* HelpControl = Text.empty() ? FindHelpControl(Control) : Control;
  std::string Message = Text.empty() && HelpControl ? GetLongHint(ControlHint(HelpControl)) : Text;
  if (OnShow) OnShow(this, HelpControl, Message);
  if (Message.empty()) return;
  QFont F = FParentFont && Parent() ? Parent()->font() : ToQFont(*FFont);
  const QImage Bitmap = RenderHelp(Message, F, FColor, FShadowColor, FShowShadow, FMargins->Horizontal(),
                                   FMargins->Vertical(), FPopupWidth, FAdjustPopupWidth, FTextStyle.get());
  if (At.isNull() && Control) At = Control->mapToGlobal(QPoint(0, 12));
  // Centred under the point, kept on the screen.
  QPoint Pos(At.x() - Bitmap.width() / 2, At.y());
  if (const QScreen* S = QGuiApplication::screenAt(At) ? QGuiApplication::screenAt(At) : QGuiApplication::primaryScreen()) {
    const QRect G = S->geometry();
    Pos.setX(std::max(G.left(), std::min(Pos.x(), G.right() + 1 - Bitmap.width())));
    Pos.setY(std::max(G.top(), Pos.y()));
    if (Pos.y() + Bitmap.height() > G.bottom() + 1) Pos.setY(std::max(G.top(), G.bottom() + 1 - Bitmap.height() - 20));
  }
  if (FDelayInterval > 0 && !SetTimer(MessageWindow(), PopupTimerId, FDelayInterval))
    throw EOutOfResources("Not enough timers available");
  FHelpControl = HelpControl;
  QToolTip::hideText();
  FPopup = new TzuFormHelpPopup(this, Bitmap, Message);
  SetWidgetCursor(FPopup, FCursor);
  FPopup->move(Pos);
  FPopup->show();
  FPopup->setFocus();
}

void TzuFormHelp::ShowHelpAt(QPoint Pos) {
  QWidget* W = QApplication::widgetAt(Pos);
  if (!OnForm(W)) return;
  ShowHelp(W, std::string(), Pos);
}

void TzuFormHelp::WhatsThisRequest(QWidget* Control, QPoint Pos) {
  if (!FActive || !FWhatsThis->Enabled() || !Control) return;
  bool ShowPopup = true, Show = false;
  if (OnWhatsThis) OnWhatsThis(this, Control, Pos, ShowPopup, Show);
  if (Show) {
    ShowHelp(Control, std::string(), Pos);
    return;
  }
  if (!ShowPopup) return;
  delete FMenu.data();
  auto* Menu = new QMenu(Parent());
  Menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* Item = Menu->addAction(QString::fromStdString(FWhatsThis->Caption()));
  Item->setData(WhatsThisCommand);
  QPointer<QWidget> Target(Control);
  QObject::connect(Item, &QAction::triggered, Menu, [this, Target, Pos] {
    if (Target) ShowHelp(Target, std::string(), Pos);
  });
  FMenu = Menu;
  Menu->popup(Pos);
}

void TzuFormHelp::HidePopup() {
  if (FPopup) FPopup->close();
}

void TzuFormHelp::PopupClosed() {
  KillTimer(MessageWindow(), PopupTimerId);
  QPointer<QWidget> Control = FHelpControl;
  FPopup = nullptr;
  FHelpControl = nullptr;
  if (OnHide && !IsDestroying()) OnHide(this, Control);
}

void TzuFormHelp::EnterHelpMode() {
  if (!FActive || FHelpMode) return;
  FHelpMode = true;
  FOwnCursor = true;
  Qt::CursorShape Shape = Qt::WhatsThisCursor;
  CursorShapeOf(FCursorHelp, Shape);
  QApplication::setOverrideCursor(Shape);
}

void TzuFormHelp::ExitHelpMode() {
  if (!FHelpMode) return;
  FHelpMode = false;
  if (FOwnCursor) QApplication::restoreOverrideCursor();
  FOwnCursor = false;
  // The title bar's help button enters the toolkit's own mode: it ends with ours.
  if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
}

void TzuFormHelp::MessageBefore(TMessage& Message, bool& Handled) {
  TzuHFormHookComponentWatchCaption::MessageBefore(Message, Handled);
  if (Message.Msg == WM_HELP && FActive && FUseF1) {
    Handled = true;
    ShowHelpAt(QCursor::pos());
  }
}

void TzuFormHelp::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == PopupTimerId) {
    HidePopup();
    return;
  }
  TzuHFormHookComponentWatchCaption::WndProc(Message);
}

bool TzuFormHelp::AppEvent(QObject* Watched, QEvent* Event) {
  if (!FActive || IsDesigning() || !Watched->isWidgetType()) return false;
  auto* W = static_cast<QWidget*>(Watched);
  switch (Event->type()) {
    case QEvent::ToolTip:
      return FPopup != nullptr;  // hints stay off while help is shown
    case QEvent::EnterWhatsThisMode:
      // The title bar's help button: help mode with the toolkit's cursor.
      if (W == Parent() && !FHelpMode) {
        FHelpMode = true;
        if (OnButtonClick) OnButtonClick(this);
      }
      return false;
    case QEvent::LeaveWhatsThisMode:
      if (W == Parent() && FHelpMode && !FOwnCursor) FHelpMode = false;
      return false;
    case QEvent::WhatsThis: {
      // The click of the toolkit's help mode: one popup, and the mode is over.
      if (!FHelpMode || !OnForm(W)) return false;
      const QPoint Pos = static_cast<QHelpEvent*>(Event)->globalPos();
      ExitHelpMode();
      ShowHelp(W, std::string(), Pos);
      Event->accept();
      return true;
    }
    case QEvent::WindowDeactivate:
      // Help mode lasts while the form holds the mouse; losing it ends the mode.
      if (FHelpMode && W == Parent()) ExitHelpMode();
      return false;
    case QEvent::MouseButtonPress: {
      if (!FHelpMode) return false;
      auto* M = static_cast<QMouseEvent*>(Event);
      const QPoint Pos = M->globalPosition().toPoint();
      ExitHelpMode();
      if (M->button() == Qt::LeftButton && OnForm(W)) ShowHelp(W, std::string(), Pos);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* M = static_cast<QMouseEvent*>(Event);
      if (M->button() != Qt::RightButton || !FWhatsThis->Enabled() || !OnForm(W) || HasOwnContextMenu(W))
        return false;
      WhatsThisRequest(W, M->globalPosition().toPoint());
      return true;
    }
    case QEvent::KeyPress:
      if (FHelpMode && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
        ExitHelpMode();
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace zu
