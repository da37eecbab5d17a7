// TestDriver: plays a script against the windows of this process, for tests and the
// unattended demo. A separate process cannot be driven from outside, so the program drives
// itself when RENEWIX_TEST_SCRIPT names a script:
//
//   RENEWIX_TEST_SCRIPT   the script: one step a line, '#' starts a comment; sections apart
//                         by a line "---", the n-th program started with this script (counted
//                         in the log) plays the n-th section
//   RENEWIX_TEST_LOG      the log (default: the script's name + ".log"), appended to
//   RENEWIX_TEST_SHOTS    a directory for a PNG of each window met (none when unset)
//   RENEWIX_TEST_TIMEOUT  seconds after which the program logs "timeout" and ends (120)
//
// Steps: "check" clicks Check Updates once the main window shows; "box ok|yes|no|cancel"
// answers the next modal box with that button; "wizard-ok" waits for the wizard's completed
// page and clicks OK; "close" clicks Close. A box that no step expects is answered OK and
// logged as unscripted. Clicks are synthetic mouse presses and releases on the buttons.
//
// Log lines: "<n> start pid=<pid> version=<v> args=<arguments>", "<n> title <caption>",
// "<n> box <caption>|<text> -> <answer>", "<n> wizard completed", "<n> timeout <step>",
// "<n> exit"; n counts the programs from 1, texts keep line breaks as "\n".
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QImage;
class QWidget;

namespace zu {

// A window's client area under a drawn title bar with its caption and caption buttons: the
// offscreen platform has no window manager to draw the frame.
QImage FramedWindowImage(QWidget* W);

class TTestDriver : public QObject {
 public:
  // Null unless RENEWIX_TEST_SCRIPT is set. Call once the application object exists.
  static std::unique_ptr<TTestDriver> FromEnvironment();
  ~TTestDriver() override;

  int Instance() const { return FInstance; }

 private:
  struct TStep {
    std::string Verb, Arg;
  };
  TTestDriver(const std::string& Script, const std::string& LogPath, const std::string& ShotsDir, int TimeoutSec);

  void Tick();
  bool AnswerBox(QWidget* Box);
  void Log(const std::string& Kind, const std::string& Text);
  void Shot(QWidget* W, const std::string& Name);
  // Clicks from the event loop, not from the tick: a click that opens a modal box runs
  // that box's loop, and the tick must go on meanwhile.
  void PostClick(QAbstractButton* Button);

  std::vector<TStep> FSteps;
  size_t FNext = 0;
  int FInstance = 1;
  std::string FLogPath, FShotsDir;
  int FShotNo = 0;
  int FTimeoutMs = 120000;
  QTimer FTimer;
  QElapsedTimer FClock;
  QPointer<QWidget> FLastBox;
  bool FTitleLogged = false;
  bool FTimedOut = false;
};

}  // namespace zu
