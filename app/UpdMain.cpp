#include "app/UpdMain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>

#include <cstdlib>
#include <map>

#include "app/AppControls.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Streams.h"
#include "widgets/zuInfoBoxForm.h"

// ZU_UPDATE_SERVER: the CMake cache variable of the same name.

namespace zu {

TfrmUpdMain* frmUpdMain = nullptr;

namespace {

const char* const InfoText = "Click Button \"Check Updates\" to check program updates...";

// Designed places: left, top, width, height.
constexpr int CheckLeft = 284, CloseLeft = 388, ButtonsTop = 91;

// Handlers run from window and component events: what they throw goes to the
// application's handler, never back into the event's caller.
template <class... Args>
std::function<void(Args...)> Guarded(std::function<void(Args...)> F) {
  return [F = std::move(F)](Args... A) {
    try {
      F(std::forward<Args>(A)...);
    } catch (...) {
      Application().HandleCurrentException();
    }
  };
}

bool EndsWithNoCase(const std::string& S, const std::string& Suffix) {
  if (S.size() < Suffix.size()) return false;
  for (size_t I = 0; I < Suffix.size(); ++I)
    if (std::tolower(static_cast<unsigned char>(S[S.size() - Suffix.size() + I])) != Suffix[I]) return false;
  return true;
}

// The framework's TPicture.LoadFromFile: the graphic class by the file's extension.
void LoadPictureFromFile(TPicture& Picture, const std::string& FileName) {
  const char* Class = "TBitmap";
  if (EndsWithNoCase(FileName, ".jpg") || EndsWithNoCase(FileName, ".jpeg"))
    Class = "TJPEGImage";
  else if (EndsWithNoCase(FileName, ".ico"))
    Class = "TIcon";
  auto Graphic = CreateGraphic(Class);
  TMemoryStream Stream;
  Stream.LoadFromFile(FileName);
  Stream.SetPosition(0);
  Graphic->LoadFromStream(Stream);
  Picture.SetGraphic(std::move(Graphic));
}

}  // namespace

void ShowMessage(const std::string& Text) { Application().MessageBox(Text, Application().Title(), MB_OK); }

std::string UpdateServerAddress() {
  const char* Env = std::getenv("RENEWIX_UPDATE_SERVER");
  std::string Address = Env && *Env ? Env : ZU_UPDATE_SERVER;
  if (!Address.empty() && Address.back() != '/') Address += '/';
  return Address;
}

// ---------- TfrmUpdMain ----------

const TClassInfo& TfrmUpdMain::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TfrmUpdMain>("TfrmUpdMain", &TForm::StaticClassInfo())
                                     .Bool("KeyPreview", &TfrmUpdMain::KeyPreview, &TfrmUpdMain::SetKeyPreview, false)
                                     .Event("OnClose")
                                     .Event("OnCreate")
                                     .Event("OnShow");
  return Info;
}

TfrmUpdMain::TfrmUpdMain(TComponent* AOwner, bool ReadForm) : TForm(AOwner) {
  setObjectName("frmUpdMain");
  SetName("frmUpdMain");
  // Single fixed border with the system menu and the minimise button only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(DesignWidth, DesignHeight);
  SetCaption("Renewix");
  {
    QPalette P = palette();
    P.setColor(QPalette::Window, QColor::fromRgb(CreamColor));
    setPalette(P);
    setAutoFillBackground(true);
  }
  {
    // MS Sans Serif 8 point: the nearest sans-serif face at the pixel height it has at 96 dpi.
    QFont F("MS Sans Serif");
    F.setStyleHint(QFont::SansSerif);
    F.setPixelSize(11);
    setFont(F);
  }

  zuUpgrdr1 = new TzuRenewix(this);
  zuUpgrdr1->SetName("zuUpgrdr1");

  btnCheck = new TBitBtn(this);
  btnCheck->SetName("btnCheck");
  btnCheck->setObjectName("btnCheck");
  btnCheck->setGeometry(CheckLeft, ButtonsTop, 100, 25);
  btnCheck->SetCaption("&Check Updates");

  btnClose = new TBitBtn(this);
  btnClose->SetName("btnClose");
  btnClose->setObjectName("btnClose");
  btnClose->setGeometry(CloseLeft, ButtonsTop, 75, 25);
  btnClose->SetCaption("&Close");
  btnClose->SetNumGlyphs(2);

  XPMenu1 = new TXPMenu(this);
  XPMenu1->SetName("XPMenu1");

  gbInfo = new TzuEtchedGroupBox(this);
  gbInfo->setObjectName("gbInfo");
  gbInfo->setGeometry(12, 8, 450, 75);

  imgInfo = new TImage(this, gbInfo);
  imgInfo->SetName("imgInfo");
  imgInfo->setObjectName("imgInfo");
  imgInfo->setGeometry(8, 12, 47, 47);
  imgInfo->SetAutoSize(true);

  lblInfo = new QLabel(gbInfo);
  lblInfo->setObjectName("lblInfo");
  lblInfo->setTextFormat(Qt::PlainText);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblInfo->setWordWrap(true);
  lblInfo->setAutoFillBackground(false);  // transparent: the group box shows through
  lblInfo->setGeometry(65, 12, 370, 52);
  lblInfo->setText(InfoText);

  version1 = new TKwVersionInfo(this);
  version1->SetName("version1");

  // Tab order: the group box (it takes no focus itself), then the two buttons.
  gbInfo->setFocusPolicy(Qt::NoFocus);
  setTabOrder(btnCheck, btnClose);
  for (QWidget* W : findChildren<QWidget*>()) W->installEventFilter(this);

  if (ReadForm) ReadFormResource(*this);
  if (OnCreate) OnCreate(this);
}

TfrmUpdMain::~TfrmUpdMain() {
  if (frmUpdMain == this) frmUpdMain = nullptr;
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

bool TfrmUpdMain::BindEvent(TComponent* Target, const std::string& Event, const std::string& MethodName) {
  // The methods of the notify type, which any notify event may take.
  static const std::map<std::string, void (TfrmUpdMain::*)(TObject*)> Notify{
      {"btnCheckClick", &TfrmUpdMain::btnCheckClick},
      {"btnCloseClick", &TfrmUpdMain::btnCloseClick},
      {"FormCreate", &TfrmUpdMain::FormCreate},
      {"FormShow", &TfrmUpdMain::FormShow},
      {"zuUpgrdr1NoUpdateAvailable", &TfrmUpdMain::zuUpgrdr1NoUpdateAvailable},
      {"zuUpgrdr1Aborted", &TfrmUpdMain::zuUpgrdr1Aborted},
      {"zuUpgrdr1AfterRestart", &TfrmUpdMain::zuUpgrdr1AfterRestart}};
  TNotifyEvent Handler;
  if (auto It = Notify.find(MethodName); It != Notify.end())
    Handler = Guarded(TNotifyEvent([this, M = It->second](TObject* Sender) { (this->*M)(Sender); }));

  TNotifyEvent* Slot = nullptr;
  if (Target == this) {
    if (Event == "OnCreate") Slot = &OnCreate;
    if (Event == "OnShow") Slot = &OnShow;
    if (Event == "OnClose" && MethodName == "FormClose") {
      OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
      return true;
    }
  } else if (auto* B = dynamic_cast<TzuButton*>(Target)) {
    if (Event == "OnClick") Slot = &B->OnClick;
  } else if (auto* R = dynamic_cast<TzuRenewix*>(Target)) {
    if (Event == "OnBeginUpgrade" && MethodName == "zuUpgrdr1BeginUpgrade") {
      R->OnBeginUpgrade = Guarded(TzuRXBeginUpgradeEvent(
          [this](TObject* S, const std::string& Msg, TzuUpgradeMethod M, TStringList* Files, bool& Can) {
            zuUpgrdr1BeginUpgrade(S, Msg, M, Files, Can);
          }));
      return true;
    }
    if (Event == "OnFileStart" && MethodName == "zuUpgrdr1FileStart") {
      R->OnFileStart = Guarded(TzuRXFileStartEvent(
          [this](TObject* S, const std::string& URL, std::int32_t Size, TDateTime Time, bool& Can) {
            zuUpgrdr1FileStart(S, URL, Size, Time, Can);
          }));
      return true;
    }
    if (Event == "OnFileDone" && MethodName == "zuUpgrdr1FileDone") {
      R->OnFileDone = Guarded(
          TzuRXFileDoneEvent([this](TObject* S, const std::string& Name) { zuUpgrdr1FileDone(S, Name); }));
      return true;
    }
    const std::map<std::string, TNotifyEvent*> Slots{
        {"OnLaterUpgrade", &R->OnLaterUpgrade}, {"OnDoOwnCloseAppMethod", &R->OnDoOwnCloseAppMethod},
        {"OnAfterRestart", &R->OnAfterRestart}, {"OnAborted", &R->OnAborted},
        {"OnConnLost", &R->OnConnLost},         {"OnNoUpdateAvailable", &R->OnNoUpdateAvailable},
        {"OnNoInfoFile", &R->OnNoInfoFile}};
    if (auto It = Slots.find(Event); It != Slots.end()) Slot = It->second;
  }
  if (!Slot || !Handler) return false;
  *Slot = Handler;
  return true;
}

void TfrmUpdMain::FormCreate(TObject*) {}

void TfrmUpdMain::FormShow(TObject*) {
  SetCaption(Caption() + " (Ver" + version1->GetField(TKwVersionInfo::viFileVersion) + ")");
  lblInfo->setText(InfoText);
  FAutoCheck = false;
  FHideFileLocation = true;
  FAutoCheckDelay = 30000;
  FWizardPicture.clear();
  FVersionNumber = version1->GetField(TKwVersionInfo::viFileVersion);
  FRestartParams = "/verysilent";
  FInfoBaseURL = UpdateServerAddress();
  FInfoFileName = "SablewingUpdate.inf";
  FUsername.clear();
  FPassword.clear();
}

void TfrmUpdMain::btnCheckClick(TObject*) {
  TzuRenewix& R = *zuUpgrdr1;
  R.SetInfoFileURL(FInfoBaseURL + FInfoFileName);
  R.SetHTTPUsername(FUsername);
  R.SetHTTPPassword(FPassword);
  R.SetMiscFilesUpgrade(mfuAlwaysDownload);
  R.SetRestartParams(FRestartParams);
  R.SetVersionControl(byNumber);
  R.SetVersionNumber(FVersionNumber);
  R.SetAutoCheck(FAutoCheck);
  R.SetAutoCheckDelay(FAutoCheckDelay);
  R.Wizard()->SetEnabled(true);
  R.Wizard()->SetHideFileLocation(FHideFileLocation);
  R.Wizard()->SetLanguage(wlAuto);
  if (!FWizardPicture.empty()) LoadPictureFromFile(*R.Wizard()->Pic118x218(), FWizardPicture);
  R.Wizard()->SetStayOnTop(true);
  R.CheckUpdate(false);
}

void TfrmUpdMain::btnCloseClick(TObject*) { close(); }

void TfrmUpdMain::FormClose(TObject*, TCloseAction& Action) {
  Action = caFree;
  frmUpdMain = nullptr;
}

void TfrmUpdMain::zuUpgrdr1NoUpdateAvailable(TObject*) { ShowMessage("No Available Updates!!!"); }
void TfrmUpdMain::zuUpgrdr1Aborted(TObject*) { ShowMessage("zuUpgrdr1Aborted"); }
void TfrmUpdMain::zuUpgrdr1AfterRestart(TObject*) { ShowMessage("zuUpgrdr1AfterRestart"); }

void TfrmUpdMain::zuUpgrdr1BeginUpgrade(TObject*, const std::string&, TzuUpgradeMethod, TStringList*, bool&) {
  ShowMessage("zuUpgrdr1BeginUpgrade");
}

void TfrmUpdMain::zuUpgrdr1FileDone(TObject*, const std::string&) { ShowMessage("zuUpgrdr1FileDone"); }

void TfrmUpdMain::zuUpgrdr1FileStart(TObject*, const std::string&, std::int32_t, TDateTime, bool&) {
  ShowMessage("zuUpgrdr1FileStart");
}

// ---------- window events ----------

void TfrmUpdMain::showEvent(QShowEvent* Event) {
  if (!Event->spontaneous()) {
    // Centred on the screen when first shown.
    if (!FShown) PlaceForm(*this, poScreenCenter);
    FShown = true;
    if (OnShow) OnShow(this);
  }
  TForm::showEvent(Event);
}

void TfrmUpdMain::closeEvent(QCloseEvent* Event) {
  TCloseAction Action = caHide;
  if (OnClose) OnClose(this, Action);
  if (Action == caNone) {
    Event->ignore();
    return;
  }
  if (Action == caMinimize) {
    Event->ignore();
    showMinimized();
    return;
  }
  Event->accept();
  if (Action == caFree) setAttribute(Qt::WA_DeleteOnClose);
  // Closing the main window ends the program.
  if (Application().MainForm() == this) {
    Application().SetMainForm(nullptr);
    Application().Terminate();
  }
}

void TfrmUpdMain::resizeEvent(QResizeEvent* Event) {
  // The buttons are anchored right and bottom: they keep their distance to those edges.
  btnCheck->move(width() - (DesignWidth - CheckLeft), height() - (DesignHeight - ButtonsTop));
  btnClose->move(width() - (DesignWidth - CloseLeft), height() - (DesignHeight - ButtonsTop));
  TForm::resizeEvent(Event);
}

bool TfrmUpdMain::eventFilter(QObject* Watched, QEvent* Event) {
  if (FKeyPreview && OnKeyDown && Event->type() == QEvent::KeyPress) {
    int Key = static_cast<QKeyEvent*>(Event)->key();
    OnKeyDown(this, Key);
    if (Key == 0) return true;
  }
  return TForm::eventFilter(Watched, Event);
}

}  // namespace zu
