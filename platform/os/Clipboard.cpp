// The clipboard functions of Shell.h; apart from Shell.cpp so that programs without a
// clipboard do not link the GUI library.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>

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

namespace {

QClipboard* Board() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

// A copy of what is there, so that adding a format keeps the others.
QMimeData* CopyOfCurrent(QClipboard* Cb) {
  auto* Data = new QMimeData;
  if (const QMimeData* Old = Cb->mimeData())
    for (const QString& F : Old->formats()) Data->setData(F, Old->data(F));
  return Data;
}

}  // namespace

bool ClipboardHasData(const std::string& MimeType) {
  QClipboard* Cb = Board();
  const QMimeData* D = Cb ? Cb->mimeData() : nullptr;
  return D && D->hasFormat(QString::fromStdString(MimeType));
}

bool ClipboardData(const std::string& MimeType, std::string& Bytes) {
  Bytes.clear();
  QClipboard* Cb = Board();
  const QMimeData* D = Cb ? Cb->mimeData() : nullptr;
  const QString M = QString::fromStdString(MimeType);
  if (!D || !D->hasFormat(M)) return false;
  const QByteArray B = M == QLatin1String("text/plain") ? D->text().toUtf8() : D->data(M);
  Bytes.assign(B.constData(), static_cast<size_t>(B.size()));
  return true;
}

bool ClipboardSetData(const std::string& MimeType, const std::string& Bytes) {
  QClipboard* Cb = Board();
  if (!Cb || MimeType.empty()) return false;
  QMimeData* Data = CopyOfCurrent(Cb);
  const QByteArray B(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
  if (MimeType == "text/plain")
    Data->setText(QString::fromUtf8(B));
  else
    Data->setData(QString::fromStdString(MimeType), B);
  Cb->setMimeData(Data);
  return true;
}

bool ClipboardImage(QImage& Image) {
  QClipboard* Cb = Board();
  if (!Cb) return false;
  Image = Cb->image();
  return !Image.isNull();
}

bool ClipboardSetImage(const QImage& Image) {
  QClipboard* Cb = Board();
  if (!Cb || Image.isNull()) return false;
  QMimeData* Data = CopyOfCurrent(Cb);
  Data->setImageData(Image);
  Cb->setMimeData(Data);
  return true;
}

bool ClipboardFiles(std::vector<std::string>& Files) {
  Files.clear();
  QClipboard* Cb = Board();
  const QMimeData* D = Cb ? Cb->mimeData() : nullptr;
  if (!D || !D->hasUrls()) return false;
  for (const QUrl& U : D->urls())
    if (U.isLocalFile()) Files.push_back(U.toLocalFile().toStdString());
  return !Files.empty();
}

bool ClipboardSetFiles(const std::vector<std::string>& Files) {
  QClipboard* Cb = Board();
  if (!Cb || Files.empty()) return false;
  QList<QUrl> Urls;
  for (const std::string& F : Files) Urls << QUrl::fromLocalFile(QString::fromStdString(F));
  QMimeData* Data = CopyOfCurrent(Cb);
  Data->setUrls(Urls);
  Cb->setMimeData(Data);
  return true;
}

}  // namespace zu::os
