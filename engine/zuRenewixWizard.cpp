#include "engine/zuRenewixWizard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>

#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuInfoBoxForm.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichTextUtils.h"

namespace zu {

TzuRenewixWizardForm* WizardForm = nullptr;

namespace {

QString Q(const std::string& S) { return QString::fromStdString(S); }

// Design places inside LCurrentFile, and the group box itself.
constexpr int CurrentFileLeft = 136, CurrentFileTop = 34, CurrentFileWidth = 319, CurrentFileHeight = 125;
constexpr int FileURLTop = 28;

QLabel* MakeLabel(QWidget* Parent, const char* Name, int Left, int Top) {
  auto* L = new QLabel(Parent);
  L->setObjectName(Name);
  L->setTextFormat(Qt::PlainText);
  L->move(Left, Top);
  L->adjustSize();
  return L;
}

QProgressBar* MakeProgress(QWidget* Parent, const char* Name, int Left, int Top) {
  auto* P = new QProgressBar(Parent);
  P->setObjectName(Name);
  P->setRange(0, 100);
  P->setValue(0);
  P->setTextVisible(false);
  P->setGeometry(Left, Top, 307, 22);
  return P;
}

// The abort question is the platform's message box: while it is asked, its buttons take the
// captions of the message table (in the markup's plain form) instead of the toolkit's English.
class TTranslatedBoxButtons : public QObject {
 public:
  TTranslatedBoxButtons() { qApp->installEventFilter(this); }
  ~TTranslatedBoxButtons() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::Show)
      if (auto* Box = qobject_cast<QMessageBox*>(Watched)) TranslateMessageBoxButtons(*Box);
    return false;
  }
};

void SetTextColor(QWidget* W, QPalette::ColorRole Role) {
  QPalette P = W->palette();
  P.setColor(QPalette::WindowText, P.color(Role));
  W->setPalette(P);
}

}  // namespace

void TranslateMessageBoxButtons(QMessageBox& Box) {
  const std::pair<QMessageBox::StandardButton, int> Captions[] = {
      {QMessageBox::Yes, 14}, {QMessageBox::No, 15}, {QMessageBox::Ok, 16}, {QMessageBox::Cancel, 17}};
  for (const auto& [Button, Index] : Captions)
    if (QAbstractButton* B = Box.button(Button)) B->setText(Q(RichTextToPlain(RXLangStr(Index))));
}

// ---------- TzuTopLineBevel ----------

void TzuTopLineBevel::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const int R = width() - 1;
  P.setPen(palette().color(QPalette::Dark));
  P.drawLine(0, 0, R, 0);
  P.setPen(palette().color(QPalette::Light));
  P.drawLine(0, 1, R, 1);
}

// ---------- TzuEtchedGroupBox ----------

void TzuEtchedGroupBox::paintEvent(QPaintEvent*) {
  QPainter P(this);
  const QFontMetrics FM(font());
  const QRect Frame = rect().adjusted(0, FM.height() / 2, -1, -1);
  P.setPen(palette().color(QPalette::Light));
  P.drawRect(Frame.adjusted(1, 1, 0, 0));
  P.setPen(palette().color(QPalette::Dark));
  P.drawRect(Frame.adjusted(0, 0, -1, -1));
  const QString T = title();
  if (T.isEmpty()) return;
  const QRect Caption(8, 0, std::min(FM.horizontalAdvance(T), width() - 16), FM.height());
  P.fillRect(Caption, palette().color(QPalette::Window));
  P.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  P.drawText(Caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, T);
}

// ---------- TzuRenewixWizardForm ----------

const TClassInfo& TzuRenewixWizardForm::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRenewixWizardForm>("TzuRenewixWizardForm", &TForm::StaticClassInfo());
  return Info;
}

TzuRenewixWizardForm::TzuRenewixWizardForm(TComponent* AOwner, bool ReadForm) : TForm(AOwner) {
  setObjectName("RenewixWizardForm");
  SetName("RenewixWizardForm");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  // Only the main form ends the program; closing the wizard must not end running waits.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(DesignWidth, DesignHeight);

  PicP = new QFrame(this);
  PicP->setObjectName("PicP");
  PicP->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PicP->setLineWidth(1);
  PicP->setGeometry(10, 10, 120, 220);

  Img = new TzuProportionalImage(this, PicP);
  Img->SetName("Img");
  Img->setObjectName("Img");
  Img->SetStretch(true);
  Img->SetProportional(false);
  Img->SetBounds(1, 1, 118, 218);

  WizardTitle = MakeLabel(this, "WizardTitle", 136, 10);
  QFont TitleFont("Times New Roman");
  TitleFont.setStyleHint(QFont::Serif);  // the nearest serif face where Times New Roman is missing
  TitleFont.setPixelSize(19);
  TitleFont.setBold(true);
  TitleFont.setItalic(true);
  WizardTitle->setFont(TitleFont);
  WizardTitle->adjustSize();

  AfterNote = MakeLabel(this, "AfterNote", 136, 44);
  AfterNote->setWordWrap(true);
  AfterNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  AfterNote->setGeometry(136, 44, 319, 13);

  LCurrentFile = new TzuEtchedGroupBox(this);
  LCurrentFile->setObjectName("LCurrentFile");
  LCurrentFile->setGeometry(CurrentFileLeft, CurrentFileTop, CurrentFileWidth, CurrentFileHeight);
  LDownloadingFileFrom = MakeLabel(LCurrentFile, "LDownloadingFileFrom", 6, 14);
  FileURL = new QLineEdit(LCurrentFile);
  FileURL->setObjectName("FileURL");
  FileURL->setFrame(false);
  FileURL->setReadOnly(true);
  FileURL->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  FileURL->setTextMargins(0, 0, 0, 0);
  {
    QPalette P = FileURL->palette();
    P.setColor(QPalette::Base, P.color(QPalette::Button));
    P.setColor(QPalette::Text, P.color(QPalette::Highlight));
    FileURL->setPalette(P);
  }
  FileURL->setGeometry(10, FileURLTop, 301, 13);
  FileURL->installEventFilter(this);
  LFileSize = MakeLabel(LCurrentFile, "LFileSize", 6, 44);
  LTransferRate = MakeLabel(LCurrentFile, "LTransferRate", 6, 60);
  LEstimatedTime = MakeLabel(LCurrentFile, "LEstimatedTime", 6, 76);
  ProgressCurrentFile = MakeProgress(LCurrentFile, "ProgressCurrentFile", 6, 96);

  LAllFiles = new TzuEtchedGroupBox(this);
  LAllFiles->setObjectName("LAllFiles");
  LAllFiles->setGeometry(136, 162, 319, 67);
  AllDownloading = MakeLabel(LAllFiles, "AllDownloading", 6, 16);
  ProgressAllFiles = MakeProgress(LAllFiles, "ProgressAllFiles", 6, 38);

  Bevel1 = new TzuTopLineBevel(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setGeometry(10, 238, 447, 13);

  // The shadow first, so the caption lies on top of it; the shadow's opaque background is
  // what cuts the gap into the separator line.
  QFont AboutFont = font();
  AboutFont.setPixelSize(12);
  AboutShadow = MakeLabel(this, "AboutShadow", 31, 234);
  AboutShadow->setFont(AboutFont);
  SetTextColor(AboutShadow, QPalette::Light);
  AboutShadow->setAutoFillBackground(true);
  LAbout = MakeLabel(this, "LAbout", 30, 233);
  LAbout->setFont(AboutFont);
  SetTextColor(LAbout, QPalette::Dark);

  OKBtn = new TzuButton(this);
  OKBtn->SetName("OKBtn");
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(ButtonRight - 2 * ButtonWidth - ButtonGap, ButtonTop, ButtonWidth, ButtonHeight);
  OKBtn->SetEnabled(false);
  OKBtn->OnClick = [this](TObject* Sender) { OKBtnClick(Sender); };

  CancelBtn = new TzuButton(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(ButtonRight - ButtonWidth, ButtonTop, ButtonWidth, ButtonHeight);
  CancelBtn->SetDefault(true);
  CancelBtn->SetCancel(true);
  CancelBtn->OnClick = [this](TObject* Sender) { CancelBtnClick(Sender); };
  CancelBtn->setFocus();

  const THandle H = WidgetHandle(this);
  FOldProc = GetWindowProc(H);
  SetWindowProc(H, MakeWindowProc([this](THandle Wnd, TMessage& M) { WndProc(Wnd, M); }));

  if (ReadForm) ReadFormResource(*this);
}

TzuRenewixWizardForm::~TzuRenewixWizardForm() {
  if (WizardForm == this) WizardForm = nullptr;
  Destroying();
  // The widget still gets events while its bases are torn down; they must not reach us.
  SetWindowProc(WidgetHandle(this), FOldProc);
}

void TzuRenewixWizardForm::SetLabelText(QLabel* Label, const std::string& Text) {
  Label->setText(Q(Text));
  Label->adjustSize();
}

void TzuRenewixWizardForm::SetTitle(const std::string& Text) {
  QFont F = WizardTitle->font();
  F.setPixelSize(19);
  const QString T = Q(Text);
  const int Room = width() - WizardTitle->x() - 8;
  while (F.pixelSize() > 11 && QFontMetrics(F).horizontalAdvance(T) > Room) F.setPixelSize(F.pixelSize() - 1);
  WizardTitle->setFont(F);
  SetLabelText(WizardTitle, Text);
}

void TzuRenewixWizardForm::Setup(TzuRenewix* AComponent) {
  FComponent = AComponent;
  const std::string About = " " + LoadRXString(RXProductNameId) + " ";
  SetLabelText(LAbout, About);
  SetLabelText(AboutShadow, About);

  TzuRenewixWizard* W = AComponent ? AComponent->Wizard() : nullptr;
  if (W && W->StayOnTop()) SetStayOnTop(this, true);
  if (W && W->HideFileLocation()) {
    FileURL->hide();
    LDownloadingFileFrom->hide();
    LFileSize->move(LFileSize->x(), LDownloadingFileFrom->y());
    LTransferRate->move(LTransferRate->x(), LFileSize->y() + 16);
    LEstimatedTime->move(LEstimatedTime->x(), LTransferRate->y() + 16);
    ProgressCurrentFile->move(ProgressCurrentFile->x(), LEstimatedTime->y() + 20);
    // From the design place, so a second call leaves it where it is.
    LCurrentFile->setGeometry(CurrentFileLeft, CurrentFileTop + 10, CurrentFileWidth, CurrentFileHeight - 30);
  }
  if (W && W->Pic118x218()) {
    const TGraphic* G = W->Pic118x218()->Graphic();
    if (G && !G->Empty()) Img->Picture()->Assign(*W->Pic118x218());
  }

  SetLabelText(LEstimatedTime, RXLangStr(22));
  SetCaption(RXLangStr(0));
  SetTitle(RXLangStr(1));
  LCurrentFile->setTitle(Q(" " + RXLangStr(3) + " "));
  LAllFiles->setTitle(Q(" " + RXLangStr(4) + " "));
  SetLabelText(LDownloadingFileFrom, RXLangStr(5));
  // A script whose font is taller than the design's (CJK) pushes the address down under its
  // caption; the design's fonts leave it where it is.
  FileURL->move(FileURL->x(), std::max(FileURLTop, LDownloadingFileFrom->geometry().bottom() + 1));
  OKBtn->SetCaption(RichTextToPlain(RXLangStr(18)));
  CancelBtn->SetCaption(RichTextToPlain(RXLangStr(17)));
  LayoutButtons();
}

void TzuRenewixWizardForm::LayoutButtons() {
  // A caption wider than the design's button widens it; the row keeps its right edge.
  const int CancelWidth = std::max(ButtonWidth, CancelBtn->FittingWidth());
  const int OKWidth = std::max(ButtonWidth, OKBtn->FittingWidth());
  CancelBtn->setGeometry(ButtonRight - CancelWidth, ButtonTop, CancelWidth, ButtonHeight);
  OKBtn->setGeometry(CancelBtn->x() - ButtonGap - OKWidth, ButtonTop, OKWidth, ButtonHeight);
}

void TzuRenewixWizardForm::Finish() {
  SetTitle(RXLangStr(2));
  AfterNote->setText(Q(RXFmtLangStr(10, {Application().Title()})));
  // Auto-sized with word wrap: the width stays, the height follows the text.
  AfterNote->resize(AfterNote->width(), std::max(AfterNote->heightForWidth(AfterNote->width()), 13));
  LCurrentFile->hide();
  LAllFiles->hide();
  CancelBtn->SetEnabled(false);
  OKBtn->SetCaption(RichTextToPlain(RXLangStr(16)));
  LayoutButtons();
  OKBtn->SetEnabled(true);
  OKBtn->setFocus();
  FCompleted = true;
}

void TzuRenewixWizardForm::WndProc(THandle Wnd, TMessage& Message) {
  ++FBusy;
  struct TLeave {
    TzuRenewixWizardForm* F;
    ~TLeave() {
      // Freed only once no handler of ours is running any more.
      if (--F->FBusy == 0 && F->FReleased) F->deleteLater();
    }
  } Leave{this};
  if (Message.Msg == WM_SYSCOMMAND && !FCloseAllowed)
    WMSysCommand(Message);
  else
    CallWindowProc(FOldProc, Wnd, Message);
}

void TzuRenewixWizardForm::WMSysCommand(TMessage& Message) {
  const THandle Wnd = WidgetHandle(this);
  if ((Message.WParam & 0xFFF0) != SC_CLOSE) {
    CallWindowProc(FOldProc, Wnd, Message);
    return;
  }
  int Answer;
  {
    TTranslatedBoxButtons Translated;
    Answer = MsgBox(RXLangStr(27), MB_YESNO | MB_ICONQUESTION);
  }
  // The component may have freed the window while the question was open.
  if (FReleased || Answer != IDYES) return;
  TzuRenewix* C = FComponent;
  FCloseAllowed = true;
  // A close request in progress (close box) goes on; a posted command closes the window here.
  CallWindowProc(FOldProc, Wnd, Message);
  if (!FClosed) close();
  FCloseAllowed = false;
  if (FClosed && C) C->Abort(false);
}

void TzuRenewixWizardForm::closeEvent(QCloseEvent* Event) {
  // Every close passes the window procedure, which asks first or lets OK's close through.
  if (!FCloseAllowed || FReleased) {
    Event->ignore();
    return;
  }
  Event->accept();
  if (!FClosed) FormClose();
}

void TzuRenewixWizardForm::FormClose() {
  FClosed = true;
  if (WizardForm == this) WizardForm = nullptr;
  TzuRenewix* C = FComponent;
  FComponent = nullptr;
  Release();
  if (C) C->StopWaiting();
}

void TzuRenewixWizardForm::Release() {
  if (FReleased) return;
  FReleased = true;
  if (WizardForm == this) WizardForm = nullptr;
  if (FBusy > 0) {
    hide();  // freed when the running handler returns (see WndProc)
    return;
  }
  delete this;
}

void TzuRenewixWizardForm::OKBtnClick(TObject*) {
  FCloseAllowed = true;
  close();
  FCloseAllowed = false;
}

void TzuRenewixWizardForm::CancelBtnClick(TObject*) {
  // Posted, so the question is asked once the click is over.
  PostMessage(WidgetHandle(this), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TzuRenewixWizardForm::FileURLKeyPress(QObject*, char& Key) { Key = 0; }

bool TzuRenewixWizardForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FileURL && Event->type() == QEvent::KeyPress) {
    auto* K = static_cast<QKeyEvent*>(Event);
    const int Key = K->key();
    const bool DialogKeys = Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == Qt::Key_Escape ||
                            Key == Qt::Key_Tab || Key == Qt::Key_Backtab;
    // Shortcuts (Ctrl+C, Ctrl+A) are no typed characters: the address can still be copied.
    const bool Shortcut = K->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier);
    if (!K->text().isEmpty() && !DialogKeys && !Shortcut) {
      const QChar C = K->text().at(0);
      char Ch = C.unicode() < 0x80 ? static_cast<char>(C.unicode()) : '?';
      FileURLKeyPress(FileURL, Ch);
      if (Ch == 0) return true;
    }
  }
  return TForm::eventFilter(Watched, Event);
}

void TzuRenewixWizardForm::keyPressEvent(QKeyEvent* Event) {
  const int Key = Event->key();
  const Qt::KeyboardModifiers Mods = Event->modifiers() & ~Qt::KeypadModifier;
  if (Key == Qt::Key_Escape && Mods == Qt::NoModifier) {
    DialogKey(this, Key);
    Event->accept();
    return;
  }
  if ((Key == Qt::Key_Return || Key == Qt::Key_Enter) && Mods == Qt::NoModifier) {
    DialogEnter(this);
    Event->accept();
    return;
  }
  TForm::keyPressEvent(Event);
}

// ---------- the unit's functions ----------

void ShowRenewixWizard(TzuRenewix* Component) {
  const bool Created = !WizardForm;
  if (Created) WizardForm = new TzuRenewixWizardForm(nullptr);
  WizardForm->Setup(Component);
  if (Created) PlaceForm(*WizardForm, poScreenCenter);
  WizardForm->show();
}

void FreeRenewixWizard() {
  TzuRenewixWizardForm* F = WizardForm;
  WizardForm = nullptr;
  if (F) F->Release();
}

void WizardSetFileURL(const std::string& Text) {
  if (!WizardForm) return;
  WizardForm->FileURL->setText(Q(Text));
  WizardForm->FileURL->setCursorPosition(0);  // the start of the address shows
}

void WizardSetAllDownloading(const std::string& Text) {
  if (WizardForm) TzuRenewixWizardForm::SetLabelText(WizardForm->AllDownloading, Text);
}

void WizardSetFileSize(const std::string& Text) {
  if (WizardForm) TzuRenewixWizardForm::SetLabelText(WizardForm->LFileSize, Text);
}

void WizardSetTransferRate(const std::string& Text) {
  if (WizardForm) TzuRenewixWizardForm::SetLabelText(WizardForm->LTransferRate, Text);
}

void WizardSetEstimatedTime(const std::string& Text) {
  if (WizardForm) TzuRenewixWizardForm::SetLabelText(WizardForm->LEstimatedTime, Text);
}

void WizardSetProgress(int CurrentFile, int AllFiles) {
  if (!WizardForm) return;
  WizardForm->ProgressCurrentFile->setValue(std::clamp(CurrentFile, 0, 100));
  WizardForm->ProgressAllFiles->setValue(std::clamp(AllFiles, 0, 100));
}

void WizardFinish() {
  if (WizardForm) WizardForm->Finish();
}

}  // namespace zu
