// zuLists: the string list with a size limit, name/value access and registry storage, the
// unique pointer list and the object list that may own its objects.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <typeinfo>

#include "platform/framework/Lists.h"
#include "platform/framework/Object.h"
#include "platform/framework/Registry.h"
#include "platform/framework/Streams.h"

namespace zu {

// ---------- TzuStringList ----------

enum TzuStringListNVSeparatorSide { nvsLeft, nvsRight };

// A string list of at most MaxSize items: adding to a full list drops the first item. Names
// and values split each item at NVSeparator, its first occurrence (nvsLeft) or its last
// (nvsRight). The objects are not owned unless a "...FreeObject(s)" operation says so.
class TzuStringList : public TStringList {
 public:
  TzuStringList() = default;

  // Add goes through here too: nothing (-1) when MaxSize is 0; a sorted list applies the
  // Duplicates rule first; a full list drops its first item without change notifications.
  int AddObject(const std::string& S, TObject* Obj) override;

  int MaxSize() const { return FMaxSize; }
  void SetMaxSize(int Value);  // drops first items silently while more than Value remain
  const std::string& NVSeparator() const { return FNVSeparator; }
  void SetNVSeparator(const std::string& Value) { FNVSeparator = Value; }
  TzuStringListNVSeparatorSide NVSeparatorSide() const { return FNVSeparatorSide; }
  void SetNVSeparatorSide(TzuStringListNVSeparatorSide Value) { FNVSeparatorSide = Value; }

  std::string GetFIFO();  // removes and returns the first item; empty for an empty list
  std::string GetAndDeleteItem(int Index);

  // 1-based position of the separator in item Index; 0 when it has none.
  int GetNVSeparatorPos(int Index) const;
  // The whole item when it has no separator.
  std::string GetName(int Index) const;
  std::string GetValue(int Index) const;
  // Rebuild the item as name + separator + value; nothing for an item without separator.
  void SetName(int Index, const std::string& Name);
  void SetValue(int Index, const std::string& Value);
  std::string GetNameURLEncoded(int Index) const;
  std::string GetValueURLEncoded(int Index) const;

  using TStrings::IndexOfName;
  // Whole names (values) compared by the locale's rules; -1 when none.
  int IndexOfName(const std::string& Name, bool CaseSensitive) const;
  int IndexOfValue(const std::string& Value, bool CaseSensitive) const;
  // Names (values) containing Text; -1 when none (also for an empty Text).
  int IndexOfNamePart(const std::string& Text, bool CaseSensitive) const;
  int IndexOfValuePart(const std::string& Text, bool CaseSensitive) const;

  // Replaces the registry's open key by the items, as string values "0", "1", ...
  void StoreToRegistry(TRegistry* Registry);
  void StoreToRegistry(const std::string& Key, os::HKEY Root);
  // Adds every string value of the registry's open key; values named by numbers come in
  // numeric order, so what StoreToRegistry wrote comes back in its order.
  void LoadFromRegistry(TRegistry* Registry);
  void LoadFromRegistry(const std::string& Key, os::HKEY Root);

  // Delete items and free the objects attached to them (each distinct object once).
  void DeleteAndFreeObject(int Index);
  void ClearAndFreeObjects();
  // Also frees the list itself, which must have been created with new.
  void FreeAndFreeObjects();

 private:
  std::string FNVSeparator = "=";
  TzuStringListNVSeparatorSide FNVSeparatorSide = nvsLeft;
  int FMaxSize = INT_MAX;
};

// ---------- TzuUniqueList ----------

// A pointer list that holds no null and no pointer twice.
class TzuUniqueList : public TList {
 public:
  int Add(void* P);                 // -1 for null or a pointer already present
  void Insert(int Index, void* P);  // ignores null and a pointer already present
};

// ---------- TzuObjectList ----------

// An item of an object list that writes itself into the list's stream.
class TzuListObject : public TObject {
 public:
  virtual void SaveToStream(TStream& Stream) = 0;
};

using TzuListItemEvent = std::function<void(TObject* Sender, TObject* Item)>;
using TzuListChangedEvent = std::function<void(TObject* Sender, void* Ptr, TListNotification Action)>;

// A unique list of objects, owned when OwnsObjects: deleting an item frees it, extracting it
// does not. Events fire for every item added and removed, never while the application or
// the list itself is being destroyed.
class TzuObjectList : public TzuUniqueList {
 public:
  explicit TzuObjectList(bool AOwnsObjects = true, TObject* AOwner = nullptr)
      : FOwner(AOwner), FOwnsObjects(AOwnsObjects) {}
  ~TzuObjectList() override;

  // When IsCanAddItem agrees: the unique add, then the oldest items go while more than
  // MaxSize remain. Returns the index Obj ends at; -1 when refused (an owned Obj is freed),
  // null or already present.
  int Add(TObject* Obj);
  void Insert(int Index, TObject* Obj);
  // Remove one item; FreeIt decides whether the object is freed, whatever the ownership.
  // Without FreeIt, OwnsObjects decides.
  int Remove(TObject* Obj, bool FreeIt);
  void Delete(int Index, bool FreeIt);
  using TList::Delete;
  using TList::Remove;
  void Clear() override;
  int IndexOf(const TObject* Obj) const { return TList::IndexOf(Obj); }
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }

  // First index from StartIndex on whose object is a T (Exact) or derives from T; -1 if none.
  template <class T>
  int FindInstanceOf(bool Exact, int StartIndex = 0) const {
    for (int I = StartIndex < 0 ? 0 : StartIndex; I < Count(); ++I) {
      const TObject* O = Items(I);
      if (Exact ? typeid(*O) == typeid(T) : dynamic_cast<const T*>(O) != nullptr) return I;
    }
    return -1;
  }

  // EndUpdate of the outermost update fires OnListUpdated, unless a load or clear runs.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
  int MaxSize() const { return FMaxSize; }
  void SetMaxSize(int Value) { FMaxSize = Value; }  // 0: unlimited; applied on the next Add
  TObject* Owner() const { return FOwner; }

  // The item count (4 bytes, little-endian), then every TzuListObject item writes itself.
  virtual void SaveToStream(TStream& Stream);
  // Reads the count and calls LoadItemFromStream that many times.
  virtual void LoadFromStream(TStream& Stream, bool Clear);

  TzuListItemEvent OnItemAdded;
  TzuListItemEvent OnItemDeleted;
  TzuListChangedEvent OnListChanged;
  TNotifyEvent OnListUpdated;

 protected:
  virtual bool IsCanAddItem(TObject* Obj) { return true; }
  virtual void LoadItemFromStream(TStream& Stream) {}
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool EventsAllowed() const;
  void DeleteOrExtract(int Index, bool FreeIt);

  TObject* FOwner;
  bool FOwnsObjects;
  int FMaxSize = 0;
  int FUpdateCount = 0;
  bool FLoading = false;
  bool FClearing = false;
  bool FDestroying = false;
  int FFreeOnDelete = -1;  // -1: as OwnsObjects says; 0/1: the caller's FreeIt
};

}  // namespace zu
