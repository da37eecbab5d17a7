#include "platform/os/Registry.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace zu::os {

namespace {

std::string ConfigHome() {
  const char* E = std::getenv("XDG_CONFIG_HOME");
  if (E && *E) return E;
  const char* H = std::getenv("HOME");
  return std::string(H && *H ? H : "/tmp") + "/.config";
}

std::string FirstConfigDir() {
  const char* E = std::getenv("XDG_CONFIG_DIRS");
  std::string Dirs = (E && *E) ? E : "/etc/xdg";
  return Dirs.substr(0, Dirs.find(':'));
}

QString Group(const std::string& Key) {
  QString G = QString::fromStdString(Key);
  G.replace('\\', '/');
  while (G.startsWith('/')) G.remove(0, 1);
  while (G.endsWith('/')) G.chop(1);
  return G;
}

QString ValueKey(const std::string& Name) {
  return Name.empty() ? QStringLiteral("@") : QString::fromStdString(Name);
}

bool Open(HKEY Root, std::optional<QSettings>& S) {
  const std::string File = RegistryFile(Root);
  if (File.empty()) return false;
  S.emplace(QString::fromStdString(File), QSettings::IniFormat);
  return true;
}

std::string Encode(const TRegValue& V) {
  switch (V.Type) {
    case TRegDataType::DWord: {
      char Buf[32];
      std::snprintf(Buf, sizeof Buf, "dword:%08x", V.DWord);
      return Buf;
    }
    case TRegDataType::Binary: {
      static const char* Hex = "0123456789abcdef";
      std::string R = "hex:";
      for (unsigned char C : V.Data) R += {Hex[C >> 4], Hex[C & 15]};
      return R;
    }
    case TRegDataType::String:
      if (V.Data.rfind("dword:", 0) == 0 || V.Data.rfind("hex:", 0) == 0 || V.Data.rfind("sz:", 0) == 0)
        return "sz:" + V.Data;
      return V.Data;
  }
  return V.Data;
}

TRegValue Decode(const std::string& S) {
  TRegValue V;
  if (S.rfind("dword:", 0) == 0) {
    V.Type = TRegDataType::DWord;
    V.DWord = static_cast<std::uint32_t>(std::strtoul(S.c_str() + 6, nullptr, 16));
  } else if (S.rfind("hex:", 0) == 0) {
    V.Type = TRegDataType::Binary;
    for (size_t I = 4; I + 1 < S.size(); I += 2)
      V.Data += static_cast<char>(std::strtoul(S.substr(I, 2).c_str(), nullptr, 16));
  } else if (S.rfind("sz:", 0) == 0) {
    V.Data = S.substr(3);
  } else {
    V.Data = S;
  }
  return V;
}

}  // namespace

std::string RegistryFile(HKEY Root) {
  switch (Root) {
    case HKEY_CURRENT_USER: return ConfigHome() + "/zuregistry.ini";
    case HKEY_LOCAL_MACHINE: return FirstConfigDir() + "/zuregistry.ini";
    default: return std::string();
  }
}

bool RegKeyExists(HKEY Root, const std::string& Key) {
  std::optional<QSettings> S;
  if (!Open(Root, S)) return false;
  const QString G = Group(Key);
  if (G.isEmpty()) return true;  // the root itself
  S->beginGroup(G);
  return !S->childKeys().isEmpty() || !S->childGroups().isEmpty();
}

std::optional<TRegValue> RegQueryValue(HKEY Root, const std::string& Key, const std::string& Name) {
  std::optional<QSettings> S;
  if (!Open(Root, S)) return std::nullopt;
  S->beginGroup(Group(Key));
  const QVariant V = S->value(ValueKey(Name));
  if (!V.isValid()) return std::nullopt;
  return Decode(V.toString().toStdString());
}

bool RegSetValue(HKEY Root, const std::string& Key, const std::string& Name, const TRegValue& Value) {
  std::optional<QSettings> S;
  if (!Open(Root, S) || Group(Key).isEmpty()) return false;
  S->beginGroup(Group(Key));
  S->setValue(ValueKey(Name), QString::fromStdString(Encode(Value)));
  S->endGroup();
  S->sync();
  return S->status() == QSettings::NoError;
}

bool RegDeleteValue(HKEY Root, const std::string& Key, const std::string& Name) {
  std::optional<QSettings> S;
  if (!Open(Root, S)) return false;
  S->beginGroup(Group(Key));
  const bool Existed = S->contains(ValueKey(Name));
  S->remove(ValueKey(Name));
  S->endGroup();
  S->sync();
  return Existed && S->status() == QSettings::NoError;
}

bool RegDeleteKey(HKEY Root, const std::string& Key) {
  std::optional<QSettings> S;
  if (!Open(Root, S) || Group(Key).isEmpty()) return false;
  S->remove(Group(Key));
  S->sync();
  return S->status() == QSettings::NoError;
}

std::vector<std::string> RegValueNames(HKEY Root, const std::string& Key) {
  std::vector<std::string> R;
  std::optional<QSettings> S;
  if (!Open(Root, S)) return R;
  S->beginGroup(Group(Key));
  for (const QString& K : S->childKeys()) R.push_back(K == "@" ? std::string() : K.toStdString());
  return R;
}

std::vector<std::string> RegSubKeyNames(HKEY Root, const std::string& Key) {
  std::vector<std::string> R;
  std::optional<QSettings> S;
  if (!Open(Root, S)) return R;
  S->beginGroup(Group(Key));
  for (const QString& K : S->childGroups()) R.push_back(K.toStdString());
  return R;
}

}  // namespace zu::os
