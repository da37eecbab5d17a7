// UpdMain: the updater's main window. It configures its self-update component and starts a
// check; the component does the rest through its events, which this window answers with
// plain message boxes naming the event.
//
// Its controls keep their designed places; the component's stored values, the built-in
// pictures and the event bindings come from the form data (resource "FORMDATA" "TFRMUPDMAIN").
#pragma once

#include <functional>
#include <string>

#include "engine/zuRenewix.h"
#include "platform/framework/Forms.h"

class QGroupBox;
class QLabel;

namespace zu {

class TBitBtn;
class TXPMenu;
class TImage;
class TKwVersionInfo;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

// The framework's ShowMessage: a modal box with the application title as caption and an OK
// button, through TApplication::MessageBox (so OnMessageBox can answer it).
void ShowMessage(const std::string& Text);

// The folder of info files on the update server: RENEWIX_UPDATE_SERVER when set (tests and
// the demo point the program at their own server), else the address compiled in.
std::string UpdateServerAddress();

class TfrmUpdMain : public TForm {
  ZU_CLASS_INFO
 public:
  static constexpr int DesignWidth = 472, DesignHeight = 123;
  static constexpr unsigned CreamColor = 0xFFFBF0;  // the framework's clCream as RGB

  // ReadForm false leaves the stored values and pictures out (the artwork generator's way).
  explicit TfrmUpdMain(TComponent* AOwner = nullptr, bool ReadForm = true);
  ~TfrmUpdMain() override;

  // Published members, in their designed order.
  TzuRenewix* zuUpgrdr1 = nullptr;
  TBitBtn* btnCheck = nullptr;
  TBitBtn* btnClose = nullptr;
  TXPMenu* XPMenu1 = nullptr;
  QGroupBox* gbInfo = nullptr;
  TImage* imgInfo = nullptr;
  QLabel* lblInfo = nullptr;
  TKwVersionInfo* version1 = nullptr;

  // Handlers.
  void btnCheckClick(TObject* Sender);
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void btnCloseClick(TObject* Sender);
  void zuUpgrdr1NoUpdateAvailable(TObject* Sender);
  void zuUpgrdr1Aborted(TObject* Sender);
  void zuUpgrdr1AfterRestart(TObject* Sender);
  void zuUpgrdr1BeginUpgrade(TObject* Sender, const std::string& UpgradeMsg, TzuUpgradeMethod UpgradeMethod,
                             TStringList* Files, bool& CanUpgrade);
  void zuUpgrdr1FileDone(TObject* Sender, const std::string& FileName);
  void zuUpgrdr1FileStart(TObject* Sender, const std::string& FileURL, std::int32_t FileSize, TDateTime FileTime,
                          bool& CanUpgrade);

  // The form's own events, bound from the form data.
  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;

  // With KeyPreview the form sees every key before the focused control; a handler that
  // sets Key to 0 keeps it from the control.
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  std::function<void(TObject* Sender, int& Key)> OnKeyDown;

  bool BindEvent(TComponent* Target, const std::string& Event, const std::string& MethodName) override;

 protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  friend struct TfrmUpdMainAccess;  // the tests read the private settings

  bool FAutoCheck = false;
  bool FHideFileLocation = false;
  int FAutoCheckDelay = 0;
  std::string FWizardPicture;
  std::string FVersionNumber;
  std::string FRestartParams;
  std::string FInfoBaseURL;
  std::string FInfoFileName;
  std::string FUsername;
  std::string FPassword;

  bool FKeyPreview = false;
  bool FShown = false;
};

// The single main window; cleared when it is freed.
extern TfrmUpdMain* frmUpdMain;

}  // namespace zu
