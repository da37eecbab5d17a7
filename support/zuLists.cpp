#include "support/zuLists.h"

#include <algorithm>
#include <vector>

#include "platform/framework/Application.h"
#include "platform/framework/Text.h"
#include "support/zuRegistry.h"
#include "support/zuUtils.h"

namespace zu {

namespace {

bool Contains(const std::string& S, const std::string& Text, bool CaseSensitive) {
  if (Text.empty()) return false;
  if (CaseSensitive) return S.find(Text) != std::string::npos;
  return LocaleLowerCase(S).find(LocaleLowerCase(Text)) != std::string::npos;
}

bool IsNumber(const std::string& S) {
  return !S.empty() && std::all_of(S.begin(), S.end(), [](char C) { return C >= '0' && C <= '9'; });
}

// Numbers of any length compare by value: fewer significant digits first, then digit by digit.
bool NumberLess(const std::string& A, const std::string& B) {
  const std::string X = A.substr(std::min(A.find_first_not_of('0'), A.size()));
  const std::string Y = B.substr(std::min(B.find_first_not_of('0'), B.size()));
  return X.size() != Y.size() ? X.size() < Y.size() : X < Y;
}

// Closes an update bracket also when a load fails half-way.
class TUpdateScope {
 public:
  explicit TUpdateScope(TStrings& S) : FStrings(S) { FStrings.BeginUpdate(); }
  ~TUpdateScope() { FStrings.EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

 private:
  TStrings& FStrings;
};

class TFlagScope {
 public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

// ---------- TzuStringList ----------

int TzuStringList::AddObject(const std::string& S, TObject* Obj) {
  if (FMaxSize <= 0) return -1;
  int Result = Count();
  if (Sorted() && Find(S, Result)) {
    if (Duplicates() == dupIgnore) return Result;
    if (Duplicates() == dupError) throw EStringListError("String list does not allow duplicates");
  }
  if (Count() >= FMaxSize) {
    while (Count() >= FMaxSize) RemoveItem(0);
    Result = Count();
    if (Sorted()) Find(S, Result);  // the place moved with the dropped item
  }
  InsertItem(Result, S, Obj);
  return Result;
}

void TzuStringList::SetMaxSize(int Value) {
  if (Value == FMaxSize) return;
  while (Count() > std::max(Value, 0)) RemoveItem(0);
  FMaxSize = Value;
}

std::string TzuStringList::GetFIFO() {
  if (Count() == 0) return std::string();
  return GetAndDeleteItem(0);
}

std::string TzuStringList::GetAndDeleteItem(int Index) {
  std::string S = Get(Index);
  Delete(Index);
  return S;
}

int TzuStringList::GetNVSeparatorPos(int Index) const {
  const std::string S = Get(Index);
  if (FNVSeparator.empty()) return 0;
  if (FNVSeparatorSide == nvsRight) return PosR(FNVSeparator, S);
  const size_t P = S.find(FNVSeparator);
  return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

std::string TzuStringList::GetName(int Index) const {
  const int P = GetNVSeparatorPos(Index);
  const std::string S = Get(Index);
  return P == 0 ? S : S.substr(0, static_cast<size_t>(P - 1));
}

std::string TzuStringList::GetValue(int Index) const {
  const int P = GetNVSeparatorPos(Index);
  const std::string S = Get(Index);
  return P == 0 ? S : S.substr(static_cast<size_t>(P - 1) + FNVSeparator.size());
}

void TzuStringList::SetName(int Index, const std::string& Name) {
  if (GetNVSeparatorPos(Index) == 0) return;
  Put(Index, Name + FNVSeparator + GetValue(Index));
}

void TzuStringList::SetValue(int Index, const std::string& Value) {
  if (GetNVSeparatorPos(Index) == 0) return;
  Put(Index, GetName(Index) + FNVSeparator + Value);
}

std::string TzuStringList::GetNameURLEncoded(int Index) const { return URLEncode(GetName(Index)); }

std::string TzuStringList::GetValueURLEncoded(int Index) const { return URLEncode(GetValue(Index)); }

int TzuStringList::IndexOfName(const std::string& Name, bool CaseSensitive) const {
  for (int I = 0; I < Count(); ++I)
    if (CaseAnsiCompareText(GetName(I), Name, CaseSensitive) == 0) return I;
  return -1;
}

int TzuStringList::IndexOfValue(const std::string& Value, bool CaseSensitive) const {
  for (int I = 0; I < Count(); ++I)
    if (CaseAnsiCompareText(GetValue(I), Value, CaseSensitive) == 0) return I;
  return -1;
}

int TzuStringList::IndexOfNamePart(const std::string& Text, bool CaseSensitive) const {
  for (int I = 0; I < Count(); ++I)
    if (Contains(GetName(I), Text, CaseSensitive)) return I;
  return -1;
}

int TzuStringList::IndexOfValuePart(const std::string& Text, bool CaseSensitive) const {
  for (int I = 0; I < Count(); ++I)
    if (Contains(GetValue(I), Text, CaseSensitive)) return I;
  return -1;
}

void TzuStringList::StoreToRegistry(TRegistry* Registry) {
  if (!Registry) return;
  const std::string Key = "\\" + Registry->CurrentPath();
  if (!Registry->CurrentPath().empty()) {  // never the whole root
    Registry->DeleteKey(Key);
    Registry->CreateKey(Key);
  }
  for (int I = 0; I < Count(); ++I) Registry->WriteString(std::to_string(I), Get(I));
}

void TzuStringList::StoreToRegistry(const std::string& Key, os::HKEY Root) {
  TzuRegistry Registry(Root);
  Registry.DeleteKey(Key);
  if (Registry.OpenKey(Key, true)) StoreToRegistry(&Registry);
}

void TzuStringList::LoadFromRegistry(TRegistry* Registry) {
  if (!Registry) return;
  TStringList Names;
  Registry->GetValueNames(Names);
  std::vector<std::string> Order;
  for (int I = 0; I < Names.Count(); ++I) Order.push_back(Names.Strings(I));
  // The store enumerates its values alphabetically ("10" before "2"): numbered values are
  // taken in numeric order, the others after them in the store's order.
  std::stable_sort(Order.begin(), Order.end(), [](const std::string& A, const std::string& B) {
    const bool NA = IsNumber(A), NB = IsNumber(B);
    if (NA != NB) return NA;
    return NA && NumberLess(A, B);
  });
  TUpdateScope Update(*this);  // one OnChanging before, one OnChange after
  for (const std::string& Name : Order) Add(Registry->ReadString(Name));
}

void TzuStringList::LoadFromRegistry(const std::string& Key, os::HKEY Root) {
  TzuRegistry Registry(Root, KEY_READ);
  if (Registry.OpenKey(Key, false)) LoadFromRegistry(&Registry);
}

void TzuStringList::DeleteAndFreeObject(int Index) {
  TObject* Obj = Objects(Index);
  Delete(Index);
  delete Obj;
}

void TzuStringList::ClearAndFreeObjects() {
  std::vector<TObject*> Objs;
  for (int I = 0; I < Count(); ++I)
    if (TObject* O = Objects(I); O && std::find(Objs.begin(), Objs.end(), O) == Objs.end())
      Objs.push_back(O);
  Clear();
  for (TObject* O : Objs) delete O;
}

void TzuStringList::FreeAndFreeObjects() {
  ClearAndFreeObjects();
  delete this;
}

// ---------- TzuUniqueList ----------

int TzuUniqueList::Add(void* P) {
  if (!P || IndexOf(P) >= 0) return -1;
  return TList::Add(P);
}

void TzuUniqueList::Insert(int Index, void* P) {
  if (!P || IndexOf(P) >= 0) return;
  TList::Insert(Index, P);
}

// ---------- TzuObjectList ----------

TzuObjectList::~TzuObjectList() {
  FDestroying = true;
  Clear();
}

bool TzuObjectList::EventsAllowed() const { return !FDestroying && !Application().Destroying(); }

void TzuObjectList::Notify(void* Ptr, TListNotification Action) {
  auto* Obj = static_cast<TObject*>(Ptr);
  const int Mode = FFreeOnDelete;
  FFreeOnDelete = -1;  // a delete from inside a handler decides for itself
  const bool Free = Action == lnDeleted && (Mode < 0 ? FOwnsObjects : Mode == 1);
  // The object goes after the handlers saw it, also when one of them throws.
  struct TFreeGuard {
    TObject* O;
    ~TFreeGuard() { delete O; }
  } Guard{Free ? Obj : nullptr};
  if (!EventsAllowed()) return;
  if (Action == lnAdded) {
    if (OnItemAdded) OnItemAdded(this, Obj);
  } else if (OnItemDeleted) {
    OnItemDeleted(this, Obj);
  }
  if (OnListChanged) OnListChanged(this, Ptr, Action);
}

int TzuObjectList::Add(TObject* Obj) {
  if (!Obj || IndexOf(Obj) >= 0) return -1;
  if (!IsCanAddItem(Obj)) {
    if (FOwnsObjects) delete Obj;
    return -1;
  }
  TzuUniqueList::Add(Obj);
  while (FMaxSize > 0 && Count() > FMaxSize) TList::Delete(0);
  return IndexOf(Obj);
}

void TzuObjectList::Insert(int Index, TObject* Obj) {
  if (!Obj || IndexOf(Obj) >= 0) return;
  if (!IsCanAddItem(Obj)) {
    if (FOwnsObjects) delete Obj;
    return;
  }
  TzuUniqueList::Insert(Index, Obj);
}

void TzuObjectList::DeleteOrExtract(int Index, bool FreeIt) {
  CheckIndex(Index);
  FFreeOnDelete = FreeIt ? 1 : 0;
  try {
    TList::Delete(Index);
  } catch (...) {
    FFreeOnDelete = -1;
    throw;
  }
  FFreeOnDelete = -1;
}

void TzuObjectList::Delete(int Index, bool FreeIt) { DeleteOrExtract(Index, FreeIt); }

int TzuObjectList::Remove(TObject* Obj, bool FreeIt) {
  const int Index = IndexOf(Obj);
  if (Index >= 0) DeleteOrExtract(Index, FreeIt);
  return Index;
}

void TzuObjectList::Clear() {
  TFlagScope Clearing(FClearing);
  TList::Clear();
}

void TzuObjectList::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && !FLoading && !FClearing && EventsAllowed() && OnListUpdated)
    OnListUpdated(this);
}

void TzuObjectList::SaveToStream(TStream& Stream) {
  const auto N = static_cast<std::uint32_t>(Count());
  const std::uint8_t B[4] = {static_cast<std::uint8_t>(N), static_cast<std::uint8_t>(N >> 8),
                             static_cast<std::uint8_t>(N >> 16), static_cast<std::uint8_t>(N >> 24)};
  Stream.WriteBuffer(B, 4);
  for (int I = 0; I < Count(); ++I)
    if (auto* Item = dynamic_cast<TzuListObject*>(Items(I))) Item->SaveToStream(Stream);
}

void TzuObjectList::LoadFromStream(TStream& Stream, bool Clear) {
  TFlagScope Loading(FLoading);
  if (Clear) TzuObjectList::Clear();
  std::uint8_t B[4];
  Stream.ReadBuffer(B, 4);
  const auto N = static_cast<std::int32_t>(static_cast<std::uint32_t>(B[0]) | (static_cast<std::uint32_t>(B[1]) << 8) |
                                           (static_cast<std::uint32_t>(B[2]) << 16) |
                                           (static_cast<std::uint32_t>(B[3]) << 24));
  for (std::int32_t I = 0; I < N; ++I) LoadItemFromStream(Stream);
}

}  // namespace zu
