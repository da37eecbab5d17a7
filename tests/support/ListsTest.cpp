#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/framework/Application.h"
#include "platform/framework/Lists.h"
#include "platform/framework/Text.h"
#include "support/zuLists.h"
#include "support/zuRegistry.h"
#include "support/zuStreams.h"
#include "support/zuUtils.h"

using namespace zu;

namespace {

std::vector<std::string> Items(const TStrings& L) {
  std::vector<std::string> R;
  for (int I = 0; I < L.Count(); ++I) R.push_back(L.Strings(I));
  return R;
}

using V = std::vector<std::string>;

// Counts its instances and can tell whether it is still alive.
struct TCounted : TObject {
  explicit TCounted(int* ALive = nullptr) : Live(ALive) {
    if (Live) ++*Live;
  }
  ~TCounted() override {
    if (Live) --*Live;
  }
  int* Live;
};
struct TDerived : TCounted {
  using TCounted::TCounted;
};

struct TChangeCounter {
  int Changing = 0, Changed = 0;
  void Attach(TStringList& L) {
    L.OnChanging = [this](TObject*) { ++Changing; };
    L.OnChange = [this](TObject*) { ++Changed; };
  }
};

}  // namespace

// ---------- framework lists ----------

TEST(TList, NotifiesEveryNonNullPointerInAndOut) {
  struct TRecorder : TList {
    std::vector<std::pair<void*, TListNotification>> Log;
    void Notify(void* Ptr, TListNotification Action) override { Log.emplace_back(Ptr, Action); }
    ~TRecorder() override { Clear(); }
  };
  int A = 0, B = 0, C = 0;
  TRecorder L;
  L.Add(&A);
  L.Add(nullptr);
  L.Insert(0, &B);
  EXPECT_EQ(L.Count(), 3);
  EXPECT_EQ(L.Extract(&A), &A);
  EXPECT_EQ(L.Extract(&C), nullptr);
  L.SetItems(1, &C);  // replaces the null entry
  EXPECT_EQ(L.Remove(&B), 0);
  EXPECT_EQ(L.Remove(&B), -1);
  L.Clear();
  const std::vector<std::pair<void*, TListNotification>> Expected = {
      {&A, lnAdded}, {&B, lnAdded}, {&A, lnExtracted}, {&C, lnAdded}, {&B, lnDeleted}, {&C, lnDeleted}};
  EXPECT_EQ(L.Log, Expected);
  try {
    L.Items(0);
    FAIL();
  } catch (const EListError& E) {
    EXPECT_STREQ(E.what(), "List index out of bounds (0)");
  }
  EXPECT_THROW(L.Insert(1, &A), EListError);
}

TEST(StringList, SortedDuplicatesAndCase) {
  TStringList L;
  L.SetSorted(true);
  EXPECT_EQ(L.Add("pear"), 0);
  EXPECT_EQ(L.Add("apple"), 0);
  EXPECT_EQ(L.Add("Fig"), 1);
  EXPECT_EQ(Items(L), (V{"apple", "Fig", "pear"}));
  // dupIgnore: the index of the present item, nothing added (case-insensitive by default).
  EXPECT_EQ(L.Add("PEAR"), 2);
  EXPECT_EQ(L.Count(), 3);
  L.SetDuplicates(dupError);
  try {
    L.Add("apple");
    FAIL();
  } catch (const EStringListError& E) {
    EXPECT_STREQ(E.what(), "String list does not allow duplicates");
  }
  L.SetDuplicates(dupAccept);
  L.Add("apple");
  EXPECT_EQ(L.Count(), 4);
  EXPECT_THROW(L.Insert(0, "x"), EStringListError);
  EXPECT_THROW(L.SetStrings(0, "x"), EStringListError);
  EXPECT_EQ(L.IndexOf("FIG"), 2);

  // Switching to case-sensitive order re-sorts an already sorted list.
  TStringList C;
  C.SetSorted(true);
  C.SetDuplicates(dupAccept);
  for (const char* S : {"b", "B", "a", "A"}) C.Add(S);
  C.SetCaseSensitive(true);
  int Index;
  for (int I = 0; I + 1 < C.Count(); ++I) EXPECT_LT(LocaleCompare(C.Strings(I), C.Strings(I + 1), true), 0);
  EXPECT_TRUE(C.Find("B", Index));
  EXPECT_EQ(C.Strings(Index), "B");
  EXPECT_EQ(C.IndexOf("c"), -1);
  EXPECT_EQ(C.Count(), 4);
}

TEST(StringList, NamesValuesTextAndCommaText) {
  TStringList L;
  L.Add("Host=example.org");
  L.Add("plain");
  L.Add("Port=80=x");
  EXPECT_EQ(L.Names(0), "Host");
  EXPECT_EQ(L.Names(1), "");
  EXPECT_EQ(L.Values("port"), "80=x");
  EXPECT_EQ(L.IndexOfName("plain"), -1);
  L.SetValues("Port", "8080");
  L.SetValues("User", "me");
  L.SetValues("Host", "");  // an empty value deletes the item
  EXPECT_EQ(Items(L), (V{"plain", "Port=8080", "User=me"}));
  L.SetNameValueSeparator(':');
  EXPECT_EQ(L.Values("Port"), "");

  EXPECT_EQ(L.Text(), "plain\nPort=8080\nUser=me\n");
  L.SetLineBreak("\r\n");
  EXPECT_EQ(L.Text(), "plain\r\nPort=8080\r\nUser=me\r\n");
  L.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Items(L), (V{"a", "b", "c", "d", "", "e"}));

  L.Clear();
  for (const char* S : {"one", "two words", "say \"hi\"", "", "a,b"}) L.Add(S);
  const std::string Comma = L.CommaText();
  EXPECT_EQ(Comma, "one,\"two words\",\"say \"\"hi\"\"\",\"\",\"a,b\"");
  TStringList R;
  R.SetCommaText(Comma);
  EXPECT_EQ(Items(R), Items(L));
  R.SetCommaText("  x y,z,");  // blanks separate too; a trailing comma adds an empty item
  EXPECT_EQ(Items(R), (V{"x", "y", "z", ""}));
  R.Clear();
  R.Add("");
  EXPECT_EQ(R.CommaText(), "\"\"");
}

TEST(StringList, ChangeEventsUpdatesAssignAndStreams) {
  TStringList L;
  TChangeCounter N;
  N.Attach(L);
  L.Add("a");
  L.Delete(0);
  EXPECT_EQ(N.Changing, 2);
  EXPECT_EQ(N.Changed, 2);
  L.BeginUpdate();
  L.BeginUpdate();
  L.Add("x");
  L.Add("y");
  L.EndUpdate();
  EXPECT_EQ(N.Changed, 2);
  L.EndUpdate();
  EXPECT_EQ(N.Changing, 3);
  EXPECT_EQ(N.Changed, 3);

  TCounted O;
  TStringList Src;
  Src.AddObject("k=v", &O);
  Src.Add("z");
  L.Assign(Src);
  EXPECT_EQ(Items(L), (V{"k=v", "z"}));
  EXPECT_EQ(L.Objects(0), &O);
  EXPECT_EQ(N.Changed, 4) << "one notification for the whole assignment";
  L.Assign(L);
  EXPECT_EQ(L.Count(), 2) << "assigning a list to itself keeps it";

  TMemoryStream S;
  L.SaveToStream(S);
  S.SetPosition(0);
  TStringList R;
  R.LoadFromStream(S);
  EXPECT_TRUE(R.Equals(L));
}

// ---------- TzuStringList ----------

TEST(ZuStringList, MaxSizeAndFIFO) {
  TzuStringList L;
  TChangeCounter N;
  N.Attach(L);
  L.SetMaxSize(3);
  for (const char* S : {"a", "b", "c"}) L.Add(S);
  EXPECT_EQ(L.Add("d"), 2);
  EXPECT_EQ(Items(L), (V{"b", "c", "d"}));
  EXPECT_EQ(N.Changed, 4) << "the dropped item makes no notification of its own";
  L.SetMaxSize(1);
  EXPECT_EQ(Items(L), (V{"d"}));
  EXPECT_EQ(N.Changed, 4);
  EXPECT_EQ(L.GetFIFO(), "d");
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.GetFIFO(), "");

  // Sorted: the new item lands at its place in what remains after the drop.
  L.SetMaxSize(2);
  L.SetSorted(true);
  L.Add("m");
  L.Add("z");
  EXPECT_EQ(L.Add("a"), 0);
  EXPECT_EQ(Items(L), (V{"a", "z"}));
  EXPECT_EQ(L.Add("z"), 1) << "a duplicate is ignored before anything is dropped";
  EXPECT_EQ(Items(L), (V{"a", "z"}));

  L.SetMaxSize(0);
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.Add("x"), -1);
  L.SetMaxSize(-5);
  EXPECT_EQ(L.Add("x"), -1);
  EXPECT_EQ(L.Count(), 0);
  L.SetMaxSize(4);
  L.SetSorted(false);
  L.SetCommaText("1,2,3,4,5,6");  // every way of adding respects the limit
  EXPECT_EQ(Items(L), (V{"3", "4", "5", "6"}));
  EXPECT_EQ(L.GetAndDeleteItem(1), "4");
  EXPECT_THROW(L.GetAndDeleteItem(9), EStringListError);
}

TEST(ZuStringList, NamesAndValuesOnBothSides) {
  TzuStringList L;
  L.Add("a=b=c");
  L.Add("plain");
  EXPECT_EQ(L.GetNVSeparatorPos(0), 2);
  EXPECT_EQ(L.GetName(0), "a");
  EXPECT_EQ(L.GetValue(0), "b=c");
  L.SetNVSeparatorSide(nvsRight);
  EXPECT_EQ(L.GetNVSeparatorPos(0), 4);
  EXPECT_EQ(L.GetName(0), "a=b");
  EXPECT_EQ(L.GetValue(0), "c");
  EXPECT_EQ(L.GetName(1), "plain");
  EXPECT_EQ(L.GetValue(1), "plain");
  L.SetValue(0, "new value");
  EXPECT_EQ(L.Strings(0), "a=b=new value");
  L.SetName(1, "x");
  EXPECT_EQ(L.Strings(1), "plain") << "an item without separator stays";
  EXPECT_EQ(L.GetValueURLEncoded(0), "new%20value");

  L.Clear();
  L.SetNVSeparator(" :: ");
  L.SetNVSeparatorSide(nvsLeft);
  L.Add("Key One :: First Value");
  L.Add("key two :: second value");
  EXPECT_EQ(L.GetName(0), "Key One");
  EXPECT_EQ(L.GetValue(1), "second value");
  L.SetName(1, "Other");
  EXPECT_EQ(L.Strings(1), "Other :: second value");
  EXPECT_EQ(L.GetNameURLEncoded(0), "Key%20One");
  EXPECT_EQ(L.IndexOfName("key one", false), 0);
  EXPECT_EQ(L.IndexOfName("key one", true), -1);
  EXPECT_EQ(L.IndexOfValue("SECOND VALUE", false), 1);
  EXPECT_EQ(L.IndexOfNamePart("ONE", false), 0);
  EXPECT_EQ(L.IndexOfNamePart("ONE", true), -1);
  EXPECT_EQ(L.IndexOfValuePart("ond val", true), 1);
  EXPECT_EQ(L.IndexOfValuePart("", false), -1);
  L.SetNVSeparator("");
  EXPECT_EQ(L.GetNVSeparatorPos(0), 0);
  EXPECT_EQ(L.GetName(0), "Key One :: First Value");
}

TEST(ZuStringList, RegistryStoreAndLoad) {
  const std::string Key = "Software\\ZuTest\\ListRoundTrip";
  TzuStringList L;
  for (int I = 0; I < 12; ++I) L.Add("item " + std::to_string(I));
  L.StoreToRegistry(Key, HKEY_CURRENT_USER);
  TzuStringList Short;
  Short.Add("only");
  {
    // Storing through an open registry replaces every value of its key.
    TzuRegistry R(rlCurrentUser);
    ASSERT_TRUE(R.OpenKey(Key, false));
    R.WriteString("stale", "x");
    L.StoreToRegistry(&R);
    EXPECT_FALSE(R.ValueExists("stale"));
    EXPECT_EQ(R.ReadString("11"), "item 11");
  }

  TzuStringList Back;
  TChangeCounter N;
  N.Attach(Back);
  Back.LoadFromRegistry(Key, HKEY_CURRENT_USER);
  EXPECT_EQ(Items(Back), Items(L)) << "twelve items come back in their order";
  EXPECT_EQ(N.Changing, 1);
  EXPECT_EQ(N.Changed, 1);

  Short.StoreToRegistry(Key, HKEY_CURRENT_USER);
  Back.Clear();
  Back.LoadFromRegistry(Key, HKEY_CURRENT_USER);
  EXPECT_EQ(Items(Back), (V{"only"}));
  {
    // A registry opened for reading refuses the store before anything is deleted.
    TzuRegistry RO(rlCurrentUser, KEY_READ);
    ASSERT_TRUE(RO.OpenKey(Key, false));
    EXPECT_THROW(L.StoreToRegistry(&RO), ERegistryException);
    EXPECT_EQ(RO.ReadString("0"), "only");
  }

  Back.LoadFromRegistry("Software\\ZuTest\\NoSuchList", HKEY_CURRENT_USER);
  EXPECT_EQ(Items(Back), (V{"only"}));
  Back.StoreToRegistry(nullptr);
  Back.LoadFromRegistry(nullptr);
  EXPECT_EQ(Back.Count(), 1);

  // A value of another type fails the load, which still closes its notification bracket.
  TzuRegistry R(rlCurrentUser);
  ASSERT_TRUE(R.OpenKey(Key, false));
  R.WriteInteger("1", 5);
  EXPECT_THROW(Back.LoadFromRegistry(&R), ERegistryException);
  EXPECT_EQ(Back.UpdateCount(), 0);
}

TEST(ZuStringList, FreeingObjects) {
  int Live = 0;
  auto* L = new TzuStringList;
  auto* Shared = new TCounted(&Live);
  L->AddObject("a", new TCounted(&Live));
  L->AddObject("b", Shared);
  L->AddObject("c", Shared);
  L->AddObject("d", new TCounted(&Live));
  L->Add("no object");
  EXPECT_EQ(Live, 3);
  L->DeleteAndFreeObject(0);
  EXPECT_EQ(Live, 2);
  EXPECT_EQ(L->Count(), 4);
  L->ClearAndFreeObjects();  // the shared object is freed once
  EXPECT_EQ(Live, 0);
  EXPECT_EQ(L->Count(), 0);
  L->AddObject("e", new TCounted(&Live));
  L->FreeAndFreeObjects();
  EXPECT_EQ(Live, 0);
}

// ---------- TzuUniqueList / TzuObjectList ----------

TEST(ZuUniqueList, NoNullNoDuplicates) {
  int A = 0, B = 0;
  TzuUniqueList L;
  EXPECT_EQ(L.Add(&A), 0);
  EXPECT_EQ(L.Add(&A), -1);
  EXPECT_EQ(L.Add(nullptr), -1);
  L.Insert(0, &A);
  L.Insert(0, nullptr);
  L.Insert(0, &B);
  EXPECT_EQ(L.Count(), 2);
  EXPECT_EQ(L.Items(0), &B);
}

TEST(ZuObjectList, OwnershipDecidesFreeingUnlessTheCallerDoes) {
  int Live = 0;
  {
    TzuObjectList Owned;
    auto* A = new TCounted(&Live);
    auto* B = new TCounted(&Live);
    auto* C = new TCounted(&Live);
    auto* D = new TCounted(&Live);
    for (TCounted* O : {A, B, C, D}) Owned.Add(O);
    EXPECT_EQ(Owned.Add(A), -1) << "already present: not added and not freed";
    Owned.Delete(0);
    EXPECT_EQ(Live, 3);
    Owned.Delete(0, false);  // B leaves alive although the list owns it
    EXPECT_EQ(Live, 3);
    delete B;
    EXPECT_EQ(Owned.Extract(C), C);
    EXPECT_EQ(Live, 2);
    delete C;
    EXPECT_EQ(Owned.Remove(D), 0);
    EXPECT_EQ(Live, 0);
    Owned.Add(new TCounted(&Live));
  }
  EXPECT_EQ(Live, 0) << "the destructor frees what the list owns";

  TCounted Kept(&Live);
  TzuObjectList NotOwned(false);
  NotOwned.Add(&Kept);
  NotOwned.Clear();
  EXPECT_EQ(Live, 1);
  auto* E = new TCounted(&Live);
  NotOwned.Add(E);
  EXPECT_EQ(NotOwned.Remove(E, true), 0);
  EXPECT_EQ(Live, 1);
  EXPECT_EQ(NotOwned.Remove(E, true), -1);
}

TEST(ZuObjectList, MaxSizeAndRefusedItems) {
  struct TPicky : TzuObjectList {
    bool IsCanAddItem(TObject* Obj) override { return dynamic_cast<TDerived*>(Obj) == nullptr; }
  };
  int Live = 0;
  TPicky L;
  L.SetMaxSize(2);
  auto* A = new TCounted(&Live);
  auto* B = new TCounted(&Live);
  auto* C = new TCounted(&Live);
  EXPECT_EQ(L.Add(A), 0);
  EXPECT_EQ(L.Add(B), 1);
  EXPECT_EQ(L.Add(C), 1) << "the index after the oldest item went";
  EXPECT_EQ(Live, 2);
  EXPECT_EQ(L.Items(0), B);
  EXPECT_EQ(L.Add(new TDerived(&Live)), -1);
  EXPECT_EQ(Live, 2) << "a refused owned object is freed";
  L.Insert(0, new TDerived(&Live));
  EXPECT_EQ(Live, 2);
  L.SetMaxSize(0);
  L.Insert(0, new TCounted(&Live));
  L.Add(new TCounted(&Live));
  EXPECT_EQ(L.Count(), 4);
}

TEST(ZuObjectList, EventsFindAndStreams) {
  int Live = 0;
  TzuObjectList L;
  std::vector<std::string> Log;
  L.OnItemAdded = [&](TObject* Sender, TObject*) {
    EXPECT_EQ(Sender, &L);
    Log.push_back("added");
  };
  L.OnItemDeleted = [&](TObject*, TObject*) { Log.push_back("deleted live=" + std::to_string(Live)); };
  L.OnListChanged = [&](TObject*, void*, TListNotification Action) {
    Log.push_back("changed " + std::to_string(Action) + " live=" + std::to_string(Live));
  };
  L.OnListUpdated = [&](TObject*) { Log.push_back("updated"); };

  auto* A = new TCounted(&Live);
  L.Add(A);
  L.Delete(0);
  EXPECT_EQ(Log, (V{"added", "changed 0 live=1", "deleted live=1", "changed 2 live=1"}))
      << "handlers see a deleted object before it is freed";
  EXPECT_EQ(Live, 0);

  Log.clear();
  L.BeginUpdate();
  L.BeginUpdate();
  L.EndUpdate();
  L.EndUpdate();
  L.EndUpdate();
  EXPECT_EQ(Log, (V{"updated"}));

  Log.clear();
  L.Add(new TCounted(&Live));
  L.OnItemDeleted = [&](TObject*, TObject*) {
    L.BeginUpdate();
    L.EndUpdate();
  };
  L.Clear();
  EXPECT_EQ(Log, (V{"added", "changed 0 live=1", "changed 2 live=1"})) << "no update event while clearing";

  Log.clear();
  Application().SetDestroying(true);
  L.Add(new TCounted(&Live));
  L.Clear();
  Application().SetDestroying(false);
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(Live, 0) << "owned objects are still freed at the application's end";

  struct TItem : TzuListObject {
    explicit TItem(std::int32_t AValue) : Value(AValue) {}
    void SaveToStream(TStream& Stream) override { Stream.WriteBuffer(&Value, 4); }
    std::int32_t Value;
  };
  L.OnItemDeleted = nullptr;
  L.Add(new TItem(0x01020304));
  L.Add(new TCounted);
  L.Add(new TDerived);
  L.Add(new TItem(-1));
  EXPECT_EQ(L.FindInstanceOf<TCounted>(true), 1);
  EXPECT_EQ(L.FindInstanceOf<TCounted>(false, 2), 2);
  EXPECT_EQ(L.FindInstanceOf<TDerived>(true, 3), -1);
  EXPECT_EQ(L.FindInstanceOf<TzuListObject>(false, -4), 0);

  TzuMemoryStream S;
  L.SaveToStream(S);
  ASSERT_EQ(S.Size(), 12);
  const std::uint8_t Expected[12] = {4, 0, 0, 0, 4, 3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::memcmp(S.Memory(), Expected, 12), 0);

  struct TReader : TzuObjectList {
    int Calls = 0;
    void LoadItemFromStream(TStream& Stream) override {
      ++Calls;
      std::int32_t V;
      Stream.ReadBuffer(&V, 4);
      BeginUpdate();
      EndUpdate();
    }
  };
  TReader R;
  bool Updated = false;
  R.OnListUpdated = [&](TObject*) { Updated = true; };
  R.Add(new TCounted);
  S.SetPosition(0);
  S.SetSize(4 + 8);
  S.SetPosition(0);
  S.WriteInt(2);
  S.SetPosition(0);
  R.LoadFromStream(S, true);
  EXPECT_EQ(R.Calls, 2);
  EXPECT_EQ(R.Count(), 0);
  EXPECT_FALSE(Updated) << "no update event while loading";
}
