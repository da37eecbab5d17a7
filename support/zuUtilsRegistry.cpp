// zuUtils, the other routines: registry values and keys, and streams (fonts are in
// zuUtilsGui.cpp).
#include <cstring>

#include "platform/os/Registry.h"
#include "support/zuUtils.h"

namespace zu {

namespace {

std::string K(const std::string& Key) { return ExcludeLeadingBackslash(Key); }

bool SetValue(const std::string& Key, const std::string& ValueName, const os::TRegValue& V, std::uint32_t Root) {
  return !K(Key).empty() && os::RegSetValue(Root, K(Key), ValueName, V);
}

os::TRegValue StringValue(const std::string& S) {
  os::TRegValue V;
  V.Data = S;
  return V;
}

os::TRegValue DWordValue(std::int32_t I) {
  os::TRegValue V;
  V.Type = os::TRegDataType::DWord;
  V.DWord = static_cast<std::uint32_t>(I);
  return V;
}

}  // namespace

// ---------- registry ----------

bool IsRegKeyExists(const std::string& Key, std::uint32_t Root) { return os::RegKeyExists(Root, K(Key)); }

bool IsRegValueExists(const std::string& Key, const std::string& ValueName, std::uint32_t Root) {
  return os::RegQueryValue(Root, K(Key), ValueName).has_value();
}

bool RegWriteStr(const std::string& Key, const std::string& ValueName, const std::string& Value, std::uint32_t Root) {
  return SetValue(Key, ValueName, StringValue(Value), Root);
}

bool RegReadBool(const std::string& Key, const std::string& ValueName, bool Default, std::uint32_t Root) {
  const auto V = os::RegQueryValue(Root, K(Key), ValueName);
  if (!V || V->Type != os::TRegDataType::DWord) return Default;
  return V->DWord != 0;
}

bool RegWriteBool(const std::string& Key, const std::string& ValueName, bool Value, std::uint32_t Root) {
  return SetValue(Key, ValueName, DWordValue(Value ? 1 : 0), Root);
}

bool RegWriteStrCULM(const std::string& Key, const std::string& ValueName, const std::string& Value) {
  const bool CU = RegWriteStr(Key, ValueName, Value, HKEY_CURRENT_USER);
  const bool LM = RegWriteStr(Key, ValueName, Value, HKEY_LOCAL_MACHINE);
  return CU && LM;
}

bool RegWriteIntCULM(const std::string& Key, const std::string& ValueName, std::int32_t Value) {
  const bool CU = SetValue(Key, ValueName, DWordValue(Value), HKEY_CURRENT_USER);
  const bool LM = SetValue(Key, ValueName, DWordValue(Value), HKEY_LOCAL_MACHINE);
  return CU && LM;
}

bool RegEraseValueCULM(const std::string& Key, const std::string& ValueName) {
  const bool CU = RegEraseValue(Key, ValueName, HKEY_CURRENT_USER);
  const bool LM = RegEraseValue(Key, ValueName, HKEY_LOCAL_MACHINE);
  return CU && LM;
}

bool RegEraseKeyCULM(const std::string& Key) {
  const bool CU = RegEraseKey(Key, HKEY_CURRENT_USER);
  const bool LM = RegEraseKey(Key, HKEY_LOCAL_MACHINE);
  return CU && LM;
}

TDateTime RegReadDateTime(const std::string& Key, const std::string& ValueName, TDateTime Default, std::uint32_t Root) {
  const auto V = os::RegQueryValue(Root, K(Key), ValueName);
  if (!V || V->Type != os::TRegDataType::Binary || V->Data.size() != sizeof(double)) return Default;
  double D;
  std::memcpy(&D, V->Data.data(), sizeof D);
  return D;
}

bool RegWriteDateTime(const std::string& Key, const std::string& ValueName, TDateTime Value, std::uint32_t Root) {
  os::TRegValue V;
  V.Type = os::TRegDataType::Binary;
  V.Data.assign(reinterpret_cast<const char*>(&Value), sizeof Value);
  return SetValue(Key, ValueName, V, Root);
}

bool RegEraseValue(const std::string& Key, const std::string& ValueName, std::uint32_t Root) {
  return os::RegDeleteValue(Root, K(Key), ValueName);
}

bool RegEraseKey(const std::string& Key, std::uint32_t Root) {
  return !K(Key).empty() && os::RegDeleteKey(Root, K(Key));
}

int RegGetValuesCount(const std::string& Key, std::uint32_t Root) {
  if (!os::RegKeyExists(Root, K(Key))) return -1;
  return static_cast<int>(os::RegValueNames(Root, K(Key)).size());
}

bool RegGetValueNames(const std::string& Key, TStrings& Names, std::uint32_t Root) {
  if (!os::RegKeyExists(Root, K(Key))) return false;
  for (const std::string& N : os::RegValueNames(Root, K(Key))) Names.Add(N);
  return true;
}

// ---------- streams ----------

std::string BufferStr(const void* Buffer, std::size_t Size) {
  return Buffer ? std::string(static_cast<const char*>(Buffer), Size) : std::string();
}

void StringToStream(const std::string& S, TStream& Stream) {
  if (!S.empty()) Stream.WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

bool PutShortStringToStream(const std::string& S, TStream& Stream) {
  // A short string has one length byte: a longer one is refused rather than cut.
  if (S.size() > 255) return false;
  const auto N = static_cast<std::uint8_t>(S.size());
  Stream.WriteBuffer(&N, 1);
  StringToStream(S, Stream);
  return true;
}

bool GetShortStringFromStream(TStream& Stream, std::string& S) {
  S.clear();
  std::uint8_t N = 0;
  if (Stream.Read(&N, 1) != 1) return false;
  std::string R(N, '\0');
  if (N && Stream.Read(R.data(), N) != N) return false;
  S = std::move(R);
  return true;
}

std::string GetShortStringFromStream(TStream& Stream) {
  std::string S;
  GetShortStringFromStream(Stream, S);
  return S;
}

void PutIntegerToStream(std::int32_t Value, TStream& Stream) {
  const auto U = static_cast<std::uint32_t>(Value);
  const std::uint8_t B[4] = {static_cast<std::uint8_t>(U), static_cast<std::uint8_t>(U >> 8),
                             static_cast<std::uint8_t>(U >> 16), static_cast<std::uint8_t>(U >> 24)};
  Stream.WriteBuffer(B, 4);
}

std::int32_t GetIntegerFromStream(TStream& Stream, std::int32_t Default) {
  std::uint8_t B[4];
  if (Stream.Read(B, 4) != 4) return Default;
  return static_cast<std::int32_t>(B[0] | (B[1] << 8) | (B[2] << 16) | (static_cast<std::uint32_t>(B[3]) << 24));
}

}  // namespace zu
