// Inkwell: a publisher's program that updates itself with Renewix (see docs/EMBEDDING.md).
//
// Environment, for trying it out and for tests:
//   INKWELL_UPDATE_URL       the info file's address instead of the one built in
//   INKWELL_UNATTENDED_LOG   no questions or windows of the updater; what it does is appended
//                            to this file, and Inkwell quits after each check (installing a
//                            downloaded update as it quits; the new version then starts)
#include <QApplication>

#include "InkwellUpdates.h"
#include "InkwellWindow.h"
#include "platform/framework/Application.h"

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  // The name the updater's question and wizard use for the program.
  zu::Application().SetTitle("Inkwell");
  InkwellWindow Window;
  InkwellUpdates Updates([&Window](const QString& Text) { Window.ShowStatus(Text); });
  Window.SetUpdates(&Updates);
  if (const QByteArray Log = qgetenv("INKWELL_UNATTENDED_LOG"); !Log.isEmpty())
    Updates.SetUnattended(QString::fromLocal8Bit(Log));
  Window.show();
  return App.exec();
}
