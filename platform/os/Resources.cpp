#include "platform/os/Resources.h"

#include <QFile>
#include <QString>

namespace zu::os {

std::string ResourcePath(const std::string& Name, const std::string& Type) {
  return ":/zu/" + QString::fromStdString(Type).toUpper().toStdString() + "/" +
         QString::fromStdString(Name).toUpper().toStdString();
}

bool LoadResource(const std::string& Name, const std::string& Type, std::string& Data) {
  Data.clear();
  if (Name.empty() || Type.empty()) return false;
  QFile F(QString::fromStdString(ResourcePath(Name, Type)));
  if (!F.open(QIODevice::ReadOnly)) return false;
  const QByteArray Bytes = F.readAll();
  Data.assign(Bytes.constData(), static_cast<size_t>(Bytes.size()));
  return true;
}

}  // namespace zu::os
