#include "support/zuRegistrySavers.h"

#include "platform/framework/Exceptions.h"

namespace zu {

const TClassInfo& TzuCustomRegistrySaver::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuCustomRegistrySaver>("TzuCustomRegistrySaver", &TzuAddon::StaticClassInfo())
          .Str("RegKey", &TzuCustomRegistrySaver::RegKey, &TzuCustomRegistrySaver::SetRegKey,
               std::string(DefaultSaverRegKey))
          .Enum("RegLocation", &TzuCustomRegistrySaver::RegLocation, &TzuCustomRegistrySaver::SetRegLocation,
                {"rlCurrentUser", "rlLocalMachine"}, std::optional(rlCurrentUser))
          .Str("IniFileName", &TzuCustomRegistrySaver::IniFileName, &TzuCustomRegistrySaver::SetIniFileName)
          .Str("IniSection", &TzuCustomRegistrySaver::IniSection, &TzuCustomRegistrySaver::SetIniSection)
          .Enum("Storage", &TzuCustomRegistrySaver::Storage, &TzuCustomRegistrySaver::SetStorage,
                {"useRegistry", "useIniFile"}, std::optional(useRegistry));
  return Info;
}

void TzuCustomRegistrySaver::SetRegKey(const std::string& Value) {
  size_t B = 0, E = Value.size();
  while (B < E && Value[B] == '\\') ++B;
  while (E > B && Value[E - 1] == '\\') --E;
  const std::string Key = Value.substr(B, E - B);
  if (Key == FRegKey) return;
  FRegKey = Key;
  DoRegKeyChanged();
}

void TzuCustomRegistrySaver::SetRegLocation(TzuRegLocation Value) {
  if (Value == FRegLocation) return;
  FRegLocation = Value;
  DoRegKeyChanged();
}

void TzuCustomRegistrySaver::Assign(const TPersistent* Source) {
  if (const auto* S = dynamic_cast<const TzuCustomRegistrySaver*>(Source)) {
    SetIniFileName(S->FIniFileName);
    SetIniSection(S->FIniSection);
    SetStorage(S->FStorage);
    SetRegKey(S->FRegKey);
    SetRegLocation(S->FRegLocation);
  }
  TzuAddon::Assign(Source);
}

void TzuCustomRegistrySaver::Save() { Run(true); }
void TzuCustomRegistrySaver::Load() { Run(false); }

void TzuCustomRegistrySaver::Run(bool Saving) {
  if (!Enabled() || IsDesignTime()) return;
  if (FStorage == useIniFile) {
    if (FIniFileName.empty()) throw Exception(".INI file not specified");
    try {
      TIniFile Ini(FIniFileName);
      Saving ? DoSaveToIniFile(Ini) : DoLoadFromIniFile(Ini);
    } catch (const std::exception&) {
    }
    return;
  }
  try {
    TzuRegistry Reg(FRegLocation);
    if (Reg.OpenKey(FRegKey, Saving)) Saving ? DoSaveToRegistry(Reg) : DoLoadFromRegistry(Reg);
  } catch (const std::exception&) {
  }
}

const TClassInfo& TzuValueRegistrySaver::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuValueRegistrySaver>("TzuValueRegistrySaver", &TzuCustomRegistrySaver::StaticClassInfo())
          .Str("RegValue", &TzuValueRegistrySaver::RegValue, &TzuValueRegistrySaver::SetRegValue,
               std::string("Default"));
  return Info;
}

void TzuValueRegistrySaver::Assign(const TPersistent* Source) {
  if (const auto* S = dynamic_cast<const TzuValueRegistrySaver*>(Source)) SetRegValue(S->FRegValue);
  TzuCustomRegistrySaver::Assign(Source);
}

const TClassInfo& TzuRegistrySaver::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuRegistrySaver>("TzuRegistrySaver", &TzuValueRegistrySaver::StaticClassInfo())
          .SetOf("Options", &TzuRegistrySaver::Options, &TzuRegistrySaver::SetOptions,
                 {"saveOnClose", "saveOnMoveResize"}, 1);
  return Info;
}

void TzuRegistrySaver::Assign(const TPersistent* Source) {
  if (const auto* S = dynamic_cast<const TzuRegistrySaver*>(Source)) SetOptions(S->FOptions);
  TzuValueRegistrySaver::Assign(Source);
}

}  // namespace zu
