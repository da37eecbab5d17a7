#include "InkwellWindow.h"

#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "InkwellUpdates.h"

InkwellWindow::InkwellWindow() {
  setWindowTitle(tr("Inkwell %1").arg(INKWELL_VERSION));
  setCentralWidget(new QPlainTextEdit(this));
  QMenu* File = menuBar()->addMenu(tr("&File"));
  File->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);
  QMenu* Help = menuBar()->addMenu(tr("&Help"));
  Help->addAction(tr("Check for updates..."), this, [this] {
    if (FUpdates) FUpdates->CheckNow();
  });
  Help->addAction(tr("&About Inkwell"), this, [this] {
    QMessageBox::about(this, tr("About Inkwell"), tr("Inkwell %1, a notepad that keeps itself up to date.")
                                                      .arg(INKWELL_VERSION));
  });
  resize(640, 420);
  statusBar()->showMessage(tr("Ready"));
}

void InkwellWindow::ShowStatus(const QString& Text) { statusBar()->showMessage(Text); }
