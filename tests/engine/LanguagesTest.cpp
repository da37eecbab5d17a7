// Every window of the engine and the info box in each of the 29 languages, measured with the
// real fonts: the upgrade question, the lost-file question, two notices, the password dialog
// with and without the file's location, the wizard's pages and its abort question. A case
// fails when a caption is wider or taller than its control, when two controls overlap or
// leave the window, or when a raw placeholder ("%s", "%d") shows. Each picture goes to the
// artifacts folder (languages/<window>-<code>.png) with one contact sheet per window
// (languages/<window>-all.png, all 29 languages).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "QtTestUtil.h"
#include "TestUtil.h"
#include "engine/zuRenewix.h"
#include "engine/zuRenewixLang.h"
#include "engine/zuRenewixPassword.h"
#include "engine/zuRenewixPasswordForm.h"
#include "engine/zuRenewixWizard.h"
#include "engine/zuRenewixWizardForm.h"
#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"
#include "widgets/InfoBoxDriver.h"
#include "widgets/zuDialogControls.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichLabel.h"
#include "widgets/zuRichTextUtils.h"

using namespace zu;

namespace {

const char* const Codes[] = {"en", "ru", "de", "fr", "es", "pt", "pt_BR", "it", "nl", "da",
                             "sv", "fi", "et", "uk", "pl", "cs", "hu", "ro", "ca", "eu",
                             "af", "zh_TW", "zh_CN", "id", "ms", "is", "tr", "no", "sk"};
static_assert(std::size(Codes) == wlSlovak);

const char* const FileName = "setup-2.4.1.exe";

// Decorations drawn over others on purpose: the product name engraved into the separator.
bool Decoration(const QWidget* W) {
  const QString N = W->objectName();
  return N == "Bevel1" || N == "LAbout" || N == "AboutShadow";
}

QString WithoutMnemonic(const QString& T) {
  QString S;
  for (qsizetype I = 0; I < T.size(); ++I) {
    if (T[I] == '&' && I + 1 < T.size()) ++I;
    S += T[I];
  }
  return S;
}

// One window's faults, each a line of text.
class TWindowCheck {
 public:
  explicit TWindowCheck(QWidget& Window) : FWindow(Window) {}

  std::vector<std::string> Run() {
    Placeholder(FWindow.windowTitle(), "window title");
    std::vector<std::pair<QWidget*, QRect>> Controls;
    for (QWidget* W : FWindow.findChildren<QWidget*>()) {
      if (!W->isVisibleTo(&FWindow) || W->isWindow()) continue;
      QRect Ink;
      if (!Measure(W, Ink)) continue;
      const QRect InWindow(W->mapTo(&FWindow, Ink.topLeft()), Ink.size());
      if (!FWindow.rect().contains(InWindow))
        Fault(W, "leaves the window: " + Str(InWindow) + " in " + Str(FWindow.rect()));
      if (!Decoration(W)) Controls.emplace_back(W, InWindow);
    }
    for (size_t I = 0; I < Controls.size(); ++I)
      for (size_t J = I + 1; J < Controls.size(); ++J) {
        QWidget* A = Controls[I].first;
        QWidget* B = Controls[J].first;
        if (A->isAncestorOf(B) || B->isAncestorOf(A)) continue;
        if (Controls[I].second.intersects(Controls[J].second))
          Fault(A, "overlaps " + Name(B) + ": " + Str(Controls[I].second) + " and " + Str(Controls[J].second));
      }
    return FFaults;
  }

 private:
  static std::string Str(const QRect& R) {
    return std::to_string(R.x()) + "," + std::to_string(R.y()) + " " + std::to_string(R.width()) + "x" +
           std::to_string(R.height());
  }
  static std::string Name(const QWidget* W) {
    const QString N = W->objectName();
    return (N.isEmpty() ? QString(W->metaObject()->className()) : N).toStdString();
  }
  void Fault(const QWidget* W, const std::string& What) { FFaults.push_back(Name(W) + " " + What); }
  void Placeholder(const QString& Text, const std::string& Where) {
    static const QRegularExpression Raw(R"(%(\.\d)?[sdf])");
    if (Raw.match(Text).hasMatch()) FFaults.push_back(Where + " shows a raw placeholder: " + Text.toStdString());
  }
  void Fits(QWidget* W, QSize Needed, QSize Room, const QString& Text) {
    Placeholder(Text, Name(W));
    if (Needed.width() > Room.width() || Needed.height() > Room.height())
      Fault(W, "caption needs " + std::to_string(Needed.width()) + "x" + std::to_string(Needed.height()) + " of " +
                   std::to_string(Room.width()) + "x" + std::to_string(Room.height()) + ": " + Text.toStdString());
  }

  // The part of W its content takes (in W's coordinates), after checking that the caption
  // fits; false for widgets that are neither controls nor captions.
  bool Measure(QWidget* W, QRect& Ink) {
    Ink = W->rect();
    if (auto* L = dynamic_cast<TzuRichLabel*>(W)) {
      TRichTextParams P;
      P.WordWrap = L->WordWrap();
      P.FitWidth = L->WordWrap();
      P.Width = L->Width();
      P.PlainText = L->TextStyle()->PlainText();
      P.TagOpen = L->TextStyle()->TagOpen();
      P.TagClose = L->TextStyle()->TagClose();
      TzuFontMeasurer M(L->Font());
      const TRichTextLayout Lay = LayoutRichText(L->Caption(), L->Font().Style(), L->Font().Color(), P, M);
      const QString Text = QString::fromStdString(L->Caption());
      if (Text.isEmpty()) return false;
      Fits(W, QSize(Lay.Result.x(), Lay.Result.y()), W->size(), Text);
      return true;
    }
    if (dynamic_cast<TzuProportionalImage*>(W)) return true;
    if (auto* L = qobject_cast<QLabel*>(W)) {
      const QString Text = L->text();
      if (Text.isEmpty()) return false;
      if (L->wordWrap()) {
        Fits(W, QSize(L->width(), L->heightForWidth(L->width())), L->size(), Text);
      } else {
        const QSize Needed = L->sizeHint();
        Fits(W, Needed, L->size(), Text);
        Ink = QRect(QPoint(0, 0), Needed.boundedTo(QSize(100000, 100000)));
        if (L->alignment() & Qt::AlignRight) Ink.moveRight(L->width() - 1);
        else if (L->alignment() & Qt::AlignHCenter) Ink.moveLeft((L->width() - Needed.width()) / 2);
      }
      return true;
    }
    if (auto* B = dynamic_cast<TzuBitBtn*>(W)) {
      TzuCaptionOptions O;
      const QSize C = ControlCaptionSize(B->Caption(), B->font(), 0, O);
      Fits(W, C + QSize(8, 6), B->size(), QString::fromStdString(B->Caption()));
      return true;
    }
    if (auto* C = dynamic_cast<TzuCheckBox*>(W)) {
      TzuCaptionOptions O;
      const QSize S = ControlCaptionSize(C->Caption(), C->font(), 0, O);
      Fits(W, QSize(S.width(), S.height()), QSize(C->TextRect().width(), C->height()),
           QString::fromStdString(C->Caption()));
      return true;
    }
    if (auto* B = qobject_cast<QAbstractButton*>(W)) {
      const QString Text = WithoutMnemonic(B->text());
      Fits(W, QSize(B->fontMetrics().horizontalAdvance(Text) + 6, B->fontMetrics().height()), B->size(), B->text());
      return true;
    }
    if (auto* G = qobject_cast<QGroupBox*>(W)) {
      Fits(W, QSize(G->fontMetrics().horizontalAdvance(G->title()) + 16, G->fontMetrics().height()), G->size(),
           G->title());
      return true;
    }
    if (auto* E = qobject_cast<QLineEdit*>(W)) {
      Placeholder(E->text(), Name(W));
      return true;
    }
    return qobject_cast<QProgressBar*>(W) != nullptr;
  }

  QWidget& FWindow;
  std::vector<std::string> FFaults;
};

QImage Picture(QWidget& W) {
  QImage Img(W.size(), QImage::Format_ARGB32);
  Img.fill(W.palette().color(QPalette::Window));
  W.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  return Img;
}

// All languages of one window on one image, six to a row, each under its code.
QImage ContactSheet(const std::vector<std::pair<std::string, QImage>>& Shots) {
  const int Columns = 6, Gap = 12, Label = 18;
  int CellW = 0, CellH = 0;
  for (const auto& S : Shots) {
    CellW = std::max(CellW, S.second.width());
    CellH = std::max(CellH, S.second.height());
  }
  const int Rows = (static_cast<int>(Shots.size()) + Columns - 1) / Columns;
  QImage Sheet(Columns * (CellW + Gap) + Gap, Rows * (CellH + Label + Gap) + Gap, QImage::Format_RGB32);
  Sheet.fill(QColor(96, 96, 96));
  QPainter P(&Sheet);
  QFont F = QApplication::font();
  F.setPixelSize(13);
  F.setBold(true);
  P.setFont(F);
  for (size_t I = 0; I < Shots.size(); ++I) {
    const int X = Gap + static_cast<int>(I % Columns) * (CellW + Gap);
    const int Y = Gap + static_cast<int>(I / Columns) * (CellH + Label + Gap);
    P.setPen(Qt::white);
    P.drawText(QRect(X, Y, CellW, Label), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(Shots[I].first));
    P.drawImage(X, Y + Label, Shots[I].second);
  }
  return Sheet;
}

class LanguagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Window Test App");
    Application().OnMessageBox = nullptr;  // the abort question is the real platform box
    Component = new TzuRenewix(nullptr);
    Component->Wizard()->SetStayOnTop(false);
    QDir().mkpath(QString::fromStdString(Dir()));
  }
  void TearDown() override {
    FreeRenewixWizard();
    for (int I = 0; I < 3; ++I) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    delete Component;
    RXSelectLanguage(wlEnglish);
  }

  static std::string Dir() { return zutest::ArtifactsDir() + "/languages"; }

  // Checks the window, keeps its picture and writes it.
  void Take(const std::string& Window, const std::string& Code, QWidget& W) {
    QApplication::processEvents();
    const QImage Img = Picture(W);
    EXPECT_TRUE(Img.save(QString::fromStdString(Dir() + "/" + Window + "-" + Code + ".png"), "PNG"));
    Sheets[Window].emplace_back(Code, Img);
    for (const std::string& F : TWindowCheck(W).Run()) ADD_FAILURE() << Window << " [" << Code << "]: " << F;
  }

  // Runs Show, which opens a modal window, and takes the active modal widget's picture once
  // it is up; then Answer closes it. A window that never comes up is a failure.
  template <class F>
  void Modal(const std::string& Window, const std::string& Code, F Show,
             const std::function<void(QWidget&)>& Answer) {
    bool Seen = false;
    QTimer Poll;
    QObject::connect(&Poll, &QTimer::timeout, [&] {
      QWidget* M = QApplication::activeModalWidget();
      if (!M || !M->isVisible() || Seen) return;
      Seen = true;
      Poll.stop();
      Take(Window, Code, *M);
      Answer(*M);
    });
    QTimer Guard;
    Guard.setSingleShot(true);
    QObject::connect(&Guard, &QTimer::timeout, [] {
      if (QWidget* M = QApplication::activeModalWidget()) M->close();
    });
    Poll.start(10);
    Guard.start(5000);
    Show();
    EXPECT_TRUE(Seen) << Window << " [" << Code << "] did not come up";
  }

  TzuRenewix* Component = nullptr;
  std::map<std::string, std::vector<std::pair<std::string, QImage>>> Sheets;
};

void ClickCancelOf(QWidget& W) {
  if (auto* F = dynamic_cast<TzuInfoBoxForm*>(&W)) {
    F->done(mrCancel);
  } else if (auto* P = dynamic_cast<TzuRenewixPasswordForm*>(&W)) {
    P->done(mrCancel);
  } else if (auto* B = qobject_cast<QMessageBox*>(&W)) {
    if (QAbstractButton* No = B->button(QMessageBox::No)) No->click();
    else B->reject();
  }
}

}  // namespace

TEST_F(LanguagesTest, EveryWindowReadsRightInAllLanguages) {
  for (int N = wlEnglish; N <= wlSlovak; ++N) {
    RXSelectLanguage(static_cast<TzuRenewixLanguage>(N));
    const std::string Code = Codes[N - 1];

    Modal("upgrade", Code, [] { ShowUpgradeBox("Version 2.4.1: [b]faster[] downloads and resumable transfers."); },
          ClickCancelOf);
    Modal("lostfile", Code,
          [] {
            ShowMsgBox(RXFmtLangStr(28, {std::string(FileName)}), RXLangStr(21) + " #404",
                       MB_YESNO | MB_ICONEXCLAMATION, true, true);
          },
          ClickCancelOf);
    Modal("notice", Code, [] { RXMsgBox(RXFmtLangStr(26, {std::string("http://updates.example.org")}), MB_ICONSTOP); },
          [](QWidget& W) { static_cast<TzuInfoBoxForm&>(W).done(mrOk); });
    // One sentence without line breaks: in CJK it has no blanks to wrap at.
    Modal("notice-noinfo", Code, [] { RXLangMsgBox(25, MB_ICONSTOP); },
          [](QWidget& W) { static_cast<TzuInfoBoxForm&>(W).done(mrOk); });
    for (bool Hide : {false, true}) {
      Component->Wizard()->SetHideFileLocation(Hide);
      Modal(Hide ? "password-hidden" : "password", Code, [&] { ShowPasswordBox(Component, FileName); },
            ClickCancelOf);
    }

    for (bool Hide : {false, true}) {
      Component->Wizard()->SetHideFileLocation(Hide);
      ShowRenewixWizard(Component);
      TzuRenewixWizardForm* F = WizardForm;
      ASSERT_NE(F, nullptr);
      WizardSetFileURL("http://updates.example.org/downloads/tool/setup-2.4.1.exe");
      WizardSetAllDownloading(RXFmtLangStr(9, {2LL, 3LL}));
      WizardSetFileSize(RXFmtLangStr(6, {1843200 / 1024.0}));
      WizardSetTransferRate(RXFmtLangStr(7, {96.4}));
      WizardSetEstimatedTime(RXFmtLangStr(8, {0LL, 3LL, 7LL}));
      WizardSetProgress(50, 49);
      Take(Hide ? "wizard-hidden" : "wizard", Code, *F);
      if (!Hide) {
        // The abort question behind Cancel; No keeps the window.
        Modal("abort", Code, [&] { F->CancelBtnClick(nullptr); zutest::PumpUntil([] { return false; }, 300); },
              ClickCancelOf);
        WizardFinish();
        Take("wizard-completed", Code, *F);
      }
      FreeRenewixWizard();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  ASSERT_EQ(Sheets.size(), 10u);
  for (const auto& [Window, Shots] : Sheets) {
    EXPECT_EQ(Shots.size(), std::size(Codes)) << Window;
    EXPECT_TRUE(ContactSheet(Shots).save(QString::fromStdString(Dir() + "/" + Window + "-all.png"), "PNG"));
  }
}
