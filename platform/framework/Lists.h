// The framework's lists: the pointer list TList and the string lists TStrings / TStringList.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/Exceptions.h"
#include "platform/framework/Object.h"
#include "platform/framework/Streams.h"

namespace zu {

class EListError : public Exception { using Exception::Exception; };
class EStringListError : public Exception { using Exception::Exception; };

// ---------- pointer list ----------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// An ordered list of untyped pointers. Every non-null pointer that enters or leaves the list
// is reported to Notify, which descendants override to own or watch their items.
// Bad indexes raise EListError "List index out of bounds (%d)".
class TList : public TObject {
 public:
  TList() = default;
  ~TList() override;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);      // the index it had, or -1
  void* Extract(void* Item);   // removed without deletion; null when absent
  virtual void Clear();        // deletes every item, the last first
  int IndexOf(const void* Item) const;

  int Count() const { return static_cast<int>(FList.size()); }
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Pack();  // removes the null entries

  std::vector<void*>::const_iterator begin() const { return FList.begin(); }
  std::vector<void*>::const_iterator end() const { return FList.end(); }

 protected:
  virtual void Notify(void* Ptr, TListNotification Action) {}
  void CheckIndex(int Index) const;

 private:
  std::vector<void*> FList;
};

// ---------- string lists ----------

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The abstract string list: strings with an object slot each (not owned), name=value access,
// text and comma text, streaming and update brackets.
class TStrings : public TObject {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  virtual int Count() const = 0;
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* Obj) { PutObject(Index, Obj); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* Obj);
  void AddStrings(const TStrings& Source);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* Obj);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);

  virtual int IndexOf(const std::string& S) const;
  int IndexOfObject(const TObject* Obj) const;
  bool Equals(const TStrings& Other) const;

  // Name=value items, split at the first NameValueSeparator.
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }
  std::string Names(int Index) const;           // empty for an item without the separator
  std::string ValueFromIndex(int Index) const;  // empty for an item without the separator
  int IndexOfName(const std::string& Name) const;
  std::string Values(const std::string& Name) const;
  // An empty Value deletes the item; a missing name is appended.
  void SetValues(const std::string& Name, const std::string& Value);

  // Every item followed by LineBreak. SetText splits at CR LF, LF and CR.
  std::string Text() const;
  virtual void SetText(const std::string& Value);
  const std::string& LineBreak() const { return FLineBreak; }
  void SetLineBreak(const std::string& Value) { FLineBreak = Value; }
  // Items separated by commas; items with blanks, commas or quotes are double-quoted.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);

  // While an update is open the list reports no changes; the outermost EndUpdate does.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Copies the items, their objects, the separator and the line break.
  virtual void Assign(const TStrings& Source);

  // LoadFromStream reads from the current position to the end.
  virtual void LoadFromStream(TStream& Stream);
  virtual void SaveToStream(TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* GetObject(int Index) const { return nullptr; }
  virtual void PutObject(int Index, TObject* Obj) {}
  virtual void SetUpdateState(bool Updating) {}
  // Case-insensitive by the locale's rules unless a descendant says otherwise.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;

 private:
  int FUpdateCount = 0;
  char FNameValueSeparator = '=';
  std::string FLineBreak = "\n";
};

// The string list proper: optionally sorted (then Duplicates rules), case-insensitive unless
// CaseSensitive, with OnChanging before and OnChange after every change outside an update.
// Bad indexes raise EStringListError "List index out of bounds (%d)".
class TStringList : public TStrings {
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(FList.size()); }
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* Obj) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* Obj) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;

  // Binary search of a sorted list: true when S is present; Index is its (first) place, or
  // the place it would be inserted at.
  bool Find(const std::string& S, int& Index) const;
  int IndexOf(const std::string& S) const override;
  virtual void Sort();

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* Obj) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

  virtual void Changing();
  virtual void Changed();
  // Inserts with notifications; no sorted check.
  void InsertItem(int Index, const std::string& S, TObject* Obj);
  // Removes an item silently (no notifications), for descendants that trim themselves.
  void RemoveItem(int Index);
  void CheckIndex(int Index) const;

 private:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };
  void SortItems();

  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};

}  // namespace zu
