#include "engine/zuRenewix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include <QTimer>

#include "engine/zuRenewixInstall.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPassword.h"
#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "http/zuInet.h"
#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/os/System.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuInfoBox.h"
#include "helper/Install.h"

namespace zu {

namespace {

constexpr std::uintptr_t CheckTimerId = 1;

const std::vector<std::string> UpgradeMethodNames{"umSelfUpgrade", "umUseExternalSetup", "umRedirectToURL"};
const std::vector<std::string> MiscFilesNames{"mfuAlwaysDownload", "mfuOnlyIfSizeDifferent"};
const std::vector<std::string> VersionControlNames{"byDate", "byNumber"};
const std::vector<std::string> ShowMessageNames{"mAskUpgrade",        "mConnLost",   "mHostUnreachable",
                                                "mLostFile",          "mNoInfoFile", "mNoUpdateAvailable",
                                                "mPasswordRequest",   "mUpgradeFailed"};
const std::vector<std::string> LanguageNames{
    "wlAuto",      "wlEnglish",    "wlRussian",  "wlGerman",    "wlFrench",     "wlSpanish",
    "wlPortuguese", "wlPortugueseBrazilian", "wlItalian", "wlDutch", "wlDanish", "wlSwedish",
    "wlFinnish",   "wlEstonian",   "wlUkrainian", "wlPolish",   "wlCzech",      "wlHungarian",
    "wlRomanian",  "wlCatalan",    "wlBasque",   "wlAfrikaans", "wlChineseTraditional", "wlChineseSimplified",
    "wlIndonesian", "wlMalay",     "wlIcelandic", "wlTurkish",  "wlNorwegian",  "wlSlovak"};

std::string ProgramPath() { return TzuRenewix::ExecutablePath ? TzuRenewix::ExecutablePath() : std::string(); }

std::string ProgramDirectory() {
  const std::string P = ProgramPath();
  const size_t Slash = P.rfind('/');
  return Slash == std::string::npos ? std::string() : P.substr(0, Slash + 1);
}

std::string FileNamePart(const std::string& Path) {
  const size_t Slash = Path.rfind('/');
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

bool EndsWithTempSuffix(const std::string& Name) {
  const size_t N = std::strlen(TempFileSuffix);
  return Name.size() > N && strcasecmp(Name.c_str() + Name.size() - N, TempFileSuffix) == 0;
}

std::string FinalName(const std::string& TempPath) {
  const std::string Name = FileNamePart(TempPath);
  return Name.substr(0, Name.size() - std::strlen(TempFileSuffix));
}

// Every "*.uTMP" file in Dir but those named in Keep, and the manifest.
void RemoveTemporaryFiles(const std::string& Dir, const std::vector<std::string>& Keep) {
  if (Dir.empty()) return;
  DIR* D = ::opendir(Dir.c_str());
  if (!D) return;
  std::vector<std::string> Names;
  while (dirent* E = ::readdir(D))
    if (EndsWithTempSuffix(E->d_name) && std::find(Keep.begin(), Keep.end(), E->d_name) == Keep.end())
      Names.emplace_back(E->d_name);
  ::closedir(D);
  for (const auto& N : Names) ::unlink((Dir + N).c_str());
  ::unlink((Dir + helper::ManifestName).c_str());
}

std::string LastModifiedText(TDateTime T) {
  if (T == 0) return std::string();
  char Buf[40];
  std::snprintf(Buf, sizeof Buf, "%.17g", static_cast<double>(T));
  return Buf;
}

}  // namespace

std::function<void()> TzuRenewix::CloseApplication = [] { ShutdownApplication(); };
std::function<bool(const std::string&, const std::vector<std::string>&)> TzuRenewix::StartHelper;

// The download run in progress: what the manifest says, and the current ".uTMP" file as the
// component created it.
struct TRXRun {
  helper::TManifest Manifest;
  int OutputFd = -1;
  std::vector<helper::TManifestFile> Resumable;  // of the last run, not yet taken up
  std::int64_t ResumeFrom = 0;                   // the current file continues at this size
  bool RestartFresh = false;                     // its server's file changed: start it anew
  ~TRXRun() {
    if (OutputFd >= 0) ::close(OutputFd);
  }
};
std::function<bool()> TzuRenewix::OnlineTest = [] { return IsOnline(); };
std::function<std::string()> TzuRenewix::ExecutablePath = [] { return os::ExecutablePath(); };

// ---------- TzuRenewixInfo ----------

const TClassInfo& TzuRenewixInfo::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRenewixInfo>("TzuRenewixInfo", &TPersistent::StaticClassInfo())
          .Strings("Files",
                   [](const TzuRenewixInfo& I) {
                     std::vector<std::string> L;
                     for (int K = 0; K < I.Files()->Count(); ++K) L.push_back(I.Files()->Strings(K));
                     return L;
                   },
                   [](TzuRenewixInfo& I, const std::vector<std::string>& L) {
                     I.Files()->Clear();
                     for (const auto& S : L) I.Files()->Add(S);
                   })
          .Enum("UpgradeMethod", &TzuRenewixInfo::UpgradeMethod, &TzuRenewixInfo::SetUpgradeMethod,
                UpgradeMethodNames, std::optional(umSelfUpgrade))
          .Str("UpgradeMsg", &TzuRenewixInfo::UpgradeMsg, &TzuRenewixInfo::SetUpgradeMsg);
  return Info;
}

void TzuRenewixInfo::Assign(const TPersistent* Source) {
  if (!Source) {
    FFiles.Clear();
    FUpgradeMethod = umSelfUpgrade;
    FUpgradeMsg.clear();
    return;
  }
  const auto* S = dynamic_cast<const TzuRenewixInfo*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FFiles.Assign(S->FFiles);
  FUpgradeMethod = S->FUpgradeMethod;
  FUpgradeMsg = S->FUpgradeMsg;
}

// ---------- TzuRenewixWizard ----------

const TClassInfo& TzuRenewixWizard::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRenewixWizard>("TzuRenewixWizard", &TzuAddon::StaticClassInfo())
          .Bool("Enabled", &TzuRenewixWizard::Enabled, &TzuRenewixWizard::SetEnabled, true)
          .Bool("HideFileLocation", &TzuRenewixWizard::HideFileLocation, &TzuRenewixWizard::SetHideFileLocation,
                false)
          .Object("Pic118x218", [](TzuRenewixWizard& W) -> TPersistent* { return W.Pic118x218(); })
          .Enum("Language", &TzuRenewixWizard::Language, &TzuRenewixWizard::SetLanguage, LanguageNames,
                std::optional(wlAuto))
          .Bool("StayOnTop", &TzuRenewixWizard::StayOnTop, &TzuRenewixWizard::SetStayOnTop, true);
  return Info;
}

TzuRenewixWizard::TzuRenewixWizard(TComponent* AOwner)
    : TzuAddon(AOwner), FPic118x218(std::make_unique<TzuPicture>()) {
  FEnabled = true;
}

TzuRenewixWizard::~TzuRenewixWizard() = default;

void TzuRenewixWizard::SetPic118x218(const TzuPicture* Value) { FPic118x218->Assign(Value); }

void TzuRenewixWizard::SetLanguage(TzuRenewixLanguage Value) {
  if (Value == FLanguage) return;
  FLanguage = Value;
  RXSelectLanguage(Value);
}

void TzuRenewixWizard::Assign(const TPersistent* Source) {
  if (!Source) {
    FEnabled = true;
    FHideFileLocation = false;
    FPic118x218->Assign(nullptr);
    SetLanguage(wlAuto);
    FStayOnTop = true;
    return;
  }
  const auto* S = dynamic_cast<const TzuRenewixWizard*>(Source);
  if (!S) return TzuAddon::Assign(Source);
  FEnabled = S->FEnabled;
  FHideFileLocation = S->FHideFileLocation;
  FPic118x218->Assign(S->FPic118x218.get());
  SetLanguage(S->FLanguage);
  FStayOnTop = S->FStayOnTop;
}

// ---------- TzuRenewix ----------

const TClassInfo& TzuRenewix::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRenewix>("TzuRenewix", &TzuCustomHTTP::StaticClassInfo())
          .Object("Proxy", [](TzuRenewix& R) -> TPersistent* { return R.Proxy(); })
          .SetOf("InternetOptions", &TzuRenewix::InternetOptions, &TzuRenewix::SetInternetOptions,
                 HTTPInternetOptionNames(), DefaultInternetOptions)
          .Enum("ThreadPriority", &TzuRenewix::GetThreadPriority, &TzuRenewix::SetThreadPriority,
                ThreadPriorityNames(), std::optional(tpNormal))
          .Int("TransferBufferSize", &TzuRenewix::TransferBufferSize, &TzuRenewix::SetTransferBufferSize, 4096)
          .Bool("AutoCheck", &TzuRenewix::AutoCheck, &TzuRenewix::SetAutoCheck, false)
          .Int("AutoCheckDelay", &TzuRenewix::AutoCheckDelay, &TzuRenewix::SetAutoCheckDelay, 10000)
          .SetOf("CacheOptions", &TzuRenewix::CacheOptions, &TzuRenewix::SetCacheOptions, HTTPCacheOptionNames(),
                 DefaultCacheOptions)
          .Object("InfoFile", [](TzuRenewix& R) -> TPersistent* { return R.InfoFile(); })
          .Str("InfoFileURL", &TzuRenewix::InfoFileURL, &TzuRenewix::SetInfoFileURL, std::string("http://"))
          .Str("PublicKey", &TzuRenewix::PublicKey, &TzuRenewix::SetPublicKey)
          .Str("RestartParams", &TzuRenewix::RestartParams, &TzuRenewix::SetRestartParams,
               std::string(DefaultRestartParams), [](const TzuRenewix& R) { return R.IsDefaultParams(); })
          .Enum("MiscFilesUpgrade", &TzuRenewix::MiscFilesUpgrade, &TzuRenewix::SetMiscFilesUpgrade,
                MiscFilesNames, std::optional(mfuAlwaysDownload))
          .Enum("VersionControl", &TzuRenewix::VersionControl, &TzuRenewix::SetVersionControl,
                VersionControlNames, std::optional(byDate))
          .Str("VersionDate", &TzuRenewix::VersionDate, &TzuRenewix::SetVersionDate, std::nullopt)
          .Bool("VersionDateAutoSet", &TzuRenewix::VersionDateAutoSet, &TzuRenewix::SetVersionDateAutoSet,
                std::nullopt)
          .Str("VersionNumber", &TzuRenewix::VersionNumber, &TzuRenewix::SetVersionNumber)
          .SetOf("ShowMessages", &TzuRenewix::ShowMessages, &TzuRenewix::SetShowMessages, ShowMessageNames,
                 DefaultShowMessages)
          .Object("Wizard", [](TzuRenewix& R) -> TPersistent* { return R.Wizard(); })
          .Event("OnBeginUpgrade").Event("OnEndUpgrade").Event("OnLaterUpgrade").Event("OnProgress")
          .Event("OnFileStart").Event("OnFileDone").Event("OnDoOwnCloseAppMethod").Event("OnAfterRestart")
          .Event("OnAborted").Event("OnConnLost").Event("OnHostUnreachable").Event("OnNoUpdateAvailable")
          .Event("OnNoInfoFile").Event("OnLostFile").Event("OnPasswordRequest").Event("OnUpgradeError")
          .Event("OnFileResume")
          .Event("OnProxyAuthenticationRequest")
          .Creatable();
  return Info;
}

TzuRenewix::TzuRenewix(TComponent* AOwner) : TzuCustomHTTP(AOwner), FAlive(std::make_shared<bool>(true)) {
  OutputFileAttributes()->SetIncomplete({atrArchive, atrHidden, atrTemporary});
  using namespace std::placeholders;
  TzuCustomHTTP::OnHeaderInfo = [this](TObject* S, int E, const std::string& Raw, const std::string& CT,
                                       const std::string& CL, const std::string& CE, std::int64_t Len,
                                       const std::string& Loc, TDateTime D, TDateTime LM, TDateTime Ex,
                                       const std::string& ETag, bool& Continue) {
    HTTPHeaderInfo(S, E, Raw, CT, CL, CE, Len, Loc, D, LM, Ex, ETag, Continue);
  };
  TzuCustomHTTP::OnDone = [this](TObject* S, const std::string& CT, std::int64_t Size, TStream* St) {
    HTTPDone(S, CT, Size, St);
  };
  TzuCustomHTTP::OnDoneInterrupted = [this](TObject* S) { HTTPDoneInterrupted(S); };
  TzuCustomHTTP::OnProgress = [this](TObject* S, const std::string& CT, std::int64_t Size, std::int64_t Read,
                                     int El, int Left, std::uint8_t Pct, float Rate, TStream* St) {
    HTTPProgress(S, CT, Size, Read, El, Left, Pct, Rate, St);
  };
  TzuCustomHTTP::OnConnLost = [this](TObject* S, const std::string& CT, std::int64_t Size, std::int64_t Read,
                                     TStream* St) { HTTPConnLost(S, CT, Size, Read, St); };
  TzuCustomHTTP::OnHTTPError = [this](TObject* S, int Code, TStream* St) { HTTPError(S, Code, St); };
  TzuCustomHTTP::OnHostUnreachable = [this](TObject* S) { HTTPHostUnreachable(S); };
  // The info file over its bound, or a file the disk cannot take: without this slot a
  // check or a download would wait for an answer that never comes.
  TzuCustomHTTP::OnOutputFileError = [this](TObject* S) { HTTPOutputFileError(S); };
  SetMaxMemoryBody(MaxInfoFileSize);
  SetHashOutput(true);  // each file's SHA-256 as it arrives, for its check and the helper's
  TzuCustomHTTP::OnPasswordRequest = [this](TObject* S, const std::string& Realm, bool& TryAgain) {
    HTTPPasswordRequest(S, Realm, TryAgain);
  };
  FRun = std::make_unique<TRXRun>();
  rxinstall::RemoveOldHelpers(ProgramDirectory());  // the helper of an earlier self-upgrade
  // An install that was cut off (its helper killed) is finished or undone before anything
  // else looks at the program's files. A helper at work holds the lock: it is left alone.
  if (const int Dir = helper::OpenDirectory(ProgramDirectory()); Dir >= 0) {
    if (helper::LockDirectory(Dir, 0) == helper::TLock::Held) {
      if (helper::Recover(Dir) == helper::TRecovery::RolledBack)
        FRecoveryReport = "the install was cut off; the previous version was restored";
      helper::UnlockDirectory(Dir);
    }
    ::close(Dir);
  }
  FInfoFile = std::make_unique<TzuRenewixInfo>();
  FVersionDate = DateToRXDate(Date());
  FWizard = new TzuRenewixWizard(this);
  FWindowHandle = AllocateHWnd([this](TMessage& M) { WndProc(M); });
  // A component made in code gets no Loaded step; its program sets the events right after
  // creating it, so they are in place once the loop runs.
  QTimer::singleShot(0, [this, Alive = FAlive] {
    if (*Alive) ReportStart();
  });
}

TzuRenewix::~TzuRenewix() {
  Destroying();
  // The transfer may write through the output descriptor's /proc name: it ends first.
  TzuCustomHTTP::Abort(false, true);
  *FAlive = false;
  StopWait(FWaitHandle);  // a pending wait returns and finds us gone
  SetAutoCheck(false);
  DeallocateHWnd(FWindowHandle);
  if (WizardForm && WizardForm->Component() == this) FreeRenewixWizard();
  delete FWizard;
}

void TzuRenewix::SetAutoCheck(bool Value) {
  if (Value == FAutoCheck) return;
  FAutoCheck = Value;
  UpdateTimer();
}

void TzuRenewix::SetRestartParams(const std::string& Value) {
  if (Value == FRestartParams) return;
  FRestartParams = Value.empty() ? std::string(" ") : Value;
}

void TzuRenewix::SetVersionDateAutoSet(bool Value) {
  FVersionDateAutoSet = Value;
  if (Value && IsDesigning()) FVersionDate = DateToRXDate(Date());
}

void TzuRenewix::UpdateTimer() {
  if (IsDesigning() || !FWindowHandle) return;
  KillTimer(FWindowHandle, CheckTimerId);
  if (FAutoCheck && !FTimerFired && FAutoCheckDelay > 0)
    if (!SetTimer(FWindowHandle, CheckTimerId, FAutoCheckDelay))
      throw EOutOfResources("Not enough timers available");
}

void TzuRenewix::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == CheckTimerId) {
    try {
      if (OnlineTest() && FAutoCheck) {
        FTimerFired = true;
        UpdateTimer();
        auto Alive = FAlive;
        CheckUpdate(false);
        if (*Alive) FAutoCheckRunning = true;
      }
    } catch (...) {
      Application().HandleCurrentException();
    }
    return;
  }
  if (Message.Msg == RestoreCredentialsMessage) {
    RestoreHeldCredentials();
    return;
  }
  if (Message.Msg == WM_QUERYENDSESSION) {
    Message.Result = 1;
    return;
  }
  Message.Result = DefWindowProc(Message);
}

void TzuRenewix::StopWaiting() { StopWait(FWaitHandle); }

bool TzuRenewix::WaitForStop(bool& Alive) {
  Alive = true;
  if (FWaitHandle != INVALID_HANDLE_VALUE) return false;  // one wait at a time
  const auto Flag = FAlive;
  const THandle Event = CreateWaitEvent();
  FWaitHandle = Event;
  WaitProcessingMessages(Event, 0xFFFFFFFFu, true);
  CloseWaitEvent(Event);
  Alive = *Flag;
  if (Alive) FWaitHandle = INVALID_HANDLE_VALUE;
  return true;
}

bool TzuRenewix::CheckUpdate(bool CheckOnly) {
  // A second blocking wait could never be released, and a download or a check that has
  // already answered gives a blocking call nothing to wait for: refuse those before touching
  // any state. A check still fetching its info file is joined and answers this call, unless
  // we are inside one of its events, whose transfer cannot go on until we return.
  const bool Joinable = FQueryInfoStage && FInfoPending && !InWorkerEvent();
  if (CheckOnly && (FWaitHandle != INVALID_HANDLE_VALUE || (InUse() && !Joinable))) return false;
  if (CheckOnly) FCheckOnly = true;
  const auto Alive = FAlive;
  // Only the call that made the check blocking makes it an ordinary one again.
  struct TReset {
    TzuRenewix* R;
    std::shared_ptr<bool> Alive;
    bool Owner;
    ~TReset() {
      if (Owner && *Alive) R->FCheckOnly = false;
    }
  } Reset{this, Alive, CheckOnly};
  FAborted = false;
  FVerifyError.clear();
  FAutoCheckRunning = false;
  FUpdateAvailable = false;
  // In use until the finished run has been handed back, even while its thread winds down.
  if (!InUse()) {
    SetQueryInfoStage(true);
    SetURL(FInfoFileURL);
    SetOutputFileName(std::string());
    FInfoPending = true;
    Read(false);
  }
  if (!*Alive) return false;
  if (CheckOnly) {
    bool StillAlive = true;
    WaitForStop(StillAlive);
    if (!StillAlive) return false;
  }
  return FUpdateAvailable;
}

void TzuRenewix::SetQueryInfoStage(bool Value) {
  FQueryInfoStage = Value;
  TzuCustomHTTP::SetCacheOptions(Value ? static_cast<TzuCacheOptions>(FCacheOptions | Bit(coPragmaNoCache))
                                       : FCacheOptions);
}

void TzuRenewix::ParseInfoFile(TStream* Stream) {
  const auto Alive = FAlive;
  std::string Text;
  if (Stream) {
    const std::int64_t N = Stream->Size() - Stream->Position();
    if (N > 0) {
      Text.resize(static_cast<size_t>(N));
      Text.resize(static_cast<size_t>(Stream->Read(Text.data(), N)));
    }
  }
  FInfoFileText = Text;
  FURLs.Clear();
  if (RefuseInfoFile(Text)) return;
  for (const auto& U : InfoFileURLs(Text)) FURLs.Add(U);
  const bool Newer = IsNewerVersion(Text, FVersionControl, FVersionNumber, FVersionDate);
  if (Newer && FURLs.Count() > 0) {
    FUpdateAvailable = true;
    const TzuRXInfoFileContent Info = ReadInfoFile(Text);
    const std::string Msg = Info.Message;
    FUpgradeMethod = Info.Method;
    if (OnBeginUpgrade) OnBeginUpgrade(this, Msg, FUpgradeMethod, &FURLs, FUpdateAvailable);
    if (!*Alive) return;
    if (!FCheckOnly) {
      if (!FUpdateAvailable || (Shows(mAskUpgrade) && !ShowUpgradeBox(Msg))) {
        if (!*Alive) return;
        if (OnLaterUpgrade) OnLaterUpgrade(this);
      } else if (FUpgradeMethod == umRedirectToURL) {
        if (FURLs.Count() > 0) OpenURL(FURLs.Strings(0), true, 1);
      } else {
        DoUpgrade(true);
      }
    }
  } else {
    if (OnNoUpdateAvailable) OnNoUpdateAvailable(this);
    if (!*Alive) return;
    if (!FAutoCheckRunning && Shows(mNoUpdateAvailable)) RXLangMsgBox(24, MB_ICONINFORMATION);
  }
  if (*Alive) StopWait(FWaitHandle);
}

std::string TzuRenewix::OutputNameFor(const std::string& URL) {
  const std::string Name = URLToFileName(URL);
  // Never a name that leaves the program's directory or names the directory itself.
  if (Name.empty() || Name == "." || Name == ".." || Name.find('/') != std::string::npos ||
      Name.find('\0') != std::string::npos)
    return std::string();
  return ProgramDirectory() + Name + TempFileSuffix;
}

void TzuRenewix::DoUpgrade(bool First) {
  if (First) {
    SetQueryInfoStage(false);
    FFileIndex = 0;
    // A new run: nothing of it is complete, and nothing of an earlier one is kept.
    FFilesDownloaded = false;
    CloseOutputFile();
    if (!ReportPlantedLinks()) return;
    // What an earlier run left half done may go on; everything else of it goes.
    std::vector<std::string> URLs;
    for (int I = 0; I < FURLs.Count(); ++I) URLs.push_back(FURLs.Strings(I));
    FRun->Resumable = rxinstall::ResumableFiles(ProgramDirectory(), URLs);
    std::vector<std::string> Keep;
    for (const auto& F : FRun->Resumable) Keep.push_back(F.Name + TempFileSuffix);
    RemoveTemporaryFiles(ProgramDirectory(), Keep);
    FRun->Manifest = helper::TManifest{};
    FRun->Manifest.Files = FRun->Resumable;
    SaveManifest();
    if (FWizard->Enabled()) ShowRenewixWizard(this);
  } else {
    ++FFileIndex;
  }
  if (FFileIndex >= FURLs.Count()) {
    FinishUpgrade();
    return;
  }
  FCurrentFile = FURLs.Strings(FFileIndex);
  WizardSetFileURL(FCurrentFile);
  WizardSetAllDownloading(RXFmtLangStr(9, {static_cast<long long>(FFileIndex + 1),
                                           static_cast<long long>(FURLs.Count())}));
  SetURL(FCurrentFile);
  if (!IsWebURL(FCurrentFile)) {
    FVerifyError = FCurrentFile + " is not an http or https address";
    FCurrentFile.clear();
    LostFile(RXErrorSchemeRefused);
    return;
  }
  FCurrentFile = OutputNameFor(FCurrentFile);
  if (FCurrentFile.empty()) {
    LostFile(400);  // no file name to store it under
    return;
  }
  StartFile();
}

void TzuRenewix::StartFile() {
  const std::string Name = FinalName(FCurrentFile);
  FRun->ResumeFrom = 0;
  FRun->RestartFresh = false;
  auto& Resumable = FRun->Resumable;
  const auto It = std::find_if(Resumable.begin(), Resumable.end(), [&](const helper::TManifestFile& F) {
    return F.Name == Name && F.URL == URL();
  });
  std::int64_t Size = 0;
  const int Fd = It == Resumable.end() ? -1 : rxinstall::OpenResumable(FCurrentFile, *It, Size);
  // The last block already held is fetched again and compared, so a changed file is noticed.
  const std::int64_t Overlap = std::min<std::int64_t>(Size, TransferBufferSize());
  if (Fd >= 0 && Size > Overlap) {
    CloseOutputFile();
    FRun->OutputFd = Fd;
    FRun->ResumeFrom = Size;
    helper::TManifestFile Entry = *It;
    auto& Files = FRun->Manifest.Files;
    std::erase_if(Files, [&](const helper::TManifestFile& F) { return F.Name == Name; });
    Files.push_back(Entry);
    Resumable.erase(It);
    SaveManifest();
  } else {
    if (Fd >= 0) ::close(Fd);
    if (It != Resumable.end()) Resumable.erase(It);
    if (!OpenOutputFile()) return;
  }
  // The transfer writes to the file held here, whatever its name has become since.
  SetOutputFileName("/proc/self/fd/" + std::to_string(FRun->OutputFd));
  ReleaseHTTPStream();
  ReadFile(FRun->ResumeFrom > 0 ? FRun->ResumeFrom - Overlap : 0);
}

bool TzuRenewix::ReportPlantedLinks() {
  const std::string Dir = ProgramDirectory();
  DIR* D = ::opendir(Dir.empty() ? "." : Dir.c_str());
  if (!D) return true;
  std::vector<std::string> Links;
  while (dirent* E = ::readdir(D)) {
    struct stat St{};
    if (EndsWithTempSuffix(E->d_name) && ::lstat((Dir + E->d_name).c_str(), &St) == 0 && S_ISLNK(St.st_mode))
      Links.push_back(Dir + E->d_name);
  }
  ::closedir(D);
  const auto Alive = FAlive;
  for (const auto& L : Links)
    if (::unlink(L.c_str()) == 0) {
      UpgradeError(ueLinkRemoved, L);
      if (!*Alive) return false;
    }
  return true;
}

void TzuRenewix::SaveManifest() {
  const int Dir = helper::OpenDirectory(ProgramDirectory());
  if (Dir < 0) return;
  helper::WriteManifest(Dir, FRun->Manifest);  // a directory that takes no manifest takes no download
  ::close(Dir);
}

bool TzuRenewix::OpenOutputFile() {
  CloseOutputFile();
  bool LinkRemoved = false;
  std::string Error;
  const int Fd = rxinstall::CreateOutputFile(FCurrentFile, LinkRemoved, Error);
  const auto Alive = FAlive;
  if (LinkRemoved) {
    UpgradeError(ueLinkRemoved, FCurrentFile);
    if (!*Alive) {
      if (Fd >= 0) ::close(Fd);
      return false;
    }
  }
  if (Fd < 0) {
    // As when the transfer itself cannot create its file.
    SetOutputFileName(FCurrentFile);
    if (TzuCustomHTTP::OnOutputFileError) TzuCustomHTTP::OnOutputFileError(this);
    return false;
  }
  FRun->OutputFd = Fd;
  struct stat St{};
  ::fstat(Fd, &St);
  auto& Files = FRun->Manifest.Files;
  const std::string Name = FinalName(FCurrentFile);
  std::erase_if(Files, [&](const helper::TManifestFile& F) { return F.Name == Name; });
  Files.push_back({Name, URL(), "", "", -1, static_cast<std::uint64_t>(St.st_ino), false});
  SaveManifest();
  return true;
}

void TzuRenewix::DropOutputFile() {
  if (FRun->OutputFd >= 0) {
    struct stat Mine{}, Now{};
    if (::fstat(FRun->OutputFd, &Mine) == 0 && ::lstat(FCurrentFile.c_str(), &Now) == 0 &&
        Mine.st_ino == Now.st_ino && Mine.st_dev == Now.st_dev)
      ::unlink(FCurrentFile.c_str());
    CloseOutputFile();
  }
  const std::string Name = FinalName(FCurrentFile);
  std::erase_if(FRun->Manifest.Files, [&](const helper::TManifestFile& F) { return F.Name == Name; });
  SaveManifest();
}

void TzuRenewix::CloseOutputFile() {
  if (FRun->OutputFd >= 0) ::close(FRun->OutputFd);
  FRun->OutputFd = -1;
}

void TzuRenewix::UpgradeError(TzuRXUpgradeError Error, const std::string& Detail) {
  const auto Alive = FAlive;
  if (OnUpgradeError) OnUpgradeError(this, Error, Detail);
  if (!*Alive || Error == ueLinkRemoved || !Shows(mUpgradeFailed)) return;
  RXMsgBox(RXFmtLangStr(Error == ueHelperNotStarted ? 31 : 32, {Detail}), MB_ICONSTOP);
}

void TzuRenewix::HTTPHeaderInfo(TObject*, int ErrorCode, const std::string&, const std::string&, const std::string&,
                                const std::string&, std::int64_t ContentLength, const std::string&, TDateTime,
                                TDateTime LastModified, TDateTime, const std::string& ETag, bool& ContinueDownload) {
  if (FQueryInfoStage) return;
  if (FRun->ResumeFrom > 0 && !FRun->Manifest.Files.empty()) {
    const std::int64_t From = std::exchange(FRun->ResumeFrom, 0);
    if (ErrorCode == 206) {
      if (!rxinstall::SameEntity(FRun->Manifest.Files.back(), ContentLength, ETag, LastModifiedText(LastModified))) {
        ContinueDownload = false;  // another file now: fetched anew (HTTPDoneInterrupted)
        FRun->RestartFresh = true;
        return;
      }
      const auto Alive = FAlive;
      if (OnFileResume) OnFileResume(this, URL(), From);
      if (!*Alive) return;
    }
  }
  FFileTime = LastModified;
  WizardSetFileSize(RXFmtLangStr(6, {static_cast<double>(ContentLength) / 1024.0}));
  if (FMiscFilesUpgrade == mfuOnlyIfSizeDifferent && ContentLength != 0 && FURLs.Count() > 1) {
    const std::string Local = FCurrentFile.substr(0, FCurrentFile.size() - std::strlen(TempFileSuffix));
    if (UpperCase(FileNamePart(Local)) != UpperCase(FileNamePart(ProgramPath())) &&
        ::access(Local.c_str(), F_OK) == 0)
      ContinueDownload = ContentLength != ExtractFileSize(Local);
  }
  if (OnFileStart)
    OnFileStart(this, URL(), static_cast<std::int32_t>(ContentLength), LastModified, ContinueDownload);
  if (!ContinueDownload || FRun->Manifest.Files.empty()) return;
  auto& Entry = FRun->Manifest.Files.back();
  Entry.Size = ContentLength > 0 ? ContentLength : -1;
  Entry.ETag = ETag;
  Entry.LastModified = LastModifiedText(LastModified);
  SaveManifest();
}

void TzuRenewix::HTTPDone(TObject*, const std::string&, std::int64_t, TStream* Stream) {
  if (FQueryInfoStage) {
    FInfoPending = false;
    ParseInfoFile(Stream);
    return;
  }
  struct stat St{};
  const bool Stored = FRun->OutputFd >= 0 && ::fstat(FRun->OutputFd, &St) == 0;
  std::string Sha256;
  if (RefuseDownload(Stored ? St.st_size : -1, Sha256)) return;
  if (FFileTime != 0) SetFileTimes(OutputFileName(), FFileTime, FFileTime, -1);
  if (Stored && !FRun->Manifest.Files.empty()) {
    auto& Entry = FRun->Manifest.Files.back();
    Entry.Size = St.st_size;
    Entry.Sha256 = Sha256;
    Entry.Inode = St.st_ino;
    Entry.Complete = true;
    SaveManifest();
  }
  CloseOutputFile();
  const auto Alive = FAlive;
  if (OnFileDone) OnFileDone(this, FCurrentFile);
  if (*Alive) DoUpgrade(false);
}

void TzuRenewix::HTTPDoneInterrupted(TObject*) {
  if (FQueryInfoStage) return;
  if (std::exchange(FRun->RestartFresh, false)) {
    if (!OpenOutputFile()) return;
    SetOutputFileName("/proc/self/fd/" + std::to_string(FRun->OutputFd));
    ReleaseHTTPStream();
    ReadFile(0);
    return;
  }
  DropOutputFile();  // skipped: no ".uTMP" file for it
  DoUpgrade(false);
}

void TzuRenewix::HTTPProgress(TObject*, const std::string&, std::int64_t DataSize, std::int64_t BytesRead,
                              int ElapsedTime, int EstimatedTimeLeft, std::uint8_t PercentsDone,
                              float TransferRate, TStream*) {
  if (FQueryInfoStage) return;
  const int Count = FURLs.Count();
  if (Count == 0) return;
  const auto Total = static_cast<std::uint8_t>(PercentsDone / Count + PercentsOf(Count, FFileIndex));
  const auto Alive = FAlive;
  if (OnProgress)
    OnProgress(this, URL(), static_cast<std::int32_t>(DataSize), static_cast<std::int32_t>(BytesRead), ElapsedTime,
               EstimatedTimeLeft, PercentsDone, Total, TransferRate);
  if (!*Alive || !WizardForm) return;
  WizardSetProgress(PercentsDone, Total);
  WizardSetTransferRate(RXFmtLangStr(7, {static_cast<double>(TransferRate)}));
  const long long Left = EstimatedTimeLeft;
  WizardSetEstimatedTime(RXFmtLangStr(8, {Left / 3600, Left / 60 % 60, Left % 60}));
}

void TzuRenewix::NoInfoFile() {
  FInfoPending = false;
  StopWait(FWaitHandle);
  const auto Alive = FAlive;
  if (OnNoInfoFile) OnNoInfoFile(this);
  if (*Alive && Shows(mNoInfoFile)) RXLangMsgBox(25, MB_ICONSTOP);
}

void TzuRenewix::HTTPError(TObject*, int ErrorCode, TStream*) {
  if (FQueryInfoStage) {
    NoInfoFile();
    return;
  }
  LostFile(ErrorCode);
}

void TzuRenewix::HTTPOutputFileError(TObject*) {
  if (FQueryInfoStage) {
    NoInfoFile();  // larger than any info file: not one
    return;
  }
  LostFile(0);  // the file could not be stored (a full disk, a folder that cannot be written)
}

void TzuRenewix::LostFile(int ErrorCode) {
  if (!FCurrentFile.empty()) DropOutputFile();
  bool ContinueUpgrade = false;
  const auto Alive = FAlive;
  if (OnLostFile) OnLostFile(this, URL(), ErrorCode, ContinueUpgrade);
  if (!*Alive) return;
  if (Shows(mLostFile))
    ContinueUpgrade = ShowMsgBox(RXFmtLangStr(28, {GetFileName()}), RXLangStr(21) + " #" + std::to_string(ErrorCode),
                                 MB_YESNO | MB_ICONEXCLAMATION, false, true) == IDYES;
  if (!*Alive) return;
  if (ContinueUpgrade)
    DoUpgrade(false);
  else
    Abort(false);
}

void TzuRenewix::HTTPConnLost(TObject*, const std::string&, std::int64_t, std::int64_t, TStream*) {
  FInfoPending = false;
  const auto Alive = FAlive;
  if (OnConnLost) OnConnLost(this);
  if (!*Alive) return;
  if (Shows(mConnLost)) RXLangMsgBox(30, MB_ICONSTOP);
  if (!*Alive) return;
  // What was written stays for the next check to continue; its run is not complete, so
  // nothing of it is ever installed.
  SafeTerminate(false);
}

void TzuRenewix::HTTPHostUnreachable(TObject*) {
  FInfoPending = false;
  const auto Alive = FAlive;
  const std::string Host = GetHostName();
  if (OnHostUnreachable) OnHostUnreachable(this, URL(), Host);
  if (!*Alive) return;
  if (FAutoCheckRunning) {
    FTimerFired = false;
    UpdateTimer();
  } else if (Shows(mHostUnreachable)) {
    RXMsgBox(RXFmtLangStr(26, {"http://" + Host}), MB_ICONSTOP);
    if (!*Alive) return;
  }
  SafeTerminate(false);
}

void TzuRenewix::HTTPPasswordRequest(TObject*, const std::string& Realm, bool& TryAgain) {
  const auto Alive = FAlive;
  const bool Withheld = WithholdsCredentials();
  if (Withheld) HoldCredentials();
  if (OnPasswordRequest) OnPasswordRequest(this, Realm, TryAgain);
  if (!*Alive) return;
  // Trying again with nothing new would only send the same nothing.
  if (Withheld && TryAgain && HTTPUsername().empty() && HTTPPassword().empty()) TryAgain = false;
  if (!TryAgain && Shows(mPasswordRequest)) {
    TryAgain = ShowPasswordBox(this, GetFileName());
    if (*Alive && !TryAgain) Abort(false);
  }
}

void TzuRenewix::Abort(bool Immediately) {
  FAborted = true;
  SafeTerminate(Immediately);
  DeleteTemporaryFiles();
  if (OnAborted) OnAborted(this);
}

void TzuRenewix::SafeTerminate(bool Immediately) {
  FInfoPending = false;
  StopWait(FWaitHandle);
  TzuCustomHTTP::Abort(false, Immediately);
  if (WizardForm) FreeRenewixWizard();
}

void TzuRenewix::FinishUpgrade() {
  if (WizardForm) {
    WizardFinish();
    bool Alive = true;
    WaitForStop(Alive);
    if (!Alive) return;
    if (FAborted) return;
    if (WizardForm) {
      // The application is ending while the completed page is still open: the user never
      // confirmed, so nothing is installed and nothing of this update stays behind.
      FreeRenewixWizard();
      DeleteTemporaryFiles();
      return;
    }
  }
  FFilesDownloaded = true;
  FRun->Manifest.Complete = true;  // from now on an install request for the helper
  SaveManifest();
  bool Restart = true;
  const auto Alive = FAlive;
  if (OnEndUpgrade) OnEndUpgrade(this, Restart);
  if (*Alive && Restart) RestartApplication(std::string());
}

std::string TzuRenewix::HelperPath() {
  return rxinstall::HelperPlaces(ProgramDirectory()).front() + "/" + rxinstall::HelperFileName;
}

std::vector<std::string> TzuRenewix::HelperArguments(const std::string& Params) {
  return {ProgramPath(), "+" + Params};
}

bool TzuRenewix::Relaunch(const std::string& Params) {
  // The helper acts on a completed run only; with nothing downloaded the request is an empty
  // run, which restarts the program.
  std::string Error;
  if (const int Dir = helper::OpenDirectory(ProgramDirectory()); Dir >= 0) {
    helper::TManifest M;
    if (!helper::ReadManifest(Dir, M) || !M.Complete) {
      // A completed download whose record is missing must not pass for a plain restart.
      if (FFilesDownloaded) {
        M = FRun->Manifest;
      } else {
        M = helper::TManifest{};
      }
      M.Complete = true;
      helper::WriteManifest(Dir, M, &Error);
    }
    ::close(Dir);
  } else {
    Error = "cannot open " + ProgramDirectory() + ": " + std::strerror(errno);
  }
  if (Error.empty()) {
    const rxinstall::THelperStart Started =
        rxinstall::StartHelper(ProgramDirectory(), HelperArguments(Params), StartHelper);
    if (!Started.Started) Error = Started.Error;
  }
  if (!Error.empty()) {
    // The application goes on, and what was downloaded stays for a later try.
    UpgradeError(ueHelperNotStarted, Error);
    return false;
  }
  if (OnDoOwnCloseAppMethod)
    OnDoOwnCloseAppMethod(this);
  else if (CloseApplication)
    CloseApplication();
  return true;
}

void TzuRenewix::RestartApplication(const std::string& Params) {
  if (!FFilesDownloaded) DeleteTemporaryFiles();
  if (!Params.empty())
    Relaunch(Params);
  else
    Relaunch(FRestartParams + static_cast<char>('0' + static_cast<int>(FUpgradeMethod)));
}

void TzuRenewix::DeleteTemporaryFiles() { RemoveTemporaryFiles(ProgramDirectory(), {}); }

void TzuRenewix::Loaded() {
  TzuCustomHTTP::Loaded();
  UpdateTimer();  // AutoCheck is read before AutoCheckDelay: arm with the stored delay
  ReportStart();
}

void TzuRenewix::ReportStart() {
  if (FStartReported) return;
  FStartReported = true;
  // The helper that started us says how its install went; an install found cut off at
  // creation was undone there.
  std::string Failure = std::move(FRecoveryReport);
  FRecoveryReport.clear();
  if (const char* Result = std::getenv(helper::ResultVariable)) {
    const std::string Text = Result;
    ::unsetenv(helper::ResultVariable);  // not for the programs we start
    if (Text.rfind("failed ", 0) == 0) Failure = Text.substr(7);
  }
  if (!Failure.empty()) {
    const auto Alive = FAlive;
    UpgradeError(ueInstallFailed, Failure);
    if (!*Alive) return;
  }
  if (!OnAfterRestart) return;
  const auto Args = os::CommandLineArguments();
  if (!Args.empty() && Args[0] == FRestartParams) OnAfterRestart(this);
}

}  // namespace zu
