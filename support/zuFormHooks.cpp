// What components do to the form they sit on: the parent form's caption and visibility, and
// the form hooks. Apart from zuClasses.cpp so that programs whose components never touch a
// form do not link the widget library.
#include "support/zuClasses.h"

#include <algorithm>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Windows.h"

namespace zu {

// ---------- the parent form ----------

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
  if (InsertAfter == HWND_TOPMOST || InsertAfter == HWND_NOTOPMOST)
    SetStayOnTop(W, InsertAfter == HWND_TOPMOST);
  else if (InsertAfter == HWND_TOP)
    RaiseWindow(W);
  else if (InsertAfter == HWND_BOTTOM)
    LowerWindow(W);
  else
    StackWindowUnder(W, HandleWidget(InsertAfter));
}

QMenu* TzuFormHookComponent::GetSystemMenuHandle() const { return SystemMenu(HandleWidget(FHandle)); }

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
  Message.Result = HiddenWindowDefault(Message);
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
