// The component model: persistent objects with published properties, components with an
// owner that frees them, a component state, and the class information that the form-data
// reader and writer use.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/framework/Exceptions.h"
#include "platform/framework/Object.h"
#include "platform/framework/Streams.h"

namespace zu {

class TPersistent;
class TComponent;
class TFiler;

// ---------- published properties ----------

enum class TPropKind { Integer, Boolean, String, Enum, Set, Float, Strings, Object };

// Integer, Enum (ordinal) and Set (bit mask) are held as int64.
using TPropValue = std::variant<std::monostate, std::int64_t, bool, double, std::string,
                                std::vector<std::string>>;

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  std::function<TPropValue(const TPersistent&)> Get;
  std::function<void(TPersistent&, const TPropValue&)> Set;
  std::function<TPersistent*(TPersistent&)> Object;  // Kind Object: the owned sub-object
  std::optional<TPropValue> Default;                 // none: always written
  std::function<bool(const TPersistent&)> Stored;    // store test; none: the default rule
  std::vector<std::string> Names;                    // Enum and Set element names

  // Whether the writer writes this property of Instance.
  bool IsStored(const TPersistent& Instance) const;
};

class TClassInfo {
 public:
  TClassInfo(std::string AName, const TClassInfo* AParent) : Name(std::move(AName)), Parent(AParent) {}
  std::string Name;
  const TClassInfo* Parent;
  std::vector<TPropInfo> Properties;  // declared by this class only
  std::vector<std::string> Events;    // event names, bound by name from form data
  // Creates an instance for the form-data reader; empty for classes not created from data.
  std::function<TComponent*(TComponent* Owner)> Create;

  // Every published property, the base classes' first.
  std::vector<const TPropInfo*> AllProperties() const;
  const TPropInfo* FindProperty(const std::string& PropName) const;
  bool HasEvent(const std::string& EventName) const;
  bool InheritsFrom(const TClassInfo* Other) const;
};

// Declares the class information of T with a fluent list of properties:
//   static const TClassInfo Info = TClassBuilder<T>("TName", &Base::StaticClassInfo())
//       .Int("Interval", &T::Interval, &T::SetInterval, 1000)
//       .Bool("Enabled", &T::Enabled, &T::SetEnabled, true);
template <class T>
class TClassBuilder {
 public:
  TClassBuilder(std::string Name, const TClassInfo* Parent) : FInfo(std::move(Name), Parent) {}
  operator TClassInfo() && { return std::move(FInfo); }

  template <class G, class S>
  TClassBuilder&& Int(const char* Name, G Get, S Set, std::optional<std::int64_t> Default = std::nullopt,
                      std::function<bool(const T&)> Stored = nullptr) && {
    return std::move(Add(Name, TPropKind::Integer, Default ? TPropValue(*Default) : TPropValue(),
                         [Get](const T& O) { return TPropValue(static_cast<std::int64_t>(std::invoke(Get, O))); },
                         [Set](T& O, const TPropValue& V) { InvokeSet(Set, O, std::get<std::int64_t>(V)); },
                         Stored));
  }
  template <class G, class S>
  TClassBuilder&& Bool(const char* Name, G Get, S Set, std::optional<bool> Default = std::nullopt,
                       std::function<bool(const T&)> Stored = nullptr) && {
    return std::move(Add(Name, TPropKind::Boolean, Default ? TPropValue(*Default) : TPropValue(),
                         [Get](const T& O) { return TPropValue(static_cast<bool>(std::invoke(Get, O))); },
                         [Set](T& O, const TPropValue& V) { std::invoke(Set, O, std::get<bool>(V)); }, Stored));
  }
  template <class G, class S>
  TClassBuilder&& Str(const char* Name, G Get, S Set, std::optional<std::string> Default = std::string(),
                      std::function<bool(const T&)> Stored = nullptr) && {
    return std::move(Add(Name, TPropKind::String, Default ? TPropValue(*Default) : TPropValue(),
                         [Get](const T& O) { return TPropValue(std::string(std::invoke(Get, O))); },
                         [Set](T& O, const TPropValue& V) { std::invoke(Set, O, std::get<std::string>(V)); },
                         Stored));
  }
  template <class G, class S>
  TClassBuilder&& Float(const char* Name, G Get, S Set, std::optional<double> Default = std::nullopt,
                        std::function<bool(const T&)> Stored = nullptr) && {
    return std::move(Add(Name, TPropKind::Float, Default ? TPropValue(*Default) : TPropValue(),
                         [Get](const T& O) { return TPropValue(static_cast<double>(std::invoke(Get, O))); },
                         [Set](T& O, const TPropValue& V) { InvokeSet(Set, O, std::get<double>(V)); }, Stored));
  }
  // An enumeration; Names in ordinal order.
  template <class G, class S, class E>
  TClassBuilder&& Enum(const char* Name, G Get, S Set, std::vector<std::string> Names,
                       std::optional<E> Default = std::nullopt,
                       std::function<bool(const T&)> Stored = nullptr) && {
    Add(Name, TPropKind::Enum, Default ? TPropValue(static_cast<std::int64_t>(*Default)) : TPropValue(),
        [Get](const T& O) { return TPropValue(static_cast<std::int64_t>(std::invoke(Get, O))); },
        [Set](T& O, const TPropValue& V) { InvokeSet(Set, O, std::get<std::int64_t>(V)); }, Stored);
    FInfo.Properties.back().Names = std::move(Names);
    return std::move(*this);
  }
  // A set held as a bit mask (bit i = element i of Names); Get/Set convert.
  template <class G, class S>
  TClassBuilder&& SetOf(const char* Name, G Get, S Set, std::vector<std::string> Names,
                        std::optional<std::int64_t> Default = std::nullopt,
                        std::function<bool(const T&)> Stored = nullptr) && {
    Add(Name, TPropKind::Set, Default ? TPropValue(*Default) : TPropValue(),
        [Get](const T& O) { return TPropValue(static_cast<std::int64_t>(std::invoke(Get, O))); },
        [Set](T& O, const TPropValue& V) { InvokeSet(Set, O, std::get<std::int64_t>(V)); }, Stored);
    FInfo.Properties.back().Names = std::move(Names);
    return std::move(*this);
  }
  // A list of strings: Get returns something iterable of strings, Set takes a vector.
  template <class G, class S>
  TClassBuilder&& Strings(const char* Name, G Get, S Set, std::function<bool(const T&)> Stored = nullptr) && {
    return std::move(Add(Name, TPropKind::Strings, TPropValue(std::vector<std::string>()),
                         [Get](const T& O) { return TPropValue(std::vector<std::string>(std::invoke(Get, O))); },
                         [Set](T& O, const TPropValue& V) { std::invoke(Set, O, std::get<std::vector<std::string>>(V)); },
                         Stored));
  }
  // An owned sub-object whose own published properties are written nested.
  template <class G>
  TClassBuilder&& Object(const char* Name, G Get) && {
    TPropInfo P;
    P.Name = Name;
    P.Kind = TPropKind::Object;
    P.Object = [Get](TPersistent& O) -> TPersistent* { return std::invoke(Get, static_cast<T&>(O)); };
    FInfo.Properties.push_back(std::move(P));
    return std::move(*this);
  }
  TClassBuilder&& Event(const char* Name) && {
    FInfo.Events.push_back(Name);
    return std::move(*this);
  }
  TClassBuilder&& Creatable() && {
    FInfo.Create = [](TComponent* Owner) -> TComponent* { return new T(Owner); };
    return std::move(*this);
  }

 private:
  template <class S, class V>
  static void InvokeSet(S Set, T& O, V Value) {
    using Arg = typename SetterArg<S>::type;
    std::invoke(Set, O, static_cast<Arg>(Value));
  }
  template <class S>
  struct SetterArg { using type = std::int64_t; };
  template <class C, class A>
  struct SetterArg<void (C::*)(A)> { using type = std::decay_t<A>; };

  TClassBuilder& Add(const char* Name, TPropKind Kind, TPropValue Default,
                     std::function<TPropValue(const T&)> Get, std::function<void(T&, const TPropValue&)> Set,
                     std::function<bool(const T&)> Stored) {
    TPropInfo P;
    P.Name = Name;
    P.Kind = Kind;
    if (!std::holds_alternative<std::monostate>(Default)) P.Default = std::move(Default);
    P.Get = [Get](const TPersistent& O) { return Get(static_cast<const T&>(O)); };
    P.Set = [Set](TPersistent& O, const TPropValue& V) { Set(static_cast<T&>(O), V); };
    if (Stored) P.Stored = [Stored](const TPersistent& O) { return Stored(static_cast<const T&>(O)); };
    FInfo.Properties.push_back(std::move(P));
    return *this;
  }
  TClassInfo FInfo;
};

// Every class with published properties declares ZU_CLASS_INFO in its body and defines
// StaticClassInfo() in its .cpp.
#define ZU_CLASS_INFO                                                    \
 public:                                                                 \
  static const ::zu::TClassInfo& StaticClassInfo();                      \
  const ::zu::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

// ---------- persistent objects ----------

class TPersistent : public TObject {
 public:
  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  std::string ClassName() const { return ClassInfo().Name; }

  // Copies Source into this object. A null Source restores every published default.
  // Classes that know their sources override it and fall back to this for the others,
  // which asks Source's AssignTo and raises EConvertError when nobody knows the pair.
  virtual void Assign(const TPersistent* Source);
  void RestoreDefaults();

  // Binary properties ("LInfo", "SFP", ...) are defined here for the filer.
  virtual void DefineProperties(TFiler& Filer) {}

 protected:
  virtual bool AssignTo(TPersistent* Dest) const { return false; }
};

// ---------- components ----------

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  // Frees every owned component, newest first, after marking them all as destroying.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  // Raises EComponentError for a name that is no identifier or is taken among the owner's.
  void SetName(const std::string& NewName);
  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t Value) { FTag = Value; }

  unsigned ComponentState() const { return FComponentState; }
  bool IsDesigning() const { return FComponentState & csDesigning; }
  bool IsLoading() const { return FComponentState & csLoading; }
  bool IsDestroying() const { return FComponentState & csDestroying; }
  void SetDesigning(bool Value, bool SetChildren = true);

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }
  TComponent* FindComponent(const std::string& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  // Called once after the form-data reader has read every property of this component.
  virtual void Loaded();
  // Told of components inserted into or removed from this owner.
  virtual void Notification(TComponent* AComponent, TOperation Operation) {}

  // Marks this component and everything it owns as being destroyed.
  void Destroying();

  // Event handlers bound by name from form data (kept for writing them back).
  const std::map<std::string, std::string>& EventBindings() const { return FEventBindings; }
  void SetEventBinding(const std::string& Event, const std::string& Method) { FEventBindings[Event] = Method; }
  // A root (a form) binds the method named MethodName to Target's event; false when it has
  // no such method.
  virtual bool BindEvent(TComponent* Target, const std::string& Event, const std::string& MethodName) {
    return false;
  }

 private:
  friend class TReader;
  void SetLoading(bool Value) {
    FComponentState = Value ? (FComponentState | csLoading) : (FComponentState & ~unsigned{csLoading});
  }

  TComponent* FOwner = nullptr;
  std::string FName;
  std::intptr_t FTag = 0;
  unsigned FComponentState = 0;
  std::vector<TComponent*> FComponents;
  std::map<std::string, std::string> FEventBindings;
};

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// Registers a class for the form-data reader (components it must create by class name).
void RegisterClass(const TClassInfo& Info);
const TClassInfo* FindClass(const std::string& Name);

}  // namespace zu
