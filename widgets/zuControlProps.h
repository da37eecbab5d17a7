// zuControlProps: the framework control properties the dialog controls publish beyond their
// own: Font and ParentFont, Color and ParentColor, Cursor, PopupMenu, BiDiMode and
// ParentBiDiMode, ParentShowHint. One object per control applies them to its widget (or to the
// widget a settings object forwards them to).
#pragma once

#include <QPointer>
#include <Qt>

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/Font.h"
#include "widgets/zuRichLabel.h"

class QMenu;
class QMetaObject;
class QWidget;

namespace zu {

// The framework's cursor identifiers.
using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                         crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                         crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                         crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                         crSizeAll = -22;
// Sets W's cursor; crDefault gives it back its parent's.
void SetWidgetCursor(QWidget* W, TCursor Cursor);
// The Qt shape of a cursor identifier; false for crDefault and unknown identifiers.
bool CursorShapeOf(TCursor Cursor, Qt::CursorShape& Shape);

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
inline const std::vector<std::string> BiDiModeNames = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                                       "bdRightToLeftReadingOnly"};

class TzuControlProps {
 public:
  // ManageColor false leaves the background to the control (a label with its own rules).
  explicit TzuControlProps(QWidget* AControl, bool AManageColor = true);
  ~TzuControlProps();
  TzuControlProps(const TzuControlProps&) = delete;
  TzuControlProps& operator=(const TzuControlProps&) = delete;

  QWidget* Control() const { return FControl; }

  // Setting the font's properties turns ParentFont off, as the framework does.
  TFont& Font() { return *FFont; }
  const TFont& Font() const { return *FFont; }
  TzuFontProperty* FontProperty() const { return FFontProperty.get(); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // A context menu for right clicks on the control; null for none.
  QMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(QMenu* Value);
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);
  // Kept for form data: tool tips here are each control's own ShowHint.
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value) { FParentShowHint = Value; }

  void Assign(const TzuControlProps& Source);

 private:
  void FontChanged();
  void ApplyFont();
  void ApplyColor();

  QPointer<QWidget> FControl;
  bool FManageColor;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TzuFontProperty> FFontProperty;
  bool FParentFont = true;
  bool FApplying = false;
  TColor FColor;
  bool FParentColor = true;
  TCursor FCursor = crDefault;
  QPointer<QMenu> FPopupMenu;
  QMetaObject::Connection* FMenuLink = nullptr;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  bool FParentShowHint = true;
};

// Accessors for a class that reaches its TzuControlProps through Props(), and the published
// properties over them (written with a TClassBuilder of T).
#define ZU_CONTROL_PROPS_ACCESSORS                                                  \
  TzuFontProperty* FontProperty() const { return Props().FontProperty(); }         \
  bool ParentFont() const { return Props().ParentFont(); }                         \
  void SetParentFont(bool Value) { Props().SetParentFont(Value); }                 \
  TCursor Cursor() const { return Props().Cursor(); }                              \
  void SetCursor(TCursor Value) { Props().SetCursor(Value); }                      \
  QMenu* PopupMenu() const { return Props().PopupMenu(); }                         \
  void SetPopupMenu(QMenu* Value) { Props().SetPopupMenu(Value); }                 \
  TBiDiMode BiDiMode() const { return Props().BiDiMode(); }                        \
  void SetBiDiMode(TBiDiMode Value) { Props().SetBiDiMode(Value); }                \
  bool ParentBiDiMode() const { return Props().ParentBiDiMode(); }                 \
  void SetParentBiDiMode(bool Value) { Props().SetParentBiDiMode(Value); }         \
  bool ParentShowHint() const { return Props().ParentShowHint(); }                 \
  void SetParentShowHint(bool Value) { Props().SetParentShowHint(Value); }

#define ZU_CONTROL_COLOR_ACCESSORS                                                  \
  TColor Color() const { return Props().Color(); }                                 \
  void SetColor(TColor Value) { Props().SetColor(Value); }                         \
  bool ParentColor() const { return Props().ParentColor(); }                       \
  void SetParentColor(bool Value) { Props().SetParentColor(Value); }

#define ZU_PUBLISH_CONTROL_PROPS                                                                   \
  Object("Font", &T::FontProperty)                                                                 \
      .Bool("ParentFont", &T::ParentFont, &T::SetParentFont, std::nullopt) /* after Font, always */ \
      .Int("Cursor", &T::Cursor, &T::SetCursor, 0)                                                 \
      .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeNames, std::optional(bdLeftToRight), \
            [](const T& O) { return !O.ParentBiDiMode(); })                                        \
      .Bool("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode, true)                     \
      .Bool("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint, true)

#define ZU_PUBLISH_CONTROL_COLOR                                                                   \
  Int("Color", &T::Color, &T::SetColor, std::nullopt, [](const T& O) { return !O.ParentColor(); }) \
      .Bool("ParentColor", &T::ParentColor, &T::SetParentColor, true)

}  // namespace zu
