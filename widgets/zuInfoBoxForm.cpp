#include "widgets/zuInfoBoxForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "widgets/zuInfoBox.h"
#include "widgets/zuRichTextUtils.h"

namespace zu {

void PlaceForm(QWidget& Form, TPosition Position) {
  if (Position == poDesigned || Position == poDefault || Position == poDefaultPosOnly ||
      Position == poDefaultSizeOnly)
    return;
  const QSize Size = Form.frameGeometry().size();
  QRect Area;
  QWidget* Main = Application().MainForm();
  if ((Position == poMainFormCenter || Position == poOwnerFormCenter) && Main && Main != &Form && Main->isVisible())
    Area = Main->frameGeometry();
  else if (const QScreen* S = QGuiApplication::primaryScreen())
    Area = Position == poDesktopCenter ? S->virtualGeometry() : S->availableGeometry();
  if (Area.isEmpty()) return;
  Form.move(Area.left() + (Area.width() - Size.width()) / 2, Area.top() + (Area.height() - Size.height()) / 2);
}

// ---------- TzuInfoBoxIcons ----------

const TClassInfo& TzuInfoBoxIcons::StaticClassInfo() {
  using T = TzuInfoBoxIcons;
  static const TClassInfo Info = TClassBuilder<T>("TzuInfoBoxIcons", &TComponent::StaticClassInfo())
                                     .Object("Stop", &T::Stop)
                                     .Object("Question", &T::Question)
                                     .Object("Exclamation", &T::Exclamation)
                                     .Object("Information", &T::Information);
  return Info;
}

TzuInfoBoxIcons::TzuInfoBoxIcons(TComponent* AOwner) : TComponent(AOwner) {
  for (auto& I : FIcons) I = std::make_unique<TzuPicture>();
}

TzuPicture* TzuInfoBoxIcons::ById(int Id) const {
  return Id >= idStop && Id <= idInformation ? FIcons[Id - idStop].get() : nullptr;
}

// ---------- TzuInfoBoxForm ----------

const TClassInfo& TzuInfoBoxForm::StaticClassInfo() {
  using T = TzuInfoBoxForm;
  static const TClassInfo Info = TClassBuilder<T>("TzuInfoBoxForm", &TComponent::StaticClassInfo())
                                     .Str("Caption", &T::Caption, &T::SetCaption)
                                     .Int("ClientWidth", &T::ClientWidth, &T::SetClientWidth)
                                     .Int("ClientHeight", &T::ClientHeight, &T::SetClientHeight);
  return Info;
}

TzuInfoBoxForm::TzuInfoBoxForm(TComponent* AOwner, bool ReadForm)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      TComponent(AOwner) {
  setObjectName("InfoBoxForm");
  SetName("InfoBoxForm");
  resize(DesignWidth, DesignHeight);

  Icon = new TzuProportionalImage(this);
  Icon->SetName("Icon");
  Icon->SetAutoSize(true);
  Icon->SetTransparent(true);
  Icon->SetBounds(12, 12, 32, 32);

  Text = new TzuRichLabel(this);
  Text->SetName("Text");
  Text->SetTransparent(true);
  Text->SetBounds(52, 12, 299, 13);

  Picture = new TzuProportionalImage(this);
  Picture->SetName("Picture");
  Picture->SetAutoSize(true);
  Picture->SetBounds(86, 48, 0, 0);
  Picture->SetVisible(false);

  CheckBox = new TzuCheckBox(this);
  CheckBox->SetName("CheckBox");
  CheckBox->setGeometry(52, 118, 210, 17);
  CheckBox->SetChecked(true);
  CheckBox->SetHint("|Check this box if you don't want this message appear in future.");

  btns = new TzuButtonsPanel(this);
  btns->SetName("btns");
  btns->SetAlignment(zaCenter);
  btns->SetMarginVert(7);
  btns->BtnApply()->SetEnabled(false);
  btns->BtnApply()->SetVisible(false);
  btns->BtnHelp()->SetVisible(false);
  btns->BtnCustom()->SetVisible(false);
  btns->UpdateButtons();

  FH = new TzuFormHelp(this);
  FH->SetName("FH");

  SysIcons = new TzuInfoBoxIcons(this);
  SysIcons->SetName("SysIcons");

  if (ReadForm) ReadFormResource(*this);
}

TzuInfoBoxForm::~TzuInfoBoxForm() { Destroying(); }

void TzuInfoBoxForm::SetEscCancel(bool Value) {
  FEscCancel = Value;
  // Without the close box the window's Close command is gone; closeEvent refuses it too.
  setWindowFlag(Qt::WindowCloseButtonHint, Value);
}

std::string TzuInfoBoxForm::PlainText() const {
  const TzuTextStyle* S = Text->TextStyle();
  return S->PlainText() ? Text->Caption() : DeleteAllTagsUnescaped(Text->Caption(), S->TagOpen(), S->TagClose());
}

void TzuInfoBoxForm::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  raise();
  activateWindow();
  if (!FSoundPlayed) {
    FSoundPlayed = true;
    PlaySystemSound(FSound, true, false);
  }
}

void TzuInfoBoxForm::closeEvent(QCloseEvent* Event) {
  if (!FEscCancel) {
    Event->ignore();
    return;
  }
  Event->accept();
  done(mrCancel);
}

void TzuInfoBoxForm::reject() {
  // Qt's own reject (Esc, window manager) is the close box: Cancel, and only when allowed.
  if (FEscCancel) done(mrCancel);
}

void TzuInfoBoxForm::keyPressEvent(QKeyEvent* Event) {
  const int Key = Event->key();
  if (Key == Qt::Key_Escape) {
    if (FEscCancel) DialogKey(this, Key);
    Event->accept();
    return;
  }
  if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && Event->modifiers() == Qt::NoModifier) {
    DialogEnter(this);
    Event->accept();
    return;
  }
  QDialog::keyPressEvent(Event);
}

bool TzuInfoBoxForm::CopyKey(QKeyEvent* Event) {
  return (Event->modifiers() & Qt::ControlModifier) && (Event->key() == Qt::Key_C || Event->key() == Qt::Key_Insert);
}

void TzuInfoBoxForm::keyReleaseEvent(QKeyEvent* Event) {
  if (CopyKey(Event)) {
    PutClipboardString(1, PlainText());
    Event->accept();
    return;
  }
  QDialog::keyReleaseEvent(Event);
}

}  // namespace zu
