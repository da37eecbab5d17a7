// AppControls: the few controls of the main window that the component library does not
// provide: the version-information reader, the flat menu painter, an image and a bitmap
// button with a two-state glyph. Each is a component, so the form data can reach it by name.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Graphics.h"
#include "widgets/zuDialogControls.h"

namespace zu {

// Reads the running program's version record. Field numbers as the original reader counts
// them; only the file version (2) and the product version (7) are known on Linux.
class TKwVersionInfo : public TComponent {
  ZU_CLASS_INFO
 public:
  enum : int { viFileVersion = 2, viProductVersion = 7 };
  explicit TKwVersionInfo(TComponent* AOwner) : TComponent(AOwner) {}
  // Empty for a field that the record does not hold.
  std::string GetField(int Index) const;
};

// Paints menus and standard controls flat. Qt's styles already draw them so; the component
// keeps its setting and does nothing else.
class TXPMenu : public TComponent {
  ZU_CLASS_INFO
 public:
  explicit TXPMenu(TComponent* AOwner) : TComponent(AOwner) {}
  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }

 private:
  bool FActive = true;
};

// A picture on a form. With AutoSize the control takes the picture's size.
class TImage : public QWidget, public TComponent {
  ZU_CLASS_INFO
 public:
  explicit TImage(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TImage() override;

  TPicture* Picture() const { return FPicture.get(); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  void PictureChanged();
  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
};

// A bitmap button whose glyph holds NumGlyphs images side by side: the first is drawn while
// the button is enabled, the second while it is disabled.
class TBitBtn : public TzuBitBtn {
  ZU_CLASS_INFO
 public:
  explicit TBitBtn(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TBitBtn() override;

  TBitmap* GlyphBitmap() const { return FGlyphBitmap.get(); }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  // The glyph image drawn in the given state.
  QImage StateGlyph(bool Enabled) const;

 private:
  void UpdateGlyph();
  std::unique_ptr<TBitmap> FGlyphBitmap;
  int FNumGlyphs = 1;
};

}  // namespace zu
