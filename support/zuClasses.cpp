#include "support/zuClasses.h"

#include <algorithm>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Windows.h"

namespace zu {

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

const TClassInfo& TzuHandlePersistent::StaticClassInfo() {
  static const TClassInfo Info("TzuHandlePersistent", &TzuPersistent::StaticClassInfo());
  return Info;
}

TzuHandlePersistent::TzuHandlePersistent(TComponent* AOwner)
    : TzuPersistent(AOwner), FHandle(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHandlePersistent::~TzuHandlePersistent() { DeallocateHWnd(FHandle); }

void TzuHandlePersistent::WndProc(TMessage& Message) {
  Message.Result = Message.Msg == WM_QUERYENDSESSION ? 1 : DefWindowProc(Message);
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
      !SetTimer(Handle(), 1, static_cast<int>(std::min<std::uint32_t>(FInterval, 0x7FFFFFFF))))
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

void TzuComponent::ShowParentForm() {
  if (QWidget* F = GetParentForm()) RestoreAndRaise(F);
}

std::string TzuComponent::GetParentFormCaption() const {
  QWidget* F = GetParentForm();
  return F ? WidgetCaption(F) : std::string();
}

void TzuComponent::SetParentFormCaption(const std::string& Text) {
  if (QWidget* F = GetParentForm()) SetWidgetCaption(F, Text);
}

// ---------- TzuLoginComponent ----------

const TClassInfo& TzuLoginComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuLoginComponent", &TzuComponent::StaticClassInfo());
  return Info;
}

std::string TzuLoginComponent::EncodeLoginInfo(const std::string& UserName, const std::string& Password) {
  const auto N = static_cast<std::uint8_t>((UserName.size() + Password.size() + 1) & 0xFF);
  std::string Block;
  Block += static_cast<char>(static_cast<std::uint8_t>(UserName.size()));
  Block += UserName;
  Block += Password;
  Block.resize(N);  // the count byte wraps for overlong values: write exactly N bytes
  const auto Mask = static_cast<char>(N ^ LInfoKey);
  for (char& C : Block) C ^= Mask;
  return static_cast<char>(N) + Block;
}

bool TzuLoginComponent::DecodeLoginInfo(const std::string& Record, std::string& UserName, std::string& Password) {
  UserName.clear();
  Password.clear();
  if (Record.empty()) return false;
  const auto N = static_cast<std::uint8_t>(Record[0]);
  if (N == 0 || N > 127 || Record.size() < 1u + N) return false;
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
  Message.Result = Message.Msg == WM_QUERYENDSESSION ? 1 : DefWindowProc(Message);
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
  if (IsActive() && !SetTimer(Handle(), 1, FMonitorInterval))
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

// ---------- form hooks ----------

TzuHookList* TzuHookList::FInstance = nullptr;

TzuHookList::TzuHookList() : FWindow(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHookList::~TzuHookList() { DeallocateHWnd(FWindow); }

TzuHookList& TzuHookList::Acquire() {
  if (!FInstance) FInstance = new TzuHookList;
  return *FInstance;
}

void TzuHookList::ReleaseIfEmpty() {
  if (FInstance && FInstance->FItems.empty()) {
    delete FInstance;
    FInstance = nullptr;
  }
}

bool TzuHookList::Contains(const TzuFormHookComponent* C) const {
  return std::find(FItems.begin(), FItems.end(), C) != FItems.end();
}

TWindowProc TzuHookList::BaseWndProc(THandle Window) const {
  for (const TzuFormHookComponent* C : FItems)
    if (C->FHooked && C->FHandle == Window && C->FPrevWndProc) return C->FPrevWndProc;
  return GetWindowProc(Window);
}

void TzuHookList::RebuildChain(THandle Window, const TWindowProc& Base) {
  TzuFormHookComponent* Last = nullptr;
  for (TzuFormHookComponent* C : FItems) {
    if (C->FHandle != Window) continue;
    C->FPrevWndProc = Last ? Last->FHookProc : Base;
    Last = C;
  }
  SetWindowProc(Window, Last ? Last->FHookProc : Base);
}

void TzuHookList::HookComponent(TzuFormHookComponent* C) {
  if (!C->FHookProc) C->FHookProc = MakeWindowProc([C](THandle, TMessage& M) { C->HookWndProc(M); });
  C->FHandle = WidgetHandle(C->Parent());
  if (C->FHandle == 0) return;  // no window to hook
  const TWindowProc Base = BaseWndProc(C->FHandle);
  C->FHooked = true;
  RebuildChain(C->FHandle, Base);
}

void TzuHookList::ReleaseHook(TzuFormHookComponent* C) {
  C->FHookProc = nullptr;
  C->FPrevWndProc = nullptr;
  C->FHooked = false;
}

void TzuHookList::AddHook(TzuFormHookComponent* C) {
  FItems.push_back(C);
  HookComponent(C);
}

void TzuHookList::RemoveHook(TzuFormHookComponent* C) {
  if (C->FHandle == 0 || C->FHandle == INVALID_HANDLE_VALUE) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), C), FItems.end());
    return;
  }
  const TWindowProc Base = BaseWndProc(C->FHandle);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), C), FItems.end());
  C->FHooked = false;
  RebuildChain(C->FHandle, Base);
  ReleaseHook(C);
}

void TzuHookList::WndProc(TMessage& Message) {
  if (Message.Msg == WM_QUERYENDSESSION) {
    Message.Result = 1;
  } else if (Message.Msg == ZUM_REHOOK && !FItems.empty()) {
    const auto Window = static_cast<THandle>(Message.LParam);
    const std::vector<TzuFormHookComponent*> Items = FItems;
    for (auto It = Items.rbegin(); It != Items.rend(); ++It)
      if ((*It)->FHandle == Window) ReleaseHook(*It);
    for (TzuFormHookComponent* C : Items)
      if (C->FHandle == Window && Contains(C)) {
        HookComponent(C);
        C->FormRecreate();
      }
  } else {
    Message.Result = DefWindowProc(Message);
  }
}

const TClassInfo& TzuFormHookComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuFormHookComponent", &TzuComponent::StaticClassInfo());
  return Info;
}

TzuFormHookComponent::TzuFormHookComponent(TComponent* AOwner) : TzuComponent(AOwner) {
  if (!ComponentWidget(AOwner)) throw EInvalidOperation("Owner must be TWinControl or its descendant!");
  Register();
}

TzuFormHookComponent::TzuFormHookComponent(TComponent* AOwner, QWidget* Control) : TzuComponent(AOwner) {
  TzuComponent::SetParent(Control);
  Register();
}

void TzuFormHookComponent::Register() { TzuHookList::Acquire().AddHook(this); }

TzuFormHookComponent::~TzuFormHookComponent() {
  Destroying();
  if (TzuHookList* L = TzuHookList::Instance()) {
    L->RemoveHook(this);
    TzuHookList::ReleaseIfEmpty();
  }
}

void TzuFormHookComponent::SetParent(QWidget* Control) {
  if (Control == Parent()) return;
  TzuHookList& L = TzuHookList::Acquire();
  L.RemoveHook(this);
  TzuComponent::SetParent(Control);
  L.AddHook(this);
}

void TzuFormHookComponent::HookWndProc(TMessage& Message) {
  try {
    TzuHookList* L = TzuHookList::Instance();
    if (Message.Msg == WM_DESTROY && !IsDestroying() && L && L->BaseWndProc(FHandle) == FPrevWndProc)
      PostMessage(L->Handle(), ZUM_REHOOK, 0, static_cast<std::intptr_t>(FHandle));
    if (Message.Msg == ZUM_TOPMOSTCHANGED) TopmostChanged(Message.WParam != 0);
    bool Handled = false;
    MessageBefore(Message, Handled);
    if (!Handled) CallWindowProc(FPrevWndProc, FHandle, Message);
    L = TzuHookList::Instance();
    if (L && L->Contains(this)) MessageAfter(Message);
  } catch (...) {
    Application().HandleCurrentException();
  }
}

void TzuFormHookComponent::FormRecreate() { SetTopmost(FTopmost); }

bool TzuFormHookComponent::GetTopmost() const {
  if (IsDesigning()) return FTopmost;
  return IsStayOnTop(Parent());
}

void TzuFormHookComponent::SetTopmost(bool Value) {
  if (Value == GetTopmost()) return;
  FTopmost = Value;
  if (!IsDesigning()) SetZOrder(Value ? HWND_TOPMOST : HWND_NOTOPMOST);
  SendMessage(FHandle, ZUM_TOPMOSTCHANGED, Value ? 1 : 0, 0);
}

void TzuFormHookComponent::RefreshNCArea() {
  RepaintWindow(HandleWidget(FHandle));
}

void TzuFormHookComponent::SetZOrder(THandle InsertAfter) {
  QWidget* W = HandleWidget(FHandle);
  if (InsertAfter == HWND_TOPMOST || InsertAfter == HWND_NOTOPMOST) SetStayOnTop(W, InsertAfter == HWND_TOPMOST);
}

long TzuFormHookComponent::GetWindowStyle() const { return GetWindowStyleValue(HandleWidget(FHandle), GWL_STYLE); }
void TzuFormHookComponent::SetWindowStyle(long Value) { SetWindowStyleValue(HandleWidget(FHandle), GWL_STYLE, Value); }
long TzuFormHookComponent::GetWindowExStyle() const { return GetWindowStyleValue(HandleWidget(FHandle), GWL_EXSTYLE); }
void TzuFormHookComponent::SetWindowExStyle(long Value) {
  SetWindowStyleValue(HandleWidget(FHandle), GWL_EXSTYLE, Value);
}

// ---------- TzuHFormHookComponent and the application hook ----------

const TClassInfo& TzuHFormHookComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuHFormHookComponent", &TzuFormHookComponent::StaticClassInfo());
  return Info;
}

TzuHFormHookComponent::TzuHFormHookComponent(TComponent* AOwner)
    : TzuFormHookComponent(AOwner), FMessageWindow(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHFormHookComponent::TzuHFormHookComponent(TComponent* AOwner, QWidget* Control)
    : TzuFormHookComponent(AOwner, Control), FMessageWindow(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {}

TzuHFormHookComponent::~TzuHFormHookComponent() {
  Destroying();
  DeallocateHWnd(FMessageWindow);
}

void TzuHFormHookComponent::WndProc(TMessage& Message) {
  Message.Result = Message.Msg == WM_QUERYENDSESSION ? 1 : DefWindowProc(Message);
}

const TClassInfo& TzuCustomAppHookComponent::StaticClassInfo() {
  static const TClassInfo Info("TzuCustomAppHookComponent", &TzuHFormHookComponent::StaticClassInfo());
  return Info;
}

TzuCustomAppHookComponent::~TzuCustomAppHookComponent() {
  Destroying();
  UnhookAppMessages();
}

void TzuCustomAppHookComponent::MessageBefore(TMessage& Message, bool& Handled) {
  if (Message.Msg == WM_SHOWWINDOW && !IsDesigning() && !FAppHooked) HookAppMessages();
}

void TzuCustomAppHookComponent::HookAppMessages() {
  if (FAppHooked || IsDesigning() || IsDestroying()) return;
  FPrevAppProc = GetWindowProc(ApplicationHandle());
  FAppProc = MakeWindowProc([this](THandle, TMessage& M) { HookAppProc(M); });
  SetWindowProc(ApplicationHandle(), FAppProc);
  FAppHooked = true;
}

void TzuCustomAppHookComponent::UnhookAppMessages() {
  if (!FAppHooked) return;
  SetWindowProc(ApplicationHandle(), FPrevAppProc);
  FAppProc = nullptr;
  FPrevAppProc = nullptr;
  FAppHooked = false;
}

void TzuCustomAppHookComponent::HookAppProc(TMessage& Message) {
  Message.Result = 1;
  bool Handled = false;
  AppMessageBefore(Message, Handled);
  if (!Handled) CallWindowProc(FPrevAppProc, ApplicationHandle(), Message);
  if (!IsDestroying()) AppMessageAfter(Message);
}

const TClassInfo& TzuHFormHookComponentWatchCaption::StaticClassInfo() {
  static const TClassInfo Info("TzuHFormHookComponentWatchCaption", &TzuCustomAppHookComponent::StaticClassInfo());
  return Info;
}

void TzuHFormHookComponentWatchCaption::MessageAfter(TMessage& Message) {
  TzuCustomAppHookComponent::MessageAfter(Message);
  if (Message.Msg != WM_SETTEXT || Message.LParam == 0) return;
  // Captions are UTF-8 throughout, so one form serves both kinds of window.
  const std::string Text = reinterpret_cast<const char*>(Message.LParam);
  if (Text == FLastCaption) return;
  FLastCaption = Text;
  PostMessage(MessageWindow(), ZUM_CAPTIONCHANGED, 0, 0);
}

void TzuHFormHookComponentWatchCaption::WndProc(TMessage& Message) {
  TzuCustomAppHookComponent::WndProc(Message);
  if (Message.Msg == ZUM_CAPTIONCHANGED) OwnerCaptionChanged();
}

}  // namespace zu
