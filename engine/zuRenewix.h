// zuRenewix: the self-update component.
//
// TzuRenewix fetches the info file (zuRenewixInfoFile.h), decides whether a newer version is
// published, asks the user, downloads every listed file next to the program as "<name>.uTMP"
// and installs them by handing over to the helper program (renewix-helper, carried as the
// resource "ZUUPG"), which replaces the files once this program has ended and starts it again.
//
//   CheckUpdate -> info file -> OnBeginUpgrade -> ShowUpgradeBox -> wizard ->
//     (OnFileStart, OnProgress*, OnFileDone)* -> completed page -> OnEndUpgrade ->
//     helper started -> OnDoOwnCloseAppMethod | application closed
//   next start: Loaded -> OnAfterRestart
//
// Everything runs in the main thread; the transfers run on the base class's worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/zuRenewixInfoFile.h"
#include "engine/zuRenewixVerify.h"
#include "http/zuHTTP.h"
#include "platform/framework/Lists.h"
#include "support/zuClasses.h"

namespace zu {

class TzuPicture;
struct TRXRun;

enum TzuMiscFilesUpgradeBehavior { mfuAlwaysDownload, mfuOnlyIfSizeDifferent };

enum TzuRenewixShowMessage {
  mAskUpgrade, mConnLost, mHostUnreachable, mLostFile, mNoInfoFile, mNoUpdateAvailable, mPasswordRequest,
  mUpgradeFailed
};
using TzuRenewixShowMessages = std::uint8_t;  // bit n = element n
// An update that could not be installed is always worth saying.
inline constexpr TzuRenewixShowMessages DefaultShowMessages = 75 | (1u << mUpgradeFailed);

// What went wrong around an install (OnUpgradeError).
enum TzuRXUpgradeError {
  ueHelperNotStarted,  // the helper could not be written or started: the program goes on
  ueInstallFailed,     // the helper could not install the update: the old version runs again
  ueLinkRemoved        // a link stood where a download was to be written; it was removed
};

enum TzuRenewixLanguage {
  wlAuto, wlEnglish, wlRussian, wlGerman, wlFrench, wlSpanish, wlPortuguese, wlPortugueseBrazilian,
  wlItalian, wlDutch, wlDanish, wlSwedish, wlFinnish, wlEstonian, wlUkrainian, wlPolish, wlCzech,
  wlHungarian, wlRomanian, wlCatalan, wlBasque, wlAfrikaans, wlChineseTraditional, wlChineseSimplified,
  wlIndonesian, wlMalay, wlIcelandic, wlTurkish, wlNorwegian, wlSlovak
};

inline constexpr const char* DefaultRestartParams = "/afterupgrade";
// Suffix of a downloaded file until the helper moves it into place.
inline constexpr const char* TempFileSuffix = ".uTMP";
// An info file is a few lines; anything larger than this is not one, and is not read on.
inline constexpr std::uint64_t MaxInfoFileSize = 1u << 20;

// Events.
using TzuRXBeginUpgradeEvent = std::function<void(TObject* Sender, const std::string& UpgradeMsg,
                                                  TzuUpgradeMethod UpgradeMethod, TStringList* Files,
                                                  bool& CanUpgrade)>;
using TzuRXEndUpgradeEvent = std::function<void(TObject* Sender, bool& RestartImediately)>;
using TzuRXProgressEvent = std::function<void(TObject* Sender, const std::string& FileURL, std::int32_t FileSize,
                                              std::int32_t BytesRead, std::int32_t ElapsedTime,
                                              std::int32_t EstimatedTimeLeft, std::uint8_t PercentsDone,
                                              std::uint8_t TotalPercentsDone, float TransferRate)>;
using TzuRXFileStartEvent = std::function<void(TObject* Sender, const std::string& FileURL, std::int32_t FileSize,
                                               TDateTime FileTime, bool& CanUpgrade)>;
using TzuRXFileDoneEvent = std::function<void(TObject* Sender, const std::string& FileName)>;
using TzuRXHostUnreachableEvent =
    std::function<void(TObject* Sender, const std::string& URL, const std::string& Hostname)>;
using TzuRXFileResumeEvent =
    std::function<void(TObject* Sender, const std::string& FileURL, std::int64_t FromBytes)>;
using TzuRXUpgradeErrorEvent =
    std::function<void(TObject* Sender, TzuRXUpgradeError Error, const std::string& Detail)>;
using TzuRXLostFileEvent = std::function<void(TObject* Sender, const std::string& FileURL, std::int32_t ErrorCode,
                                              bool& ContinueUpgrade)>;

// Design data from which an info file is composed; nothing of the check reads it.
class TzuRenewixInfo : public TPersistent {
  ZU_CLASS_INFO
 public:
  TzuRenewixInfo() = default;
  ~TzuRenewixInfo() override = default;
  TStringList* Files() { return &FFiles; }
  const TStringList* Files() const { return &FFiles; }
  void SetFiles(const TStrings& Value) { FFiles.Assign(Value); }
  TzuUpgradeMethod UpgradeMethod() const { return FUpgradeMethod; }
  void SetUpgradeMethod(TzuUpgradeMethod Value) { FUpgradeMethod = Value; }
  const std::string& UpgradeMsg() const { return FUpgradeMsg; }
  void SetUpgradeMsg(const std::string& Value) { FUpgradeMsg = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  TStringList FFiles;
  TzuUpgradeMethod FUpgradeMethod = umSelfUpgrade;
  std::string FUpgradeMsg;
};

// Settings of the download wizard window (zuRenewixWizard.h). Language is process-wide.
class TzuRenewixWizard : public TzuAddon {
  ZU_CLASS_INFO
 public:
  explicit TzuRenewixWizard(TComponent* AOwner);
  ~TzuRenewixWizard() override;
  bool HideFileLocation() const { return FHideFileLocation; }
  void SetHideFileLocation(bool Value) { FHideFileLocation = Value; }
  TzuPicture* Pic118x218() const { return FPic118x218.get(); }
  void SetPic118x218(const TzuPicture* Value);
  TzuRenewixLanguage Language() const { return FLanguage; }
  void SetLanguage(TzuRenewixLanguage Value);
  bool StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool Value) { FStayOnTop = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  bool FHideFileLocation = false;
  std::unique_ptr<TzuPicture> FPic118x218;
  TzuRenewixLanguage FLanguage = wlAuto;
  bool FStayOnTop = true;
};

class TzuRenewix : public TzuCustomHTTP {
  ZU_CLASS_INFO
 public:
  explicit TzuRenewix(TComponent* AOwner);
  ~TzuRenewix() override;

  // ---- published ----
  const std::string& HTTPUsername() const { return HTTPUserName(); }
  void SetHTTPUsername(const std::string& V) { SetHTTPUserName(V); }
  const std::string& HTTPPassword() const { return TzuCustomHTTP::HTTPPassword(); }
  void SetHTTPPassword(const std::string& V) { TzuCustomHTTP::SetHTTPPassword(V); }
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value);
  int AutoCheckDelay() const { return FAutoCheckDelay; }
  void SetAutoCheckDelay(int Value) { FAutoCheckDelay = Value; }
  // The component's own copy; SetQueryInfoStage hands it to the base class.
  TzuCacheOptions CacheOptions() const { return FCacheOptions; }
  void SetCacheOptions(TzuCacheOptions Value) { FCacheOptions = Value; }
  TzuRenewixInfo* InfoFile() { return FInfoFile.get(); }
  const std::string& InfoFileURL() const { return FInfoFileURL; }
  void SetInfoFileURL(const std::string& Value) { FInfoFileURL = Value; }
  // Base64 Ed25519 public keys, separated by blanks (several while a key is rotated). With one,
  // only an info file signed by one of them is used, and every file must match its size and
  // SHA-256 (zuRenewixVerify.h).
  const std::string& PublicKey() const { return FPublicKey; }
  void SetPublicKey(const std::string& Value) { FPublicKey = Value; }
  const std::string& RestartParams() const { return FRestartParams; }
  void SetRestartParams(const std::string& Value);
  TzuMiscFilesUpgradeBehavior MiscFilesUpgrade() const { return FMiscFilesUpgrade; }
  void SetMiscFilesUpgrade(TzuMiscFilesUpgradeBehavior Value) { FMiscFilesUpgrade = Value; }
  TzuRenewixVersionControl VersionControl() const { return FVersionControl; }
  void SetVersionControl(TzuRenewixVersionControl Value) { FVersionControl = Value; }
  const std::string& VersionDate() const { return FVersionDate; }
  void SetVersionDate(const std::string& Value) { FVersionDate = Value; }
  bool VersionDateAutoSet() const { return FVersionDateAutoSet; }
  void SetVersionDateAutoSet(bool Value);
  const std::string& VersionNumber() const { return FVersionNumber; }
  void SetVersionNumber(const std::string& Value) { FVersionNumber = Value; }
  TzuRenewixShowMessages ShowMessages() const { return FShowMessages; }
  void SetShowMessages(TzuRenewixShowMessages Value) { FShowMessages = Value; }
  bool Shows(TzuRenewixShowMessage M) const { return FShowMessages & (1u << M); }
  TzuRenewixWizard* Wizard() const { return FWizard; }

  TzuRXBeginUpgradeEvent OnBeginUpgrade;
  TzuRXEndUpgradeEvent OnEndUpgrade;
  TNotifyEvent OnLaterUpgrade;
  TzuRXProgressEvent OnProgress;
  TzuRXFileStartEvent OnFileStart;
  TzuRXFileDoneEvent OnFileDone;
  TNotifyEvent OnDoOwnCloseAppMethod;
  TNotifyEvent OnAfterRestart;
  TNotifyEvent OnAborted;
  TNotifyEvent OnConnLost;
  TzuRXHostUnreachableEvent OnHostUnreachable;
  TNotifyEvent OnNoUpdateAvailable;
  TNotifyEvent OnNoInfoFile;
  TzuRXLostFileEvent OnLostFile;
  TzuHTTPPasswordRequestEvent OnPasswordRequest;
  TzuRXUpgradeErrorEvent OnUpgradeError;
  // A file cut off in an earlier run goes on at FromBytes (the server still has the same file).
  TzuRXFileResumeEvent OnFileResume;

  // ---- operations ----
  // CheckOnly: waits (messages keep flowing), never asks or downloads, and returns whether a
  // newer version is out and OnBeginUpgrade left CanUpgrade true. Without it returns false at
  // once. While another blocking wait is pending (CheckUpdate(true), the completed page) or a
  // transfer runs, CheckUpdate(true) refuses to wait and returns false (nothing started).
  bool CheckUpdate(bool CheckOnly);
  void Abort(bool Immediately);
  // Installs a downloaded update now (also later, after OnEndUpgrade deferred it). Empty
  // Params: RestartParams + the method's digit.
  void RestartApplication(const std::string& Params);
  void DeleteTemporaryFiles();
  bool IsDefaultParams() const { return FRestartParams != DefaultRestartParams; }

  // ---- state the engine's windows and the tests read ----
  bool Aborted() const { return FAborted; }
  bool UpdateAvailable() const { return FUpdateAvailable; }
  bool FilesDownloaded() const { return FFilesDownloaded; }
  bool QueryInfoStage() const { return FQueryInfoStage; }
  bool AutoCheckRunning() const { return FAutoCheckRunning; }
  bool TimerFired() const { return FTimerFired; }
  TzuUpgradeMethod UpgradeMethod() const { return FUpgradeMethod; }
  const TStringList& URLs() const { return FURLs; }
  // The text of the info file the last check read (empty before one arrived).
  const std::string& InfoFileText() const { return FInfoFileText; }
  THandle WindowHandle() const { return FWindowHandle; }
  // Why the last check refused its info file (OnNoInfoFile) or a file (OnLostFile with
  // RXErrorFileMismatch or RXErrorSchemeRefused); empty when it refused nothing.
  const std::string& VerifyError() const { return FVerifyError; }
  // Ends a pending wait (the wizard window calls it as it closes).
  void StopWaiting();
  // The local output name of a file address: the program's directory + its file name +
  // ".uTMP"; empty for an address without a usable file name.
  static std::string OutputNameFor(const std::string& URL);

  // The local name of the file being downloaded (its ".uTMP" name).
  const std::string& CurrentFile() const { return FCurrentFile; }

  // Where the helper is written first: the user's private directory in the temporary
  // directory (other places follow when that one cannot run it, zuRenewixInstall.h).
  static std::string HelperPath();
  // The helper's arguments for Params: the program path, then "+<Params>".
  static std::vector<std::string> HelperArguments(const std::string& Params);

  // How the application is closed after the helper started (default ShutdownApplication);
  // replaceable for tests that must not end the test program.
  static std::function<void()> CloseApplication;
  // Runs the helper just written (its path and its arguments) and says whether it runs.
  // Unset (the default): the written file itself is executed in a session of its own.
  static std::function<bool(const std::string& Helper, const std::vector<std::string>& Args)> StartHelper;
  // Whether the machine is online for the automatic check (default IsOnline).
  static std::function<bool()> OnlineTest;
  // The running program's path (default /proc/self/exe); its directory receives the files.
  static std::function<std::string()> ExecutablePath;

 protected:
  void Loaded() override;
  // What the start after an install has to say (a failed install, OnAfterRestart), once:
  // from Loaded for a component read from form data, else as the message loop first runs.
  void ReportStart();
  virtual void WndProc(TMessage& Message);
  void UpdateTimer();
  void SetQueryInfoStage(bool Value);
  void ParseInfoFile(TStream* Stream);
  void SafeTerminate(bool Immediately);
  void DoUpgrade(bool First);
  // false when the helper could not be started (reported; the application goes on).
  bool Relaunch(const std::string& Params);

 private:
  void HTTPHeaderInfo(TObject* Sender, int ErrorCode, const std::string& RawHeadersCRLF,
                      const std::string& ContentType, const std::string& ContentLanguage,
                      const std::string& ContentEncoding, std::int64_t ContentLength, const std::string& Location,
                      TDateTime Date, TDateTime LastModified, TDateTime Expires, const std::string& ETag,
                      bool& ContinueDownload);
  void HTTPDone(TObject* Sender, const std::string& ContentType, std::int64_t FileSize, TStream* Stream);
  void HTTPDoneInterrupted(TObject* Sender);
  void HTTPProgress(TObject* Sender, const std::string& ContentType, std::int64_t DataSize, std::int64_t BytesRead,
                    int ElapsedTime, int EstimatedTimeLeft, std::uint8_t PercentsDone, float TransferRate,
                    TStream* Stream);
  void HTTPConnLost(TObject* Sender, const std::string& ContentType, std::int64_t FileSize, std::int64_t BytesRead,
                    TStream* Stream);
  void HTTPError(TObject* Sender, int ErrorCode, TStream* Stream);
  void HTTPOutputFileError(TObject* Sender);
  void NoInfoFile();
  void HTTPHostUnreachable(TObject* Sender);
  void HTTPPasswordRequest(TObject* Sender, const std::string& Realm, bool& TryAgain);
  // Waits on FWaitHandle; false when a wait is already pending (nothing waited). Returns
  // through Alive whether the component still exists afterwards.
  bool WaitForStop(bool& Alive);
  void FinishUpgrade();
  // A file that could not be fetched: OnLostFile, the skip-or-abort question.
  void LostFile(int ErrorCode);
  void UpgradeError(TzuRXUpgradeError Error, const std::string& Detail);
  // The download run's manifest (helper/Install.h) beside the program.
  void SaveManifest();
  // Removes the links named "*.uTMP" in the program's directory, each reported; false when
  // the component was destroyed meanwhile.
  bool ReportPlantedLinks();
  // The current file's manifest entry; its ".uTMP" file created anew, never through a link.
  bool OpenOutputFile();
  // The current file's ".uTMP" file continued from an earlier run when it can be, else
  // OpenOutputFile; then its transfer started.
  void StartFile();
  // Drops the current file: its entry, and its ".uTMP" file when it is still the one created.
  void DropOutputFile();
  void CloseOutputFile();
  // zuRenewixTrust.cpp: the checks of what the server sends.
  // True (and reported as no info file) when the info file may not be used.
  bool RefuseInfoFile(const std::string& Text);
  // True (the file dropped and reported as a lost file) when the completed current file (of
  // Size bytes) is not the one the info file describes; Sha256 gets its hash.
  bool RefuseDownload(std::int64_t Size, std::string& Sha256);
  // Starts the current file's transfer (From > 0: a range); the component's credentials go
  // along only to the info file's own server or a host a verified info file names.
  void ReadFile(std::int64_t From);
  bool WithholdsCredentials() const;
  void HoldCredentials();
  void RestoreHeldCredentials();

  THandle FWindowHandle = 0;
  bool FAborted = false;
  bool FUpdateAvailable = false;
  bool FCheckOnly = false;
  bool FTimerFired = false;
  bool FAutoCheckRunning = false;
  bool FQueryInfoStage = false;
  bool FFilesDownloaded = false;
  TzuUpgradeMethod FUpgradeMethod = umSelfUpgrade;
  TStringList FURLs;
  std::string FInfoFileText;
  std::string FCurrentFile;
  TDateTime FFileTime = 0;
  int FFileIndex = 0;
  THandle FWaitHandle = INVALID_HANDLE_VALUE;
  std::unique_ptr<TRXRun> FRun;       // the download run's manifest and output descriptor
  std::string FRecoveryReport;          // an install cut off earlier and undone at creation
  bool FStartReported = false;          // the helper's outcome and OnAfterRestart were given

  bool FAutoCheck = false;
  int FAutoCheckDelay = 10000;
  bool FInfoPending = false;  // the info stage has not answered yet
  TzuCacheOptions FCacheOptions = DefaultCacheOptions;
  std::unique_ptr<TzuRenewixInfo> FInfoFile;
  std::string FInfoFileURL = "http://";
  std::string FPublicKey;
  std::string FVerifyError;
  bool FVerified = false;                // the info file in use is signed by a trusted key
  // The configured credentials while a password request of another host runs without them.
  bool FCredentialsHeld = false;
  static constexpr unsigned RestoreCredentialsMessage = 0x0400 + 1;  // WM_USER + 1, to our window
  std::string FHeldUser, FHeldPassword;
  std::vector<TzuRXFileCheck> FChecks;   // its sizes and hashes
  std::string FRestartParams = DefaultRestartParams;
  TzuMiscFilesUpgradeBehavior FMiscFilesUpgrade = mfuAlwaysDownload;
  TzuRenewixVersionControl FVersionControl = byDate;
  std::string FVersionDate;
  bool FVersionDateAutoSet = true;
  std::string FVersionNumber;
  TzuRenewixShowMessages FShowMessages = DefaultShowMessages;
  TzuRenewixWizard* FWizard = nullptr;  // owned (component ownership... a persistent: deleted here)
  std::shared_ptr<bool> FAlive;          // cleared by the destructor; waits check it
};

}  // namespace zu
