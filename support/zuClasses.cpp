#include "support/zuClasses.h"

#include <algorithm>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Windows.h"

namespace zu {

namespace {

// Window timers take at most USER_TIMER_MAXIMUM (0x7FFFFFFF ms); longer intervals run as that.
int SystemTimerInterval(std::uint32_t Ms) { return static_cast<int>(std::min<std::uint32_t>(Ms, 0x7FFFFFFF)); }

}  // namespace

// ---------- TzuPersistent, TzuAddon ----------

const TClassInfo& TzuPersistent::StaticClassInfo() {
  static const TClassInfo Info("TzuPersistent", &TPersistent::StaticClassInfo());
  return Info;
}

const TClassInfo& TzuAddon::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TzuAddon>("TzuAddon", &TzuPersistent::StaticClassInfo())
                                     .Bool("Enabled", &TzuAddon::Enabled, &TzuAddon::SetEnabled, false);
  return Info;
}

void TzuAddon::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  EnabledChanged();
}

void TzuAddon::Assign(const TPersistent* Source) {
  if (const auto* A = dynamic_cast<const TzuAddon*>(Source)) {
    SetEnabled(A->Enabled());
    return;
  }
  TzuPersistent::Assign(Source);
}

// ---------- TzuHandlePersistent, TzuTimerPersistent ----------

std::intptr_t HiddenWindowDefault(const TMessage& Message) {
  return Message.Msg == WM_QUERYENDSESSION ? 1 : DefWindowProc(Message);
}

const TClassInfo& TzuHandlePersistent::StaticClassInfo() {
  static const TClassInfo Info("TzuHandlePersistent", &TzuPersistent::StaticClassInfo());
  return Info;
}

TzuHandlePersistent::TzuHandlePersistent(TComponent* AOwner)
    : TzuPersistent(AOwner), FHandle(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHandlePersistent::~TzuHandlePersistent() { DeallocateHWnd(FHandle); }

void TzuHandlePersistent::WndProc(TMessage& Message) {
  Message.Result = HiddenWindowDefault(Message);
}

const TClassInfo& TzuTimerPersistent::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuTimerPersistent>("TzuTimerPersistent", &TzuHandlePersistent::StaticClassInfo())
          .Bool("Enabled", &TzuTimerPersistent::Enabled, &TzuTimerPersistent::SetEnabled, true)
          .Int("Interval", &TzuTimerPersistent::Interval, &TzuTimerPersistent::SetInterval, 1000);
  return Info;
}

TzuTimerPersistent::TzuTimerPersistent(TComponent* AOwner) : TzuHandlePersistent(AOwner) {
  // Not virtual here: the object is only a TzuTimerPersistent while it is being built.
  TzuTimerPersistent::UpdateTimer();
}

TzuTimerPersistent::~TzuTimerPersistent() {
  FEnabled = false;
  KillTimer(Handle(), 1);
}

void TzuTimerPersistent::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TzuTimerPersistent::SetInterval(std::uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TzuTimerPersistent::UpdateTimer() {
  KillTimer(Handle(), 1);
  if (FInterval != 0 && FEnabled &&
      !SetTimer(Handle(), 1, SystemTimerInterval(FInterval)))
    throw EOutOfResources("Not enough timers available");
}

void TzuTimerPersistent::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == 1) {
    try {
      DoTimer();
    } catch (...) {
      Application().HandleCurrentException();
    }
    return;
  }
  TzuHandlePersistent::WndProc(Message);
}

// ---------- TzuComponent ----------

const TClassInfo& TzuComponent::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TzuComponent>("TzuComponent", &TComponent::StaticClassInfo())
          .Str("About", &TzuComponent::About, &TzuComponent::SetAbout, std::string(),
               [](const TzuComponent&) { return false; });
  return Info;
}

TzuComponent::TzuComponent(TComponent* AOwner) : TComponent(AOwner), FParent(ComponentWidget(AOwner)) {}

void TzuComponent::SetParent(QWidget* Control) {
  if (Control != FParent) FParent = Control;
}

QWidget* TzuComponent::GetParentForm() const { return IsForm(FParent) ? FParent : nullptr; }

// ---------- TzuLoginComponent ----------

const TClassInfo& TzuLoginComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuLoginComponent", &TzuComponent::StaticClassInfo());
  return Info;
}

bool TzuLoginComponent::SetLoginUserName(const std::string& Value) {
  if (Value.size() + FPassword.size() > MaxLoginInfo) return false;
  FUserName = Value;
  return true;
}

bool TzuLoginComponent::SetLoginPassword(const std::string& Value) {
  if (FUserName.size() + Value.size() > MaxLoginInfo) return false;
  FPassword = Value;
  return true;
}

std::string TzuLoginComponent::EncodeLoginInfo(const std::string& UserName, const std::string& Password) {
  // A count that wraps would store a cut record that reads back as other credentials.
  if (UserName.size() + Password.size() > MaxLoginInfo) return std::string();
  const auto N = static_cast<std::uint8_t>(UserName.size() + Password.size() + 1);
  std::string Block;
  Block += static_cast<char>(static_cast<std::uint8_t>(UserName.size()));
  Block += UserName;
  Block += Password;
  const auto Mask = static_cast<char>(N ^ LInfoKey);
  for (char& C : Block) C ^= Mask;
  return static_cast<char>(N) + Block;
}

bool TzuLoginComponent::DecodeLoginInfo(const std::string& Record, std::string& UserName, std::string& Password) {
  UserName.clear();
  Password.clear();
  if (Record.empty()) return false;
  const auto N = static_cast<std::uint8_t>(Record[0]);
  if (N == 0 || Record.size() < 1u + N) return false;
  std::string Block = Record.substr(1, N);
  const auto Mask = static_cast<char>(N ^ LInfoKey);
  for (char& C : Block) C ^= Mask;
  const auto U = static_cast<std::uint8_t>(Block[0]);
  if (U > N - 1) return false;
  UserName = Block.substr(1, U);
  Password = Block.substr(1 + U);
  return true;
}

void TzuLoginComponent::DefineProperties(TFiler& Filer) {
  TzuComponent::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      "LInfo", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); },
      !FUserName.empty() || !FPassword.empty());
}

void TzuLoginComponent::WriteData(TStream& Stream) const {
  const std::string R = EncodeLoginInfo(FUserName, FPassword);
  Stream.WriteBuffer(R.data(), static_cast<std::int64_t>(R.size()));  // one write of N + 1 bytes
}

void TzuLoginComponent::ReadData(TStream& Stream) {
  std::uint8_t N = 0;
  std::string Record;
  if (Stream.Read(&N, 1) == 1) {
    Record.assign(1, static_cast<char>(N));
    std::string Block(N, '\0');
    Block.resize(static_cast<size_t>(Stream.Read(Block.data(), N)));
    Record += Block;
  }
  DecodeLoginInfo(Record, FUserName, FPassword);
}

// ---------- TzuHandleComponent, TzuTimerComponent ----------

const TClassInfo& TzuHandleComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuHandleComponent", &TzuComponent::StaticClassInfo());
  return Info;
}

TzuHandleComponent::TzuHandleComponent(TComponent* AOwner)
    : TzuComponent(AOwner), FHandle(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHandleComponent::~TzuHandleComponent() {
  Destroying();
  DeallocateHWnd(FHandle);
}

void TzuHandleComponent::WndProc(TMessage& Message) {
  Message.Result = HiddenWindowDefault(Message);
}

const TClassInfo& TzuTimerComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuTimerComponent", &TzuHandleComponent::StaticClassInfo());
  return Info;
}

TzuTimerComponent::~TzuTimerComponent() {
  Destroying();
  KillTimer(Handle(), 1);
}

void TzuTimerComponent::SetMonitorActive(bool Value) {
  if (Value == FMonitorActive) return;
  FMonitorActive = Value;
  UpdateTimer();
}

void TzuTimerComponent::SetMonitorInterval(std::int32_t Value) {
  if (Value == FMonitorInterval) return;
  FMonitorInterval = Value;
  UpdateTimer();
}

bool TzuTimerComponent::IsActive() const { return !IsDestroying() && FMonitorActive && FMonitorInterval != 0; }

void TzuTimerComponent::Loaded() {
  TzuHandleComponent::Loaded();
  UpdateTimer();
}

void TzuTimerComponent::UpdateTimer() {
  if (IsDesigning() || IsLoading()) return;
  KillTimer(Handle(), 1);
  // The system takes the interval unsigned: a negative one is a very long one, not an error.
  if (IsActive() && !SetTimer(Handle(), 1, SystemTimerInterval(static_cast<std::uint32_t>(FMonitorInterval))))
    throw EOutOfResources("Not enough timers available");
}

void TzuTimerComponent::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == 1 && !IsDestroying()) {
    try {
      DoTimer();
    } catch (...) {
      Application().HandleCurrentException();
    }
    return;
  }
  TzuHandleComponent::WndProc(Message);
}

}  // namespace zu
