// zuEdit: the edit with its button, attached label and text saver.
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

}  // namespace zu
