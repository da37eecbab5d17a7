#include "app/TestDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/os/System.h"
#include "platform/os/Version.h"
#include "support/zuUtils.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuInfoBoxForm.h"

namespace zu {

namespace {

std::string Env(const char* Name) {
  const char* V = std::getenv(Name);
  return V ? V : "";
}

std::string Escaped(const QString& Text) {
  std::string R;
  for (char C : Text.toStdString()) {
    if (C == '\r') continue;
    if (C == '\n')
      R += "\\n";
    else
      R += C;
  }
  return R;
}

// The programs that logged before this one.
int StartedBefore(const std::string& LogPath) {
  std::ifstream In(LogPath);
  int N = 0;
  for (std::string Line; std::getline(In, Line);) {
    std::istringstream L(Line);
    std::string No, Kind;
    L >> No >> Kind;
    if (Kind == "start") ++N;
  }
  return N;
}

QString BoxText(QWidget* Box) {
  if (auto* M = qobject_cast<QMessageBox*>(Box)) return M->text();
  if (auto* F = dynamic_cast<TzuInfoBoxForm*>(Box)) return QString::fromStdString(F->PlainText());
  return QString();
}

QAbstractButton* AnswerButton(QWidget* Box, const std::string& Answer) {
  if (auto* M = qobject_cast<QMessageBox*>(Box)) {
    const QMessageBox::StandardButton B = Answer == "yes"      ? QMessageBox::Yes
                                          : Answer == "no"     ? QMessageBox::No
                                          : Answer == "cancel" ? QMessageBox::Cancel
                                                               : QMessageBox::Ok;
    return M->button(B);
  }
  const int Wanted = Answer == "yes" ? mrYes : Answer == "no" ? mrNo : Answer == "cancel" ? mrCancel : mrOk;
  for (TzuButton* B : Box->findChildren<TzuButton*>())
    if (B->isVisible() && B->ModalResult() == Wanted) return B;
  return nullptr;
}

}  // namespace

QImage FramedWindowImage(QWidget* W) {
  const QPixmap Client = W->grab();
  constexpr int Bar = 22;
  QImage Img(Client.width() + 2, Client.height() + Bar + 1, QImage::Format_RGB32);
  QPainter P(&Img);
  P.fillRect(Img.rect(), QColor(0x0A, 0x24, 0x6A));
  QLinearGradient G(0, 0, Img.width(), 0);
  G.setColorAt(0, QColor(0x0A, 0x24, 0x6A));
  G.setColorAt(1, QColor(0xA6, 0xCA, 0xF0));
  P.fillRect(QRect(0, 0, Img.width(), Bar), G);
  QFont F = W->font();
  F.setBold(true);
  F.setPixelSize(12);
  P.setFont(F);
  P.setPen(Qt::white);
  P.drawText(QRect(6, 0, Img.width() - 70, Bar), Qt::AlignLeft | Qt::AlignVCenter, W->windowTitle());
  // The caption buttons the window asks for, right to left: close, maximise, minimise.
  const Qt::WindowFlags Flags = W->windowFlags();
  int X = Img.width() - 20;
  enum TGlyph { gClose, gMaximise, gMinimise };
  auto Button = [&](TGlyph Glyph) {
    const QRect R(X, 3, 16, 15);
    P.fillRect(R, QColor(0xD4, 0xD0, 0xC8));
    P.setPen(QColor(0x40, 0x40, 0x40));
    P.drawRect(R.adjusted(0, 0, -1, -1));
    P.setPen(QPen(Qt::black, 2));
    if (Glyph == gClose) {
      P.drawLine(R.left() + 4, R.top() + 4, R.right() - 4, R.bottom() - 4);
      P.drawLine(R.right() - 4, R.top() + 4, R.left() + 4, R.bottom() - 4);
    } else if (Glyph == gMaximise) {
      P.drawRect(R.adjusted(4, 4, -5, -5));
    } else {
      P.drawLine(R.left() + 4, R.bottom() - 4, R.right() - 6, R.bottom() - 4);
    }
    X -= 18;
  };
  if (Flags & Qt::WindowCloseButtonHint) Button(gClose);
  if (Flags & Qt::WindowMaximizeButtonHint) Button(gMaximise);
  if (Flags & Qt::WindowMinimizeButtonHint) Button(gMinimise);
  P.drawPixmap(1, Bar, Client);
  return Img;
}

std::unique_ptr<TTestDriver> TTestDriver::FromEnvironment() {
  const std::string Script = Env("RENEWIX_TEST_SCRIPT");
  if (Script.empty()) return nullptr;
  std::string LogPath = Env("RENEWIX_TEST_LOG");
  if (LogPath.empty()) LogPath = Script + ".log";
  const std::string Timeout = Env("RENEWIX_TEST_TIMEOUT");
  const int Seconds = Timeout.empty() ? 120 : std::atoi(Timeout.c_str());
  return std::unique_ptr<TTestDriver>(new TTestDriver(Script, LogPath, Env("RENEWIX_TEST_SHOTS"), Seconds));
}

TTestDriver::TTestDriver(const std::string& Script, const std::string& LogPath, const std::string& ShotsDir,
                         int TimeoutSec)
    : FLogPath(LogPath), FShotsDir(ShotsDir), FTimeoutMs(TimeoutSec > 0 ? TimeoutSec * 1000 : 120000) {
  FInstance = StartedBefore(FLogPath) + 1;
  std::ifstream In(Script);
  int Section = 1;
  for (std::string Line; std::getline(In, Line);) {
    if (const size_t Hash = Line.find('#'); Hash != std::string::npos) Line.erase(Hash);
    Line = Trim(Line);
    if (Line.empty()) continue;
    if (Line == "---") {
      ++Section;
      continue;
    }
    if (Section != FInstance) continue;
    const size_t Blank = Line.find(' ');
    FSteps.push_back({Line.substr(0, Blank), Blank == std::string::npos ? "" : Trim(Line.substr(Blank))});
  }
  if (!FShotsDir.empty()) QDir().mkpath(QString::fromStdString(FShotsDir));

  std::string Args;
  for (const auto& A : os::CommandLineArguments()) Args += (Args.empty() ? "" : " ") + A;
  Log("start", "pid=" + std::to_string(::getpid()) + " version=" + os::ProgramFileVersion() + " args=" + Args);

  FClock.start();
  QObject::connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
  FTimer.start(40);
}

TTestDriver::~TTestDriver() { Log("exit", ""); }

void TTestDriver::Log(const std::string& Kind, const std::string& Text) {
  std::ofstream Out(FLogPath, std::ios::app);
  Out << FInstance << ' ' << Kind << (Text.empty() ? "" : " ") << Text << '\n';
}

void TTestDriver::Shot(QWidget* W, const std::string& Name) {
  if (FShotsDir.empty() || !W) return;
  char No[8];
  std::snprintf(No, sizeof No, "%02d", ++FShotNo);
  const std::string File = FShotsDir + "/" + std::to_string(FInstance) + "-" + No + "-" + Name + ".png";
  FramedWindowImage(W).save(QString::fromStdString(File), "PNG");
}

void TTestDriver::PostClick(QAbstractButton* Button) {
  QPointer<QAbstractButton> B(Button);
  QTimer::singleShot(0, this, [B] {
    if (!B || !B->isEnabled() || !B->isVisible()) return;
    const QPointF C = QRectF(B->rect()).center();
    const QPointF G = B->mapToGlobal(C);
    QMouseEvent Press(QEvent::MouseButtonPress, C, G, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(B, &Press);
    if (!B) return;
    QMouseEvent Release(QEvent::MouseButtonRelease, C, G, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(B, &Release);
  });
}

bool TTestDriver::AnswerBox(QWidget* Box) {
  if (!Box || !Box->isVisible() || Box == FLastBox) return false;
  FLastBox = Box;
  std::string Answer = "ok";
  bool Scripted = false;
  if (FNext < FSteps.size() && FSteps[FNext].Verb == "box") {
    Answer = FSteps[FNext].Arg;
    ++FNext;
    Scripted = true;
  }
  Log("box", Escaped(Box->windowTitle()) + "|" + Escaped(BoxText(Box)) + " -> " + Answer +
                 (Scripted ? "" : " (unscripted)"));
  Shot(Box, "box");
  if (WizardForm && WizardForm->isVisible())
    Shot(WizardForm, WizardForm->Completed() ? "wizard-completed" : "wizard-downloading");
  if (QAbstractButton* B = AnswerButton(Box, Answer))
    PostClick(B);
  else
    QTimer::singleShot(0, Box, [Box] { Box->close(); });
  return true;
}

void TTestDriver::Tick() {
  if (FTimedOut) return;
  if (FClock.elapsed() > FTimeoutMs) {
    FTimedOut = true;
    Log("timeout", FNext < FSteps.size() ? FSteps[FNext].Verb + " " + FSteps[FNext].Arg : "after the last step");
    Application().Terminate();
    return;
  }
  QWidget* Main = Application().MainForm();
  if (!FTitleLogged && Main && Main->isVisible()) {
    FTitleLogged = true;
    Log("title", Escaped(Main->windowTitle()));
    Shot(Main, "main");
  }
  QWidget* Box = QApplication::activeModalWidget();
  if (AnswerBox(Box) || Box) return;  // one box at a time; wait until it has gone
  if (FNext >= FSteps.size()) return;
  const TStep& S = FSteps[FNext];
  if (S.Verb == "check" || S.Verb == "close") {
    if (!Main || !Main->isVisible()) return;
    ++FNext;
    PostClick(Main->findChild<QAbstractButton*>(S.Verb == "check" ? "btnCheck" : "btnClose"));
  } else if (S.Verb == "wizard-ok") {
    if (!WizardForm || !WizardForm->isVisible() || !WizardForm->Completed()) return;
    ++FNext;
    Log("wizard", "completed");
    Shot(WizardForm, "wizard-completed");
    PostClick(WizardForm->OKBtn);
  } else if (S.Verb != "box") {
    Log("error", "unknown step " + S.Verb);
    ++FNext;
  }
}

}  // namespace zu
