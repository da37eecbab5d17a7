// zuGraphics: the picture and the icon that keep icons and metafiles in form data as "SFP"
// (see zuSFPack) instead of the framework's "Data".
//
//   TzuPicture "SFP":  L (u32), then an SFP packed stream of: kind byte (0 icon, 1 metafile),
//                      the graphic's own file image
//   TzuIcon "SFP":     the same without the kind byte
//
// Other graphics (bitmaps, JPEG images) stay in the framework's "Data" form, and a "Data"
// entry is always readable. Our form data knows no form inheritance, so "differs from the
// ancestor's" never arises: a picture has SFP data whenever it holds an icon or a metafile.
#pragma once

#include <memory>

#include "platform/framework/FormData.h"
#include "platform/framework/Graphics.h"

namespace zu {

class TzuPicture : public TPicture {
  ZU_CLASS_INFO
 public:
  void DefineProperties(TFiler& Filer) override;
  // Replaces the graphic by the one stored (none for an unknown kind). A damaged graphic
  // raises its loader's error and leaves the picture as it was.
  void ReadSFPData(TStream& Stream);
  void WriteSFPData(TStream& Stream) const;
};

class TzuIcon : public TIcon {
  ZU_CLASS_INFO
 public:
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TzuIcon>(*this); }
  void DefineProperties(TFiler& Filer) override;
  void ReadSFPData(TStream& Stream);
  void WriteSFPData(TStream& Stream) const;
};

}  // namespace zu
