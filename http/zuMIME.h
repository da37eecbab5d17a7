// zuMIME: what a multipart/form-data upload is built from.
#pragma once

#include <string>

#include "support/zuStreams.h"

namespace zu {

// RFC 2045 alphabet; CR LF after every 20 groups (80 characters), also after the last one
// when the group count is a multiple of 20.
std::string Base64Encode(const std::string& S);
// "---ATTACH-BOUNDARY-" C "-" Base64Encode(now as text) "---".
std::string GenerateAttachBoundary(char C);
// The MIME type of a file name extension (with or without the dot, any case) from the
// desktop's MIME database; "application/octet-stream" when it is empty or unknown.
std::string GetMIMEType(const std::string& Ext);

// The request header of a multipart upload: "Content-Type: multipart/form-data;
// boundary="..."". The boundary is quoted: its Base64 part may hold "=", "+" and "/", which a
// bare parameter value may not, and strict parsers find no boundary otherwise.
std::string MultipartHeader(const std::string& Boundary);
// A field or file name as the part header carries it: '"', CR and LF become %22, %0D and
// %0A (as browsers send them), so a name cannot end the quoted value and add parameters.
std::string EscapePartName(const std::string& S);

// The whole body of a multipart upload, composed in memory field by field.
class TzuHTTPUploadStream : public TzuMemoryStream {
 public:
  explicit TzuHTTPUploadStream(const std::string& Boundary) : FBoundaryLine("--" + Boundary) {}
  const std::string& BoundaryLine() const { return FBoundaryLine; }
  // Boundary line, Content-Disposition (with filename and Content-Type when FileName is not
  // empty; both names escaped), the empty line.
  void WriteFieldHeader(const std::string& Name, const std::string& FileName);
  void WriteFieldEnd() { WritePlainStr("\r\n"); }
  void WriteClosingLine() { WritePlainStr(FBoundaryLine + "--\r\n"); }

 private:
  std::string FBoundaryLine;
};

}  // namespace zu
