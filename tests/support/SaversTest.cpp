#include <gtest/gtest.h>

#include "TestUtil.h"
#include "platform/framework/Exceptions.h"
#include "support/zuRegistrySavers.h"

using namespace zu;

namespace {

// Keeps one number, as a control's saver would keep its value.
class TNumberSaver : public TzuRegistrySaver {
 public:
  using TzuRegistrySaver::TzuRegistrySaver;
  int Value = 0;
  int KeyChanges = 0;

 protected:
  void DoRegKeyChanged() override { ++KeyChanges; }
  void DoSaveToRegistry(TzuRegistry& R) override { R.WriteInteger(RegValue(), Value); }
  void DoLoadFromRegistry(TzuRegistry& R) override {
    if (R.ValueExists(RegValue())) Value = R.ReadInteger(RegValue());
  }
  void DoSaveToIniFile(TIniFile& I) override { I.WriteInteger(IniSection(), RegValue(), Value); }
  void DoLoadFromIniFile(TIniFile& I) override { Value = I.ReadInteger(IniSection(), RegValue(), -1); }
};

struct TRoot : TComponent {
  TRoot() : TComponent(nullptr) {}
};

}  // namespace

TEST(RegistrySavers, SaveAndLoadThroughTheRegistry) {
  TRoot Root;
  TNumberSaver S(&Root);
  S.SetRegKey("\\Software\\Zu\\SaverTest\\");
  EXPECT_EQ(S.RegKey(), "Software\\Zu\\SaverTest");
  EXPECT_EQ(S.KeyChanges, 1);
  S.SetRegKey("Software\\Zu\\SaverTest");
  EXPECT_EQ(S.KeyChanges, 1) << "the same key after trimming changes nothing";
  S.Value = 42;
  S.Save();  // disabled: nothing is written
  TNumberSaver L(&Root);
  L.SetRegKey("Software\\Zu\\SaverTest");
  L.SetEnabled(true);
  L.Load();
  EXPECT_EQ(L.Value, 0);
  S.SetEnabled(true);
  S.Save();
  L.Load();
  EXPECT_EQ(L.Value, 42);
  // Loading never creates the key.
  TNumberSaver M(&Root);
  M.SetEnabled(true);
  M.SetRegKey("Software\\Zu\\NeverCreated");
  M.Load();
  EXPECT_FALSE(TRegistry(KEY_READ).KeyExists("Software\\Zu\\NeverCreated"));
}

TEST(RegistrySavers, IniStorageNeedsAFileName) {
  TRoot Root;
  zutest::TempDir D;
  TNumberSaver S(&Root);
  S.SetStorage(useIniFile);
  S.SetIniSection("Window");
  EXPECT_NO_THROW(S.Save()) << "disabled: nothing, no error";
  S.SetEnabled(true);
  try {
    S.Save();
    FAIL() << "no exception";
  } catch (const Exception& E) {
    EXPECT_STREQ(E.what(), ".INI file not specified");
  }
  EXPECT_THROW(S.Load(), Exception);
  S.SetIniFileName(D.File("settings.ini"));
  S.Value = 7;
  S.Save();
  EXPECT_NE(zutest::ReadFile(D.File("settings.ini")).find("Default=7"), std::string::npos);
  S.Value = 0;
  S.Load();
  EXPECT_EQ(S.Value, 7);
  // At design time a saver does nothing.
  Root.SetDesigning(true);
  S.Value = 99;
  S.Save();
  Root.SetDesigning(false);
  S.Load();
  EXPECT_EQ(S.Value, 7);
}

TEST(RegistrySavers, AssignCopiesEverySettingAndDefaultsStayOutOfFormData) {
  TRoot Root;
  TNumberSaver A(&Root), B(&Root);
  A.SetEnabled(true);
  A.SetRegKey("Software\\X");
  A.SetRegLocation(rlLocalMachine);
  A.SetIniFileName("a.ini");
  A.SetIniSection("S");
  A.SetStorage(useIniFile);
  A.SetRegValue("Width");
  A.SetOptions((1u << saveOnClose) | (1u << saveOnMoveResize));
  B.Assign(&A);
  EXPECT_TRUE(B.Enabled());
  EXPECT_EQ(B.RegKey(), "Software\\X");
  EXPECT_EQ(B.RegLocation(), rlLocalMachine);
  EXPECT_EQ(B.IniFileName(), "a.ini");
  EXPECT_EQ(B.IniSection(), "S");
  EXPECT_EQ(B.Storage(), useIniFile);
  EXPECT_EQ(B.RegValue(), "Width");
  EXPECT_EQ(B.Options(), 3);
  B.Assign(nullptr);
  EXPECT_FALSE(B.Enabled());
  EXPECT_EQ(B.RegKey(), DefaultSaverRegKey);
  EXPECT_EQ(B.RegValue(), "Default");
  EXPECT_EQ(B.Options(), 1);
  EXPECT_EQ(B.Storage(), useRegistry);
  const TClassInfo& I = B.ClassInfo();
  for (const char* Name : {"RegKey", "RegValue", "Options", "Storage", "RegLocation", "Enabled"})
    EXPECT_FALSE(I.FindProperty(Name)->IsStored(B)) << Name << " at its default is not stored";
  EXPECT_TRUE(I.FindProperty("RegKey")->IsStored(A));
}
