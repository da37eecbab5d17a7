#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/os/Registry.h"

using namespace zu::os;

TEST(PlatformRegistry, ValuesKeepTheirTypes) {
  TRegValue S;
  S.Data = "dword:00000001";  // a string that looks like a DWORD stays a string
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\Types", "S", S));
  TRegValue B;
  B.Type = TRegDataType::Binary;
  B.Data = std::string("\x00\x01\xFF", 3);
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software/T/Types", "B", B));
  TRegValue W;
  W.Type = TRegDataType::DWord;
  W.DWord = 0xDEADBEEF;
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "\\Software\\T\\Types\\", "W", W));

  auto S2 = RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Types", "S");
  ASSERT_TRUE(S2);
  EXPECT_EQ(S2->Type, TRegDataType::String);
  EXPECT_EQ(S2->Data, "dword:00000001");
  auto B2 = RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Types", "B");
  ASSERT_TRUE(B2);
  EXPECT_EQ(B2->Type, TRegDataType::Binary);
  EXPECT_EQ(B2->Data, B.Data);
  auto W2 = RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Types", "W");
  ASSERT_TRUE(W2);
  EXPECT_EQ(W2->Type, TRegDataType::DWord);
  EXPECT_EQ(W2->DWord, 0xDEADBEEFu);
  EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Types", "none"));
}

TEST(PlatformRegistry, KeysNamesAndDeletion) {
  TRegValue V;
  V.Data = "x";
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\Del\\Sub", "A", V));
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\Del", "B", V));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Del"));
  EXPECT_EQ(RegSubKeyNames(HKEY_CURRENT_USER, "Software\\T\\Del"), std::vector<std::string>{"Sub"});
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\T\\Del"), std::vector<std::string>{"B"});
  EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, "Software\\T\\Del", "B"));
  EXPECT_FALSE(RegDeleteValue(HKEY_CURRENT_USER, "Software\\T\\Del", "B"));
  EXPECT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, "Software\\T\\Del"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Del"));
  EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ".html"));
}

TEST(PlatformRegistry, StoredInTheUsersIniFile) {
  TRegValue V;
  V.Data = "visible";
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\File", "Name", V));
  const std::string Path = RegistryFile(HKEY_CURRENT_USER);
  EXPECT_EQ(Path, std::string(std::getenv("XDG_CONFIG_HOME")) + "/zuregistry.ini");
  std::ifstream F(Path);
  std::stringstream S;
  S << F.rdbuf();
  EXPECT_NE(S.str().find("Name=visible"), std::string::npos) << S.str();
}
