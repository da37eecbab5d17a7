#include "http/zuMIME.h"

#include "platform/framework/DateTime.h"
#include "platform/os/Files.h"
#include "platform/os/Shell.h"
#include "support/zuUtils.h"

namespace zu {

std::string Base64Encode(const std::string& S) {
  static const char* A = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string R;
  R.reserve((S.size() + 2) / 3 * 4 + S.size() / 30 + 2);
  size_t Groups = 0;
  for (size_t I = 0; I < S.size(); I += 3) {
    const auto B0 = static_cast<unsigned char>(S[I]);
    const auto B1 = I + 1 < S.size() ? static_cast<unsigned char>(S[I + 1]) : 0u;
    const auto B2 = I + 2 < S.size() ? static_cast<unsigned char>(S[I + 2]) : 0u;
    R += A[B0 >> 2];
    R += A[((B0 & 3) << 4) | (B1 >> 4)];
    R += I + 1 < S.size() ? A[((B1 & 15) << 2) | (B2 >> 6)] : '=';
    R += I + 2 < S.size() ? A[B2 & 63] : '=';
    if (++Groups % 20 == 0) R += "\r\n";
  }
  return R;
}

std::string GenerateAttachBoundary(char C) {
  return std::string("---ATTACH-BOUNDARY-") + C + "-" + Base64Encode(DateTimeToStr(Now())) + "---";
}

std::string GetMIMEType(const std::string& Ext) {
  if (Ext.empty()) return "application/octet-stream";
  const std::string Lower = LowerCase(IncludeLeadingChar(Ext, '.'));
  const std::string Type = os::MimeTypeForExtension(Lower.substr(1));
  return Type.empty() ? "application/octet-stream" : Type;
}

std::string MultipartHeader(const std::string& Boundary) {
  return "Content-Type: multipart/form-data; boundary=\"" + Boundary + "\"";
}

std::string EscapePartName(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  for (char C : S) {
    if (C == '"') R += "%22";
    else if (C == '\r') R += "%0D";
    else if (C == '\n') R += "%0A";
    else R += C;
  }
  return R;
}

void TzuHTTPUploadStream::WriteFieldHeader(const std::string& Name, const std::string& FileName) {
  std::string H = FBoundaryLine + "\r\nContent-Disposition: form-data; name=\"" + EscapePartName(Name) + "\"";
  if (!FileName.empty())
    H += "; filename=\"" + EscapePartName(FileName) + "\"\r\nContent-Type: " +
         GetMIMEType(os::ExtractFileExt(FileName));
  H += "\r\n\r\n";
  WritePlainStr(H);
}

}  // namespace zu
