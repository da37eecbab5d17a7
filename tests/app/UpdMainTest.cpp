// The updater's main window in this process: its designed layout and title, the stored values
// of its component from the form data, what FormShow and Check Updates set, the checks against
// nginx with their message boxes, closing, and the start-up exception box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>

#include "QtTestUtil.h"
#include "DemoSigning.h"
#include "TestUtil.h"
#include "app/AppControls.h"
#include "app/Startup.h"
#include "app/TestDriver.h"
#include "app/UpdMain.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/framework/FormData.h"
#include "platform/os/Resources.h"
#include "servers/TestServers.h"
#include "widgets/zuInfoBox.h"
#include "widgets/zuInfoBoxForm.h"

namespace zu {

// Reads and writes the window's private settings.
struct TfrmUpdMainAccess {
  static bool AutoCheck(const TfrmUpdMain& F) { return F.FAutoCheck; }
  static bool HideFileLocation(const TfrmUpdMain& F) { return F.FHideFileLocation; }
  static int AutoCheckDelay(const TfrmUpdMain& F) { return F.FAutoCheckDelay; }
  static std::string WizardPicture(const TfrmUpdMain& F) { return F.FWizardPicture; }
  static std::string VersionNumber(const TfrmUpdMain& F) { return F.FVersionNumber; }
  static std::string RestartParams(const TfrmUpdMain& F) { return F.FRestartParams; }
  static std::string InfoBaseURL(const TfrmUpdMain& F) { return F.FInfoBaseURL; }
  static std::string InfoFileName(const TfrmUpdMain& F) { return F.FInfoFileName; }
  static std::string Username(const TfrmUpdMain& F) { return F.FUsername; }
  static std::string Password(const TfrmUpdMain& F) { return F.FPassword; }
  static void SetWizardPicture(TfrmUpdMain& F, const std::string& V) { F.FWizardPicture = V; }
  static void SetUsername(TfrmUpdMain& F, const std::string& V) { F.FUsername = V; }
};

}  // namespace zu

using namespace zu;
using A = zu::TfrmUpdMainAccess;
using zutest::NginxServer;
using zutest::TempDir;

namespace {

using Clock = std::chrono::steady_clock;

using zutest::PumpUntil;

void Flush() {
  for (int I = 0; I < 3; ++I) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

void SaveArtifact(QWidget* W, const std::string& Name) {
  ASSERT_TRUE(FramedWindowImage(W).save(QString::fromStdString(zutest::ArtifactsDir() + "/" + Name), "PNG"));
}

// Every box the program shows, in order: the message boxes through OnMessageBox, the info
// boxes (the upgrade question) from a timer, and the wizard's completed page, which gets OK.
struct TBoxes {
  std::vector<std::string> Seen;
  std::vector<std::string> Captions;
  std::vector<unsigned> Flags;
  int InfoBoxAnswer = IDYES;
  std::function<void(const std::string&)> OnBox;
  QTimer Timer;
  bool WizardCompleted = false;

  TBoxes() {
    Application().OnMessageBox = [this](const std::string& Text, const std::string& Caption, unsigned F) {
      Seen.push_back(Text);
      Captions.push_back(Caption);
      Flags.push_back(F);
      if (OnBox) OnBox(Text);
      return IDOK;
    };
    QObject::connect(&Timer, &QTimer::timeout, [this] {
      if (TzuInfoBoxForm* F = ShowingInfoBoxForm(); F && F->isVisible()) {
        Seen.push_back("question: " + F->PlainText());
        F->done(InfoBoxAnswer);
      } else if (WizardForm && WizardForm->isVisible() && WizardForm->Completed() && !WizardCompleted) {
        WizardCompleted = true;
        QTest::mouseClick(WizardForm->OKBtn, Qt::LeftButton);
      }
    });
    Timer.start(15);
  }
  ~TBoxes() { Application().OnMessageBox = nullptr; }
};

class UpdMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Renewix");
    Application().ResetTerminated();
    TzuRenewix::ExecutablePath = [this] { return Dir.File("renewix"); };
    TzuRenewix::StartHelper = [this](const std::string&, const std::vector<std::string>& Args) {
      std::string Line;
      for (const auto& A : Args) Line += (Line.empty() ? "" : " ") + A;
      Helpers.push_back(Line);
      return true;
    };
    TzuRenewix::CloseApplication = [this] { ++Closed; };
    zutest::WriteFile(Dir.File("renewix"), "the old program");
  }
  void TearDown() override {
    delete Form.data();
    Flush();
    Application().SetMainForm(nullptr);
    Application().ResetTerminated();
    TzuRenewix::ExecutablePath = [] { return std::string("/nonexistent/program"); };
  }
  // Creates the window and shows it, pointed at Web.
  TfrmUpdMain& Open() {
    Form = new TfrmUpdMain(nullptr);
    Form->show();
    Flush();
    return *Form;
  }
  void Publish(const std::string& Version, const std::string& Extra = std::string()) {
    Web.Put("rel/setup.exe", "setup program bytes");
    Web.Put("ini/SablewingUpdate.inf",
            zutest::SignedWithDemoKey("#version=" + Version + "\n#url1=" + Web.Url("/rel/setup.exe") + "\n" +
                                      zutest::FileCheckLines("#url1", "setup program bytes") +
                                      "#message={1. Faster\n2. Smaller}\n" + Extra));
  }
  int InfoRequests() const {
    const std::string Log = Web.AccessLogWith({"GET /ini/SablewingUpdate.inf "});
    int N = 0;
    for (size_t P = 0; (P = Log.find("GET /ini/SablewingUpdate.inf ", P)) != std::string::npos; ++P) ++N;
    return N;
  }

  NginxServer Web;
  zutest::ScopedEnv Server{"RENEWIX_UPDATE_SERVER", nullptr};
  TempDir Dir;
  QPointer<TfrmUpdMain> Form;
  std::vector<std::string> Helpers;
  int Closed = 0;
};

TEST_F(UpdMainTest, WindowAsDesigned) {
  TfrmUpdMain& F = Open();
  EXPECT_EQ(F.windowTitle().toStdString(), "Renewix (Ver1.0.0.2)");
  EXPECT_EQ(F.version1->GetField(2), "1.0.0.2");
  EXPECT_EQ(F.version1->GetField(0), "");
  // Fixed single border: system menu and minimise, no maximise, no resizing.
  EXPECT_EQ(F.size(), QSize(472, 123));
  EXPECT_EQ(F.minimumSize(), F.maximumSize());
  const Qt::WindowFlags Flags = F.windowFlags();
  EXPECT_TRUE(Flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(Flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(Flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(F.palette().color(QPalette::Window), QColor(255, 251, 240));
  EXPECT_TRUE(F.autoFillBackground());
  EXPECT_EQ(F.font().pixelSize(), 11);
  // Centred on the screen.
  const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(F.frameGeometry().center().x() - Screen.center().x()), 1);
  EXPECT_LE(std::abs(F.frameGeometry().center().y() - Screen.center().y()), 1);

  EXPECT_EQ(F.gbInfo->geometry(), QRect(12, 8, 450, 75));
  EXPECT_EQ(F.gbInfo->title(), "");
  EXPECT_EQ(F.imgInfo->parentWidget(), F.gbInfo);
  EXPECT_EQ(F.imgInfo->geometry(), QRect(8, 12, 47, 47));
  EXPECT_EQ(F.lblInfo->parentWidget(), F.gbInfo);
  EXPECT_EQ(F.lblInfo->geometry(), QRect(65, 12, 370, 52));
  EXPECT_TRUE(F.lblInfo->wordWrap());
  EXPECT_FALSE(F.lblInfo->autoFillBackground());
  EXPECT_EQ(F.lblInfo->text().toStdString(), "Click Button \"Check Updates\" to check program updates...");
  EXPECT_EQ(F.btnCheck->geometry(), QRect(284, 91, 100, 25));
  EXPECT_EQ(F.btnCheck->Caption(), "&Check Updates");
  EXPECT_EQ(F.btnClose->geometry(), QRect(388, 91, 75, 25));
  EXPECT_EQ(F.btnClose->Caption(), "&Close");
  EXPECT_TRUE(F.XPMenu1->Active());

  // The built-in pictures of the form data: the 47 x 47 picture, and a glyph whose disabled
  // state differs from the enabled one.
  ASSERT_NE(F.imgInfo->Picture()->Graphic(), nullptr);
  EXPECT_EQ(F.imgInfo->Picture()->Width(), 47);
  EXPECT_EQ(F.imgInfo->Picture()->Height(), 47);
  EXPECT_TRUE(F.imgInfo->AutoSize());
  const QImage Up = F.btnClose->StateGlyph(true), Off = F.btnClose->StateGlyph(false);
  ASSERT_FALSE(Up.isNull());
  EXPECT_EQ(Up.size(), QSize(16, 16));
  EXPECT_NE(Up, Off);
  EXPECT_EQ(F.btnClose->Glyph(), Up);
  F.btnClose->setEnabled(false);
  EXPECT_EQ(F.btnClose->Glyph(), Off);
  F.btnClose->setEnabled(true);
  EXPECT_TRUE(F.btnCheck->Glyph().isNull());

  SaveArtifact(&F, "renewix-main.png");
}

TEST_F(UpdMainTest, TabOrderAnchorsAndKeyPreview) {
  TfrmUpdMain& F = Open();
  EXPECT_EQ(F.btnCheck->nextInFocusChain(), F.btnClose);
  F.activateWindow();
  F.btnCheck->setFocus();
  QTest::keyClick(F.btnCheck, Qt::Key_Tab);
  EXPECT_TRUE(F.btnClose->hasFocus());

  // Anchored right and bottom: a larger client area moves the buttons with those edges.
  F.setFixedSize(572, 143);
  EXPECT_EQ(F.btnCheck->pos(), QPoint(384, 111));
  EXPECT_EQ(F.btnClose->pos(), QPoint(488, 111));
  EXPECT_EQ(F.gbInfo->pos(), QPoint(12, 8));

  // Key preview (on in the form data): the form sees the key first and can keep it.
  EXPECT_TRUE(F.KeyPreview());
  int Clicks = 0;
  F.btnCheck->OnClick = [&](TObject*) { ++Clicks; };
  std::vector<int> Keys;
  bool Swallow = true;
  F.OnKeyDown = [&](TObject*, int& Key) {
    Keys.push_back(Key);
    if (Swallow) Key = 0;
  };
  QTest::keyClick(F.btnCheck, Qt::Key_Space);
  EXPECT_EQ(Keys, std::vector<int>{Qt::Key_Space});
  EXPECT_EQ(Clicks, 0);
  Swallow = false;
  QTest::keyClick(F.btnCheck, Qt::Key_Space);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(UpdMainTest, StoredValuesAndEventsComeFromTheFormData) {
  Form = new TfrmUpdMain(nullptr);
  TzuRenewix& R = *Form->zuUpgrdr1;
  EXPECT_EQ(R.AutoCheckDelay(), 30000);
  ASSERT_EQ(R.InfoFile()->Files()->Count(), 1);
  EXPECT_EQ(R.InfoFile()->Files()->Strings(0).rfind("http://", 0), 0u);
  EXPECT_EQ(R.InfoFile()->UpgradeMethod(), umUseExternalSetup);
  const std::string Msg = R.InfoFile()->UpgradeMsg();
  EXPECT_EQ(Msg.rfind("1. ", 0), 0u);
  EXPECT_NE(Msg.find("\n2. "), std::string::npos);
  EXPECT_EQ(std::count(Msg.begin(), Msg.end(), '\n'), 1);
  const std::string URL = R.InfoFileURL();
  EXPECT_EQ(URL, std::string(ZU_UPDATE_SERVER) + "SablewingUpdate.ini");
  EXPECT_EQ(URL.substr(URL.size() - 24), "/ini/SablewingUpdate.ini");
  EXPECT_EQ(R.VersionControl(), byNumber);
  EXPECT_EQ(R.VersionDate(), "02/19/2008");
  EXPECT_TRUE(R.VersionDateAutoSet());
  EXPECT_EQ(R.VersionNumber(), "1.0.0.2");
  EXPECT_EQ(R.PublicKey(), ZU_PUBLIC_KEY) << "the program trusts the configured keys";
  // Everything else keeps the component's defaults.
  EXPECT_EQ(R.RestartParams(), "/afterupgrade");
  EXPECT_FALSE(R.AutoCheck());
  EXPECT_EQ(R.ShowMessages(), DefaultShowMessages);
  EXPECT_TRUE(R.Wizard()->Enabled());
  EXPECT_FALSE(R.Wizard()->HideFileLocation());

  EXPECT_TRUE(R.OnBeginUpgrade && R.OnFileStart && R.OnFileDone && R.OnAfterRestart && R.OnAborted &&
              R.OnNoUpdateAvailable);
  EXPECT_FALSE(R.OnEndUpgrade || R.OnLaterUpgrade || R.OnProgress || R.OnConnLost || R.OnHostUnreachable ||
               R.OnNoInfoFile || R.OnLostFile || R.OnPasswordRequest || R.OnDoOwnCloseAppMethod);
  EXPECT_TRUE(Form->btnCheck->OnClick && Form->btnClose->OnClick && Form->OnShow && Form->OnClose && Form->OnCreate);

  // Written back, the component's node is the stored one: nothing else differs from a default.
  std::string Stored;
  ASSERT_TRUE(os::LoadResource("TfrmUpdMain", "FORMDATA", Stored));
  // (The writer adds the component's name, which the reader takes from the node.)
  auto Props = [](const std::string& Json) {
    for (const QJsonValue& V : QJsonDocument::fromJson(QByteArray::fromStdString(Json))["components"].toArray())
      if (V["name"] == "zuUpgrdr1") {
        QJsonObject P = V["properties"].toObject();
        P.remove("Name");
        return QJsonDocument(P).toJson().toStdString();
      }
    return std::string();
  };
  EXPECT_EQ(Props(WriteComponentToJson(*Form)), Props(Stored));

  // Each handler shows the message naming its event, with the application title as caption.
  TBoxes Boxes;
  R.OnNoUpdateAvailable(&R);
  R.OnAborted(&R);
  R.OnAfterRestart(&R);
  bool Can = true;
  TStringList Files;
  R.OnBeginUpgrade(&R, "notes", umSelfUpgrade, &Files, Can);
  EXPECT_TRUE(Can);
  R.OnFileStart(&R, "http://x/a", 1, 0, Can);
  EXPECT_TRUE(Can);
  R.OnFileDone(&R, "a.uTMP");
  EXPECT_EQ(Boxes.Seen, (std::vector<std::string>{"No Available Updates!!!", "zuUpgrdr1Aborted",
                                                  "zuUpgrdr1AfterRestart", "zuUpgrdr1BeginUpgrade",
                                                  "zuUpgrdr1FileStart", "zuUpgrdr1FileDone"}));
  for (size_t I = 0; I < Boxes.Seen.size(); ++I) {
    EXPECT_EQ(Boxes.Captions[I], "Renewix");
    EXPECT_EQ(Boxes.Flags[I], unsigned{MB_OK});
  }
}

TEST_F(UpdMainTest, FormShowFillsTheSettings) {
  {
    TfrmUpdMain& F = Open();
    EXPECT_FALSE(A::AutoCheck(F));
    EXPECT_TRUE(A::HideFileLocation(F));
    EXPECT_EQ(A::AutoCheckDelay(F), 30000);
    EXPECT_EQ(A::WizardPicture(F), "");
    EXPECT_EQ(A::VersionNumber(F), "1.0.0.2");
    EXPECT_EQ(A::RestartParams(F), "/verysilent");
    EXPECT_EQ(A::InfoBaseURL(F), ZU_UPDATE_SERVER);
    EXPECT_EQ(A::InfoFileName(F), "SablewingUpdate.inf");
    EXPECT_EQ(A::Username(F), "");
    EXPECT_EQ(A::Password(F), "");
    delete Form.data();
  }
  // The address the tests and the demo give, with or without its final slash.
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", "http://127.0.0.1:1/x/ini");
  EXPECT_EQ(A::InfoBaseURL(Open()), "http://127.0.0.1:1/x/ini/");
}

TEST_F(UpdMainTest, CheckUpdatesAppliesTheSettingsAndFindsNothingNewer) {
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
  Publish("1.0.0.2");
  TfrmUpdMain& F = Open();
  TzuRenewix& R = *F.zuUpgrdr1;
  // Whatever the component held, the click sets it again.
  R.SetVersionNumber("0.0.0.1");
  R.SetVersionControl(byDate);
  R.SetRestartParams("/other");
  R.SetMiscFilesUpgrade(mfuOnlyIfSizeDifferent);
  R.SetAutoCheckDelay(5);
  R.SetHTTPUsername("someone");
  R.SetHTTPPassword("secret");
  R.Wizard()->SetEnabled(false);
  R.Wizard()->SetStayOnTop(false);
  R.Wizard()->SetLanguage(wlGerman);
  TBoxes Boxes;
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  EXPECT_EQ(R.InfoFileURL(), Web.Url("/ini/SablewingUpdate.inf"));
  EXPECT_EQ(R.HTTPUsername(), "");
  EXPECT_EQ(R.HTTPPassword(), "");
  EXPECT_EQ(R.MiscFilesUpgrade(), mfuAlwaysDownload);
  EXPECT_EQ(R.RestartParams(), "/verysilent");
  EXPECT_EQ(R.VersionControl(), byNumber);
  EXPECT_EQ(R.VersionNumber(), "1.0.0.2");  // the file version, not the stored value
  EXPECT_FALSE(R.AutoCheck());
  EXPECT_EQ(R.AutoCheckDelay(), 30000);
  EXPECT_TRUE(R.Wizard()->Enabled());
  EXPECT_TRUE(R.Wizard()->HideFileLocation());
  EXPECT_EQ(R.Wizard()->Language(), wlAuto);
  EXPECT_TRUE(R.Wizard()->StayOnTop());
  EXPECT_TRUE(R.GetThreadBusy()) << "the click returns while the check runs";

  ASSERT_TRUE(PumpUntil([&] { return !Boxes.Seen.empty() && !R.GetThreadBusy(); }));
  QTest::qWait(100);  // anything that would follow has had its chance
  EXPECT_EQ(Boxes.Seen, std::vector<std::string>{"No Available Updates!!!"});
  EXPECT_EQ(InfoRequests(), 1);
  EXPECT_NE(Web.AccessLogWith({"GET /ini/"}).find("GET /ini/SablewingUpdate.inf 200 \"no-cache\""),
            std::string::npos);
  EXPECT_TRUE(Helpers.empty());
}

TEST_F(UpdMainTest, SecondClickDuringACheckStartsNoSecondTransfer) {
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
  Publish("1.0.0.2");
  TfrmUpdMain& F = Open();
  TBoxes Boxes;
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  ASSERT_TRUE(F.zuUpgrdr1->GetThreadBusy());
  F.zuUpgrdr1->SetRestartParams("/changed");
  A::SetUsername(F, "second");
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  // The settings are applied again ...
  EXPECT_EQ(F.zuUpgrdr1->RestartParams(), "/verysilent");
  EXPECT_EQ(F.zuUpgrdr1->HTTPUsername(), "second");
  // ... but the one transfer goes on alone.
  ASSERT_TRUE(PumpUntil([&] { return !Boxes.Seen.empty() && !F.zuUpgrdr1->GetThreadBusy(); }));
  QTest::qWait(100);
  EXPECT_EQ(InfoRequests(), 1);
  EXPECT_EQ(Boxes.Seen, std::vector<std::string>{"No Available Updates!!!"});
}

TEST_F(UpdMainTest, NewerVersionShowsTheEventsInOrderAndHandsOverWithVerysilent) {
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
  Publish("1.0.0.3", "#method=1\n");
  TfrmUpdMain& F = Open();
  TBoxes Boxes;
  bool WizardShownWithoutAddress = false;
  Boxes.OnBox = [&](const std::string& Text) {
    if (Text == "zuUpgrdr1FileStart" && WizardForm && WizardForm->isVisible())
      WizardShownWithoutAddress = !WizardForm->FileURL->isVisible() && !WizardForm->LDownloadingFileFrom->isVisible();
    if (Text == "zuUpgrdr1FileStart" && WizardForm) SaveArtifact(WizardForm, "renewix-wizard-downloading.png");
  };
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  ASSERT_TRUE(PumpUntil([&] { return !Helpers.empty(); })) << ::testing::PrintToString(Boxes.Seen);
  ASSERT_EQ(Boxes.Seen.size(), 4u) << ::testing::PrintToString(Boxes.Seen);
  EXPECT_EQ(Boxes.Seen[0], "zuUpgrdr1BeginUpgrade");
  EXPECT_EQ(Boxes.Seen[1].rfind("question: ", 0), 0u);
  EXPECT_NE(Boxes.Seen[1].find("1. Faster\n2. Smaller"), std::string::npos) << Boxes.Seen[1];
  EXPECT_EQ(Boxes.Seen[2], "zuUpgrdr1FileStart");
  EXPECT_EQ(Boxes.Seen[3], "zuUpgrdr1FileDone");
  EXPECT_TRUE(WizardShownWithoutAddress);
  EXPECT_TRUE(Boxes.WizardCompleted);
  // The external-setup method's digit after the restart parameters this window set.
  ASSERT_EQ(Helpers.size(), 1u);
  EXPECT_EQ(Helpers[0], Dir.File("renewix") + " +/verysilent1");
  EXPECT_EQ(Closed, 1);
  EXPECT_EQ(zutest::ReadFile(Dir.File("setup.exe.uTMP")), "setup program bytes");
}

TEST_F(UpdMainTest, DeclinedUpgradeDownloadsNothing) {
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
  Publish("1.0.0.3");
  TfrmUpdMain& F = Open();
  TBoxes Boxes;
  Boxes.InfoBoxAnswer = IDNO;
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  ASSERT_TRUE(PumpUntil([&] { return Boxes.Seen.size() >= 2 && !F.zuUpgrdr1->GetThreadBusy(); }));
  QTest::qWait(100);
  EXPECT_EQ(Boxes.Seen.size(), 2u) << ::testing::PrintToString(Boxes.Seen);
  EXPECT_EQ(Boxes.Seen[0], "zuUpgrdr1BeginUpgrade");
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("setup.exe.uTMP")));
  EXPECT_EQ(Web.AccessLog().find("/rel/setup.exe"), std::string::npos);
}

TEST_F(UpdMainTest, WizardPictureIsLoadedFromItsFile) {
  ASSERT_TRUE(Web.Ok()) << Web.Error();
  zutest::ScopedEnv Env("RENEWIX_UPDATE_SERVER", Web.Url("/ini/").c_str());
  Publish("1.0.0.2");
  QImage Side(118, 218, QImage::Format_RGB32);
  Side.fill(Qt::darkGreen);
  ASSERT_TRUE(Side.save(QString::fromStdString(Dir.File("side.png"))));
  TfrmUpdMain& F = Open();
  A::SetWizardPicture(F, Dir.File("side.png"));
  TBoxes Boxes;
  QTest::mouseClick(F.btnCheck, Qt::LeftButton);
  EXPECT_EQ(F.zuUpgrdr1->Wizard()->Pic118x218()->Width(), 118);
  EXPECT_EQ(F.zuUpgrdr1->Wizard()->Pic118x218()->Height(), 218);
  ASSERT_TRUE(PumpUntil([&] { return !Boxes.Seen.empty() && !F.zuUpgrdr1->GetThreadBusy(); }));
}

TEST_F(UpdMainTest, CloseFreesTheWindowAndEndsTheProgram) {
  TfrmUpdMain& F = Open();
  frmUpdMain = &F;
  Application().SetMainForm(&F);
  QTest::mouseClick(F.btnClose, Qt::LeftButton);
  EXPECT_EQ(frmUpdMain, nullptr);
  EXPECT_FALSE(F.isVisible());
  EXPECT_TRUE(Application().Terminated());
  EXPECT_EQ(Application().MainForm(), nullptr);
  Flush();
  EXPECT_TRUE(Form.isNull()) << "closing frees the window";
}

TEST(Startup, ExceptionsGoToTheExceptionBox) {
  Application().SetTitle("Renewix");
  std::vector<std::string> Seen;
  Application().OnMessageBox = [&](const std::string& Text, const std::string& Caption, unsigned Flags) {
    Seen.push_back(Caption + "|" + Text + "|" + std::to_string(Flags));
    return IDOK;
  };
  EXPECT_EQ(RunProtected([] { return 7; }), 7);
  EXPECT_TRUE(Seen.empty());
  EXPECT_EQ(RunProtected([]() -> int { throw EReadError("Error reading frmUpdMain"); }), 1);
  EXPECT_EQ(RunProtected([]() -> int { throw 42; }), 1);
  Application().OnMessageBox = nullptr;
  const std::string Stop = std::to_string(MB_ICONSTOP | MB_OK);
  EXPECT_EQ(Seen, (std::vector<std::string>{"Renewix|Error reading frmUpdMain|" + Stop, "Renewix||" + Stop}));
}

}  // namespace
