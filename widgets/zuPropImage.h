// zuPropImage: the picture control of the dialogs. It scales its picture down (or up, when
// asked) keeping the aspect ratio, places it by one of nine alignments and can pre-render the
// scaled picture into a bitmap. Also the JPEG thumbnail writer the HTTP upload uses.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/framework/Component.h"
#include "platform/framework/Graphics.h"
#include "widgets/zuGraphics.h"
#include "widgets/zuThumbnail.h"
#include "widgets/zuControlBounds.h"

namespace zu {

enum TzuImageAlignment {
  iaCenter, iaLeft, iaTop, iaRight, iaBottom, iaTopLeft, iaTopRight, iaBottomLeft, iaBottomRight
};

// How a control sits in its parent; the control itself reads it only when it sizes itself
// to its picture.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

using TzuMouseEvent = std::function<void(TObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                         int X, int Y)>;
using TzuMouseMoveEvent = std::function<void(TObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;

// Where a PicW x PicH picture goes in a ClientW x ClientH area (the geometry of DrawRect).
QRect ProportionalRect(int PicW, int PicH, int ClientW, int ClientH, bool Stretch, bool Proportional,
                       TzuImageAlignment Alignment);

// The JPEG settings of a picture: a JPEG graphic's own when the picture holds one, the stored
// values otherwise. Setting one stores it and hands it to the JPEG graphic.
class TzuJPEGProperties : public TPersistent {
  ZU_CLASS_INFO
 public:
  explicit TzuJPEGProperties(TPicture* APicture) : FPicture(APicture) {}

  int CompressionQuality() const;
  void SetCompressionQuality(int Value);  // kept within 1..100
  bool Grayscale() const;
  void SetGrayscale(bool Value);
  TJPEGPerformance Performance() const;
  void SetPerformance(TJPEGPerformance Value);
  TJPEGPixelFormat PixelFormat() const;
  void SetPixelFormat(TJPEGPixelFormat Value);
  bool ProgressiveDisplay() const;
  void SetProgressiveDisplay(bool Value);
  bool ProgressiveEncoding() const;
  void SetProgressiveEncoding(bool Value);
  TJPEGScale Scale() const;
  void SetScale(TJPEGScale Value);
  bool Smoothing() const;
  void SetSmoothing(bool Value);

  void Assign(const TPersistent* Source) override;
  // Applies every stored value to Image.
  void ApplyTo(TJPEGImage& Image) const;

 private:
  TJPEGImage* Jpeg() const;
  TPicture* FPicture;
  int FCompressionQuality = 90;
  bool FGrayscale = false;
  TJPEGPerformance FPerformance = jpBestQuality;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
  bool FProgressiveDisplay = false;
  bool FProgressiveEncoding = false;
  TJPEGScale FScale = jsFullSize;
  bool FSmoothing = true;
};

// A windowless image control: a child widget that paints only its picture, so the parent
// shows through wherever the picture does not cover it (unless it is opaque, see below).
class TzuProportionalImage : public QWidget, public TComponent, public TzuControlBounds<TzuProportionalImage> {
  ZU_CLASS_INFO
 public:
  // The widget parent is ParentWidget, else the owner when the owner is a widget.
  explicit TzuProportionalImage(TComponent* AOwner, QWidget* ParentWidget = nullptr);
  ~TzuProportionalImage() override;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& Value) { FAbout = Value; }
  TzuImageAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TzuImageAlignment Value);
  bool FixedStretching() const { return FFixedStretching; }
  void SetFixedStretching(bool Value);
  bool IncrementalDisplay() const { return FIncrementalDisplay; }
  void SetIncrementalDisplay(bool Value) { FIncrementalDisplay = Value; }
  TzuJPEGProperties* JPEGProperties() const { return FJPEGProperties.get(); }
  TzuPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture& Value) { FPicture->Assign(Value); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

  // With AutoSize the size passes through CanAutoSize first.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value) { FAlign = Value; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool Value) { setEnabled(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);

  // Where the picture is drawn, in client coordinates.
  QRect DrawRect() const;
  // Always true; sets the sizes the picture asks for (see the class notes).
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
  std::uintptr_t GetPalette() const;
  // The picture's bitmap to draw on (an empty picture gets a white bitmap of the control's
  // size first). Raises EInvalidOperation "Canvas need bitmap." for any other graphic.
  QImage& Canvas();
  // Whether the control paints every pixel of its area itself.
  bool Opaque() const { return testAttribute(Qt::WA_OpaquePaintEvent); }

  void Loaded() override;

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TzuMouseEvent OnMouseDown, OnMouseUp;
  TzuMouseMoveEvent OnMouseMove;
  TProgressEvent OnProgress;

 protected:
  virtual void Paint();
  virtual void PictureChanged(TObject* Sender);
  virtual void PictureProgress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow,
                               const QRect& R, const std::string& Msg);
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;

 private:
  void AdjustSize();

  std::string FAbout;
  TzuImageAlignment FAlignment = iaCenter;
  bool FFixedStretching = true;
  bool FIncrementalDisplay = false;
  std::unique_ptr<TzuPicture> FPicture;
  std::unique_ptr<TzuJPEGProperties> FJPEGProperties;
  bool FProportional = true;
  bool FStretch = false;
  bool FTransparent = false;
  TAlign FAlign = alNone;
  bool FAutoSize = false;
  bool FVisible = true;
  bool FShowHint = false;
  std::string FHint;
  bool FDrawing = false;
  bool FPressed = false;
};

}  // namespace zu
