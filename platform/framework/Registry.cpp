#include "platform/framework/Registry.h"

#include "platform/framework/Text.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cctype>
#include <climits>
#include <cstring>

namespace zu {

namespace {

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

std::string TrimSeparators(const std::string& Key) {
  size_t B = 0, E = Key.size();
  while (B < E && IsSeparator(Key[B])) ++B;
  while (E > B && IsSeparator(Key[E - 1])) --E;
  return Key.substr(B, E - B);
}

std::string Quoted(const std::string& Name) { return "'" + Name + "'"; }

[[noreturn]] void GetError(const std::string& Name) {
  throw ERegistryException("Failed to get data for " + Quoted(Name));
}
[[noreturn]] void SetError(const std::string& Name) {
  throw ERegistryException("Failed to set data for " + Quoted(Name));
}
[[noreturn]] void TypeError(const std::string& Name) {
  throw ERegistryException("Invalid data type for " + Quoted(Name));
}

TRegDataType DataTypeOf(const os::TRegValue& V) {
  switch (V.Type) {
    case os::TRegDataType::String: return rdString;
    case os::TRegDataType::DWord: return rdInteger;
    case os::TRegDataType::Binary: return rdBinary;
  }
  return rdUnknown;
}

void FillStrings(TStrings& Strings, const std::vector<std::string>& Items) {
  Strings.BeginUpdate();
  try {
    Strings.Clear();
    for (const std::string& S : Items) Strings.Add(S);
  } catch (...) {
    Strings.EndUpdate();
    throw;
  }
  Strings.EndUpdate();
}

}  // namespace

// ---------- TRegistry ----------

std::string TRegistry::Resolve(const std::string& Key) const {
  const std::string Sub = TrimSeparators(Key);
  const bool Absolute = !Key.empty() && IsSeparator(Key[0]);
  if (Absolute || !FKeyOpen || FCurrentPath.empty()) return Sub;
  return Sub.empty() ? FCurrentPath : FCurrentPath + "\\" + Sub;
}

void TRegistry::SetRootKey(os::HKEY Value) {
  if (Value == FRootKey) return;
  CloseKey();
  FRootKey = Value;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  if (os::RegistryFile(FRootKey).empty()) return false;
  const std::string Path = Resolve(Key);
  if (!os::RegKeyExists(FRootKey, Path) &&
      !(CanCreate && (FAccess & KEY_CREATE_SUB_KEY) && os::RegCreateKey(FRootKey, Path)))
    return false;
  FKeyOpen = true;
  FCurrentPath = Path;
  FKeyAccess = FAccess;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  if (os::RegistryFile(FRootKey).empty()) return false;
  const std::string Path = Resolve(Key);
  if (!os::RegKeyExists(FRootKey, Path)) return false;
  FAccess = KEY_READ;
  FKeyOpen = true;
  FCurrentPath = Path;
  FKeyAccess = KEY_READ;
  return true;
}

void TRegistry::CloseKey() {
  FKeyOpen = false;
  FCurrentPath.clear();
  FKeyAccess = 0;
}

bool TRegistry::CreateKey(const std::string& Key) {
  const std::string Path = Resolve(Key);
  if (os::RegistryFile(FRootKey).empty() || !(FAccess & KEY_CREATE_SUB_KEY) ||
      (!Path.empty() && !os::RegCreateKey(FRootKey, Path)))
    throw ERegistryException("Failed to create key " + Key);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  // An empty name names no subkey: it never takes the open key or the root with it.
  if (TrimSeparators(Key).empty()) return false;
  if (!(FAccess & KEY_SET_VALUE)) return false;  // a registry opened for reading changes nothing
  const std::string Path = Resolve(Key);
  if (!os::RegKeyExists(FRootKey, Path)) return false;
  return os::RegDeleteKey(FRootKey, Path);
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (FKeyOpen && !(FKeyAccess & KEY_SET_VALUE)) return false;
  return os::RegDeleteValue(FRootKey, FCurrentPath, Name);
}

bool TRegistry::KeyExists(const std::string& Key) const {
  return os::RegKeyExists(FRootKey, Resolve(Key));
}

bool TRegistry::ValueExists(const std::string& Name) const {
  return os::RegQueryValue(FRootKey, FCurrentPath, Name).has_value();
}

bool TRegistry::HasSubKeys() const { return !os::RegSubKeyNames(FRootKey, FCurrentPath).empty(); }

void TRegistry::GetKeyNames(TStrings& Strings) const {
  FillStrings(Strings, os::RegSubKeyNames(FRootKey, FCurrentPath));
}

void TRegistry::GetValueNames(TStrings& Strings) const {
  FillStrings(Strings, os::RegValueNames(FRootKey, FCurrentPath));
}

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) const {
  Value = TRegDataInfo();
  const auto V = os::RegQueryValue(FRootKey, FCurrentPath, ValueName);
  if (!V) return false;
  Value.RegData = DataTypeOf(*V);
  switch (V->Type) {
    case os::TRegDataType::String: Value.DataSize = static_cast<int>(V->Data.size()) + 1; break;
    case os::TRegDataType::DWord: Value.DataSize = 4; break;
    case os::TRegDataType::Binary: Value.DataSize = static_cast<int>(V->Data.size()); break;
  }
  return true;
}

int TRegistry::GetDataSize(const std::string& ValueName) const {
  TRegDataInfo Info;
  return GetDataInfo(ValueName, Info) ? Info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) const {
  TRegDataInfo Info;
  GetDataInfo(ValueName, Info);
  return Info.RegData;
}

std::string TRegistry::ReadString(const std::string& Name) const {
  const auto V = os::RegQueryValue(FRootKey, FCurrentPath, Name);
  if (!V) return std::string();
  if (V->Type != os::TRegDataType::String) TypeError(Name);
  return V->Data;
}

int TRegistry::ReadInteger(const std::string& Name) const {
  const auto V = os::RegQueryValue(FRootKey, FCurrentPath, Name);
  if (!V) GetError(Name);
  if (V->Type != os::TRegDataType::DWord) TypeError(Name);
  return static_cast<int>(V->DWord);
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const {
  const auto V = os::RegQueryValue(FRootKey, FCurrentPath, Name);
  if (!V) return 0;
  if (V->Type != os::TRegDataType::Binary || static_cast<std::int64_t>(V->Data.size()) > BufSize)
    TypeError(Name);
  if (!V->Data.empty()) std::memcpy(Buffer, V->Data.data(), V->Data.size());
  return static_cast<int>(V->Data.size());
}

void TRegistry::CheckWritable(const std::string& Name) const {
  if (!FKeyOpen || !(FKeyAccess & KEY_SET_VALUE)) SetError(Name);
}

void TRegistry::PutValue(const std::string& Name, const os::TRegValue& Value) {
  CheckWritable(Name);
  if (!os::RegSetValue(FRootKey, FCurrentPath, Name, Value)) SetError(Name);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  os::TRegValue V;
  V.Type = os::TRegDataType::String;
  V.Data = Value;
  PutValue(Name, V);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  os::TRegValue V;
  V.Type = os::TRegDataType::DWord;
  V.DWord = static_cast<std::uint32_t>(Value);
  PutValue(Name, V);
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  os::TRegValue V;
  V.Type = os::TRegDataType::Binary;
  if (BufSize > 0) V.Data.assign(static_cast<const char*>(Buffer), static_cast<size_t>(BufSize));
  PutValue(Name, V);
}

// ---------- TIniFile ----------

namespace {

QString Q(const std::string& S) { return QString::fromStdString(S); }

// QSettings keeps the [General] section as its top level (and would write a group of that
// name as [%General]): the section is mapped to the top level, so hand-written files read.
QString Group(const std::string& Section) {
  return QString::fromStdString(Section).compare("General", Qt::CaseInsensitive) == 0 ? QString()
                                                                                     : Q(Section);
}

// The integer forms of the framework.
bool ParseInt(const std::string& S, int& Value) { return TryStrToInt(S, Value); }

void CheckWritten(const QSettings& S, const std::string& FileName) {
  if (S.status() != QSettings::NoError) throw EIniFileException("Unable to write to " + FileName);
}

}  // namespace

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  if (Ident.empty()) return Default;
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  const QVariant V = S.value(Q(Ident));
  if (!V.isValid()) return Default;
  // An unquoted value with commas reads as a list: give the text back as written.
  if (V.typeId() == QMetaType::QStringList) return V.toStringList().join(", ").toStdString();
  return V.toString().toStdString();
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  if (Ident.empty()) throw EIniFileException("Unable to write to " + FFileName);
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  S.setValue(Q(Ident), Q(Value));
  S.endGroup();
  S.sync();
  CheckWritten(S, FFileName);
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const {
  int Value;
  return ParseInt(ReadString(Section, Ident, std::string()), Value) ? Value : Default;
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) const {
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  std::vector<std::string> Items;
  for (const QString& K : S.childKeys()) Items.push_back(K.toStdString());
  FillStrings(Strings, Items);
}

void TIniFile::ReadSections(TStrings& Strings) const {
  QSettings S(Q(FFileName), QSettings::IniFormat);
  std::vector<std::string> Items;
  if (!S.childKeys().isEmpty()) Items.push_back("General");
  for (const QString& G : S.childGroups()) Items.push_back(G.toStdString());
  FillStrings(Strings, Items);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) const {
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  std::vector<std::string> Items;
  for (const QString& K : S.childKeys()) {
    const QVariant V = S.value(K);
    const QString Text = V.typeId() == QMetaType::QStringList ? V.toStringList().join(", ") : V.toString();
    Items.push_back((K + '=' + Text).toStdString());
  }
  FillStrings(Strings, Items);
}

void TIniFile::EraseSection(const std::string& Section) {
  QSettings S(Q(FFileName), QSettings::IniFormat);
  if (Group(Section).isEmpty()) {
    // remove("") would wipe the whole file: only the keys outside any section go.
    for (const QString& K : S.childKeys()) S.remove(K);
  } else {
    S.remove(Q(Section));
  }
  S.sync();
  CheckWritten(S, FFileName);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (Ident.empty()) return;  // remove("") would take the whole section
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  S.remove(Q(Ident));
  S.endGroup();
  S.sync();
  CheckWritten(S, FFileName);
}

bool TIniFile::SectionExists(const std::string& Section) const {
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  return !S.childKeys().isEmpty();
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  if (Ident.empty()) return false;
  QSettings S(Q(FFileName), QSettings::IniFormat);
  S.beginGroup(Group(Section));
  return S.contains(Q(Ident));
}

}  // namespace zu
