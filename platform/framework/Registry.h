// The framework's registry access class TRegistry (over the registry layer of platform/os)
// and INI files (TIniFile).
#pragma once

#include <string>

#include "platform/framework/Exceptions.h"
#include "platform/framework/Lists.h"
#include "platform/framework/Object.h"
#include "platform/os/Registry.h"

namespace zu {

class ERegistryException : public Exception { using Exception::Exception; };
class EIniFileException : public Exception { using Exception::Exception; };

// Access masks as the registry numbers them.
enum : unsigned {
  KEY_QUERY_VALUE = 0x0001,
  KEY_SET_VALUE = 0x0002,
  KEY_CREATE_SUB_KEY = 0x0004,
  KEY_ENUMERATE_SUB_KEYS = 0x0008,
  KEY_NOTIFY = 0x0010,
  KEY_READ = 0x20019,
  KEY_WRITE = 0x20006,
  KEY_ALL_ACCESS = 0xF003F,
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;
};

// One open key at a time under RootKey. Key names starting with '\' are absolute, others
// are relative to the open key. A key exists once it holds a value or a subkey, so a created
// key that stays empty is not found again.
// Errors: ERegistryException "Failed to get data for '%s'" (missing value), "Invalid data type
// for '%s'", "Failed to set data for '%s'", "Failed to create key %s".
class TRegistry : public TObject {
 public:
  TRegistry() = default;
  explicit TRegistry(unsigned AAccess) : FAccess(AAccess) {}

  os::HKEY RootKey() const { return FRootKey; }
  void SetRootKey(os::HKEY Value);  // closes the open key
  unsigned Access() const { return FAccess; }
  void SetAccess(unsigned Value) { FAccess = Value; }
  bool KeyOpen() const { return FKeyOpen; }
  const std::string& CurrentPath() const { return FCurrentPath; }

  bool OpenKey(const std::string& Key, bool CanCreate);
  // Opens with KEY_READ, which also becomes the registry's Access.
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();
  bool CreateKey(const std::string& Key);
  bool DeleteKey(const std::string& Key);  // with its subkeys; needs KEY_SET_VALUE access
  bool DeleteValue(const std::string& Name);
  bool KeyExists(const std::string& Key) const;
  bool ValueExists(const std::string& Name) const;
  bool HasSubKeys() const;
  void GetKeyNames(TStrings& Strings) const;
  void GetValueNames(TStrings& Strings) const;

  bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) const;
  int GetDataSize(const std::string& ValueName) const;  // -1 when missing; strings count a terminator
  TRegDataType GetDataType(const std::string& ValueName) const;

  // A missing value reads as empty.
  std::string ReadString(const std::string& Name) const;
  void WriteString(const std::string& Name, const std::string& Value);
  int ReadInteger(const std::string& Name) const;
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name) const { return ReadInteger(Name) != 0; }
  void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
  // Returns the bytes read; 0 for a missing value. A value larger than BufSize, or no binary
  // value, raises "Invalid data type".
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const;
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

 private:
  std::string Resolve(const std::string& Key) const;
  void CheckWritable(const std::string& Name) const;
  void PutValue(const std::string& Name, const os::TRegValue& Value);

  os::HKEY FRootKey = os::HKEY_CURRENT_USER;
  unsigned FAccess = KEY_ALL_ACCESS;
  bool FKeyOpen = false;
  std::string FCurrentPath;   // without leading or trailing '\'
  unsigned FKeyAccess = 0;    // the access the open key was opened with
};

// An INI file by path: [Section] and Ident=Value lines. Writes go to the file at once;
// a file that cannot be written raises EIniFileException "Unable to write to %s".
class TIniFile : public TObject {
 public:
  explicit TIniFile(const std::string& FileName) : FFileName(FileName) {}
  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  // Decimal or "$"/"0x" hexadecimal; Default when the value is missing or no integer.
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

  void ReadSection(const std::string& Section, TStrings& Strings) const;  // the idents
  void ReadSections(TStrings& Strings) const;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) const;  // Ident=Value
  void EraseSection(const std::string& Section);
  void DeleteKey(const std::string& Section, const std::string& Ident);
  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Ident) const;

 private:
  std::string FFileName;
};

}  // namespace zu
