#include "support/zuRegistry.h"

#include <vector>

#include "support/zuStreams.h"

namespace zu {

os::HKEY RegLocationToRootKey(TzuRegLocation Location) {
  return Location == rlLocalMachine ? os::HKEY_LOCAL_MACHINE : os::HKEY_CURRENT_USER;
}

TzuRegistry::TzuRegistry(os::HKEY ARootKey, unsigned AAccess) : TRegistry(AAccess) {
  SetRootKey(ARootKey);
}

TzuRegistry::TzuRegistry(TzuRegLocation Location, unsigned AAccess)
    : TzuRegistry(RegLocationToRootKey(Location), AAccess) {}

void TzuRegistry::WriteStringEx(const std::string& Name, const std::string& Value) {
  if (Value.empty())
    DeleteValue(Name);
  else
    WriteString(Name, Value);
}

std::string TzuRegistry::ReadStringEx(const std::string& Name) const {
  return ValueExists(Name) ? ReadString(Name) : std::string();
}

void TzuRegistry::WriteIntegerEx(const std::string& Name, int Value, int Default) {
  if (Value == Default)
    DeleteValue(Name);
  else
    WriteInteger(Name, Value);
}

int TzuRegistry::ReadIntegerEx(const std::string& Name, int Default) const {
  return ValueExists(Name) ? ReadInteger(Name) : Default;
}

void TzuRegistry::WriteBoolEx(const std::string& Name, bool Value, bool Default) {
  if (Value == Default)
    DeleteValue(Name);
  else
    WriteBool(Name, Value);
}

bool TzuRegistry::ReadBoolEx(const std::string& Name, bool Default) const {
  return ValueExists(Name) ? ReadBool(Name) : Default;
}

void TzuRegistry::WriteFont(const std::string& Name, const TFont& Font) {
  TzuMemoryStream S;
  S.WriteFont(Font);
  WriteBinaryData(Name, S.Memory(), static_cast<int>(S.Size()));
}

void TzuRegistry::ReadFont(const std::string& Name, TFont& Font) const {
  if (!ValueExists(Name)) return;
  const int Size = GetDataSize(Name);
  if (Size <= 0) return;
  TzuMemoryStream S;
  S.SetSize(Size);
  S.SetSize(ReadBinaryData(Name, S.Memory(), Size));
  S.SetPosition(0);
  S.ReadFont(Font);
}

void TzuRegistry::WriteFontStyles(const std::string& Name, const TFontStyles& Styles) {
  const std::uint8_t B = FontStylesToByte(Styles);
  WriteBinaryData(Name, &B, 1);
}

TFontStyles TzuRegistry::ReadFontStyles(const std::string& Name) const {
  // Read the whole value: only its first byte counts, whatever its length.
  const int Size = GetDataSize(Name);
  if (Size <= 0) return TFontStyles();
  std::vector<std::uint8_t> Buf(static_cast<size_t>(Size));
  if (ReadBinaryData(Name, Buf.data(), Size) < 1) return TFontStyles();
  return ByteToFontStyles(Buf[0]);
}

}  // namespace zu
