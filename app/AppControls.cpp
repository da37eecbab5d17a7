#include "app/AppControls.h"

#include <QPainter>

#include <algorithm>

#include "platform/framework/Windows.h"
#include "platform/os/Version.h"

namespace zu {

// ---------- TKwVersionInfo ----------

const TClassInfo& TKwVersionInfo::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TKwVersionInfo>("TKwVersionInfo", &TComponent::StaticClassInfo()).Creatable();
  return Info;
}

std::string TKwVersionInfo::GetField(int Index) const {
  // The build compiles one version in; it serves as file and product version alike.
  if (Index == viFileVersion || Index == viProductVersion) return os::ProgramFileVersion();
  return std::string();
}

// ---------- TXPMenu ----------

const TClassInfo& TXPMenu::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TXPMenu>("TXPMenu", &TComponent::StaticClassInfo())
                                     .Bool("Active", &TXPMenu::Active, &TXPMenu::SetActive, true)
                                     .Creatable();
  return Info;
}

// ---------- TImage ----------

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TImage>("TImage", &TComponent::StaticClassInfo())
                                     .Bool("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false)
                                     .Object("Picture", [](TImage& I) -> TPersistent* { return I.Picture(); });
  return Info;
}

TImage::TImage(TComponent* AOwner, QWidget* ParentWidget)
    : QWidget(ParentWidget ? ParentWidget : ComponentWidget(AOwner)),
      TComponent(AOwner),
      FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { Destroying(); }

void TImage::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    resize(FPicture->Width(), FPicture->Height());
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  const TGraphic* G = FPicture->Graphic();
  if (!G || G->Empty()) return;
  QPainter P(this);
  // Unstretched, at the top left, as the designed image shows it.
  G->Draw(P, QRect(0, 0, G->Width(), G->Height()));
}

// ---------- TBitBtn ----------

const TClassInfo& TBitBtn::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TBitBtn>("TBitBtn", &TzuBitBtn::StaticClassInfo())
          .Object("Glyph", [](TBitBtn& B) -> TPersistent* { return B.GlyphBitmap(); })
          .Int("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs, 1);
  return Info;
}

TBitBtn::TBitBtn(TComponent* AOwner, QWidget* ParentWidget)
    : TzuBitBtn(AOwner, ParentWidget), FGlyphBitmap(std::make_unique<TBitmap>()) {
  FGlyphBitmap->OnChange = [this](TObject*) { UpdateGlyph(); };
  OnEnabledChanged = [this] { UpdateGlyph(); };
}

TBitBtn::~TBitBtn() { Destroying(); }

void TBitBtn::SetNumGlyphs(int Value) {
  Value = std::clamp(Value, 1, 4);
  if (Value == FNumGlyphs) return;
  FNumGlyphs = Value;
  UpdateGlyph();
}

QImage TBitBtn::StateGlyph(bool Enabled) const {
  const QImage& All = FGlyphBitmap->Image();
  if (All.isNull()) return QImage();
  const int W = All.width() / FNumGlyphs;
  const int Index = !Enabled && FNumGlyphs > 1 ? 1 : 0;
  return All.copy(Index * W, 0, W, All.height());
}

void TBitBtn::UpdateGlyph() { SetGlyph(StateGlyph(isEnabled())); }

}  // namespace zu
