#include "platform/framework/Lists.h"

#include <algorithm>

#include "platform/framework/Text.h"

namespace zu {

namespace {

std::string IndexErrorText(int Index) {
  return "List index out of bounds (" + std::to_string(Index) + ")";
}

bool IsBlankOrControl(char C) {
  const auto B = static_cast<unsigned char>(C);
  return B >= 1 && B <= ' ';
}

}  // namespace

// ---------- TList ----------

TList::~TList() {
  // A descendant's Notify is gone by now: descendants clear themselves in their destructors.
  FList.clear();
}

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(IndexErrorText(Index));
}

int TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) throw EListError(IndexErrorText(Index));
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* Item = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (Item) Notify(Item, lnDeleted);
}

int TList::Remove(void* Item) {
  const int Index = IndexOf(Item);
  if (Index >= 0) Delete(Index);
  return Index;
}

void* TList::Extract(void* Item) {
  const int Index = IndexOf(Item);
  if (Index < 0) return nullptr;
  FList.erase(FList.begin() + Index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

void TList::Clear() {
  while (!FList.empty()) Delete(Count() - 1);
  FList.shrink_to_fit();
}

int TList::IndexOf(const void* Item) const {
  const auto It = std::find(FList.begin(), FList.end(), Item);
  return It == FList.end() ? -1 : static_cast<int>(It - FList.begin());
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* Old = FList[static_cast<size_t>(Index)];
  if (Old == Item) return;
  FList[static_cast<size_t>(Index)] = Item;
  if (Old) Notify(Old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* Item = FList[static_cast<size_t>(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, Item);
}

void TList::Pack() { FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end()); }

// ---------- TStrings ----------

int TStrings::Add(const std::string& S) {
  const int Result = Count();
  Insert(Result, S);
  return Result;
}

int TStrings::AddObject(const std::string& S, TObject* Obj) {
  const int Result = Add(S);
  if (Result >= 0) PutObject(Result, Obj);
  return Result;
}

void TStrings::AddStrings(const TStrings& Source) {
  BeginUpdate();
  try {
    for (int I = 0; I < Source.Count(); ++I) AddObject(Source.Get(I), Source.GetObject(I));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* Obj) {
  Insert(Index, S);
  PutObject(Index, Obj);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    const std::string S = Get(Index1);
    TObject* O = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, S);
    PutObject(Index2, O);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    const std::string S = Get(CurIndex);
    TObject* O = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, S, O);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* O = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, O);
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return LocaleCompare(S1, S2, false);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0; I < Count(); ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

int TStrings::IndexOfObject(const TObject* Obj) const {
  for (int I = 0; I < Count(); ++I)
    if (GetObject(I) == Obj) return I;
  return -1;
}

bool TStrings::Equals(const TStrings& Other) const {
  if (Count() != Other.Count()) return false;
  for (int I = 0; I < Count(); ++I)
    if (Get(I) != Other.Get(I)) return false;
  return true;
}

std::string TStrings::Names(int Index) const {
  const std::string S = Get(Index);
  const size_t P = S.find(FNameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(0, P);
}

std::string TStrings::ValueFromIndex(int Index) const {
  const std::string S = Get(Index);
  const size_t P = S.find(FNameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(P + 1);
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    const std::string S = Get(I);
    const size_t P = S.find(FNameValueSeparator);
    if (P != std::string::npos && CompareStrings(S.substr(0, P), Name) == 0) return I;
  }
  return -1;
}

std::string TStrings::Values(const std::string& Name) const {
  const int I = IndexOfName(Name);
  return I < 0 ? std::string() : ValueFromIndex(I);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int I = IndexOfName(Name);
  if (!Value.empty()) {
    const std::string Item = Name + FNameValueSeparator + Value;
    if (I < 0)
      Add(Item);
    else
      Put(I, Item);
  } else if (I >= 0) {
    Delete(I);
  }
}

std::string TStrings::Text() const {
  std::string R;
  for (int I = 0; I < Count(); ++I) R += Get(I) + FLineBreak;
  return R;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t Start = 0;
    while (Start < Value.size()) {
      size_t P = Start;
      while (P < Value.size() && Value[P] != '\r' && Value[P] != '\n') ++P;
      Add(Value.substr(Start, P - Start));
      if (P < Value.size() && Value[P] == '\r') ++P;
      if (P < Value.size() && Value[P] == '\n') ++P;
      Start = P;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  std::string R;
  for (int I = 0; I < Count(); ++I) {
    const std::string S = Get(I);
    if (I > 0) R += ',';
    const bool Quote = S.empty() || std::any_of(S.begin(), S.end(), [](char C) {
      return static_cast<unsigned char>(C) <= ' ' || C == '"' || C == ',';
    });
    if (!Quote) {
      R += S;
      continue;
    }
    R += '"';
    for (char C : S) {
      if (C == '"') R += '"';
      R += C;
    }
    R += '"';
  }
  return R;
}

void TStrings::SetCommaText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t P = 0;
    const size_t N = Value.size();
    auto SkipBlanks = [&] {
      while (P < N && IsBlankOrControl(Value[P])) ++P;
    };
    SkipBlanks();
    while (P < N) {
      std::string S;
      if (Value[P] == '"') {
        ++P;
        while (P < N) {
          if (Value[P] == '"') {
            if (P + 1 < N && Value[P + 1] == '"') {
              S += '"';
              P += 2;
              continue;
            }
            ++P;
            break;
          }
          S += Value[P++];
        }
      } else {
        const size_t Start = P;
        while (P < N && static_cast<unsigned char>(Value[P]) > ' ' && Value[P] != ',') ++P;
        S = Value.substr(Start, P - Start);
      }
      Add(S);
      SkipBlanks();
      if (P < N && Value[P] == ',') {
        if (P + 1 == N) Add(std::string());  // a trailing comma ends with an empty item
        ++P;
        SkipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(const TStrings& Source) {
  if (&Source == this) return;
  BeginUpdate();
  try {
    Clear();
    FNameValueSeparator = Source.FNameValueSeparator;
    FLineBreak = Source.FLineBreak;
    AddStrings(Source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromStream(TStream& Stream) {
  const std::int64_t N = Stream.Size() - Stream.Position();
  std::string S(static_cast<size_t>(std::max<std::int64_t>(N, 0)), '\0');
  if (!S.empty()) Stream.ReadBuffer(S.data(), static_cast<std::int64_t>(S.size()));
  SetText(S);
}

void TStrings::SaveToStream(TStream& Stream) const {
  const std::string S = Text();
  Stream.WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream F(FileName, fmOpenRead);
  LoadFromStream(F);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream F(FileName, fmCreate);
  SaveToStream(F);
}

// ---------- TStringList ----------

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EStringListError(IndexErrorText(Index));
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  // Called while the count still shows the update as open (0 -> 1) or already closed (1 -> 0).
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else {
    Changed();
  }
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* Obj) {
  int Result = Count();
  if (FSorted && Find(S, Result)) {
    if (FDuplicates == dupIgnore) return Result;
    if (FDuplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(Result, S, Obj);
  return Result;
}

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* Obj) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  if (Index < 0 || Index > Count()) throw EStringListError(IndexErrorText(Index));
  InsertItem(Index, S, Obj);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* Obj) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, Obj});
  Changed();
}

void TStringList::RemoveItem(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* Obj) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = Obj;
  Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return LocaleCompare(S1, S2, FCaseSensitive);
}

bool TStringList::Find(const std::string& S, int& Index) const {
  // Leftmost place whose item is not less than S; equal items keep their order before it.
  size_t L = 0, H = FList.size();
  while (L < H) {
    const size_t M = L + (H - L) / 2;
    if (CompareStrings(FList[M].FString, S) < 0)
      L = M + 1;
    else
      H = M;
  }
  Index = static_cast<int>(L);
  return L < FList.size() && CompareStrings(FList[L].FString, S) == 0;
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Index;
  return Find(S, Index) ? Index : -1;
}

void TStringList::SortItems() {
  if (FList.size() < 2) return;
  Changing();
  std::stable_sort(FList.begin(), FList.end(), [this](const TStringItem& A, const TStringItem& B) {
    return CompareStrings(A.FString, B.FString) < 0;
  });
  Changed();
}

void TStringList::Sort() { SortItems(); }

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) SortItems();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) SortItems();  // the order depends on the comparison
}

}  // namespace zu
