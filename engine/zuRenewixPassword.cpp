#include "engine/zuRenewixPassword.h"

#include <QKeyEvent>
#include <QPointer>

#include <algorithm>

#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPasswordForm.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Forms.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBoxForm.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichLabel.h"
#include "widgets/zuRichTextUtils.h"

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
  zuRichLabel1->SetBounds(ExplanationLeft, 5, ExplanationWidth, 13);

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
    E->SetBounds(FieldLeft, Top, FieldWidth, 21);
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
    B->setGeometry(Left, ButtonTop, ButtonWidth, ButtonHeight);
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
  if (!HideFileLocation) {
    // A bracket in the file name is a character, not markup.
    std::string Name;
    for (char C : FileName) {
      Name += C;
      if (C == '[' || C == ']') Name += C;
    }
    return RXFmtLangStr(29, {Name});
  }
  // The placeholder goes with the quotation marks round it (each language has its own) and
  // the blank before it; a sentence that starts with it loses the blank after it instead.
  QString S = QString::fromStdString(RXLangStr(29));
  QString Placeholder = QStringLiteral("[b]%s[]");
  qsizetype At = S.indexOf(Placeholder);
  if (At < 0) {
    Placeholder = QStringLiteral("%s");
    At = S.indexOf(Placeholder);
  }
  if (At < 0) return S.toStdString();
  auto IsBlank = [](QChar C) { return C == u' ' || C == QChar(0xA0) || C == QChar(0x202F); };
  auto IsQuote = [](QChar C) {
    return QStringView(u"\"'\u00AB\u00BB\u201E\u201C\u201D\u201A\u2018\u2019\u300C\u300D\u300E\u300F\u2039\u203A").contains(C);
  };
  qsizetype From = At, To = At + Placeholder.size();
  qsizetype L = From;
  while (L > 0 && IsBlank(S[L - 1])) --L;
  if (L > 0 && IsQuote(S[L - 1])) From = L - 1;
  qsizetype R = To;
  while (R < S.size() && IsBlank(S[R])) ++R;
  if (R < S.size() && IsQuote(S[R])) To = R + 1;
  if (From > 0 && IsBlank(S[From - 1])) {
    --From;
  } else if (From == 0) {
    while (To < S.size() && IsBlank(S[To])) ++To;
  }
  S.remove(From, To - From);
  if (From == 0 && !S.isEmpty()) S[0] = S[0].toUpper();
  return S.toStdString();
}

int TzuRenewixPasswordForm::CaptionRoom() const {
  // The room the captions need: the wider one and a gap before the field.
  int Widest = 0;
  for (TzuEdit* E : {UsernameEdit, PasswordEdit})
    Widest = std::max(Widest, E->AttachedLabel()->Label()->sizeHint().width());
  return Widest + CaptionGap;
}

void TzuRenewixPasswordForm::Setup(TzuRenewix* AComponent, const std::string& FileName) {
  FComponent = AComponent;
  TzuRenewixWizard* W = AComponent ? AComponent->Wizard() : nullptr;
  if (W && W->StayOnTop()) SetStayOnTop(this, true);
  setWindowTitle(QString::fromStdString(RXLangStr(11)));

  UsernameEdit->AttachedLabel()->SetCaption(RXLangStr(12));
  PasswordEdit->AttachedLabel()->SetCaption(RXLangStr(13));
  OKBtn->SetCaption(RichTextToPlain(RXLangStr(16)));
  CancelBtn->SetCaption(RichTextToPlain(RXLangStr(17)));

  // Captions wider than the design leaves move the fields right and widen the dialog by as
  // much; the buttons keep their right edge under the fields and grow to their captions.
  const int Extra = std::max(0, CaptionRoom() - (FieldLeft - ExplanationLeft));
  for (TzuEdit* E : {UsernameEdit, PasswordEdit}) E->SetLeft(FieldLeft + Extra);
  const int Right = FieldLeft + Extra + FieldWidth;
  const int CancelWidth = std::max(ButtonWidth, CancelBtn->FittingWidth());
  const int OKWidth = std::max(ButtonWidth, OKBtn->FittingWidth());
  CancelBtn->setGeometry(Right - CancelWidth, ButtonTop, CancelWidth, ButtonHeight);
  OKBtn->setGeometry(CancelBtn->x() - ButtonGap - OKWidth, ButtonTop, OKWidth, ButtonHeight);
  const int Width = DesignWidth + Extra;
  setFixedSize(Width, height());
  zuRichLabel1->SetWidth(ExplanationWidth + Extra);
  zuRichLabel1->SetCaption(ExplanationText(W && W->HideFileLocation(), FileName));

  // The captions start at the explanation's left edge.
  const int Spacing = UsernameEdit->Left() - zuRichLabel1->Left();
  UsernameEdit->AttachedLabel()->SetSpacing(Spacing);
  UsernameEdit->SetText(AComponent ? AComponent->HTTPUsername() : std::string());
  PasswordEdit->AttachedLabel()->SetSpacing(Spacing);
  PasswordEdit->SetText(std::string());

  setFixedSize(Width, zuRichLabel1->Top() + zuRichLabel1->Height() + BottomPanelHeight);
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
