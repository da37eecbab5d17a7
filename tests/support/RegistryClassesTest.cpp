#include <gtest/gtest.h>

#include <QFont>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/framework/Font.h"
#include "platform/framework/Registry.h"
#include "platform/os/Registry.h"
#include "support/zuRegistry.h"
#include "support/zuUtils.h"

using namespace zu;

namespace {

std::vector<std::string> Items(const TStrings& L) {
  std::vector<std::string> R;
  for (int I = 0; I < L.Count(); ++I) R.push_back(L.Strings(I));
  return R;
}
using V = std::vector<std::string>;

std::string RegistryError(const std::function<void()>& F) {
  try {
    F();
  } catch (const ERegistryException& E) {
    return E.what();
  }
  return "(no error)";
}

}  // namespace

TEST(FrameworkRegistry, KeysPathsAndTypedValues) {
  TRegistry R;
  EXPECT_EQ(R.RootKey(), os::HKEY_CURRENT_USER);
  EXPECT_FALSE(R.OpenKey("Software\\ZuTest\\Reg", false));
  ASSERT_TRUE(R.OpenKey("\\Software\\ZuTest\\Reg\\", true));
  EXPECT_EQ(R.CurrentPath(), "Software\\ZuTest\\Reg");
  R.WriteString("Text", "hello");
  R.WriteInteger("Number", -7);
  R.WriteBool("Flag", true);
  const std::uint8_t Bin[3] = {0, 0xFF, 7};
  R.WriteBinaryData("Bin", Bin, 3);
  ASSERT_TRUE(R.OpenKey("Sub", true));  // relative to the open key
  EXPECT_EQ(R.CurrentPath(), "Software\\ZuTest\\Reg\\Sub");
  R.WriteString("", "default value");
  ASSERT_TRUE(R.OpenKey("\\Software\\ZuTest\\Reg", false));

  EXPECT_EQ(R.ReadString("Text"), "hello");
  EXPECT_EQ(R.ReadInteger("Number"), -7);
  EXPECT_TRUE(R.ReadBool("Flag"));
  std::uint8_t Buf[8] = {};
  EXPECT_EQ(R.ReadBinaryData("Bin", Buf, sizeof Buf), 3);
  EXPECT_EQ(Buf[1], 0xFF);
  EXPECT_EQ(R.ReadBinaryData("Missing", Buf, sizeof Buf), 0);
  EXPECT_EQ(R.GetDataSize("Bin"), 3);
  EXPECT_EQ(R.GetDataSize("Number"), 4);
  EXPECT_EQ(R.GetDataSize("Text"), 6);
  EXPECT_EQ(R.GetDataSize("Missing"), -1);
  EXPECT_EQ(R.GetDataType("Number"), rdInteger);
  EXPECT_EQ(R.ReadString("Missing"), "");
  EXPECT_TRUE(R.KeyExists("Sub"));
  EXPECT_TRUE(R.KeyExists("\\Software\\ZuTest\\Reg\\Sub"));
  EXPECT_FALSE(R.KeyExists("Nope"));
  EXPECT_TRUE(R.HasSubKeys());

  TStringList Names;
  R.GetValueNames(Names);
  Names.SetSorted(true);
  EXPECT_EQ(Items(Names), (V{"Bin", "Flag", "Number", "Text"}));
  R.GetKeyNames(Names);
  EXPECT_EQ(Items(Names), (V{"Sub"}));

  EXPECT_EQ(RegistryError([&] { R.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(RegistryError([&] { R.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(RegistryError([&] { R.ReadString("Number"); }), "Invalid data type for 'Number'");
  EXPECT_EQ(RegistryError([&] { R.ReadBinaryData("Bin", Buf, 2); }), "Invalid data type for 'Bin'");

  EXPECT_TRUE(R.DeleteValue("Flag"));
  EXPECT_FALSE(R.DeleteValue("Flag"));
  EXPECT_FALSE(R.ValueExists("Flag"));
  EXPECT_TRUE(R.DeleteKey("Sub"));
  EXPECT_FALSE(R.KeyExists("Sub"));
  EXPECT_FALSE(R.DeleteKey(""));

  // Read-only keys and a closed registry refuse writes.
  TRegistry RO;
  ASSERT_TRUE(RO.OpenKeyReadOnly("Software\\ZuTest\\Reg"));
  EXPECT_EQ(RO.Access(), static_cast<unsigned>(KEY_READ));
  EXPECT_EQ(RO.ReadString("Text"), "hello");
  EXPECT_EQ(RegistryError([&] { RO.WriteString("Text", "x"); }), "Failed to set data for 'Text'");
  EXPECT_FALSE(RO.DeleteValue("Text"));
  EXPECT_FALSE(RO.DeleteKey("\\Software\\ZuTest\\Reg"));
  EXPECT_TRUE(RO.KeyExists("\\Software\\ZuTest\\Reg"));
  RO.CloseKey();
  EXPECT_EQ(RO.CurrentPath(), "");
  EXPECT_EQ(RegistryError([&] {
    R.CloseKey();
    R.WriteInteger("N", 1);
  }), "Failed to set data for 'N'");

  TRegistry Classes;
  Classes.SetRootKey(os::HKEY_CLASSES_ROOT);
  EXPECT_FALSE(Classes.OpenKey("Software", true));
  EXPECT_EQ(RegistryError([&] { Classes.CreateKey("x"); }), "Failed to create key x");
}

TEST(FrameworkRegistry, CreatedKeysExistAndNamesIgnoreCase) {
  TRegistry R;
  EXPECT_TRUE(R.CreateKey("Software\\ZuTest\\Created"));
  EXPECT_TRUE(R.KeyExists("software\\zutest\\CREATED")) << "a key without values exists";
  ASSERT_TRUE(R.OpenKey("Software\\ZuTest\\Opened", true));
  R.CloseKey();
  EXPECT_TRUE(R.OpenKey("SOFTWARE\\ZUTEST\\OPENED", false));
  R.WriteString("Mixed", "m");
  ASSERT_TRUE(R.OpenKey("\\software\\zutest\\opened", false));
  EXPECT_EQ(R.ReadString("mixed"), "m");
  EXPECT_TRUE(R.ValueExists("MIXED"));
  EXPECT_TRUE(R.DeleteKey("\\Software\\ZuTest\\Created"));
  EXPECT_FALSE(R.KeyExists("\\Software\\ZuTest\\Created"));
}

TEST(ZuRegistry, ExFormsKeepDefaultsOut) {
  TzuRegistry R(rlCurrentUser);
  ASSERT_TRUE(R.OpenKey("Software\\ZuTest\\Ex", true));
  R.WriteIntegerEx("Count", 9, 5);
  EXPECT_EQ(R.ReadIntegerEx("Count", 7), 9);
  R.WriteIntegerEx("Count", 5, 5);
  EXPECT_FALSE(R.ValueExists("Count"));
  EXPECT_EQ(R.ReadIntegerEx("Count", 7), 7);

  R.WriteStringEx("Name", "zu");
  EXPECT_EQ(R.ReadStringEx("Name"), "zu");
  R.WriteStringEx("Name", "");
  EXPECT_FALSE(R.ValueExists("Name"));
  EXPECT_EQ(R.ReadStringEx("Name"), "");

  R.WriteBoolEx("On", true, false);
  EXPECT_TRUE(R.ReadBoolEx("On", false));
  R.WriteBoolEx("On", false, false);
  EXPECT_FALSE(R.ValueExists("On"));
  EXPECT_TRUE(R.ReadBoolEx("On", true));

  // The location picks the machine's store.
  TzuRegistry M(rlLocalMachine);
  EXPECT_EQ(M.RootKey(), os::HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(M.OpenKey("Software\\ZuTest\\Ex", true));
  M.WriteIntegerEx("Machine", 1, 0);
  EXPECT_TRUE(os::RegQueryValue(os::HKEY_LOCAL_MACHINE, "Software\\ZuTest\\Ex", "Machine").has_value());
  EXPECT_FALSE(R.ValueExists("Machine"));
  EXPECT_EQ(TzuRegistry(HKEY_LOCAL_MACHINE, KEY_READ).Access(), static_cast<unsigned>(KEY_READ));
}

TEST(ZuRegistry, FontsAndStylesAsBinaryValues) {
  TzuRegistry R(rlCurrentUser);
  ASSERT_TRUE(R.OpenKey("Software\\ZuTest\\Font", true));
  TFont F;
  F.SetName("Arial");
  F.SetSize(8);
  F.SetStyle({fsBold});
  F.SetColor(clBlack);
  R.WriteFont("Font", F);
  std::uint8_t Buf[32];
  ASSERT_EQ(R.ReadBinaryData("Font", Buf, sizeof Buf), 15);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(Buf), 15), std::string("\x05" "Arial\x08\0\0\0\x01\0\0\0\0", 15));

  TFont G;
  G.SetColor(0x123456);
  R.ReadFont("Font", G);
  EXPECT_TRUE(G.Equals(F));
  TFont Untouched;
  R.ReadFont("Missing", Untouched);
  EXPECT_TRUE(Untouched.Equals(TFont()));

  R.WriteFontStyles("Styles", {fsItalic, fsStrikeOut});
  EXPECT_EQ(R.GetDataSize("Styles"), 1);
  EXPECT_EQ(R.ReadFontStyles("Styles"), (TFontStyles{fsItalic, fsStrikeOut}));
  EXPECT_EQ(R.ReadFontStyles("Missing"), TFontStyles());
  const std::uint8_t Long[3] = {0x04, 0xFF, 0xFF};  // only the first byte counts
  R.WriteBinaryData("Long", Long, 3);
  EXPECT_EQ(R.ReadFontStyles("Long"), (TFontStyles{fsUnderline}));
}

TEST(IniFile, ValuesSectionsAndErrors) {
  zutest::TempDir D;
  TIniFile Ini(D.File("settings.ini"));
  EXPECT_EQ(Ini.ReadString("Main", "Name", "def"), "def");
  Ini.WriteString("Main", "Name", "  spaced, with comma ");
  Ini.WriteInteger("Main", "Count", -12);
  Ini.WriteBool("Main", "On", true);
  Ini.WriteString("Other", "Hex", "$1F");
  Ini.WriteString("Other", "Bad", "12x");
  EXPECT_EQ(Ini.ReadString("Main", "Name", ""), "  spaced, with comma ");
  EXPECT_EQ(Ini.ReadInteger("Main", "Count", 0), -12);
  EXPECT_TRUE(Ini.ReadBool("Main", "On", false));
  EXPECT_TRUE(Ini.ReadBool("Main", "Missing", true));
  EXPECT_EQ(Ini.ReadInteger("Other", "Hex", 0), 31);
  EXPECT_EQ(Ini.ReadInteger("Other", "Bad", 5), 5);
  EXPECT_TRUE(Ini.SectionExists("Main"));
  EXPECT_TRUE(Ini.ValueExists("Main", "Count"));
  EXPECT_FALSE(Ini.ValueExists("Main", "Nope"));

  TStringList L;
  Ini.ReadSections(L);
  EXPECT_EQ(Items(L), (V{"Main", "Other"}));
  Ini.ReadSection("Other", L);
  EXPECT_EQ(Items(L), (V{"Bad", "Hex"}));
  Ini.ReadSectionValues("Other", L);
  EXPECT_EQ(Items(L), (V{"Bad=12x", "Hex=$1F"}));

  Ini.DeleteKey("Main", "Count");
  EXPECT_FALSE(Ini.ValueExists("Main", "Count"));
  Ini.DeleteKey("Main", "");
  EXPECT_TRUE(Ini.SectionExists("Main")) << "an empty ident deletes nothing";
  Ini.EraseSection("Other");
  EXPECT_FALSE(Ini.SectionExists("Other"));
  EXPECT_TRUE(Ini.SectionExists("Main"));

  // A file written by hand is read as written.
  zutest::WriteFile(D.File("hand.ini"), "[General]\nTop=yes\n[App]\nList=a, b,c\nNum=0x10\nMy Key=1\n");
  TIniFile Hand(D.File("hand.ini"));
  EXPECT_EQ(Hand.ReadInteger("App", "Num", 0), 16);
  EXPECT_EQ(Hand.ReadString("App", "List", ""), "a, b, c");
  EXPECT_EQ(Hand.ReadString("General", "Top", ""), "yes");
  EXPECT_EQ(Hand.ReadInteger("App", "My Key", 0), 1);
  Hand.ReadSections(L);
  EXPECT_EQ(Items(L), (V{"General", "App"}));
  Hand.WriteString("General", "Top", "no");
  EXPECT_NE(zutest::ReadFile(D.File("hand.ini")).find("[General]\nTop=no"), std::string::npos);

  zutest::WriteFile(D.File("file"), "");
  TIniFile Bad(D.File("file") + "/x.ini");
  try {
    Bad.WriteString("S", "K", "V");
    FAIL();
  } catch (const EIniFileException& E) {
    EXPECT_EQ(E.Message(), "Unable to write to " + D.File("file") + "/x.ini");
  }
}

TEST(Font, ChangesAndTheQtEdge) {
  TFont F;
  int Changes = 0;
  F.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &F);
    ++Changes;
  };
  F.SetSize(8);
  F.SetName(F.Name());
  EXPECT_EQ(Changes, 0) << "unchanged values report nothing";
  F.SetSize(11);
  F.SetStyle({fsBold, fsUnderline});
  EXPECT_EQ(Changes, 2);
  TFont Same;
  Same.Assign(F);
  F.Assign(Same);
  EXPECT_EQ(Changes, 2);

  F.SetName("DejaVu Sans");
  const QFont Q = ToQFont(F);
  EXPECT_EQ(Q.family(), "DejaVu Sans");
  EXPECT_EQ(Q.pointSize(), 11);
  EXPECT_TRUE(Q.bold());
  EXPECT_TRUE(Q.underline());
  EXPECT_FALSE(Q.italic());
  TFont Back;
  Back.SetColor(0x00FF00);
  FromQFont(Q, Back);
  EXPECT_EQ(Back.Name(), "DejaVu Sans");
  EXPECT_EQ(Back.Size(), 11);
  EXPECT_EQ(Back.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(Back.Color(), 0x00FF00) << "a QFont has no colour to give";
}
