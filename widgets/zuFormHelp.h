// zuFormHelp: "What's This?" help for the controls of a form. F1 or the right-click menu
// shows the long hint of the control under the pointer (or of the nearest parent with one)
// in a small top-most popup that any key or click dismisses.
#pragma once

#include <QImage>
#include <QPoint>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/framework/Font.h"
#include "support/zuClasses.h"
#include "widgets/zuControlProps.h"
#include "widgets/zuRichLabel.h"

class QAbstractButton;
class QAction;
class QMenu;

namespace zu {

class TzuFormHelp;

class TzuFormHelpMargins : public TPersistent {
  ZU_CLASS_INFO
 public:
  int Horizontal() const { return FHorizontal; }
  void SetHorizontal(int Value) { FHorizontal = Value; }
  int Vertical() const { return FVertical; }
  void SetVertical(int Value) { FVertical = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  int FHorizontal = 11, FVertical = 7;
};

// "What's This?": the right-click item, and a menu item and toolbar button of the program's
// that put the form into help mode (run-time only: they are Qt objects).
class TzuWhatsThis : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuWhatsThis(TzuFormHelp* AHelp = nullptr) : FHelp(AHelp) {}
  ~TzuWhatsThis() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  QAction* MenuItem() const { return FMenuItem; }
  void SetMenuItem(QAction* Value);
  QAbstractButton* ToolbarButton() const { return FToolbarButton; }
  void SetToolbarButton(QAbstractButton* Value);
  void Assign(const TPersistent* Source) override;

 private:
  TzuFormHelp* FHelp;
  bool FEnabled = true;
  std::string FCaption = "&What's This?";
  QPointer<QAction> FMenuItem;
  QPointer<QAbstractButton> FToolbarButton;
  QMetaObject::Connection FMenuLink, FButtonLink;
};

// The help button of the form's title bar. The window manager draws title bars here: the
// button is asked for with Qt's context-help hint, which some window managers show.
class TzuFormHelpCaptionButton : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuFormHelpCaptionButton(TzuFormHelp* AHelp = nullptr) : FHelp(AHelp) {}
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  void Assign(const TPersistent* Source) override;

 private:
  TzuFormHelp* FHelp;
  bool FVisible = false;
  std::string FHint = "Help";
};

enum TzuSystemMenuSeparator { smsBefore, smsAfter };

// The "&What's This?" item of the form's system menu (see GetSystemMenuHandle).
class TzuFormHelpSystemMenu : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuFormHelpSystemMenu(TzuFormHelp* AHelp = nullptr) : FHelp(AHelp) {}
  bool ApplyToMenu() const { return FApplyToMenu; }
  void SetApplyToMenu(bool Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // The item's index in the menu; -1 puts it last.
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  // Set of TzuSystemMenuSeparator as a bit mask.
  std::int64_t Separators() const { return FSeparators; }
  void SetSeparators(std::int64_t Value);
  void Assign(const TPersistent* Source) override;

 private:
  TzuFormHelp* FHelp;
  bool FApplyToMenu = false;
  std::string FCaption = "&What's This?";
  int FPosition = -1;
  std::int64_t FSeparators = 1 << smsBefore;
};

// The popup window (class name "TzuFormHelpPopup"): shows the rendered help bitmap.
class TzuFormHelpPopup : public QWidget {
 public:
  TzuFormHelpPopup(TzuFormHelp* AHelp, const QImage& Bitmap, const std::string& Text);
  const QImage& Bitmap() const { return FBitmap; }
  const std::string& Text() const { return FText; }
  // The one-item menu a right click offers ("&Copy"), while it is open.
  QMenu* CopyMenu() const { return FMenu; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;

 private:
  friend class TzuFormHelp;
  TzuFormHelp* FHelp;
  QImage FBitmap;
  std::string FText;
  QPointer<QMenu> FMenu;
};

using TzuFormHelpShowEvent = std::function<void(TObject* Sender, QWidget* HelpControl, std::string& HelpMessage)>;
using TzuFormHelpHideEvent = std::function<void(TObject* Sender, QWidget* HelpControl)>;
using TzuWhatsThisEvent = std::function<void(TObject* Sender, QWidget* HelpControl, QPoint MousePos,
                                             bool& ShowPopup, bool& ShowHelp)>;

class TzuFormHelp : public TzuHFormHookComponentWatchCaption {
  ZU_CLASS_INFO
 public:
  static constexpr unsigned WhatsThisCommand = 13667;
  static constexpr TColor DefaultColor = 0xEEFFFF;  // pale yellow

  explicit TzuFormHelp(TComponent* AOwner);
  ~TzuFormHelp() override;

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  bool AdjustPopupWidth() const { return FAdjustPopupWidth; }
  void SetAdjustPopupWidth(bool Value) { FAdjustPopupWidth = Value; }
  int DelayInterval() const { return FDelayInterval; }
  void SetDelayInterval(int Value) { FDelayInterval = Value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  TFont* Font() const { return FFont.get(); }
  TzuFontProperty* FontProperty() const { return FFontProperty.get(); }
  TzuTextStyle* TextStyle() const { return FTextStyle.get(); }
  TzuFormHelpCaptionButton* CaptionButton() const { return FCaptionButton.get(); }
  TzuFormHelpSystemMenu* SystemMenu() const { return FSystemMenu.get(); }
  // The popup's cursor, and the one help mode shows.
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  TCursor CursorHelp() const { return FCursorHelp; }
  void SetCursorHelp(TCursor Value) { FCursorHelp = Value; }
  // Puts the system-menu item in place (or takes it out) as SystemMenu says.
  void UpdateSystemMenu();
  // The form's title-bar help button, as CaptionButton says.
  void UpdateCaptionButton();
  void Loaded() override;
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value) { FParentFont = Value; }
  TzuFormHelpMargins* Margins() const { return FMargins.get(); }
  int PopupWidth() const { return FPopupWidth; }
  void SetPopupWidth(int Value);  // kept within 40..1000
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value) { FShadowColor = Value; }
  bool ShowShadow() const { return FShowShadow; }
  void SetShowShadow(bool Value) { FShowShadow = Value; }
  bool UseF1() const { return FUseF1; }
  void SetUseF1(bool Value) { FUseF1 = Value; }
  TzuWhatsThis* WhatsThis() const { return FWhatsThis.get(); }

  // The control whose long hint is the help for Start (see the class notes); null for none.
  // Push buttons without a long hint get a default one on the way.
  QWidget* FindHelpControl(QWidget* Start) const;
  // Help for Control: Text, else its help control's long hint. At (global) is where the
  // popup goes; a null point puts it 12 pixels below the control's top-left.
  void ShowHelp(QWidget* Control, const std::string& Text = std::string(), QPoint At = QPoint());
  // Help for the control of the form at the global position Pos.
  void ShowHelpAt(QPoint Pos);
  // The "What's This?" menu for Control at Pos, as a right click offers it.
  void WhatsThisRequest(QWidget* Control, QPoint Pos);
  void HidePopup();
  TzuFormHelpPopup* Popup() const { return FPopup; }
  QMenu* WhatsThisMenu() const { return FMenu; }

  // Help mode: the next left click on the form shows help for the control under it.
  void EnterHelpMode();
  void ExitHelpMode();
  bool InHelpMode() const { return FHelpMode; }

  // The help bitmap: Text in Font on Color within Width (narrowed to the text when Fit),
  // with a frame and the dotted shadow.
  static QImage RenderHelp(const std::string& Text, const QFont& Font, TColor Color, TColor ShadowColor,
                           bool ShowShadow, int MarginHorz, int MarginVert, int Width, bool Fit,
                           const TzuTextStyle* Style = nullptr);
  // The help text as "&Copy" puts it on the clipboard: without the TextStyle's tags.
  std::string PlainHelpText(const std::string& Text) const;

  TNotifyEvent OnButtonClick;
  TzuFormHelpShowEvent OnShow;
  TzuFormHelpHideEvent OnHide;
  TzuWhatsThisEvent OnWhatsThis;

 protected:
  void MessageBefore(TMessage& Message, bool& Handled) override;
  void WndProc(TMessage& Message) override;
  void OwnerCaptionChanged() override {}
  void FormRecreate() override;

 private:
  friend class TzuFormHelpPopup;
  friend class TzuFormHelpFilter;
  bool AppEvent(QObject* Watched, QEvent* Event);
  bool OnForm(const QWidget* W) const;
  void PopupClosed();

  bool FActive = true;
  bool FAdjustPopupWidth = true;
  int FDelayInterval = 0;
  TColor FColor = DefaultColor;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TzuFontProperty> FFontProperty;
  std::unique_ptr<TzuTextStyle> FTextStyle;
  std::unique_ptr<TzuFormHelpCaptionButton> FCaptionButton;
  std::unique_ptr<TzuFormHelpSystemMenu> FSystemMenu;
  QList<QPointer<QAction>> FMenuActions;  // what UpdateSystemMenu put into the system menu
  TCursor FCursor = crDefault;
  TCursor FCursorHelp = crHelp;
  bool FParentFont = true;
  std::unique_ptr<TzuFormHelpMargins> FMargins;
  int FPopupWidth = 300;
  TColor FShadowColor = clBlack;
  bool FShowShadow = true;
  bool FUseF1 = true;
  std::unique_ptr<TzuWhatsThis> FWhatsThis;
  std::unique_ptr<QObject> FFilter;
  QPointer<TzuFormHelpPopup> FPopup;
  QPointer<QWidget> FHelpControl;
  QPointer<QMenu> FMenu;
  bool FHelpMode = false;
  bool FOwnCursor = false;  // help mode entered by EnterHelpMode, not the toolkit's
};

}  // namespace zu
