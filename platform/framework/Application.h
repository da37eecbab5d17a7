// The application object: title, termination, message processing, the exception handler,
// message boxes and the blocking waits that keep messages flowing.
#pragma once

#include <exception>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/Types.h"

class QWidget;

namespace zu {

class TApplication {
 public:
  static TApplication& Instance();

  // Creates the Qt application object when none exists: QCoreApplication for a console
  // program, QApplication for one with windows, which also gets windowed message boxes and the
  // answer to the session manager. The windowed half lives apart (ApplicationGui.cpp) so that
  // console programs do not link the widget library. A program that creates its own
  // QApplication and calls neither (a test runner) calls UseWindowedMessageBoxes.
  static void Initialize(int& argc, char** argv);
  static void InitializeGui(int& argc, char** argv);
  static void UseWindowedMessageBoxes();

  std::string Title() const { return FTitle; }
  void SetTitle(const std::string& Value);

  // Terminate asks every running message loop (main, nested waits, modal boxes) to end.
  bool Terminated() const { return FTerminated; }
  void Terminate();
  // Clears the request again; a test fixture's way to start each case afresh.
  void ResetTerminated() { FTerminated = false; }

  void ProcessMessages();
  int Run();  // the main message loop; returns the exit code

  // The application's exception handler: OnException when set, else an error box.
  std::function<void(const std::exception& E)> OnException;
  void HandleException(const std::exception& E);
  // Call from a catch block: hands any exception, also a non-standard one, to the handler.
  void HandleCurrentException();

  // Win32-style message box (MB_ flags, returns ID...). OnMessageBox replaces the standard
  // box (console tools answer on the terminal, tests answer in code).
  using TMessageBoxHandler =
      std::function<int(const std::string& Text, const std::string& Caption, unsigned Flags)>;
  TMessageBoxHandler OnMessageBox;
  int MessageBox(const std::string& Text, const std::string& Caption, unsigned Flags);

  // Help requests (HELP_CONTEXT = 1 with the context number) go to OnHelp; Linux has no
  // help viewer of the design's kind, so without a handler they report false.
  std::function<bool(unsigned Command, std::intptr_t Data)> OnHelp;
  bool HelpContext(int Context) { return OnHelp ? OnHelp(1, Context) : false; }

  QWidget* MainForm() const { return FMainForm; }
  // Closes the main form with its normal closing notifications; false when there is none.
  bool CloseMainForm();
  void SetMainForm(QWidget* Form) { FMainForm = Form; }
  bool Destroying() const { return FDestroying; } void SetDestroying(bool Value) { FDestroying = Value; }

  // Ctrl+C (SIGINT) and SIGTERM call Handler in the main thread, from the message loop, instead
  // of killing the process. An empty handler restores the default.
  void SetInterruptHandler(std::function<void()> Handler);

  bool IsGui() const;
  std::string ExeName() const;

 private:
  TApplication() = default;
  static void InitializeCommon();
  TMessageBoxHandler FWindowedBox;  // set by InitializeGui
  std::string FTitle;
  bool FTerminated = false;
  QWidget* FMainForm = nullptr;
  bool FDestroying = false;  // the program is tearing down: list events stay silent
};

inline TApplication& Application() { return TApplication::Instance(); }

namespace detail {
// The buttons of a message box of these MB_ flags as ID values, and the default's index.
std::vector<int> MessageBoxButtons(unsigned Flags);
std::size_t MessageBoxDefault(unsigned Flags, std::size_t Count);
}  // namespace detail

// Events the main thread can wait on while it keeps processing messages.
enum class TWaitResult { Signaled, Timeout, Terminated };

THandle CreateWaitEvent();
// Thread-safe; wakes a waiting main thread. Unknown handles are ignored.
void SignalWaitEvent(THandle Event);
// Thread-safe; whether Event is set (false for unknown handles).
bool IsWaitEventSignaled(THandle Event);
void CloseWaitEvent(THandle Event);
// Processes the application's messages until Event is signalled, StopOnTerminate and the
// application is terminating, or no message arrived for TimeoutMs (0xFFFFFFFF = infinite).
TWaitResult WaitProcessingMessages(THandle Event, unsigned TimeoutMs, bool StopOnTerminate);

}  // namespace zu
