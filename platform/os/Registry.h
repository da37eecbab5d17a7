// The registry: keys and typed values, kept in INI files through QSettings.
//
// HKEY_CURRENT_USER is $XDG_CONFIG_HOME/zuregistry.ini (default ~/.config), HKEY_LOCAL_MACHINE
// is zuregistry.ini in the first directory of $XDG_CONFIG_DIRS (default /etc/xdg). Key paths
// use '\' (or '/') between keys and become INI groups. Values keep their type: DWORDs are
// written "dword:%08x", binary data "hex:..", strings as they are ("sz:" is put before a
// string that would otherwise look like one of those forms). The key's default value has
// the name "@". Key and value names are matched ignoring case and keep the spelling they were
// created with; a "/" in a value name is part of the name (stored as U+F02F). A key without
// values or subkeys is kept by a hidden marker value (U+F000). HKEY_CLASSES_ROOT has no store:
// file types come from the MIME database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zu::os {

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

enum class TRegDataType { String, DWord, Binary };

struct TRegValue {
  TRegDataType Type = TRegDataType::String;
  std::string Data;          // String and Binary
  std::uint32_t DWord = 0;   // DWord
};

std::string RegistryFile(HKEY Root);  // empty for a root without a store

bool RegKeyExists(HKEY Root, const std::string& Key);
// Creates the key (and the keys above it); true when it exists afterwards.
bool RegCreateKey(HKEY Root, const std::string& Key);
std::optional<TRegValue> RegQueryValue(HKEY Root, const std::string& Key, const std::string& Name);
bool RegSetValue(HKEY Root, const std::string& Key, const std::string& Name, const TRegValue& Value);
bool RegDeleteValue(HKEY Root, const std::string& Key, const std::string& Name);
bool RegDeleteKey(HKEY Root, const std::string& Key);
std::vector<std::string> RegValueNames(HKEY Root, const std::string& Key);
std::vector<std::string> RegSubKeyNames(HKEY Root, const std::string& Key);

}  // namespace zu::os
