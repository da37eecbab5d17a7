#include "platform/framework/Component.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace zu {

// ---------- class information ----------

bool TPropInfo::IsStored(const TPersistent& Instance) const {
  if (Kind == TPropKind::Object) return true;  // decided by whether it has anything to write
  if (Stored && !Stored(Instance)) return false;
  if (!Default) return true;
  return Get(Instance) != *Default;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
  std::vector<const TPropInfo*> R = Parent ? Parent->AllProperties() : std::vector<const TPropInfo*>();
  for (const auto& P : Properties) {
    // A redeclared property replaces the base class's one in its place.
    auto It = std::find_if(R.begin(), R.end(), [&](const TPropInfo* Q) { return Q->Name == P.Name; });
    if (It != R.end())
      *It = &P;
    else
      R.push_back(&P);
  }
  return R;
}

const TPropInfo* TClassInfo::FindProperty(const std::string& PropName) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    for (const auto& P : C->Properties)
      if (P.Name == PropName) return &P;
  return nullptr;
}

bool TClassInfo::HasEvent(const std::string& EventName) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    if (std::find(C->Events.begin(), C->Events.end(), EventName) != C->Events.end()) return true;
  return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo* Other) const {
  for (const TClassInfo* C = this; C; C = C->Parent)
    if (C == Other) return true;
  return false;
}

namespace {
std::mutex GClassesLock;
std::map<std::string, const TClassInfo*>& Classes() {
  static std::map<std::string, const TClassInfo*> M;
  return M;
}
}  // namespace

void RegisterClass(const TClassInfo& Info) {
  std::lock_guard<std::mutex> L(GClassesLock);
  Classes()[Info.Name] = &Info;
}

const TClassInfo* FindClass(const std::string& Name) {
  std::lock_guard<std::mutex> L(GClassesLock);
  auto It = Classes().find(Name);
  return It == Classes().end() ? nullptr : It->second;
}

// ---------- TPersistent ----------

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo Info("TPersistent", nullptr);
  return Info;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (!Source) {
    RestoreDefaults();
    return;
  }
  if (Source->AssignTo(this)) return;
  throw EConvertError("Cannot assign a " + Source->ClassName() + " to a " + ClassName());
}

void TPersistent::RestoreDefaults() {
  for (const TPropInfo* P : ClassInfo().AllProperties()) {
    if (P->Kind == TPropKind::Object) {
      if (TPersistent* Sub = P->Object(*this)) Sub->Assign(nullptr);
    } else if (P->Default && P->Set) {
      P->Set(*this, *P->Default);
    }
  }
}

// ---------- TComponent ----------

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClassInfo())
          .Str("Name", &TComponent::Name, &TComponent::SetName, std::string())
          .Int("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
  return Info;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Newest first; each removes itself from our list as it goes.
  while (!FComponents.empty()) {
    TComponent* C = FComponents.back();
    delete C;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FComponentState & csDestroying) return;
  FComponentState |= csDestroying;
  for (TComponent* C : FComponents) C->Destroying();
}

static bool IsIdentifier(const std::string& S) {
  if (S.empty()) return false;
  auto Alpha = [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; };
  if (!Alpha(S[0])) return false;
  for (char C : S)
    if (!Alpha(C) && !(C >= '0' && C <= '9')) return false;
  return true;
}

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName) return;
  if (!NewName.empty() && !IsIdentifier(NewName))
    throw EComponentError("''" + NewName + "'' is not a valid component name");
  if (!NewName.empty() && FOwner) {
    const TComponent* Other = FOwner->FindComponent(NewName);
    if (Other && Other != this) throw EComponentError("A component named " + NewName + " already exists");
  }
  FName = NewName;
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  FComponentState = Value ? (FComponentState | csDesigning) : (FComponentState & ~unsigned{csDesigning});
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* C : FComponents) {
    const std::string& N = C->Name();
    if (N.size() == AName.size() &&
        std::equal(N.begin(), N.end(), AName.begin(), [](char A, char B) { return std::tolower(static_cast<unsigned char>(A)) == std::tolower(static_cast<unsigned char>(B)); }))
      return C;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  if (IsDesigning()) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (It == FComponents.end()) return;
  if (!IsDestroying()) Notification(AComponent, opRemove);
  FComponents.erase(std::find(FComponents.begin(), FComponents.end(), AComponent));
  AComponent->FOwner = nullptr;
}

void TComponent::Loaded() { SetLoading(false); }

}  // namespace zu
