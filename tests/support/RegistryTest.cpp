#include <gtest/gtest.h>

#include "platform/os/Registry.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(Registry, IntegersRoundTripUnderBothRoots) {
  RegWriteInt("\\Software\\Zu\\Test", "Answer", -42, HKEY_CURRENT_USER);
  EXPECT_EQ(RegReadInt("Software\\Zu\\Test", "Answer", 7, HKEY_CURRENT_USER), -42);
  RegWriteInt("Software\\Zu\\Test", "Answer", 2147483647, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegReadInt("\\Software\\Zu\\Test", "Answer", 7, HKEY_LOCAL_MACHINE), 2147483647);
  EXPECT_EQ(RegReadInt("Software\\Zu\\Test", "Answer", 7, HKEY_CURRENT_USER), -42);
  // Missing key, missing value: the default.
  EXPECT_EQ(RegReadInt("Software\\Zu\\None", "Answer", 7, HKEY_CURRENT_USER), 7);
  EXPECT_EQ(RegReadInt("Software\\Zu\\Test", "Other", 7, HKEY_CURRENT_USER), 7);
  // Classes root has no store.
  RegWriteInt("Software\\Zu\\Test", "Answer", 1, HKEY_CLASSES_ROOT);
  EXPECT_EQ(RegReadInt("Software\\Zu\\Test", "Answer", 7, HKEY_CLASSES_ROOT), 7);
}

TEST(Registry, StringsAndTheKeyResult) {
  os::TRegValue S;
  S.Data = "hello";
  ASSERT_TRUE(os::RegSetValue(os::HKEY_CURRENT_USER, "Software\\Zu\\Str", "Name", S));
  S.Data = "default value";
  ASSERT_TRUE(os::RegSetValue(os::HKEY_CURRENT_USER, "Software\\Zu\\Str", "", S));

  std::string V = "stale";
  EXPECT_TRUE(RegGetStr("\\Software\\Zu\\Str", "Name", V, HKEY_CURRENT_USER));
  EXPECT_EQ(V, "hello");
  EXPECT_EQ(RegReadStr("Software\\Zu\\Str", "", HKEY_CURRENT_USER), "default value");
  // The result tells whether the key opened, not whether the value existed.
  EXPECT_TRUE(RegGetStr("Software\\Zu\\Str", "Missing", V, HKEY_CURRENT_USER));
  EXPECT_EQ(V, "");
  EXPECT_FALSE(RegGetStr("Software\\Zu\\NoKey", "Name", V, HKEY_CURRENT_USER));
  // A DWORD value is no string.
  RegWriteInt("Software\\Zu\\Str", "Num", 5, HKEY_CURRENT_USER);
  EXPECT_TRUE(RegGetStr("Software\\Zu\\Str", "Num", V, HKEY_CURRENT_USER));
  EXPECT_EQ(V, "");
  EXPECT_EQ(RegReadInt("Software\\Zu\\Str", "Name", 9, HKEY_CURRENT_USER), 9);
}

TEST(Registry, LongStringsDoNotFitTheBuffer) {
  os::TRegValue S;
  S.Data = std::string(1023, 'a');
  ASSERT_TRUE(os::RegSetValue(os::HKEY_CURRENT_USER, "Software\\Zu\\Long", "Fits", S));
  S.Data = std::string(1024, 'b');
  ASSERT_TRUE(os::RegSetValue(os::HKEY_CURRENT_USER, "Software\\Zu\\Long", "TooLong", S));
  EXPECT_EQ(RegReadStr("Software\\Zu\\Long", "Fits", HKEY_CURRENT_USER).size(), 1023u);
  EXPECT_EQ(RegReadStr("Software\\Zu\\Long", "TooLong", HKEY_CURRENT_USER), "");
}
