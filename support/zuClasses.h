// zuClasses: the base classes every component of the system derives from.
//
//   TzuPersistent            settings sub-object with an owner
//     TzuAddon               ... with Enabled
//     TzuHandlePersistent    ... with a hidden message window
//       TzuTimerPersistent   ... with a window timer (Enabled, Interval)
//   TzuComponent             component with About and a Parent widget
//     TzuLoginComponent      user name and password, stored scrambled as "LInfo"
//     TzuHandleComponent     hidden message window
//       TzuTimerComponent    window timer (MonitorActive, MonitorInterval)
//     TzuFormHookComponent   hooks the parent window's procedure
//       TzuHFormHookComponent               own hidden message window
//         TzuCustomAppHookComponent         also hooks the application window
//           TzuHFormHookComponentWatchCaption   told when the form's caption changes
//
// Destructors that act on the component's state call Destroying() first, so the state says
// "destroying" before any part of the object goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/Component.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Messages.h"
#include "platform/framework/WindowProc.h"

class QMenu;
class QWidget;

namespace zu {

// The answer of a component's hidden window to a message it does not handle itself: yes to
// ending the session (it never holds one up), the default for everything else.
std::intptr_t HiddenWindowDefault(const TMessage& Message);

// ---------- settings sub-objects ----------

class TzuPersistent : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuPersistent(TComponent* AOwner) : FOwner(AOwner) {}
  TComponent* Owner() const { return FOwner; }
  // True when the owner is in design mode.
  virtual bool IsDesignTime() const { return FOwner && FOwner->IsDesigning(); }

 protected:
  // Setters that ignore their value, for read-only published properties.
  void SetNoneStr(const std::string&) {}
  void SetNoneBool(bool) {}
  void SetNoneLong(std::int32_t) {}

 private:
  TComponent* FOwner;
};

class TzuAddon : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  using TzuPersistent::TzuPersistent;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  void Assign(const TPersistent* Source) override;

 protected:
  virtual void EnabledChanged() {}
  bool FEnabled = false;
};

class TzuHandlePersistent : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuHandlePersistent(TComponent* AOwner);
  ~TzuHandlePersistent() override;
  THandle Handle() const { return FHandle; }

 protected:
  // WM_QUERYENDSESSION answers 1; everything else goes to the default procedure.
  virtual void WndProc(TMessage& Message);

 private:
  THandle FHandle;
};

class TzuTimerPersistent : public TzuHandlePersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuTimerPersistent(TComponent* AOwner);
  ~TzuTimerPersistent() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  std::uint32_t Interval() const { return FInterval; }
  void SetInterval(std::uint32_t Value);

 protected:
  // Raises EOutOfResources "Not enough timers available" when the timer is refused.
  virtual void UpdateTimer();
  virtual void DoTimer() = 0;
  void WndProc(TMessage& Message) override;

 private:
  bool FEnabled = true;
  std::uint32_t FInterval = 1000;
};

// ---------- components ----------

class TzuComponent : public TComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuComponent(TComponent* AOwner);

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }

  QWidget* Parent() const { return FParent; }
  virtual void SetParent(QWidget* Control);
  // The parent when it is a form (a top-level window), else none.
  virtual QWidget* GetParentForm() const;
  virtual void SetParentForm(QWidget* Form) { SetParent(Form); }
  void ShowParentForm();
  std::string GetParentFormCaption() const;
  void SetParentFormCaption(const std::string& Text);

 protected:
  virtual void MessageHookProc(TMessage&) {}
  void SetNoneStr(const std::string&) {}
  void SetNoneInt(int) {}
  void SetNoneLong(std::int32_t) {}
  void SetNoneInt64(std::int64_t) {}
  void SetNoneDateTime(double) {}
  void SetNoneBool(bool) {}

 private:
  std::string FAbout;
  QWidget* FParent = nullptr;
};

// Keeps a user name and a password out of the plain form data: both go, scrambled, into the
// binary property "LInfo": one count byte N = (U + P + 1) mod 256, then N bytes (U, the user
// name, the password) combined by exclusive-or with (N xor LInfoKey). Every count from 1 to 255
// reads back; credentials that would not fit one count byte (U + P above 254) are refused by
// the setters rather than cut, and damaged records read back as empty credentials.
class TzuLoginComponent : public TzuComponent {
  ZU_CLASS_INFO
 public:
  static constexpr std::uint8_t LInfoKey = 0xA7;
  static constexpr std::size_t MaxLoginInfo = 254;  // user name and password together
  using TzuComponent::TzuComponent;
  void DefineProperties(TFiler& Filer) override;

  // The record's bytes, as written into the binary property; empty when the credentials do
  // not fit one record.
  static std::string EncodeLoginInfo(const std::string& UserName, const std::string& Password);
  // false (and both empty) for a record that cannot be read back.
  static bool DecodeLoginInfo(const std::string& Record, std::string& UserName, std::string& Password);

 protected:
  const std::string& LoginUserName() const { return FUserName; }
  // Both refuse (false, value unchanged) what would not fit the record with the other.
  bool SetLoginUserName(const std::string& Value);
  const std::string& LoginPassword() const { return FPassword; }
  bool SetLoginPassword(const std::string& Value);
  void WriteData(TStream& Stream) const;
  void ReadData(TStream& Stream);

 private:
  std::string FUserName, FPassword;
};

class TzuHandleComponent : public TzuComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuHandleComponent(TComponent* AOwner);
  ~TzuHandleComponent() override;
  THandle Handle() const { return FHandle; }

 protected:
  virtual void WndProc(TMessage& Message);

 private:
  THandle FHandle;
};

class TzuTimerComponent : public TzuHandleComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuTimerComponent(TComponent* AOwner) : TzuHandleComponent(AOwner) {}
  ~TzuTimerComponent() override;
  bool MonitorActive() const { return FMonitorActive; }
  void SetMonitorActive(bool Value);
  std::int32_t MonitorInterval() const { return FMonitorInterval; }
  void SetMonitorInterval(std::int32_t Value);
  virtual bool IsActive() const;
  void Loaded() override;

 protected:
  virtual void UpdateTimer();
  virtual void DoTimer() {}
  void WndProc(TMessage& Message) override;

 private:
  bool FMonitorActive = false;
  std::int32_t FMonitorInterval = 0;
};

// ---------- form hooks ----------

class TzuHookList;

// Subclasses its parent window: every message of that window runs through MessageBefore
// (Handled keeps it from older hooks and the window itself) and MessageAfter. Hooks on one
// window form a chain, newest first; they survive a recreation of the native window.
class TzuFormHookComponent : public TzuComponent {
  ZU_CLASS_INFO
 public:
  // Raises EInvalidOperation "Owner must be TWinControl or its descendant!" when the owner
  // is no widget.
  explicit TzuFormHookComponent(TComponent* AOwner);
  TzuFormHookComponent(TComponent* AOwner, QWidget* Control);
  ~TzuFormHookComponent() override;

  void SetParent(QWidget* Control) override;
  THandle Handle() const { return FHandle; }
  bool Hooked() const { return FHooked; }
  const TWindowProc& PrevWndProc() const { return FPrevWndProc; }
  const TWindowProc& HookProc() const { return FHookProc; }

  bool GetTopmost() const;
  void SetTopmost(bool Value);
  void RefreshNCArea();
  // InsertAfter: HWND_TOP raises, HWND_BOTTOM lowers, HWND_TOPMOST / HWND_NOTOPMOST switch
  // stay-on-top, a window's handle puts this window directly behind that one.
  void SetZOrder(THandle InsertAfter);
  // The window's system menu (see SystemMenu in platform/framework/Windows.h); never reset.
  virtual QMenu* GetSystemMenuHandle() const;
  long GetWindowStyle() const;
  void SetWindowStyle(long Value);
  long GetWindowExStyle() const;
  void SetWindowExStyle(long Value);

  static constexpr THandle HWND_TOP = 0;
  static constexpr THandle HWND_BOTTOM = 1;
  static constexpr THandle HWND_TOPMOST = -1;
  static constexpr THandle HWND_NOTOPMOST = -2;

 protected:
  virtual void MessageBefore(TMessage& Message, bool& Handled) {}
  virtual void MessageAfter(TMessage& Message) {}
  virtual void FormRecreate();
  virtual void TopmostChanged(bool Value) { SetTopmost(Value); }

 private:
  friend class TzuHookList;
  void HookWndProc(TMessage& Message);
  void Register();

  THandle FHandle = 0;
  TWindowProc FPrevWndProc;
  TWindowProc FHookProc;
  bool FHooked = false;
  bool FTopmost = false;
};

class TzuHFormHookComponent : public TzuFormHookComponent {
  ZU_CLASS_INFO
 public:
  explicit TzuHFormHookComponent(TComponent* AOwner);
  TzuHFormHookComponent(TComponent* AOwner, QWidget* Control);
  ~TzuHFormHookComponent() override;
  THandle MessageWindow() const { return FMessageWindow; }

 protected:
  virtual void WndProc(TMessage& Message);

 private:
  THandle FMessageWindow;
};

class TzuCustomAppHookComponent : public TzuHFormHookComponent {
  ZU_CLASS_INFO
 public:
  using TzuHFormHookComponent::TzuHFormHookComponent;
  ~TzuCustomAppHookComponent() override;
  bool AppHooked() const { return FAppHooked; }

 protected:
  void MessageBefore(TMessage& Message, bool& Handled) override;
  virtual void AppMessageBefore(TMessage& Message, bool& Handled) {}
  virtual void AppMessageAfter(TMessage& Message) {}
  virtual void HookAppMessages();
  virtual void UnhookAppMessages();

 private:
  void HookAppProc(TMessage& Message);
  bool FAppHooked = false;
  TWindowProc FPrevAppProc;
  TWindowProc FAppProc;
};

class TzuHFormHookComponentWatchCaption : public TzuCustomAppHookComponent {
  ZU_CLASS_INFO
 public:
  using TzuCustomAppHookComponent::TzuCustomAppHookComponent;

 protected:
  void MessageAfter(TMessage& Message) override;
  void WndProc(TMessage& Message) override;
  // Called (asynchronously) after the parent form's caption changed.
  virtual void OwnerCaptionChanged() = 0;

 private:
  std::string FLastCaption;
};

// The process-wide registry of form hooks, created with the first hook component and freed
// with the last one.
class TzuHookList {
 public:
  static TzuHookList* Instance() { return FInstance; }
  const std::vector<TzuFormHookComponent*>& Items() const { return FItems; }
  THandle Handle() const { return FWindow; }
  bool Contains(const TzuFormHookComponent* C) const;

  TWindowProc BaseWndProc(THandle Window) const;
  void RebuildChain(THandle Window, const TWindowProc& Base);
  void HookComponent(TzuFormHookComponent* C);
  void ReleaseHook(TzuFormHookComponent* C);
  void AddHook(TzuFormHookComponent* C);
  void RemoveHook(TzuFormHookComponent* C);

 private:
  friend class TzuFormHookComponent;
  TzuHookList();
  ~TzuHookList();
  static TzuHookList& Acquire();
  static void ReleaseIfEmpty();
  void WndProc(TMessage& Message);

  static TzuHookList* FInstance;
  std::vector<TzuFormHookComponent*> FItems;
  THandle FWindow;
};

}  // namespace zu
