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

// QSettings takes "/" in a name as a group separator: a "/" of a value name is kept as a
// private-use character instead, so it never makes a subkey.
constexpr char16_t SlashStandIn = 0xF02F;
// The value that keeps a key without values or subkeys in the file (INI has no empty groups).
const QString KeyMarker = QString(QChar(0xF000));

QString ValueKey(const std::string& Name) {
  if (Name.empty()) return QStringLiteral("@");
  QString K = QString::fromStdString(Name);
  K.replace(QChar('/'), QChar(SlashStandIn));
  return K;
}

std::string ValueName(const QString& Key) {
  if (Key == QLatin1String("@")) return std::string();
  QString N = Key;
  N.replace(QChar(SlashStandIn), QChar('/'));
  return N.toStdString();
}

// Keys and value names are matched ignoring case, as the registry does; what is stored keeps
// the spelling it was created with.
QString Spelled(const QStringList& Names, const QString& Name) {
  for (const QString& N : Names)
    if (N.compare(Name, Qt::CaseInsensitive) == 0) return N;
  return QString();
}

// The stored spelling of a group path; parts not stored yet keep the given spelling. Found
// says whether the whole path is stored.
QString StoredGroup(QSettings& S, const QString& Group, bool* Found = nullptr) {
  QString Path;
  bool All = true;
  for (const QString& Part : Group.split('/', Qt::SkipEmptyParts)) {
    QString Match;
    if (All) {
      if (!Path.isEmpty()) S.beginGroup(Path);
      Match = Spelled(S.childGroups(), Part);
      if (!Path.isEmpty()) S.endGroup();
    }
    if (Match.isEmpty()) {
      All = false;
      Match = Part;
    }
    Path = Path.isEmpty() ? Match : Path + '/' + Match;
  }
  if (Found) *Found = All;
  return Path;
}

// The stored spelling of a value name in the current group (empty when there is none).
QString StoredValue(QSettings& S, const std::string& Name) {
  const QString K = ValueKey(Name);
  return K == QLatin1String("@") ? (S.contains(K) ? K : QString()) : Spelled(S.childKeys(), K);
}

// A name that is no text (half of a UTF-16 pair, from a hand-written "%U" escape) has no
// UTF-8 spelling a query could use.
bool Spellable(const QString& Name) { return QString::fromStdString(Name.toStdString()) == Name; }

bool GroupEmpty(QSettings& S, const QString& Group) {
  S.beginGroup(Group);
  const bool Empty = S.childKeys().isEmpty() && S.childGroups().isEmpty();
  S.endGroup();
  return Empty;
}

// A key stays when its last value or subkey goes.
void KeepKey(QSettings& S, const QString& Group) {
  if (!Group.isEmpty() && GroupEmpty(S, Group)) S.setValue(Group + '/' + KeyMarker, QString());
}

QString ParentGroup(const QString& Group) {
  const auto Slash = Group.lastIndexOf('/');
  return Slash < 0 ? QString() : Group.left(Slash);
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
  bool Found = false;
  StoredGroup(*S, G, &Found);
  return Found;
}

bool RegCreateKey(HKEY Root, const std::string& Key) {
  std::optional<QSettings> S;
  if (!Open(Root, S) || Group(Key).isEmpty()) return false;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (Found) return true;
  S->setValue(G + '/' + KeyMarker, QString());
  S->sync();
  return S->status() == QSettings::NoError;
}

std::optional<TRegValue> RegQueryValue(HKEY Root, const std::string& Key, const std::string& Name) {
  std::optional<QSettings> S;
  if (!Open(Root, S)) return std::nullopt;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (!Found) return std::nullopt;
  if (!G.isEmpty()) S->beginGroup(G);
  const QString K = StoredValue(*S, Name);
  if (K.isEmpty()) return std::nullopt;
  return Decode(S->value(K).toString().toStdString());
}

bool RegSetValue(HKEY Root, const std::string& Key, const std::string& Name, const TRegValue& Value) {
  std::optional<QSettings> S;
  if (!Open(Root, S) || Group(Key).isEmpty()) return false;
  S->beginGroup(StoredGroup(*S, Group(Key)));
  QString K = StoredValue(*S, Name);
  if (K.isEmpty()) K = ValueKey(Name);
  S->setValue(K, QString::fromStdString(Encode(Value)));
  S->remove(KeyMarker);
  S->endGroup();
  S->sync();
  return S->status() == QSettings::NoError;
}

bool RegDeleteValue(HKEY Root, const std::string& Key, const std::string& Name) {
  std::optional<QSettings> S;
  if (!Open(Root, S)) return false;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (!Found) return false;
  if (!G.isEmpty()) S->beginGroup(G);
  const QString K = StoredValue(*S, Name);
  if (!K.isEmpty()) S->remove(K);
  if (!G.isEmpty()) S->endGroup();
  KeepKey(*S, G);
  S->sync();
  return !K.isEmpty() && S->status() == QSettings::NoError;
}

bool RegDeleteKey(HKEY Root, const std::string& Key) {
  std::optional<QSettings> S;
  if (!Open(Root, S) || Group(Key).isEmpty()) return false;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (!Found) return false;
  S->remove(G);
  KeepKey(*S, ParentGroup(G));
  S->sync();
  return S->status() == QSettings::NoError;
}

std::vector<std::string> RegValueNames(HKEY Root, const std::string& Key) {
  std::vector<std::string> R;
  std::optional<QSettings> S;
  if (!Open(Root, S)) return R;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (!Found) return R;
  if (!G.isEmpty()) S->beginGroup(G);
  // A hand-written "=value" line has an empty key: no name reaches it (the default value is
  // "@"), so it is not listed; nor is a name that is no text.
  for (const QString& K : S->childKeys())
    if (K != KeyMarker && !K.isEmpty() && Spellable(K)) R.push_back(ValueName(K));
  return R;
}

std::vector<std::string> RegSubKeyNames(HKEY Root, const std::string& Key) {
  std::vector<std::string> R;
  std::optional<QSettings> S;
  if (!Open(Root, S)) return R;
  bool Found = false;
  const QString G = StoredGroup(*S, Group(Key), &Found);
  if (!Found) return R;
  if (!G.isEmpty()) S->beginGroup(G);
  for (const QString& K : S->childGroups())
    if (Spellable(K)) R.push_back(K.toStdString());
  return R;
}

}  // namespace zu::os
