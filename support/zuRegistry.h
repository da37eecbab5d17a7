// zuRegistry: the registry access class with the "...Ex" forms that keep defaults out of the
// registry, and fonts stored as binary values.
#pragma once

#include <string>

#include "platform/framework/Font.h"
#include "platform/framework/Registry.h"

namespace zu {

enum TzuRegLocation { rlCurrentUser, rlLocalMachine };

os::HKEY RegLocationToRootKey(TzuRegLocation Location);

class TzuRegistry : public TRegistry {
 public:
  explicit TzuRegistry(os::HKEY ARootKey, unsigned AAccess = KEY_ALL_ACCESS);
  explicit TzuRegistry(TzuRegLocation Location, unsigned AAccess = KEY_ALL_ACCESS);

  // An empty Value deletes the value. A missing value reads as empty.
  void WriteStringEx(const std::string& Name, const std::string& Value);
  std::string ReadStringEx(const std::string& Name) const;
  // A Value equal to Default deletes the value; a missing value reads as Default.
  void WriteIntegerEx(const std::string& Name, int Value, int Default);
  int ReadIntegerEx(const std::string& Name, int Default) const;
  void WriteBoolEx(const std::string& Name, bool Value, bool Default);
  bool ReadBoolEx(const std::string& Name, bool Default) const;

  // The font record of TzuMemoryStream as one binary value. ReadFont leaves Font as it is
  // when the value is missing.
  void WriteFont(const std::string& Name, const TFont& Font);
  void ReadFont(const std::string& Name, TFont& Font) const;
  // The style byte as a 1-byte binary value; a missing or empty value reads as no style.
  void WriteFontStyles(const std::string& Name, const TFontStyles& Styles);
  TFontStyles ReadFontStyles(const std::string& Name) const;
};

}  // namespace zu
