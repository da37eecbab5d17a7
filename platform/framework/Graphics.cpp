#include "platform/framework/Graphics.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "platform/framework/Exceptions.h"
#include "platform/framework/FormData.h"

namespace zu {

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr Info) {
  auto* Err = reinterpret_cast<TJpegError*>(Info->err);
  (*Info->err->format_message)(Info, Err->Message);
  std::longjmp(Err->Jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}  // warnings are not shown

std::string ReadRest(TStream& Stream) {
  const std::int64_t N = Stream.Size() - Stream.Position();
  std::string Bytes(static_cast<size_t>(N > 0 ? N : 0), '\0');
  if (!Bytes.empty()) Stream.ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  return Bytes;
}

// Decodes into Out; false with Err.Message set on failure. No C++ object with a destructor
// lives across the setjmp, so the longjmp of libjpeg's error exit is safe.
bool DecodeInto(const std::uint8_t* Data, std::size_t Size, const TJPEGOptions& Opt, QImage& Out,
                TJpegError& Err) {
  jpeg_decompress_struct Info{};
  Info.err = jpeg_std_error(&Err.Mgr);
  Err.Mgr.error_exit = OnJpegError;
  Err.Mgr.emit_message = OnJpegMessage;
  if (setjmp(Err.Jump)) {
    jpeg_destroy_decompress(&Info);
    return false;
  }
  jpeg_create_decompress(&Info);
  jpeg_mem_src(&Info, Data, static_cast<unsigned long>(Size));
  jpeg_read_header(&Info, TRUE);
  const bool Gray = Info.num_components == 1 || Opt.Grayscale;
  Info.out_color_space = Gray ? JCS_GRAYSCALE : JCS_RGB;
  Info.scale_num = 1;
  Info.scale_denom = 1u << static_cast<unsigned>(Opt.Scale);
  if (Opt.Performance == jpBestSpeed) {
    Info.dct_method = JDCT_IFAST;
    Info.do_fancy_upsampling = FALSE;
  }
  jpeg_start_decompress(&Info);
  Out = QImage(static_cast<int>(Info.output_width), static_cast<int>(Info.output_height),
               Gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  while (Info.output_scanline < Info.output_height) {
    JSAMPROW Row = Out.scanLine(static_cast<int>(Info.output_scanline));
    jpeg_read_scanlines(&Info, &Row, 1);
  }
  jpeg_finish_decompress(&Info);
  jpeg_destroy_decompress(&Info);
  return true;
}

bool EncodeInto(const QImage& Src, int Quality, bool Progressive, unsigned char*& Buf, unsigned long& Len,
                TJpegError& Err) {
  jpeg_compress_struct Info{};
  Info.err = jpeg_std_error(&Err.Mgr);
  Err.Mgr.error_exit = OnJpegError;
  Err.Mgr.emit_message = OnJpegMessage;
  if (setjmp(Err.Jump)) {
    jpeg_destroy_compress(&Info);
    return false;
  }
  jpeg_create_compress(&Info);
  jpeg_mem_dest(&Info, &Buf, &Len);
  Info.image_width = static_cast<JDIMENSION>(Src.width());
  Info.image_height = static_cast<JDIMENSION>(Src.height());
  const bool Gray = Src.format() == QImage::Format_Grayscale8;
  Info.input_components = Gray ? 1 : 3;
  Info.in_color_space = Gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, Quality, TRUE);
  if (Progressive) jpeg_simple_progression(&Info);
  jpeg_start_compress(&Info, TRUE);
  while (Info.next_scanline < Info.image_height) {
    auto* Row = const_cast<JSAMPROW>(Src.constScanLine(static_cast<int>(Info.next_scanline)));
    jpeg_write_scanlines(&Info, &Row, 1);
  }
  jpeg_finish_compress(&Info);
  jpeg_destroy_compress(&Info);
  return true;
}

}  // namespace

QImage DecodeJPEG(const std::uint8_t* Data, std::size_t Size, const TJPEGOptions& Options) {
  if (Size == 0) return QImage();
  QImage Out;
  TJpegError Err{};
  if (!DecodeInto(Data, Size, Options, Out, Err))
    throw EInvalidGraphic(std::string("JPEG error: ") + Err.Message);
  return Out;
}

std::string EncodeJPEG(const QImage& Image, int Quality, const TJPEGOptions& Options) {
  if (Image.isNull()) return std::string();
  const QImage Src = Image.format() == QImage::Format_Grayscale8 ? Image
                     : Options.Grayscale ? Image.convertToFormat(QImage::Format_Grayscale8)
                                         : Image.convertToFormat(QImage::Format_RGB888);
  unsigned char* Buf = nullptr;
  unsigned long Len = 0;
  TJpegError Err{};
  const bool Ok = EncodeInto(Src, Quality < 1 ? 1 : Quality > 100 ? 100 : Quality, Options.ProgressiveEncoding,
                             Buf, Len, Err);
  std::string Result = Ok ? std::string(reinterpret_cast<char*>(Buf), Len) : std::string();
  std::free(Buf);
  if (!Ok) throw EInvalidGraphic(std::string("JPEG error: ") + Err.Message);
  return Result;
}

// ---------- TGraphic ----------

const TClassInfo& TGraphic::StaticClassInfo() {
  static const TClassInfo Info("TGraphic", &TPersistent::StaticClassInfo());
  return Info;
}

void TGraphic::Draw(QPainter& Painter, const QRect& Rect) const {
  if (!FImage.isNull()) Painter.drawImage(Rect, FImage);
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed();
}

void TGraphic::SetImage(const QImage& Image) {
  FImage = Image;
  Changed();
}

void TGraphic::DefineProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& S) { LoadFromStream(S); }, [this](TStream& S) { SaveToStream(S); }, !Empty());
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow, const QRect& R,
                        const std::string& Msg) {
  if (OnProgress) OnProgress(this, Stage, PercentDone, RedrawNow, R, Msg);
}

// ---------- TJPEGImage ----------

const TClassInfo& TJPEGImage::StaticClassInfo() {
  static const TClassInfo Info("TJPEGImage", &TGraphic::StaticClassInfo());
  return Info;
}

void TJPEGImage::Decode() {
  if (FData.empty()) return;
  FImage = DecodeJPEG(reinterpret_cast<const std::uint8_t*>(FData.data()), FData.size(), FOptions);
  Changed();
}

void TJPEGImage::SetImage(const QImage& Image) {
  FData.clear();  // the pixels no longer come from that data
  TGraphic::SetImage(Image);
}

void TJPEGImage::SetGrayscale(bool Value) {
  if (Value == FOptions.Grayscale) return;
  FOptions.Grayscale = Value;
  Decode();
}

void TJPEGImage::SetPerformance(TJPEGPerformance Value) {
  if (Value == FOptions.Performance) return;
  FOptions.Performance = Value;
  Decode();
}

void TJPEGImage::SetScale(TJPEGScale Value) {
  if (Value == FOptions.Scale) return;
  FOptions.Scale = Value;
  Decode();
}

void TJPEGImage::LoadFromStream(TStream& Stream) {
  std::string Bytes = ReadRest(Stream);
  FImage = DecodeJPEG(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size(), FOptions);
  FData = std::move(Bytes);
  Changed();
}

void TJPEGImage::SaveToStream(TStream& Stream) const {
  const std::string Bytes = EncodeJPEG(FImage, FCompressionQuality, FOptions);
  Stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const std::string Bytes = ReadRest(Stream);
  if (Bytes.empty()) {
    FImage = QImage();
    Changed();
    return;
  }
  QImage Img;
  if (!Img.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size())))
    throw EInvalidGraphic("Bitmap image is not valid");
  FImage = Img;
  Changed();
}

const TClassInfo& TBitmap::StaticClassInfo() {
  static const TClassInfo Info("TBitmap", &TGraphic::StaticClassInfo());
  return Info;
}

void TBitmap::Draw(QPainter& Painter, const QRect& Rect) const {
  if (FImage.isNull()) return;
  if (!FTransparent || FImage.hasAlphaChannel()) {
    Painter.drawImage(Rect, FImage);
    return;
  }
  QImage Masked = FImage.convertToFormat(QImage::Format_ARGB32);
  const QRgb Key = Masked.pixel(0, Masked.height() - 1);
  for (int Y = 0; Y < Masked.height(); ++Y) {
    auto* Row = reinterpret_cast<QRgb*>(Masked.scanLine(Y));
    for (int X = 0; X < Masked.width(); ++X)
      if (Row[X] == Key) Row[X] = 0;
  }
  Painter.drawImage(Rect, Masked);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth <= 0 || AHeight <= 0) {
    FImage = QImage();
  } else {
    FImage = QImage(AWidth, AHeight, QImage::Format_RGB32);
    FImage.fill(Qt::white);
  }
  Changed();
}

void TBitmap::SaveToStream(TStream& Stream) const {
  if (FImage.isNull()) return;
  QByteArray Data;
  QBuffer Buf(&Data);
  Buf.open(QIODevice::WriteOnly);
  FImage.save(&Buf, "PNG");
  Stream.WriteBuffer(Data.constData(), Data.size());
}

// ---------- TIcon ----------

const TClassInfo& TIcon::StaticClassInfo() {
  static const TClassInfo Info("TIcon", &TGraphic::StaticClassInfo());
  return Info;
}

void TIcon::LoadFromStream(TStream& Stream) {
  std::string Bytes = ReadRest(Stream);
  QImage Img;
  if (!Bytes.empty() &&
      !Img.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size()), "ICO"))
    throw EInvalidGraphic("Icon image is not valid");
  FImage = Img;
  FData = std::move(Bytes);
  Changed();
}

void TIcon::SaveToStream(TStream& Stream) const {
  if (!FData.empty()) {
    Stream.WriteBuffer(FData.data(), static_cast<std::int64_t>(FData.size()));
    return;
  }
  if (FImage.isNull()) return;
  QByteArray Data;
  QBuffer Buf(&Data);
  Buf.open(QIODevice::WriteOnly);
  if (!FImage.save(&Buf, "ICO")) throw EInvalidGraphic("Icon image is not valid");
  Stream.WriteBuffer(Data.constData(), Data.size());
}

void TIcon::SetImage(const QImage& Image) {
  FData.clear();
  TGraphic::SetImage(Image);
}

// ---------- TMetafile ----------

const TClassInfo& TMetafile::StaticClassInfo() {
  static const TClassInfo Info("TMetafile", &TGraphic::StaticClassInfo());
  return Info;
}

void TMetafile::LoadFromStream(TStream& Stream) {
  std::string Bytes = ReadRest(Stream);
  QPicture Rec;
  if (!Bytes.empty()) {
    QByteArray Data = QByteArray::fromStdString(Bytes);
    QBuffer Buf(&Data);
    Buf.open(QIODevice::ReadOnly);
    if (!Rec.load(&Buf)) throw EInvalidGraphic("Metafile is not valid");
  }
  FRecording = Rec;
  FData = std::move(Bytes);
  Changed();
}

void TMetafile::SaveToStream(TStream& Stream) const {
  if (!FData.empty()) {
    Stream.WriteBuffer(FData.data(), static_cast<std::int64_t>(FData.size()));
    return;
  }
  if (FRecording.isNull()) return;
  QByteArray Data;
  QBuffer Buf(&Data);
  Buf.open(QIODevice::WriteOnly);
  QPicture Copy = FRecording;  // QPicture::save is not const; the copy shares the data
  if (!Copy.save(&Buf)) throw EInvalidGraphic("Metafile is not valid");
  Stream.WriteBuffer(Data.constData(), Data.size());
}

void TMetafile::Draw(QPainter& Painter, const QRect& Rect) const {
  const QRect B = FRecording.boundingRect();
  if (FRecording.isNull() || B.isEmpty()) return;
  Painter.save();
  Painter.translate(Rect.topLeft());
  Painter.scale(static_cast<double>(Rect.width()) / B.width(), static_cast<double>(Rect.height()) / B.height());
  Painter.translate(-B.topLeft());
  Painter.drawPicture(0, 0, FRecording);
  Painter.restore();
}

void TMetafile::SetRecording(const QPicture& Value) {
  FRecording = Value;
  FData.clear();
  Changed();
}

std::unique_ptr<TGraphic> CreateGraphic(const std::string& ClassName) {
  if (ClassName == "TBitmap") return std::make_unique<TBitmap>();
  if (ClassName == "TJPEGImage") return std::make_unique<TJPEGImage>();
  if (ClassName == "TIcon") return std::make_unique<TIcon>();
  if (ClassName == "TMetafile") return std::make_unique<TMetafile>();
  return nullptr;
}

// ---------- TPicture ----------

const TClassInfo& TPicture::StaticClassInfo() {
  static const TClassInfo Info("TPicture", &TPersistent::StaticClassInfo());
  return Info;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value) {
  FGraphic = std::move(Value);
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject* Sender) { Changed(Sender); };
    FGraphic->OnProgress = [this](TObject* Sender, TProgressStage Stage, std::uint8_t Percent, bool Redraw,
                                  const QRect& R, const std::string& Msg) {
      Progress(Sender, Stage, Percent, Redraw, R, Msg);
    };
  }
  Changed(this);
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (const auto* P = dynamic_cast<const TPicture*>(Source)) {
    if (P != this) SetGraphic(P->FGraphic ? P->FGraphic->Clone() : nullptr);
  } else if (const auto* G = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(G->Clone());
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::Changed(TObject* Sender) {
  if (OnChange) OnChange(Sender);
}

void TPicture::Progress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone, bool RedrawNow,
                        const QRect& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

void TPicture::DefineProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); }, FGraphic != nullptr);
}

void TPicture::ReadData(TStream& Stream) {
  std::uint8_t Len = 0;
  Stream.ReadBuffer(&Len, 1);
  std::string Name(Len, '\0');
  Stream.ReadBuffer(Name.data(), Len);
  if (Name.empty()) {
    SetGraphic(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> G = CreateGraphic(Name);
  if (!G) throw EInvalidGraphic("Unknown graphic class " + Name);
  G->LoadFromStream(Stream);
  SetGraphic(std::move(G));
}

void TPicture::WriteData(TStream& Stream) const {
  // Classes derived from the framework's are written as the framework class they extend.
  std::string Name;
  for (const TClassInfo* C = FGraphic ? &FGraphic->ClassInfo() : nullptr; C && Name.empty(); C = C->Parent)
    if (CreateGraphic(C->Name)) Name = C->Name;
  const auto Len = static_cast<std::uint8_t>(Name.size());
  Stream.WriteBuffer(&Len, 1);
  Stream.WriteBuffer(Name.data(), Len);
  if (FGraphic && !Name.empty()) FGraphic->SaveToStream(Stream);
}

}  // namespace zu
