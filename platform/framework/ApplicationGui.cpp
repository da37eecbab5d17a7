// The windowed half of the application object: QApplication, message boxes as windows, the
// session manager's question.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QWidget>

#include "platform/framework/Application.h"
#include "platform/framework/Messages.h"

namespace zu {

namespace {

QMessageBox::StandardButton StandardButton(int Id) {
  switch (Id) {
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
  }
}

int WindowedMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
  const auto Buttons = detail::MessageBoxButtons(Flags);
  QMessageBox Box;
  Box.setWindowTitle(QString::fromStdString(Caption));
  Box.setText(QString::fromStdString(Text));
  switch (Flags & MB_ICONMASK) {
    case MB_ICONSTOP: Box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: Box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: Box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  QMessageBox::StandardButtons Std;
  for (const int Id : Buttons) Std |= StandardButton(Id);
  Box.setStandardButtons(Std);
  Box.setDefaultButton(StandardButton(Buttons[detail::MessageBoxDefault(Flags, Buttons.size())]));
  const auto Pressed = static_cast<QMessageBox::StandardButton>(Box.exec());
  for (const int Id : Buttons)
    if (StandardButton(Id) == Pressed) return Id;
  // Closed without a button: Cancel where there is one, else the only button.
  for (const int Id : Buttons)
    if (Id == IDCANCEL) return IDCANCEL;
  return Buttons.size() == 1 ? Buttons[0] : IDCANCEL;
}

}  // namespace

void TApplication::InitializeGui(int& argc, char** argv) {
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
  InitializeCommon();
  UseWindowedMessageBoxes();
  if (auto* GuiApp = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // The session manager asks before a log-off: every hidden window answers.
    QObject::connect(GuiApp, &QGuiApplication::commitDataRequest, [](QSessionManager& Manager) {
      if (!BroadcastQueryEndSession()) Manager.cancel();
    });
  }
}

void TApplication::UseWindowedMessageBoxes() { Instance().FWindowedBox = WindowedMessageBox; }

}  // namespace zu
