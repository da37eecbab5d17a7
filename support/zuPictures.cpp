// Pictures from the program's resources; apart from zuUtils.cpp so that programs without
// pictures do not link the graphics libraries.
#include "support/zuUtils.h"

#include "platform/os/Resources.h"

namespace zu {

void LoadJPEG(const std::string& Name, TPicture& Picture) {
  TMemoryStream Stream;
  LoadResourceToStream(HInstance, Name, "JPG", &Stream);
  TJPEGImage Jpeg;
  Stream.SetPosition(0);
  if (Stream.Size() > 0) Jpeg.LoadFromStream(Stream);
  Picture.Assign(&Jpeg);
}

void LoadJPEG(int Id, TPicture& Picture) { LoadJPEG("#" + std::to_string(Id), Picture); }

}  // namespace zu
