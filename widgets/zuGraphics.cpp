#include "widgets/zuGraphics.h"

#include "widgets/zuSFPack.h"

namespace zu {

namespace {
enum : std::uint8_t { sfpIcon = 0, sfpMetafile = 1 };
}

// ---------- TzuPicture ----------

const TClassInfo& TzuPicture::StaticClassInfo() {
  static const TClassInfo Info("TzuPicture", &TPicture::StaticClassInfo());
  return Info;
}

void TzuPicture::DefineProperties(TFiler& Filer) {
  const TGraphic* G = Graphic();
  const bool HasData = dynamic_cast<const TIcon*>(G) || dynamic_cast<const TMetafile*>(G);
  Filer.DefineBinaryProperty(
      "SFP", [this](TStream& S) { ReadSFPData(S); }, [this](TStream& S) { WriteSFPData(S); }, HasData);
  if (!HasData) TPicture::DefineProperties(Filer);
}

void TzuPicture::ReadSFPData(TStream& Stream) {
  const std::unique_ptr<TzuMemoryStream> Data = SFUnpackStream(Stream);
  const std::uint8_t Kind = Data->ReadByte();
  std::unique_ptr<TGraphic> G;
  if (Kind == sfpIcon)
    G = std::make_unique<TIcon>();
  else if (Kind == sfpMetafile)
    G = std::make_unique<TMetafile>();
  if (G) G->LoadFromStream(*Data);
  SetGraphic(std::move(G));
}

void TzuPicture::WriteSFPData(TStream& Stream) const {
  const TGraphic* G = Graphic();
  TzuMemoryStream Data;
  Data.WriteByte(dynamic_cast<const TMetafile*>(G) ? sfpMetafile : sfpIcon);
  if (G) G->SaveToStream(Data);
  SFPackStream(Data, Stream);
}

// ---------- TzuIcon ----------

const TClassInfo& TzuIcon::StaticClassInfo() {
  static const TClassInfo Info("TzuIcon", &TIcon::StaticClassInfo());
  return Info;
}

void TzuIcon::DefineProperties(TFiler& Filer) {
  const bool HasData = !Empty();
  Filer.DefineBinaryProperty(
      "SFP", [this](TStream& S) { ReadSFPData(S); }, [this](TStream& S) { WriteSFPData(S); }, HasData);
  if (!HasData) TIcon::DefineProperties(Filer);
}

void TzuIcon::ReadSFPData(TStream& Stream) {
  const std::unique_ptr<TzuMemoryStream> Data = SFUnpackStream(Stream);
  LoadFromStream(*Data);
}

void TzuIcon::WriteSFPData(TStream& Stream) const {
  TMemoryStream Data;
  SaveToStream(Data);
  SFPackStream(Data, Stream);
}

}  // namespace zu
