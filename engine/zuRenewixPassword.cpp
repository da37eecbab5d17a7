#include "engine/zuRenewixPassword.h"

#include <QKeyEvent>
#include <QPointer>

#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPasswordForm.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBoxForm.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichLabel.h"

namespace zu {

TzuRenewixPasswordForm* PasswordForm = nullptr;

const TClassInfo& TzuRenewixPasswordForm::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRenewixPasswordForm>("TzuRenewixPasswordForm", &TComponent::StaticClassInfo());
  return Info;
}

TzuRenewixPasswordForm::TzuRenewixPasswordForm(TComponent* AOwner, bool ReadForm)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      TComponent(AOwner) {
  setObjectName("RenewixPasswordForm");
  SetName("RenewixPasswordForm");
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(DesignWidth, DesignHeight);

  zuRichLabel1 = new TzuRichLabel(this);
  zuRichLabel1->SetName("zuRichLabel1");
  zuRichLabel1->setObjectName("zuRichLabel1");
  zuRichLabel1->SetTransparent(true);
  zuRichLabel1->SetWordWrap(true);
  zuRichLabel1->SetBounds(45, 5, 246, 13);

  Image1 = new TzuProportionalImage(this);
  Image1->SetName("Image1");
  Image1->setObjectName("Image1");
  Image1->SetAutoSize(true);
  Image1->SetTransparent(true);
  Image1->SetBounds(7, 5, 32, 32);

  BottomPanel = new QWidget(this);
  BottomPanel->setObjectName("BottomPanel");
  BottomPanel->setGeometry(0, DesignHeight - BottomPanelHeight, DesignWidth, BottomPanelHeight);

  auto MakeEdit = [this](const char* Name, int Top) {
    auto* E = new TzuEdit(this, BottomPanel);
    E->SetName(Name);
    E->setObjectName(Name);
    E->SetBounds(128, Top, 157, 21);
    E->AttachedLabel()->SetSpacingKind(skFarPoint);
    E->AttachedLabel()->SetVisible(true);
    return E;
  };
  UsernameEdit = MakeEdit("UsernameEdit", 10);
  PasswordEdit = MakeEdit("PasswordEdit", 34);
  PasswordEdit->SetPasswordChar('*');

  auto MakeButton = [this](const char* Name, int Left, int Result) {
    auto* B = new TzuButton(this, BottomPanel);
    B->SetName(Name);
    B->setObjectName(Name);
    B->setGeometry(Left, 68, 75, 23);
    B->SetModalResult(Result);
    return B;
  };
  OKBtn = MakeButton("OKBtn", 120, mrOk);
  OKBtn->SetDefault(true);
  OKBtn->OnClick = [this](TObject* Sender) { OKBtnClick(Sender); };
  CancelBtn = MakeButton("CancelBtn", 210, mrCancel);
  CancelBtn->SetCancel(true);

  connect(this, &QDialog::finished, this, [this] { FormClose(); });
  if (ReadForm) ReadFormResource(*this);
}

TzuRenewixPasswordForm::~TzuRenewixPasswordForm() {
  if (PasswordForm == this) PasswordForm = nullptr;
  Destroying();
}

std::string TzuRenewixPasswordForm::ExplanationText(bool HideFileLocation, const std::string& FileName) {
  if (!HideFileLocation) return RXFmtLangStr(29, {FileName});
  std::string S = RXLangStr(29);
  static const std::string Quoted = "\"[b]%s[]\"";
  const size_t At = S.find(Quoted);
  if (At == std::string::npos) return S;
  // One character before the quote goes too: a whole UTF-8 sequence, not just its last byte.
  size_t From = At;
  if (From > 0) {
    --From;
    while (From > 0 && (static_cast<unsigned char>(S[From]) & 0xC0) == 0x80) --From;
  }
  S.erase(From, At + Quoted.size() - From);
  return S;
}

void TzuRenewixPasswordForm::Setup(TzuRenewix* AComponent, const std::string& FileName) {
  FComponent = AComponent;
  TzuRenewixWizard* W = AComponent ? AComponent->Wizard() : nullptr;
  if (W && W->StayOnTop()) SetStayOnTop(this, true);
  zuRichLabel1->SetCaption(ExplanationText(W && W->HideFileLocation(), FileName));
  setWindowTitle(QString::fromStdString(RXLangStr(11)));

  // The captions start at the explanation's left edge.
  const int Spacing = UsernameEdit->Left() - zuRichLabel1->Left();
  UsernameEdit->AttachedLabel()->SetCaption(RXLangStr(12));
  UsernameEdit->AttachedLabel()->SetSpacing(Spacing);
  UsernameEdit->SetText(AComponent ? AComponent->HTTPUsername() : std::string());
  PasswordEdit->AttachedLabel()->SetCaption(RXLangStr(13));
  PasswordEdit->AttachedLabel()->SetSpacing(Spacing);
  PasswordEdit->SetText(std::string());

  OKBtn->SetCaption(RXLangStr(16));
  CancelBtn->SetCaption(RXLangStr(17));

  setFixedSize(DesignWidth, zuRichLabel1->Top() + zuRichLabel1->Height() + BottomPanelHeight);
  UsernameEdit->setFocus();
}

void TzuRenewixPasswordForm::OKBtnClick(TObject*) {
  if (!FComponent) return;
  FComponent->SetHTTPUsername(UsernameEdit->Text());
  FComponent->SetHTTPPassword(PasswordEdit->Text());
}

void TzuRenewixPasswordForm::FormClose() {
  if (PasswordForm == this) PasswordForm = nullptr;
}

void TzuRenewixPasswordForm::resizeEvent(QResizeEvent* Event) {
  QDialog::resizeEvent(Event);
  BottomPanel->setGeometry(0, height() - BottomPanelHeight, width(), BottomPanelHeight);
}

void TzuRenewixPasswordForm::reject() {
  // Esc and the close box: the Cancel button's result.
  done(mrCancel);
}

void TzuRenewixPasswordForm::keyPressEvent(QKeyEvent* Event) {
  const int Key = Event->key();
  const Qt::KeyboardModifiers Mods = Event->modifiers() & ~Qt::KeypadModifier;
  if (Key == Qt::Key_Escape && Mods == Qt::NoModifier) {
    if (!DialogKey(this, Key)) reject();
    Event->accept();
    return;
  }
  if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && Mods == Qt::NoModifier) {
    DialogEnter(this);
    Event->accept();
    return;
  }
  QDialog::keyPressEvent(Event);
}

// ---------- the unit's function ----------

bool ShowPasswordBox(TzuRenewix* Component, const std::string& FileName) {
  // A dialog that is already open is running its own modal loop: it cannot be run again.
  if (PasswordForm && PasswordForm->isVisible()) return false;
  if (!PasswordForm) PasswordForm = new TzuRenewixPasswordForm(nullptr);
  QPointer<TzuRenewixPasswordForm> F = PasswordForm;
  F->Setup(Component, FileName);
  PlaceForm(*F, poScreenCenter);
  const int Result = F->exec();
  // Freed here rather than from its own handlers: exec must be over before the form goes.
  if (F) {
    if (PasswordForm == F) PasswordForm = nullptr;
    delete F.data();
  }
  return Result == mrOk;
}

}  // namespace zu
