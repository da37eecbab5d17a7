// Registry savers: settings objects that let a control keep a value in the registry or in an
// INI file. Descendants say what to save and load; the savers decide where.
#pragma once

#include <string>

#include "platform/framework/Registry.h"
#include "support/zuClasses.h"
#include "support/zuRegistry.h"

namespace zu {

enum TzuStorageType { useRegistry, useIniFile };
enum TzuRegistrySaverOption { saveOnClose, saveOnMoveResize };
using TzuRegistrySaverOptions = std::uint8_t;  // bit n = element n

inline constexpr const char* DefaultSaverRegKey = "Software\\CompanyName\\ProgramName\\Default";

class TzuCustomRegistrySaver : public TzuAddon {
  ZU_CLASS_INFO
 public:
  using TzuAddon::TzuAddon;

  const std::string& RegKey() const { return FRegKey; }
  // Leading and trailing backslashes are removed.
  void SetRegKey(const std::string& Value);
  TzuRegLocation RegLocation() const { return FRegLocation; }
  void SetRegLocation(TzuRegLocation Value);
  const std::string& IniFileName() const { return FIniFileName; }
  void SetIniFileName(const std::string& Value) { FIniFileName = Value; }
  const std::string& IniSection() const { return FIniSection; }
  void SetIniSection(const std::string& Value) { FIniSection = Value; }
  TzuStorageType Storage() const { return FStorage; }
  void SetStorage(TzuStorageType Value) { FStorage = Value; }

  void Assign(const TPersistent* Source) override;

  // Nothing when disabled or at design time. Raises ".INI file not specified" for INI storage
  // without a file name; errors while saving or loading themselves are swallowed.
  virtual void Save();
  virtual void Load();

 protected:
  virtual void DoRegKeyChanged() {}
  virtual void DoSaveToRegistry(TzuRegistry& Registry) = 0;
  virtual void DoLoadFromRegistry(TzuRegistry& Registry) = 0;
  virtual void DoSaveToIniFile(TIniFile& IniFile) {}
  virtual void DoLoadFromIniFile(TIniFile& IniFile) {}

 private:
  void Run(bool Saving);
  std::string FRegKey = DefaultSaverRegKey;
  TzuRegLocation FRegLocation = rlCurrentUser;
  std::string FIniFileName, FIniSection;
  TzuStorageType FStorage = useRegistry;
};

class TzuValueRegistrySaver : public TzuCustomRegistrySaver {
  ZU_CLASS_INFO
 public:
  using TzuCustomRegistrySaver::TzuCustomRegistrySaver;
  const std::string& RegValue() const { return FRegValue; }
  void SetRegValue(const std::string& Value) { FRegValue = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  std::string FRegValue = "Default";
};

class TzuRegistrySaver : public TzuValueRegistrySaver {
  ZU_CLASS_INFO
 public:
  using TzuValueRegistrySaver::TzuValueRegistrySaver;
  TzuRegistrySaverOptions Options() const { return FOptions; }
  void SetOptions(TzuRegistrySaverOptions Value) { FOptions = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  TzuRegistrySaverOptions FOptions = 1u << saveOnClose;
};

}  // namespace zu
