// zuRichLabel: the markup settings of a control (TzuTextStyle), a windowless label base
// (TzuBaseLabel) and the label that shows marked-up text (TzuRichLabel).
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Font.h"
#include "platform/framework/Graphics.h"
#include "widgets/zuPropImage.h"
#include "widgets/zuRichTextUtils.h"
#include "widgets/zuControlBounds.h"

namespace zu {

class TzuTextStyle : public TPersistent {
  ZU_CLASS_INFO
 public:
  // AControl (may be null) is repainted when a setting changes.
  explicit TzuTextStyle(QWidget* AControl = nullptr) : FControl(AControl) {}

  bool PlainText() const { return FPlainText; }
  void SetPlainText(bool Value);
  char TagOpen() const { return FTagOpen; }
  void SetTagOpen(char Value);
  char TagClose() const { return FTagClose; }
  void SetTagClose(char Value);
  void Assign(const TPersistent* Source) override;

  // Form data keeps the tag characters as one-character strings.
  std::string TagOpenText() const { return std::string(1, FTagOpen); }
  void SetTagOpenText(const std::string& Value);
  std::string TagCloseText() const { return std::string(1, FTagClose); }
  void SetTagCloseText(const std::string& Value);

 protected:
  virtual void TextStyleChanged();

 private:
  QWidget* FControl;
  bool FPlainText = false;
  char FTagOpen = '[';
  char FTagClose = ']';
};

// The published face of a control's TFont (Name, Size, Color, Style).
class TzuFontProperty : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuFontProperty(TFont& AFont) : FFont(AFont) {}
  const std::string& Name() const { return FFont.Name(); }
  void SetName(const std::string& Value) { FFont.SetName(Value); }
  int Size() const { return FFont.Size(); }
  void SetSize(int Value) { FFont.SetSize(Value); }
  TColor Color() const { return FFont.Color(); }
  void SetColor(TColor Value) { FFont.SetColor(Value); }
  std::int64_t StyleMask() const;
  void SetStyleMask(std::int64_t Value);

 private:
  TFont& FFont;
};

// A windowless label: a child widget that paints only its text over its parent (or over
// its Color unless Transparent).
class TzuBaseLabel : public QWidget, public TComponent, public TzuControlBounds<TzuBaseLabel> {
  ZU_CLASS_INFO
 public:
  // The widget parent is ParentWidget, else the owner when the owner is a widget.
  explicit TzuBaseLabel(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuBaseLabel() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value) { FAlign = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFont& Font() const { return *FFont; }
  TzuFontProperty* FontProperty() const { return FFontProperty.get(); }
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  bool MouseInControl() const { return FMouseInControl; }
  void Loaded() override;

  TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseLeave;
  TzuMouseEvent OnMouseDown, OnMouseUp;
  TzuMouseMoveEvent OnMouseMove;

 protected:
  virtual void MouseEnter();
  virtual void MouseLeave();
  // The label's text-drawing step; the base draws the caption as plain text.
  virtual void DoDrawText(QPainter& Painter);
  // After a caption change.
  virtual void CaptionChanged();
  // With AutoSize: the size of the text.
  virtual void AdjustBounds();
  TBitmap& Bitmap() const { return *FBitmap; }

  void paintEvent(QPaintEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;

  bool FWordWrap = false;

 private:
  std::string FAbout;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TzuFontProperty> FFontProperty;
  TAlign FAlign = alNone;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  std::string FCaption;
  TColor FColor = clBtnFace;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FVisible = true;
  bool FMouseInControl = false;
  bool FPressed = false;
};

class TzuRichLabel : public TzuBaseLabel {
  ZU_CLASS_INFO
 public:
  explicit TzuRichLabel(TComponent* AOwner, QWidget* ParentWidget = nullptr);

  bool AutoHeight() const { return FAutoHeight; }
  void SetAutoHeight(bool Value);
  std::uint16_t MarginHorz() const { return FMarginHorz; }
  void SetMarginHorz(std::uint16_t Value);
  std::uint16_t MarginVert() const { return FMarginVert; }
  void SetMarginVert(std::uint16_t Value);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value);
  bool ShowFrame() const { return FShowFrame; }
  void SetShowFrame(bool Value);
  bool ShowShadow() const { return FShowShadow; }
  void SetShowShadow(bool Value);
  TzuTextStyle* TextStyle() const { return FTextStyle.get(); }
  // Replaces the base class's word wrap, which stays off.
  bool WordWrap() const { return FRichWordWrap; }
  void SetWordWrap(bool Value);

  // Draws the caption into the label's bitmap; the extent DrawRichText returns.
  QPoint TextWH();
  // The last drawing (what the label copies to its canvas).
  const QImage& Drawing() const { return Bitmap().Image(); }

 protected:
  void DoDrawText(QPainter& Painter) override;
  void CaptionChanged() override;

 private:
  void Changed();
  void ApplyAutoHeight();

  bool FAutoHeight = true;
  std::uint16_t FMarginHorz = 0;
  std::uint16_t FMarginVert = 0;
  TColor FShadowColor = clBlack;
  bool FShowFrame = false;
  bool FShowShadow = false;
  bool FRichWordWrap = true;
  std::unique_ptr<TzuTextStyle> FTextStyle;
};

}  // namespace zu
