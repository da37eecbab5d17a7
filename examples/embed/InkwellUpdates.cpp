#include "InkwellUpdates.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTextStream>

#include "engine/zuRenewix.h"
#include "platform/framework/Graphics.h"
#include "widgets/zuGraphics.h"

namespace {

// The key renewix-publish keygen printed for Inkwell's releases (here: the demo key, so that
// releases signed with demo/demo-signing-key.pem are accepted). Only info files signed with
// it are used, and every downloaded file must match the size and SHA-256 they list.
constexpr const char* InkwellPublicKey = "mHQpXPvrvxsnLVFtCxfHEiY2sCScmKX3hWH/VT8sPKc=";

// The wizard's picture: 118 x 218 pixels beside its pages.
QImage WizardPicture() {
  QImage Img(118, 218, QImage::Format_RGB32);
  QPainter P(&Img);
  QLinearGradient G(0, 0, 0, 218);
  G.setColorAt(0, QColor(22, 46, 92));
  G.setColorAt(1, QColor(70, 130, 180));
  P.fillRect(Img.rect(), G);
  P.setPen(Qt::white);
  QFont F = P.font();
  F.setPointSize(14);
  F.setBold(true);
  P.setFont(F);
  P.translate(40, 200);
  P.rotate(-90);
  P.drawText(0, 0, "Inkwell");
  return Img;
}

}  // namespace

InkwellUpdates::InkwellUpdates(std::function<void(const QString&)> OnReport)
    : FUpdater(std::make_unique<zu::TzuRenewix>(nullptr)), FReport(std::move(OnReport)) {
  zu::TzuRenewix& U = *FUpdater;
  const QByteArray Url = qgetenv("INKWELL_UPDATE_URL");  // a test server instead of ours
  U.SetInfoFileURL(Url.isEmpty() ? INKWELL_UPDATE_URL : Url.toStdString());
  U.SetPublicKey(InkwellPublicKey);
  U.SetVersionNumber(INKWELL_VERSION);
  U.SetVersionControl(zu::byNumber);
  // The user's language (from the locale); any of the 29 can be fixed instead, e.g. wlGerman.
  U.Wizard()->SetLanguage(zu::wlAuto);
  auto Bitmap = std::make_unique<zu::TBitmap>();
  Bitmap->SetImage(WizardPicture());
  zu::TzuPicture Picture;
  Picture.SetGraphic(std::move(Bitmap));
  U.Wizard()->SetPic118x218(&Picture);
  // A quiet check once the window is up: only a newer release shows anything.
  U.SetAutoCheckDelay(3000);
  U.SetAutoCheck(true);

  U.OnBeginUpgrade = [this](zu::TObject*, const std::string&, zu::TzuUpgradeMethod, zu::TStringList*, bool&) {
    Report(QObject::tr("A new version of Inkwell is available."));
  };
  U.OnNoUpdateAvailable = [this](zu::TObject*) {
    Report(QObject::tr("Inkwell %1 is up to date.").arg(INKWELL_VERSION));
    Finish();
  };
  U.OnNoInfoFile = [this](zu::TObject*) {
    const std::string Why = FUpdater->VerifyError();
    Report(QObject::tr("No usable update information%1").arg(Why.empty() ? "." : QString(": ") + Why.c_str()));
    Finish();
  };
  U.OnHostUnreachable = [this](zu::TObject*, const std::string&, const std::string& Host) {
    Report(QObject::tr("The update server %1 cannot be reached.").arg(Host.c_str()));
    Finish();
  };
  U.OnConnLost = [this](zu::TObject*) {
    Report(QObject::tr("The connection to the update server broke off."));
    Finish();
  };
  U.OnLaterUpgrade = [this](zu::TObject*) { Report(QObject::tr("The update was put off.")); };
  U.OnAborted = [this](zu::TObject*) {
    Report(QObject::tr("The update was stopped."));
    Finish();
  };
  U.OnEndUpgrade = [this](zu::TObject*, bool& RestartNow) {
    // Installed when Inkwell quits, not in the middle of the user's work.
    RestartNow = false;
    Report(QObject::tr("The new version is downloaded; it is installed when you quit Inkwell."));
    Finish();
  };
  U.OnUpgradeError = [this](zu::TObject*, zu::TzuRXUpgradeError, const std::string& Detail) {
    Report(QObject::tr("The update could not be installed: %1").arg(Detail.c_str()));
    Finish();
  };
  U.OnAfterRestart = [this](zu::TObject*) {
    Report(QObject::tr("Inkwell was updated to version %1.").arg(INKWELL_VERSION));
  };
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { InstallOnQuit(); });
}

InkwellUpdates::~InkwellUpdates() = default;

void InkwellUpdates::CheckNow() { FUpdater->CheckUpdate(false); }

void InkwellUpdates::SetUnattended(const QString& LogFile) {
  FLogFile = LogFile;
  FUpdater->SetShowMessages(0);
  FUpdater->Wizard()->SetEnabled(false);
  Report(QObject::tr("Inkwell %1 started%2").arg(INKWELL_VERSION, qApp->arguments().size() > 1
                                                                       ? " with " + qApp->arguments().mid(1).join(' ')
                                                                       : QString()));
}

void InkwellUpdates::Report(const QString& Text) {
  if (FReport) FReport(Text);
  if (FLogFile.isEmpty()) return;
  QFile Log(FLogFile);
  if (Log.open(QIODevice::Append | QIODevice::Text)) QTextStream(&Log) << Text << '\n';
}

void InkwellUpdates::Finish() {
  if (!FLogFile.isEmpty()) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void InkwellUpdates::InstallOnQuit() {
  if (!FUpdater->FilesDownloaded()) return;
  Report(QObject::tr("Installing the new version."));
  // The helper takes over once Inkwell has ended, then starts the new version; Inkwell is
  // quitting already, so the component need not close it.
  FUpdater->OnDoOwnCloseAppMethod = [](zu::TObject*) {};
  FUpdater->RestartApplication(std::string());
}
