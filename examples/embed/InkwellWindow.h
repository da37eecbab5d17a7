// Inkwell's main window: a notepad with a Help menu that checks for updates.
#pragma once

#include <QMainWindow>

class InkwellUpdates;

class InkwellWindow : public QMainWindow {
 public:
  InkwellWindow();
  // The updater reports here (status bar).
  void ShowStatus(const QString& Text);
  void SetUpdates(InkwellUpdates* Updates) { FUpdates = Updates; }

 private:
  InkwellUpdates* FUpdates = nullptr;
};
