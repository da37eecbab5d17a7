// Picture fields of an upload. Kept apart from the rest of the component so that programs
// which never upload a picture do not link the graphics and widget libraries.
#include "http/zuHTTP.h"
#include "widgets/zuThumbnail.h"

namespace zu {

void TzuCustomHTTP::UploadPicture(const std::string& Name, const TPicture& Picture, const std::string& FileName) {
  TMemoryStream S;
  if (Picture.Graphic()) Picture.Graphic()->SaveToStream(S);
  UploadStream(Name, &S, FileName);
}

void TzuCustomHTTP::UploadThumbnailedPicture(const std::string& Name, const TPicture& Picture, std::uint16_t Width,
                                             std::uint16_t Height, std::uint8_t Quality, bool KeepSmaller,
                                             const std::string& FileName) {
  TMemoryStream S;
  WriteThumbnailedImageToStream(S, Picture, Width, Height, Quality, KeepSmaller);
  UploadStream(Name, &S, FileName);
}

}  // namespace zu
