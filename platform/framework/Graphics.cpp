#include "platform/framework/Graphics.h"

#include <QBuffer>
#include <QByteArray>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "platform/framework/Exceptions.h"

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
bool DecodeInto(const std::uint8_t* Data, std::size_t Size, QImage& Out, TJpegError& Err) {
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
  const bool Gray = Info.num_components == 1;
  Info.out_color_space = Gray ? JCS_GRAYSCALE : JCS_RGB;
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

bool EncodeInto(const QImage& Src, int Quality, unsigned char*& Buf, unsigned long& Len,
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

QImage DecodeJPEG(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return QImage();
  QImage Out;
  TJpegError Err{};
  if (!DecodeInto(Data, Size, Out, Err))
    throw EInvalidGraphic(std::string("JPEG error: ") + Err.Message);
  return Out;
}

std::string EncodeJPEG(const QImage& Image, int Quality) {
  if (Image.isNull()) return std::string();
  const QImage Src = Image.format() == QImage::Format_Grayscale8
                         ? Image
                         : Image.convertToFormat(QImage::Format_RGB888);
  unsigned char* Buf = nullptr;
  unsigned long Len = 0;
  TJpegError Err{};
  const bool Ok = EncodeInto(Src, Quality < 1 ? 1 : Quality > 100 ? 100 : Quality, Buf, Len, Err);
  std::string Result = Ok ? std::string(reinterpret_cast<char*>(Buf), Len) : std::string();
  std::free(Buf);
  if (!Ok) throw EInvalidGraphic(std::string("JPEG error: ") + Err.Message);
  return Result;
}

void TJPEGImage::LoadFromStream(TStream& Stream) {
  const std::string Bytes = ReadRest(Stream);
  FImage = DecodeJPEG(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size());
}

void TJPEGImage::SaveToStream(TStream& Stream) const {
  const std::string Bytes = EncodeJPEG(FImage, FCompressionQuality);
  Stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const std::string Bytes = ReadRest(Stream);
  if (Bytes.empty()) {
    FImage = QImage();
    return;
  }
  QImage Img;
  if (!Img.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size())))
    throw EInvalidGraphic("Bitmap image is not valid");
  FImage = Img;
}

void TBitmap::SaveToStream(TStream& Stream) const {
  if (FImage.isNull()) return;
  QByteArray Data;
  QBuffer Buf(&Data);
  Buf.open(QIODevice::WriteOnly);
  FImage.save(&Buf, "PNG");
  Stream.WriteBuffer(Data.constData(), Data.size());
}

}  // namespace zu
