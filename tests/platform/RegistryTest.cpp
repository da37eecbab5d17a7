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

TEST(PlatformRegistry, NamesIgnoreCaseAndKeepTheirSpelling) {
  TRegValue V;
  V.Data = "first";
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\Zu\\Case", "Mixed", V));
  auto R = RegQueryValue(HKEY_CURRENT_USER, "software\\zu\\CASE", "mixed");
  ASSERT_TRUE(R);
  EXPECT_EQ(R->Data, "first");
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "SOFTWARE\\ZU"));
  V.Data = "second";  // one value, whatever the case it is written in
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "SOFTWARE\\zu\\case", "MIXED", V));
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\Zu\\Case"), std::vector<std::string>{"Mixed"});
  EXPECT_EQ(RegSubKeyNames(HKEY_CURRENT_USER, "software\\zu"), std::vector<std::string>{"Case"});
  EXPECT_EQ(RegQueryValue(HKEY_CURRENT_USER, "Software\\Zu\\Case", "Mixed")->Data, "second");
  EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, "software\\ZU\\case", "mIxEd"));
  EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Software\\Zu\\Case", "Mixed"));
  EXPECT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, "SOFTWARE\\ZU"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Zu\\Case"));
}

TEST(PlatformRegistry, SlashInAValueNameIsPartOfTheName) {
  TRegValue V;
  V.Data = "x";
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\Slash", "a/b", V));
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\T\\Slash"), std::vector<std::string>{"a/b"});
  EXPECT_TRUE(RegSubKeyNames(HKEY_CURRENT_USER, "Software\\T\\Slash").empty()) << "no subkey a";
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Slash\\a"));
  ASSERT_TRUE(RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Slash", "A/B"));
  EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Software\\T\\Slash\\a", "b"));
  EXPECT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, "Software\\T\\Slash", "a/b"));
}

TEST(PlatformRegistry, KeysExistWithoutValuesUntilDeleted) {
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"));
  ASSERT_TRUE(RegCreateKey(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "software\\t\\empty\\inner"));
  EXPECT_TRUE(RegValueNames(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner").empty()) << "the marker is no value";
  EXPECT_EQ(RegSubKeyNames(HKEY_CURRENT_USER, "Software\\T\\Empty"), std::vector<std::string>{"Inner"});
  // The last value or subkey going leaves the key itself.
  TRegValue V;
  V.Data = "v";
  ASSERT_TRUE(RegSetValue(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner", "V", V));
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"), std::vector<std::string>{"V"});
  ASSERT_TRUE(RegDeleteValue(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner", "V"));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"));
  ASSERT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Empty\\Inner"));
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\T\\Empty"));
  EXPECT_FALSE(RegCreateKey(HKEY_CLASSES_ROOT, ".html")) << "no store";
}

TEST(PlatformRegistry, FilesWrittenBeforeStillLoad) {
  // As the earlier store wrote it: groups and value names in their case, typed values.
  const std::string Path = RegistryFile(HKEY_LOCAL_MACHINE);
  {
    std::ofstream F(Path, std::ios::app);
    F << "\n[Legacy]\nOld\\Key\\Name=kept\nOld\\Key\\Count=dword:0000002a\nOld\\Key\\%40=default\n";
  }
  auto N = RegQueryValue(HKEY_LOCAL_MACHINE, "legacy\\old\\key", "name");
  ASSERT_TRUE(N);
  EXPECT_EQ(N->Data, "kept");
  auto C = RegQueryValue(HKEY_LOCAL_MACHINE, "Legacy\\Old\\Key", "Count");
  ASSERT_TRUE(C);
  EXPECT_EQ(C->DWord, 42u);
  auto D = RegQueryValue(HKEY_LOCAL_MACHINE, "Legacy\\Old\\Key", "");
  ASSERT_TRUE(D);
  EXPECT_EQ(D->Data, "default");
  EXPECT_EQ(RegValueNames(HKEY_LOCAL_MACHINE, "Legacy\\Old\\Key"), (std::vector<std::string>{"", "Count", "Name"}));
  EXPECT_TRUE(RegDeleteKey(HKEY_LOCAL_MACHINE, "Legacy"));
}

TEST(PlatformRegistry, AHandWrittenLineWithoutANameIsNotListed) {
  // "=2" names no value (the default value is "@"): listing it would name a value no query
  // finds. Every name listed must be readable.
  const std::string Path = RegistryFile(HKEY_CURRENT_USER);
  {
    std::ofstream F(Path, std::ios::app);
    F << "\n[HandEdited]\n=2\nx=1\n";
  }
  const auto Names = RegValueNames(HKEY_CURRENT_USER, "HandEdited");
  EXPECT_EQ(Names, (std::vector<std::string>{"x"}));
  for (const auto& N : Names) EXPECT_TRUE(RegQueryValue(HKEY_CURRENT_USER, "HandEdited", N)) << N;
  EXPECT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, "HandEdited"));
}

TEST(PlatformRegistry, NamesThatAreNoTextAreNotListed) {
  // "%UDF00" reads as half of a UTF-16 pair: no UTF-8 name reaches such a value or key, so
  // listing it would name something no query finds (found by fuzz_registry).
  const std::string Path = RegistryFile(HKEY_CURRENT_USER);
  {
    std::ofstream F(Path, std::ios::app);
    F << "\n[Odd]\n%UDF00x=1\ny=2\n[Odd/%UDF00k]\nz=3\n[Odd/k]\nw=4\n";
  }
  EXPECT_EQ(RegValueNames(HKEY_CURRENT_USER, "Odd"), (std::vector<std::string>{"y"}));
  EXPECT_EQ(RegSubKeyNames(HKEY_CURRENT_USER, "Odd"), (std::vector<std::string>{"k"}));
  EXPECT_TRUE(RegDeleteKey(HKEY_CURRENT_USER, "Odd"));
}
