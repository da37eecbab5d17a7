// Inkwell's updates: the self-update component configured in code, a check a few seconds
// after start and one from the menu, and installation when the user quits.
#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace zu {
class TzuRenewix;
}

class InkwellUpdates {
 public:
  // OnReport shows what the updater is doing (the window's status bar).
  explicit InkwellUpdates(std::function<void(const QString&)> OnReport);
  ~InkwellUpdates();

  // "Check for updates...": asks before downloading, shows the download wizard.
  void CheckNow();
  // Unattended (a release pipeline's test, a kiosk): no questions, no windows; each outcome
  // is appended to LogFile and ends the program, which installs a downloaded update as it quits.
  void SetUnattended(const QString& LogFile);

 private:
  void Report(const QString& Text);
  void Finish();  // unattended: the outcome is in; quit (installing what was downloaded)
  void InstallOnQuit();

  std::unique_ptr<zu::TzuRenewix> FUpdater;
  std::function<void(const QString&)> FReport;
  QString FLogFile;
};
