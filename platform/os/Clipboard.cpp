// The clipboard functions of Shell.h; apart from Shell.cpp so that programs without a
// clipboard do not link the GUI library.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/os/Shell.h"

namespace zu::os {

bool ClipboardPut(unsigned Format, const std::string& Bytes) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  QClipboard* Cb = QGuiApplication::clipboard();
  if (!Cb) return false;
  auto* Data = new QMimeData;
  if (const QMimeData* Old = Cb->mimeData())
    for (const QString& F : Old->formats()) Data->setData(F, Old->data(F));
  std::string Text = Bytes;
  while (!Text.empty() && Text.back() == '\0') Text.pop_back();
  if (Format == 1 || Format == 7 || Format == 13)
    Data->setText(QString::fromStdString(Text));
  else
    Data->setData("application/x-zu-clipboard-format-" + QString::number(Format),
                  QByteArray(Bytes.data(), static_cast<qsizetype>(Bytes.size())));
  Cb->setMimeData(Data);
  return true;
}

std::string ClipboardText() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::string();
  return QGuiApplication::clipboard()->text().toStdString();
}

}  // namespace zu::os
