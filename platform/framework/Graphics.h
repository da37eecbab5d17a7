// Pictures: graphics that can be loaded from and saved to streams, and the picture holder.
//
//   TGraphic      a persistent graphic; alone as a property it is stored as "Data"
//     TJPEGImage  libjpeg
//     TBitmap     streamed as PNG
//     TIcon       an .ico file, read and written through Qt
//     TMetafile   recorded drawing commands (a QPicture stands in for the metafile)
//   TPicture      holds at most one graphic; stored as "Data": class name, then the graphic
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QPicture>
#include <QRect>

#include "platform/framework/Component.h"
#include "platform/framework/Streams.h"

class QPainter;

namespace zu {

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone,
                                          bool RedrawNow, const QRect& R, const std::string& Msg)>;

class TGraphic : public TPersistent {
  ZU_CLASS_INFO
 public:
  TGraphic() = default;
  // A copy takes the picture, never the subscriptions of the original's holder.
  TGraphic(const TGraphic& Source)
      : TPersistent(Source), FImage(Source.FImage), FTransparent(Source.FTransparent) {}
  TGraphic& operator=(const TGraphic& Source) {
    FImage = Source.FImage;
    FTransparent = Source.FTransparent;
    return *this;
  }

  virtual bool Empty() const { return FImage.isNull(); }
  virtual int Width() const { return FImage.width(); }
  virtual int Height() const { return FImage.height(); }
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // Draws the graphic scaled into Rect.
  virtual void Draw(QPainter& Painter, const QRect& Rect) const;

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // Qt paints without palettes: there is never one to realise.
  virtual std::uintptr_t Palette() const { return 0; }

  const QImage& Image() const { return FImage; }
  virtual void SetImage(const QImage& Image);

  // "Data": the graphic's own file image.
  void DefineProperties(TFiler& Filer) override;

  void Changed();
  void Progress(TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow, const QRect& R,
                const std::string& Msg);
  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  QImage FImage;
  bool FTransparent = false;
};

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

// How a JPEG is decoded and encoded. Grayscale, Scale and Performance shape decoding,
// Grayscale and ProgressiveEncoding shape encoding; the others are kept as settings.
struct TJPEGOptions {
  bool Grayscale = false;
  TJPEGPerformance Performance = jpBestQuality;
  TJPEGScale Scale = jsFullSize;
  bool ProgressiveEncoding = false;
};

// A JPEG picture, decoded and encoded with libjpeg. LoadFromStream reads the rest of the stream.
// The compressed data is kept, so a change of a decoding setting decodes it again.
class TJPEGImage : public TGraphic {
  ZU_CLASS_INFO
 public:
  void LoadFromStream(TStream& Stream) override;  // EInvalidGraphic on data that is no JPEG
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
  void SetImage(const QImage& Image) override;

  int CompressionQuality() const { return FCompressionQuality; }
  void SetCompressionQuality(int Q) { FCompressionQuality = Q; }
  bool Grayscale() const { return FOptions.Grayscale; }
  void SetGrayscale(bool Value);
  TJPEGPerformance Performance() const { return FOptions.Performance; }
  void SetPerformance(TJPEGPerformance Value);
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat Value) { FPixelFormat = Value; }
  bool ProgressiveDisplay() const { return FProgressiveDisplay; }
  void SetProgressiveDisplay(bool Value) { FProgressiveDisplay = Value; }
  bool ProgressiveEncoding() const { return FOptions.ProgressiveEncoding; }
  void SetProgressiveEncoding(bool Value) { FOptions.ProgressiveEncoding = Value; }
  TJPEGScale Scale() const { return FOptions.Scale; }
  void SetScale(TJPEGScale Value);
  bool Smoothing() const { return FSmoothing; }
  void SetSmoothing(bool Value) { FSmoothing = Value; }

 private:
  void Decode();
  int FCompressionQuality = 90;
  TJPEGOptions FOptions;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
  bool FProgressiveDisplay = false;
  bool FSmoothing = true;
  std::string FData;  // the compressed data it was loaded from; empty once the image is set
};

// A bitmap; streamed as PNG (lossless). A transparent bitmap leaves out the colour of its
// bottom-left pixel when drawn.
class TBitmap : public TGraphic {
  ZU_CLASS_INFO
 public:
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
  void Draw(QPainter& Painter, const QRect& Rect) const override;

  // A new size keeps nothing of the old pixels: the bitmap is white.
  void SetSize(int AWidth, int AHeight);
  // The drawing surface: open a QPainter on it, then call Changed().
  QImage& Canvas() { return FImage; }
};

// An icon file (.ico). The file it was loaded from is saved back byte for byte; an icon made
// from an image is written by Qt's icon writer.
class TIcon : public TGraphic {
  ZU_CLASS_INFO
 public:
  void LoadFromStream(TStream& Stream) override;  // EInvalidGraphic "Icon image is not valid"
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }
  void SetImage(const QImage& Image) override;

 private:
  std::string FData;
};

// The metafile of the original platform has no Linux counterpart; a recording of QPainter
// commands (QPicture, in its own file format) plays that part: a scalable, drawn picture.
class TMetafile : public TGraphic {
  ZU_CLASS_INFO
 public:
  bool Empty() const override { return FRecording.isNull(); }
  int Width() const override { return FRecording.boundingRect().width(); }
  int Height() const override { return FRecording.boundingRect().height(); }
  void LoadFromStream(TStream& Stream) override;  // EInvalidGraphic "Metafile is not valid"
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }
  void Draw(QPainter& Painter, const QRect& Rect) const override;

  const QPicture& Recording() const { return FRecording; }
  void SetRecording(const QPicture& Value);

 private:
  QPicture FRecording;
  std::string FData;
};

// Makes an empty graphic of one of the classes above by name; null for any other name.
std::unique_ptr<TGraphic> CreateGraphic(const std::string& ClassName);

// Holds at most one graphic of any kind; Assign copies it.
class TPicture : public TPersistent {
  ZU_CLASS_INFO
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Takes Value over (null clears), subscribes to its notifications and reports a change.
  void SetGraphic(std::unique_ptr<TGraphic> Value);
  // From a picture: a copy of its graphic; from a graphic: a copy of it; null: no graphic.
  void Assign(const TPersistent* Source) override;
  void Assign(const TPicture& Source) { Assign(static_cast<const TPersistent*>(&Source)); }
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // "Data": one length byte and the graphic's class name, then the graphic's own file image.
  void DefineProperties(TFiler& Filer) override;

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 protected:
  virtual void Changed(TObject* Sender);
  virtual void Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow,
                        const QRect& R, const std::string& Msg);
  void ReadData(TStream& Stream);
  void WriteData(TStream& Stream) const;

 private:
  std::unique_ptr<TGraphic> FGraphic;
};

// libjpeg codec. DecodeJPEG raises EInvalidGraphic for data that cannot be read as JPEG.
QImage DecodeJPEG(const std::uint8_t* Data, std::size_t Size, const TJPEGOptions& Options = {});
std::string EncodeJPEG(const QImage& Image, int Quality, const TJPEGOptions& Options = {});

}  // namespace zu
