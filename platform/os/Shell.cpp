#include "platform/os/Shell.h"

#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include "platform/os/System.h"

namespace zu::os {

int ShellOpenDocument(const std::string& Target) {
  if (Target.empty()) return SE_ERR_FNF;
  return SpawnProcess("xdg-open", {Target}) ? SE_OK : SE_ERR_NOASSOC;
}

int ShellRunProgram(const std::string& Program, const std::string& Params) {
  return SpawnProcess(Program, SplitCommandLine(Params)) ? SE_OK : SE_ERR_FNF;
}

std::string MimeTypeForExtension(const std::string& Ext) {
  if (Ext.empty()) return std::string();
  QMimeDatabase Db;
  const QMimeType T = Db.mimeTypeForFile("file." + QString::fromStdString(Ext), QMimeDatabase::MatchExtension);
  if (!T.isValid() || T.isDefault()) return std::string();
  return T.name().toStdString();
}

namespace {

std::string DesktopFileExec(const QString& DesktopId) {
  QStringList Dirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
  for (const QString& Dir : Dirs) {
    QFile F(Dir + "/" + DesktopId);
    if (!F.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
    bool InEntry = false;
    while (!F.atEnd()) {
      const QString Line = QString::fromUtf8(F.readLine()).trimmed();
      if (Line.startsWith('[')) {
        InEntry = Line == "[Desktop Entry]";
        continue;
      }
      if (InEntry && Line.startsWith("Exec=")) {
        QString Exec = Line.mid(5);
        // Field codes stand for the files or URLs the program is given; we pass our own.
        static const char* Codes[] = {"%u", "%U", "%f", "%F", "%i", "%c", "%k"};
        for (const char* C : Codes) Exec.replace(QString::fromLatin1(C), QString());
        Exec.replace("%%", "%");
        return Exec.trimmed().toStdString();
      }
    }
  }
  return std::string();
}

}  // namespace

std::string DefaultCommandForExtension(const std::string& Ext) {
  const std::string Mime = MimeTypeForExtension(Ext);
  if (Mime.empty() || FindOnPath("xdg-mime").empty()) return std::string();
  QProcess P;
  P.start("xdg-mime", {"query", "default", QString::fromStdString(Mime)});
  if (!P.waitForFinished(5000) || P.exitCode() != 0) return std::string();
  const QString Id = QString::fromUtf8(P.readAllStandardOutput()).trimmed();
  if (Id.isEmpty()) return std::string();
  return DesktopFileExec(Id.section(';', 0, 0));
}

}  // namespace zu::os
