// Pictures: graphics that can be loaded from and saved to streams, and the picture holder.
#pragma once

#include <memory>
#include <string>

#include <QImage>

#include "platform/framework/Streams.h"

namespace zu {

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual bool Empty() const { return FImage.isNull(); }
  virtual int Width() const { return FImage.width(); }
  virtual int Height() const { return FImage.height(); }
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  virtual std::string ClassName() const = 0;

  const QImage& Image() const { return FImage; }
  void SetImage(const QImage& Image) { FImage = Image; }

 protected:
  QImage FImage;
};

// A JPEG picture, decoded and encoded with libjpeg. LoadFromStream reads the rest of the stream.
class TJPEGImage : public TGraphic {
 public:
  void LoadFromStream(TStream& Stream) override;  // EInvalidGraphic on data that is no JPEG
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
  std::string ClassName() const override { return "TJPEGImage"; }

  int CompressionQuality() const { return FCompressionQuality; }
  void SetCompressionQuality(int Q) { FCompressionQuality = Q; }

 private:
  int FCompressionQuality = 90;
};

// A bitmap; streamed as PNG (lossless).
class TBitmap : public TGraphic {
 public:
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
  std::string ClassName() const override { return "TBitmap"; }
};

// Holds at most one graphic of any kind; Assign copies it.
class TPicture {
 public:
  TGraphic* Graphic() const { return FGraphic.get(); }
  void Assign(const TGraphic* Source) { FGraphic = Source ? Source->Clone() : nullptr; }
  void Assign(const TPicture& Source) { Assign(Source.Graphic()); }
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

 private:
  std::unique_ptr<TGraphic> FGraphic;
};

// libjpeg codec. DecodeJPEG raises EInvalidGraphic for data that cannot be read as JPEG.
QImage DecodeJPEG(const std::uint8_t* Data, std::size_t Size);
std::string EncodeJPEG(const QImage& Image, int Quality);

}  // namespace zu
