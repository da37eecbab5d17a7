// zuDialogControls: the controls the engine's dialogs are built from: an edit with an
// attached caption label, a check box with free text alignment, owner-drawn buttons with
// kinds, and the OK/Cancel/Apply/Help button row.
//
// Captions are drawn by DrawControlCaption/ControlCaptionSize only, with the markup renderer
// of zuRichTextUtils ("[b]bold[] text", access keys).
#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Font.h"
#include "support/zuClasses.h"
#include "support/zuRegistrySavers.h"
#include "widgets/zuControlBounds.h"
#include "widgets/zuControlProps.h"
#include "widgets/zuImageList.h"
#include "widgets/zuRichLabel.h"

class QAction;
class QMenu;
class QSizeGrip;
class QToolButton;

namespace zu {

// ---------- shared by the controls ----------

// The framework's text alignment (left 0, right 1, centre 2); form data names the values
// "taLeftJustify", "taRightJustify", "taCenter".
enum TzuTextAlignment { zaLeftJustify, zaRightJustify, zaCenter };
enum TVerticalAlignment { vaTopJustify, vaBottomJustify, vaCenter };

// Hints as the framework keeps them, "short|long", on any widget. The short part is the
// tool tip; the long part is the help text of TzuFormHelp.
void SetControlHint(QWidget* W, const std::string& Hint);
std::string ControlHint(const QWidget* W);
// The part after "|"; the whole hint when it has no "|".
std::string GetLongHint(const std::string& Hint);
std::string GetShortHint(const std::string& Hint);
// The help context of a control (0 = none), as the bkHelp button looks it up.
void SetControlHelpContext(QWidget* W, int Context);
int ControlHelpContext(const QWidget* W);

// The modal result of the form W lies on (0 = none). A button sets it, its click handlers
// may reset it, and a dialog ends with it once the click is over.
int FormModalResult(const QWidget* W);
void SetFormModalResult(QWidget* W, int Value);

// Enter and Escape as dialog keys: clicks the form's visible, enabled default (Enter) or
// cancel (Escape) button. false when there is none.
bool DialogKey(QWidget* Control, int Key);
// Enter in a dialog: a focused button takes it, elsewhere it is the default button's.
void DialogEnter(QWidget* Form);

// (A * B) / C rounded half away from zero; -1 for C = 0.
int MulDiv(int A, int B, int C);

// The caption renderer of the buttons, check boxes and the help popup: the bracket markup
// of DrawRichText, placed in its rectangle by the alignment flags.
struct TzuCaptionOptions {
  int Flags = 0;               // Qt alignment flags
  bool ShowAccelChar = true;   // "&" marks an access key, "&&" is one "&"
  bool WordWrap = false;
  bool Disabled = false;
  bool PlainText = false;      // tags drawn as text
  char TagOpen = '[';
  char TagClose = ']';
};
void DrawControlCaption(QPainter& P, const QRect& R, const std::string& Caption, const QFont& Font,
                        const QColor& Color, const TzuCaptionOptions& Options);
QSize ControlCaptionSize(const std::string& Caption, const QFont& Font, int Width, const TzuCaptionOptions& Options);

// ---------- TzuAttachedLabel ----------

enum TzuAttachedLabelPosition { lpAbove, lpBelow, lpLeft, lpRight, lpAboveCenter, lpBelowCenter };
enum TzuAttachedLabelSpacingKind { skNearPoint, skFarPoint };

// Top-left of a Label-sized label at Position from the host's bounds.
QPoint AttachedLabelPos(TzuAttachedLabelPosition Position, TzuAttachedLabelSpacingKind Kind, const QRect& Host,
                        const QSize& Label, int Spacing);

class TzuAttachedLabel;

// The label control of an attached label. Its tag (666) marks it for the form help.
class TzuAttLabel : public QLabel, public TComponent {
  ZU_CLASS_INFO
 public:
  static constexpr int AttachedLabelTag = 666;
  explicit TzuAttLabel(TzuAttachedLabel* AOwner);
  ~TzuAttLabel() override;
  TzuAttachedLabel* AttachedLabel() const { return FAttached; }
  QWidget* Host() const;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;
  // A new font re-places the label at its new size.
  void changeEvent(QEvent* Event) override;

 private:
  friend class TzuAttachedLabel;
  TzuAttachedLabel* FAttached;
  bool FPressed = false;
};

// A caption label that follows its host control: parent, position, enabled and visible.
class TzuAttachedLabel : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  TzuAttachedLabel(TComponent* AOwner, QWidget* AHost);
  ~TzuAttachedLabel() override;

  TzuAttLabel* Label() const { return FLabel.data(); }
  QWidget* Host() const { return FHost; }

  std::string Caption() const;
  void SetCaption(const std::string& Value);
  TzuAttachedLabelPosition Position() const { return FPosition; }
  void SetPosition(TzuAttachedLabelPosition Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  TzuAttachedLabelSpacingKind SpacingKind() const { return FSpacingKind; }
  void SetSpacingKind(TzuAttachedLabelSpacingKind Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool FocusOnClick() const { return FFocusOnClick; }
  void SetFocusOnClick(bool Value) { FFocusOnClick = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool WordWrap() const;
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  // Font, ParentFont, Cursor, PopupMenu, BiDiMode and the parent switches go to the label.
  TzuControlProps& Props() const { return *FProps; }
  ZU_CONTROL_PROPS_ACCESSORS

  void Assign(const TPersistent* Source) override;
  // "DDPI": the screen's pixels per inch when written, for a far-point spacing.
  void DefineProperties(TFiler& Filer) override;
  // The label's parent, bounds, enabled and visible state from the host's.
  void UpdateLabelPosition();
  // Pixels per inch of the screen, as the spacing is rescaled by.
  static int ScreenPixelsPerInch();

  TNotifyEvent OnClick, OnDblClick;

 private:
  friend class TzuAttLabel;
  void UpdateCaption();
  void UpdateColor();
  void HostChanged();

  QWidget* FHost;
  QPointer<TzuAttLabel> FLabel;  // its parent widget may free it first
  std::string FCaption;
  TzuAttachedLabelPosition FPosition = lpLeft;
  int FSpacing = 4;
  TzuAttachedLabelSpacingKind FSpacingKind = skNearPoint;
  bool FVisible = false;
  bool FFocusOnClick = true;
  bool FEnabled = true;
  bool FTransparent = false;
  bool FShowAccelChar = true;
  TColor FColor = static_cast<TColor>(0x8000000Fu);  // the button face
  bool FParentColor = true;
  std::string FHint;
  bool FShowHint = false;
  std::unique_ptr<TzuControlProps> FProps;
};

// ---------- TzuEdit ----------

class TzuCustomEdit;

// The optional speed button inside the edit's right edge.
class TzuEditButton : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuEditButton(TzuCustomEdit* AEdit);
  ~TzuEditButton() override;
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  QToolButton* Control() const { return FButton; }
  void Assign(const TPersistent* Source) override;
  // The width the edit's text gives up to the button (0 while hidden).
  int TakenWidth() const { return FVisible ? FWidth : 0; }

 private:
  void Changed();
  TzuCustomEdit* FEdit;
  QToolButton* FButton;
  bool FVisible = false;
  std::string FCaption = "...";
  int FWidth = 18;
  bool FEnabled = true;
  std::string FHint;
};

enum TzuEditRegistrySaverOption { saveOnExit, saveOnDestroy };
using TzuEditRegistrySaverOptions = std::uint8_t;  // bit n = element n

// Keeps the edit's text as the string value RegValue (registry) or the ident RegValue of
// IniSection (INI file). The text of a password edit is stored scrambled.
class TzuEditRegistrySaver : public TzuValueRegistrySaver {
  ZU_CLASS_INFO
 public:
  static constexpr std::uint8_t PasswordKey = 0x1F;  // keeps printable ASCII printable
  explicit TzuEditRegistrySaver(TzuCustomEdit* AEdit);
  TzuEditRegistrySaverOptions Options() const { return FOptions; }
  void SetOptions(TzuEditRegistrySaverOptions Value) { FOptions = Value; }
  bool HasOption(TzuEditRegistrySaverOption O) const { return FOptions & (1u << O); }
  void Assign(const TPersistent* Source) override;

 protected:
  void DoSaveToRegistry(TzuRegistry& Registry) override;
  void DoLoadFromRegistry(TzuRegistry& Registry) override;
  void DoSaveToIniFile(TIniFile& IniFile) override;
  void DoLoadFromIniFile(TIniFile& IniFile) override;

 private:
  std::string Stored(const std::string& Text) const;
  std::string Unstored(const std::string& Value) const;
  TzuCustomEdit* FEdit;
  TzuEditRegistrySaverOptions FOptions = 1u << saveOnDestroy;
};

using TzuMouseButtonEvent = std::function<void(TObject* Sender, Qt::MouseButton Button,
                                               Qt::KeyboardModifiers Shift, int X, int Y)>;

class TzuCustomEdit : public QLineEdit, public TComponent, public TzuControlBounds<TzuCustomEdit> {
  ZU_CLASS_INFO
 public:
  static constexpr TColor DefaultColor = static_cast<TColor>(0x80000005u);          // window
  static constexpr TColor DefaultColorDisabled = static_cast<TColor>(0x8000000Fu);  // button face

  explicit TzuCustomEdit(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuCustomEdit() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  std::string Text() const { return text().toStdString(); }
  void SetText(const std::string& Value) { setText(QString::fromStdString(Value)); }
  TzuTextAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TzuTextAlignment Value);
  TzuAttachedLabel* AttachedLabel() const { return FAttachedLabel.get(); }
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  bool AutoSelectOnClick() const { return FAutoSelectOnClick; }
  void SetAutoSelectOnClick(bool Value) { FAutoSelectOnClick = Value; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TzuEditButton* Button() const { return FButton.get(); }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TColor ColorDisabled() const { return FColorDisabled; }
  void SetColorDisabled(TColor Value);
  int CursorBorder() const { return FCursorBorder; }
  void SetCursorBorder(int Value) { FCursorBorder = Value; }
  // 0: no password character.
  int PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(int Value);
  TzuEditRegistrySaver* TextRegistrySaver() const { return FSaver.get(); }
  const std::string& ValidChars() const { return FValidChars; }
  void SetValidChars(const std::string& Value) { FValidChars = Value; }
  bool ValidateChars() const { return FValidateChars; }
  void SetValidateChars(bool Value) { FValidateChars = Value; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool Value) { setEnabled(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  // The text the edit had when it received the focus.
  const std::string& EnterText() const { return FEnterText; }
  // Font character height + border height / 4 + 8.
  int OptimalHeight() const;
  void Loaded() override;
  // Acts as a click on the edit button.
  virtual void ButtonClick();

  TNotifyEvent OnButtonClick, OnLabelClick, OnLabelDblClick, OnMouseEnter, OnMouseLeave;
  TzuMouseButtonEvent OnButtonLeftMouseDown;

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  friend class TzuEditButton;
  void UpdateButton();
  void UpdateColor();
  void AdjustHeight();

  std::string FAbout;
  TzuTextAlignment FAlignment = zaLeftJustify;
  std::unique_ptr<TzuAttachedLabel> FAttachedLabel;
  bool FAutoSelect = true;
  bool FAutoSelectOnClick = false;
  bool FAutoSize = true;
  std::unique_ptr<TzuEditButton> FButton;
  TColor FColor = DefaultColor;
  TColor FColorDisabled = DefaultColorDisabled;
  int FCursorBorder = 0;
  int FPasswordChar = 0;
  std::unique_ptr<TzuEditRegistrySaver> FSaver;
  std::string FValidChars;
  bool FValidateChars = false;
  std::string FHint;
  bool FShowHint = false;
  bool FVisible = true;
  std::string FEnterText;
};

class TzuEdit : public TzuCustomEdit {
  ZU_CLASS_INFO
 public:
  using TzuCustomEdit::TzuCustomEdit;
};

// ---------- TzuCheckBox ----------

class TzuCheckBox : public QCheckBox, public TComponent, public TzuControlBounds<TzuCheckBox> {
  ZU_CLASS_INFO
 public:
  explicit TzuCheckBox(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuCheckBox() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& Value);
  bool Checked() const { return isChecked(); }
  void SetChecked(bool Value) { setChecked(Value); }
  TzuTextAlignment AlignmentHorz() const { return FAlignmentHorz; }
  void SetAlignmentHorz(TzuTextAlignment Value);
  TVerticalAlignment AlignmentVert() const { return FAlignmentVert; }
  void SetAlignmentVert(TVerticalAlignment Value);
  // zaLeftJustify: the box on the left; zaRightJustify: on the right.
  TzuTextAlignment BoxAlignment() const { return FBoxAlignment; }
  void SetBoxAlignment(TzuTextAlignment Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) { setGeometry(ALeft, ATop, AWidth, AHeight); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool Value) { setEnabled(Value); }

  // The window style bits of the alignment, flat and word-wrap settings.
  long StyleBits() const;
  // Where the box and the text go in the client area.
  QRect BoxRect() const;
  QRect TextRect() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool hitButton(const QPoint& Pos) const override;

 private:
  std::string FAbout;
  TzuTextAlignment FAlignmentHorz = zaLeftJustify;
  TVerticalAlignment FAlignmentVert = vaCenter;
  TzuTextAlignment FBoxAlignment = zaLeftJustify;
  bool FCtl3D = true;
  bool FWordWrap = false;
  std::string FHint;
  bool FShowHint = false;
};

// ---------- TzuBitBtn ----------

enum TzuBitBtnKind {
  bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll, bkSearch, bkOpen
};
enum TzuGlyphLayout { glGlyphLeft, glGlyphRight };

// Modal results (the Win32 button identifiers).
inline constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                     mrNo = 7, mrAll = 8;

class TzuButton : public QPushButton, public TComponent, public TzuControlBounds<TzuButton> {
  ZU_CLASS_INFO
 public:
  explicit TzuButton(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuButton() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  std::string Caption() const { return text().toStdString(); }
  void SetCaption(const std::string& Value) { setText(QString::fromStdString(Value)); }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) { setGeometry(ALeft, ATop, AWidth, AHeight); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool Value) { setEnabled(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  TzuControlProps& Props() const { return *FProps; }
  ZU_CONTROL_PROPS_ACCESSORS
  ZU_CONTROL_COLOR_ACCESSORS

  // The framework's click: the form takes the modal result, OnClick runs, then a dialog
  // whose modal result is still set ends with it.
  virtual void Click();
  // The width that shows the caption with FittingMargin on each side.
  static constexpr int FittingMargin = 10;
  virtual int FittingWidth() const;

  TNotifyEvent OnClick;
  // Told when the button's enabled state changes.
  std::function<void()> OnEnabledChanged;

 protected:
  void changeEvent(QEvent* Event) override;

 private:
  std::string FAbout;
  int FModalResult = mrNone;
  bool FDefault = false;
  bool FCancel = false;
  std::string FHint;
  bool FShowHint = false;
  bool FVisible = true;
  std::unique_ptr<TzuControlProps> FProps;
};

class TzuBitBtn : public TzuButton {
  ZU_CLASS_INFO
 public:
  explicit TzuBitBtn(TComponent* AOwner, QWidget* ParentWidget = nullptr);

  TzuBitBtnKind Kind() const { return FKind; }
  void SetKind(TzuBitBtnKind Value);
  const QImage& Glyph() const { return FGlyph; }
  void SetGlyph(const QImage& Value);
  TzuGlyphLayout GlyphLayout() const { return FGlyphLayout; }
  void SetGlyphLayout(TzuGlyphLayout Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  bool ShowFocus() const { return FShowFocus; }
  void SetShowFocus(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool ShowDropDownMenuArrow() const { return FShowDropDownMenuArrow; }
  void SetShowDropDownMenuArrow(bool Value);
  QMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(QMenu* Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // The caption's markup settings.
  TzuTextStyle* TextStyle() const { return FTextStyle.get(); }
  // With both set, the glyph is that image of the list.
  TzuImageList* Images() const;
  void SetImages(TzuImageList* Value);
  // Form data names the list; it is looked up among the owner's components when needed.
  std::string ImagesName() const;
  void SetImagesName(const std::string& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  // The glyph drawn: the image of ImageIndex from Images, else Glyph.
  QImage ShownGlyph() const;
  // The button follows the action's text, enabled and visible state and tool tip, and a
  // click triggers it. Run-time only: actions are Qt objects, not components.
  QAction* Action() const { return FAction; }
  void SetAction(QAction* Value);
  // A glyph of the button's own (not its kind's) is stored as PNG bytes, "GlyphData".
  void DefineProperties(TFiler& Filer) override;

  // bkHelp asks the application's help for the nearest help context; bkClose closes the form.
  void Click() override;
  // Where the glyph and the caption go (not pressed).
  QRect GlyphRect() const;
  QRect CaptionRect() const;
  // The glyph and the unwrapped caption with FittingMargin on each side.
  int FittingWidth() const override;

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  void Layout(QRect& GlyphR, QRect& CaptionR) const;
  TzuCaptionOptions CaptionOptions() const;

  TzuBitBtnKind FKind = bkCustom;
  QImage FGlyph;
  TzuGlyphLayout FGlyphLayout = glGlyphLeft;
  int FSpacing = 4;
  bool FShowFocus = true;
  bool FShowAccelChar = true;
  bool FShowDropDownMenuArrow = true;
  QPointer<QMenu> FDropDownMenu;
  bool FWordWrap = false;
  std::unique_ptr<TzuTextStyle> FTextStyle;
  QPointer<TzuImageList> FImages;
  std::string FImagesName;
  int FImageIndex = -1;
  QPointer<QAction> FAction;
  QMetaObject::Connection FActionLink;
  bool FOwnGlyph = false;
  void ActionChanged();
};

// ---------- TzuPanelBitBtn ----------

// A settings object that creates and owns a real control on its owner.
class TzuCustomPersistentControl : public TzuPersistent {
  ZU_CLASS_INFO
 public:
  using TzuPersistent::TzuPersistent;
  ~TzuCustomPersistentControl() override;
  QWidget* Control() const { return FControl; }

 protected:
  // Called by the most derived constructor.
  virtual QWidget* CreateControl() = 0;
  void InitControl() { FControl = CreateControl(); }

 private:
  QPointer<QWidget> FControl;
};

class TzuPersistentControl : public TzuCustomPersistentControl {
  ZU_CLASS_INFO
 public:
  using TzuCustomPersistentControl::TzuCustomPersistentControl;
};

class TzuPanelBitBtn : public TzuPersistentControl {
  ZU_CLASS_INFO
 public:
  explicit TzuPanelBitBtn(TComponent* AOwner);
  TzuBitBtn* Button() const { return static_cast<TzuBitBtn*>(Control()); }

  std::string Caption() const { return Button()->Caption(); }
  void SetCaption(const std::string& Value) { Button()->SetCaption(Value); }
  bool Enabled() const { return Button()->isEnabled(); }
  void SetEnabled(bool Value) { Button()->setEnabled(Value); }
  bool Visible() const { return Button()->Visible(); }
  // Posts the layout message to the owner.
  void SetVisible(bool Value);
  std::string Hint() const { return Button()->Hint(); }
  void SetHint(const std::string& Value) { Button()->SetHint(Value); }
  bool ShowHint() const { return Button()->ShowHint(); }
  void SetShowHint(bool Value) { Button()->SetShowHint(Value); }
  TzuBitBtnKind Kind() const { return Button()->Kind(); }
  void SetKind(TzuBitBtnKind Value) { Button()->SetKind(Value); }
  int ModalResult() const { return Button()->ModalResult(); }
  void SetModalResult(int Value) { Button()->SetModalResult(Value); }
  TzuGlyphLayout GlyphLayout() const { return Button()->GlyphLayout(); }
  void SetGlyphLayout(TzuGlyphLayout Value) { Button()->SetGlyphLayout(Value); }
  bool ShowFocus() const { return Button()->ShowFocus(); }
  void SetShowFocus(bool Value) { Button()->SetShowFocus(Value); }
  const QImage& Glyph() const { return Button()->Glyph(); }
  void SetGlyph(const QImage& Value) { Button()->SetGlyph(Value); }
  int ImageIndex() const { return Button()->ImageIndex(); }
  void SetImageIndex(int Value) { Button()->SetImageIndex(Value); }
  TzuTextStyle* TextStyle() const { return Button()->TextStyle(); }
  QAction* Action() const { return Button()->Action(); }
  void SetAction(QAction* Value) { Button()->SetAction(Value); }
  TzuControlProps& Props() const { return Button()->Props(); }
  ZU_CONTROL_PROPS_ACCESSORS
  ZU_CONTROL_COLOR_ACCESSORS
  void Assign(const TPersistent* Source) override;
  void DefineProperties(TFiler& Filer) override { Button()->DefineProperties(Filer); }

 protected:
  QWidget* CreateControl() override;
};

// ---------- TzuButtonsPanel ----------

enum TzuButtonsPanelAlign { alHorizontal, alVertical };
enum TzuCustomButtonPosition { cbpAfterLast, cbpBeforeFirst, cbpOppositeEdge };

using TzuButtonsPanelClick = std::function<void(TObject* Sender, std::uint8_t ButtonID)>;
using TzuApplySettingsEvent = std::function<void(TObject* Sender, bool& Apply)>;

// The dialog's button row, docked to the bottom of its parent (to the right edge when
// vertical) and laid out by UpdateButtons.
class TzuButtonsPanel : public QWidget, public TComponent {
  ZU_CLASS_INFO
 public:
  enum : std::uint8_t { idOK, idCancel, idApply, idHelp, idCustom };

  explicit TzuButtonsPanel(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuButtonsPanel() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  TzuButtonsPanelAlign Align() const { return FAlign; }
  void SetAlign(TzuButtonsPanelAlign Value);
  TzuTextAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TzuTextAlignment Value);
  bool ApplyEnabled() const { return FBtns[idApply]->Enabled(); }
  void SetApplyEnabled(bool Value) { FBtns[idApply]->SetEnabled(Value); }
  TzuCustomButtonPosition CustomButtonPosition() const { return FCustomButtonPosition; }
  void SetCustomButtonPosition(TzuCustomButtonPosition Value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int Value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int Value);
  int ButtonSpacing() const { return FButtonSpacing; }
  void SetButtonSpacing(int Value);
  int MarginHorz() const { return FMarginHorz; }
  void SetMarginHorz(int Value);
  int MarginVert() const { return FMarginVert; }
  void SetMarginVert(int Value);
  TzuPanelBitBtn* BtnOK() const { return FBtns[idOK].get(); }
  TzuPanelBitBtn* BtnCancel() const { return FBtns[idCancel].get(); }
  TzuPanelBitBtn* BtnApply() const { return FBtns[idApply].get(); }
  TzuPanelBitBtn* BtnHelp() const { return FBtns[idHelp].get(); }
  TzuPanelBitBtn* BtnCustom() const { return FBtns[idCustom].get(); }
  TzuPanelBitBtn* Btn(int Index) const { return FBtns[Index].get(); }
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  // The image list of all five buttons (each picks its image by ImageIndex).
  TzuImageList* Images() const { return FBtns[idOK]->Button()->Images(); }
  void SetImages(TzuImageList* Value);
  std::string ImagesName() const { return FBtns[idOK]->Button()->ImagesName(); }
  void SetImagesName(const std::string& Value);
  bool ShowDivider() const { return FShowDivider; }
  void SetShowDivider(bool Value);
  bool ShowSizeGrip() const { return FShowSizeGrip; }
  void SetShowSizeGrip(bool Value);
  int Width() const { return width(); }
  int Height() const { return height(); }
  bool Docked() const { return FDocked; }
  void SetDocked(bool Value);

  // Lays the buttons out (nothing while loading).
  void UpdateButtons();
  // The divider line in client coordinates; empty without ShowDivider.
  QRect DividerRect() const;
  void Loaded() override;

  TzuButtonsPanelClick OnAnyBtnClick;
  TzuApplySettingsEvent OnApplySettings;
  TNotifyEvent OnApplyEnabledChanged, OnBtnOKClick, OnBtnCancelClick, OnBtnApplyClick, OnBtnHelpClick,
      OnBtnCustomClick;

 protected:
  bool event(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  virtual void BtnClick(std::uint8_t Index);

 private:
  void Dock();
  void WatchParent(QWidget* Old);

  std::string FAbout;
  TzuButtonsPanelAlign FAlign = alHorizontal;
  TzuTextAlignment FAlignment = zaRightJustify;
  TzuCustomButtonPosition FCustomButtonPosition = cbpAfterLast;
  int FButtonWidth = 75, FButtonHeight = 25, FButtonSpacing = 8, FMarginHorz = 5, FMarginVert = 6;
  std::unique_ptr<TzuPanelBitBtn> FBtns[5];
  bool FShowAccelChar = true;
  bool FShowDivider = false;
  bool FShowSizeGrip = false;
  bool FDocked = true;
  bool FLayingOut = false;
  QPointer<QWidget> FWatched;
  QSizeGrip* FSizeGrip = nullptr;
};

}  // namespace zu
