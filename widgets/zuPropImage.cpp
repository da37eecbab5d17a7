#include "widgets/zuPropImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

#include "platform/framework/Exceptions.h"
#include "platform/framework/Windows.h"

namespace zu {

namespace {

// Halving rounds down, also for a picture larger than the control.
int Half(int V) { return static_cast<int>(std::floor(V / 2.0)); }

bool IsIconOrMetafile(const TGraphic* G) {
  return dynamic_cast<const TIcon*>(G) || dynamic_cast<const TMetafile*>(G);
}

}  // namespace

QRect ProportionalRect(int PicW, int PicH, int ClientW, int ClientH, bool Stretch, bool Proportional,
                       TzuImageAlignment Alignment) {
  int W = PicW, H = PicH;
  if (Stretch || (Proportional && (PicW > ClientW || PicH > ClientH))) {
    if (Proportional && PicW > 0 && PicH > 0) {
      const double R = static_cast<double>(PicW) / PicH;
      if (PicW > PicH) {
        W = ClientW;
        H = static_cast<int>(std::trunc(ClientW / R));
        if (H > ClientH) {
          H = ClientH;
          W = static_cast<int>(std::trunc(ClientH * R));
        }
      } else {
        H = ClientH;
        W = static_cast<int>(std::trunc(ClientH * R));
        if (W > ClientW) {
          W = ClientW;
          H = static_cast<int>(std::trunc(ClientW / R));
        }
      }
    } else {
      W = ClientW;
      H = ClientH;
    }
  }
  const int DX = ClientW - W, DY = ClientH - H;
  int X = 0, Y = 0;
  switch (Alignment) {
    case iaCenter: X = Half(DX); Y = Half(DY); break;
    case iaLeft: Y = Half(DY); break;
    case iaTop: X = Half(DX); break;
    case iaRight: X = DX; Y = Half(DY); break;
    case iaBottom: X = Half(DX); Y = DY; break;
    case iaTopLeft: break;
    case iaTopRight: X = DX; break;
    case iaBottomLeft: Y = DY; break;
    case iaBottomRight: X = DX; Y = DY; break;
  }
  return QRect(X, Y, W, H);
}

// ---------- TzuJPEGProperties ----------

const TClassInfo& TzuJPEGProperties::StaticClassInfo() {
  using T = TzuJPEGProperties;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuJPEGProperties", &TPersistent::StaticClassInfo())
          .Int("CompressionQuality", &T::CompressionQuality, &T::SetCompressionQuality, 90)
          .Bool("Grayscale", &T::Grayscale, &T::SetGrayscale, false)
          .Enum("Performance", &T::Performance, &T::SetPerformance, {"jpBestQuality", "jpBestSpeed"},
                std::optional(jpBestQuality))
          .Enum("PixelFormat", &T::PixelFormat, &T::SetPixelFormat, {"jf24Bit", "jf8Bit"}, std::optional(jf24Bit))
          .Bool("ProgressiveDisplay", &T::ProgressiveDisplay, &T::SetProgressiveDisplay, false)
          .Bool("ProgressiveEncoding", &T::ProgressiveEncoding, &T::SetProgressiveEncoding, false)
          .Enum("Scale", &T::Scale, &T::SetScale, {"jsFullSize", "jsHalf", "jsQuarter", "jsEighth"},
                std::optional(jsFullSize))
          .Bool("Smoothing", &T::Smoothing, &T::SetSmoothing, true);
  return Info;
}

TJPEGImage* TzuJPEGProperties::Jpeg() const {
  return FPicture ? dynamic_cast<TJPEGImage*>(FPicture->Graphic()) : nullptr;
}

int TzuJPEGProperties::CompressionQuality() const {
  return Jpeg() ? Jpeg()->CompressionQuality() : FCompressionQuality;
}
void TzuJPEGProperties::SetCompressionQuality(int Value) {
  FCompressionQuality = std::clamp(Value, 1, 100);
  if (TJPEGImage* J = Jpeg()) J->SetCompressionQuality(FCompressionQuality);
}
bool TzuJPEGProperties::Grayscale() const { return Jpeg() ? Jpeg()->Grayscale() : FGrayscale; }
void TzuJPEGProperties::SetGrayscale(bool Value) {
  FGrayscale = Value;
  if (TJPEGImage* J = Jpeg()) J->SetGrayscale(Value);
}
TJPEGPerformance TzuJPEGProperties::Performance() const { return Jpeg() ? Jpeg()->Performance() : FPerformance; }
void TzuJPEGProperties::SetPerformance(TJPEGPerformance Value) {
  FPerformance = Value;
  if (TJPEGImage* J = Jpeg()) J->SetPerformance(Value);
}
TJPEGPixelFormat TzuJPEGProperties::PixelFormat() const { return Jpeg() ? Jpeg()->PixelFormat() : FPixelFormat; }
void TzuJPEGProperties::SetPixelFormat(TJPEGPixelFormat Value) {
  FPixelFormat = Value;
  if (TJPEGImage* J = Jpeg()) J->SetPixelFormat(Value);
}
bool TzuJPEGProperties::ProgressiveDisplay() const {
  return Jpeg() ? Jpeg()->ProgressiveDisplay() : FProgressiveDisplay;
}
void TzuJPEGProperties::SetProgressiveDisplay(bool Value) {
  FProgressiveDisplay = Value;
  if (TJPEGImage* J = Jpeg()) J->SetProgressiveDisplay(Value);
}
bool TzuJPEGProperties::ProgressiveEncoding() const {
  return Jpeg() ? Jpeg()->ProgressiveEncoding() : FProgressiveEncoding;
}
void TzuJPEGProperties::SetProgressiveEncoding(bool Value) {
  FProgressiveEncoding = Value;
  if (TJPEGImage* J = Jpeg()) J->SetProgressiveEncoding(Value);
}
TJPEGScale TzuJPEGProperties::Scale() const { return Jpeg() ? Jpeg()->Scale() : FScale; }
void TzuJPEGProperties::SetScale(TJPEGScale Value) {
  FScale = Value;
  if (TJPEGImage* J = Jpeg()) J->SetScale(Value);
}
bool TzuJPEGProperties::Smoothing() const { return Jpeg() ? Jpeg()->Smoothing() : FSmoothing; }
void TzuJPEGProperties::SetSmoothing(bool Value) {
  FSmoothing = Value;
  if (TJPEGImage* J = Jpeg()) J->SetSmoothing(Value);
}

void TzuJPEGProperties::Assign(const TPersistent* Source) {
  const auto* S = dynamic_cast<const TzuJPEGProperties*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  SetCompressionQuality(S->CompressionQuality());
  SetGrayscale(S->Grayscale());
  SetPerformance(S->Performance());
  SetPixelFormat(S->PixelFormat());
  SetProgressiveDisplay(S->ProgressiveDisplay());
  SetProgressiveEncoding(S->ProgressiveEncoding());
  SetScale(S->Scale());
  SetSmoothing(S->Smoothing());
}

void TzuJPEGProperties::ApplyTo(TJPEGImage& Image) const {
  Image.SetCompressionQuality(FCompressionQuality);
  Image.SetGrayscale(FGrayscale);
  Image.SetPerformance(FPerformance);
  Image.SetPixelFormat(FPixelFormat);
  Image.SetProgressiveDisplay(FProgressiveDisplay);
  Image.SetProgressiveEncoding(FProgressiveEncoding);
  Image.SetScale(FScale);
  Image.SetSmoothing(FSmoothing);
}

// ---------- TzuProportionalImage ----------

const TClassInfo& TzuProportionalImage::StaticClassInfo() {
  using T = TzuProportionalImage;
  static const TClassInfo Info =
      TClassBuilder<T>("TzuProportionalImage", &TComponent::StaticClassInfo())
          .Str("About", &T::About, &T::SetAbout, std::string(), [](const T&) { return false; })
          .Int("Left", &T::Left, &T::SetLeft)
          .Int("Top", &T::Top, &T::SetTop)
          .Int("Width", &T::Width, &T::SetWidth)
          .Int("Height", &T::Height, &T::SetHeight)
          .Enum("Align", &T::Align, &T::SetAlign,
                {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}, std::optional(alNone))
          .Enum("Alignment", &T::Alignment, &T::SetAlignment,
                {"iaCenter", "iaLeft", "iaTop", "iaRight", "iaBottom", "iaTopLeft", "iaTopRight", "iaBottomLeft",
                 "iaBottomRight"},
                std::optional(iaCenter))
          .Bool("AutoSize", &T::AutoSize, &T::SetAutoSize, false)
          .Bool("Enabled", &T::Enabled, &T::SetEnabled, true)
          .Bool("FixedStretching", &T::FixedStretching, &T::SetFixedStretching, true)
          .Str("Hint", &T::Hint, &T::SetHint, std::string())
          .Bool("IncrementalDisplay", &T::IncrementalDisplay, &T::SetIncrementalDisplay, false)
          .Object("JPEGProperties", &T::JPEGProperties)
          .Object("Picture", &T::Picture)
          .Bool("Proportional", &T::Proportional, &T::SetProportional, true)
          .Bool("ShowHint", &T::ShowHint, &T::SetShowHint, false)
          .Bool("Stretch", &T::Stretch, &T::SetStretch, false)
          .Bool("Transparent", &T::Transparent, &T::SetTransparent, false)
          .Bool("Visible", &T::Visible, &T::SetVisible, true)
          .Event("OnClick")
          .Event("OnDblClick")
          .Event("OnMouseDown")
          .Event("OnMouseMove")
          .Event("OnMouseUp")
          .Event("OnProgress")
          .Event("OnResize")
          .Creatable();
  return Info;
}

TzuProportionalImage::TzuProportionalImage(TComponent* AOwner, QWidget* ParentWidget)
    : QWidget(ParentWidget ? ParentWidget : ComponentWidget(AOwner)),
      TComponent(AOwner),
      FPicture(std::make_unique<TzuPicture>()),
      FJPEGProperties(std::make_unique<TzuJPEGProperties>(FPicture.get())) {
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  FPicture->OnProgress = [this](TObject* Sender, TProgressStage Stage, std::uint8_t Percent, bool Redraw,
                                const QRect& R, const std::string& Msg) {
    PictureProgress(Sender, Stage, Percent, Redraw, R, Msg);
  };
  setMouseTracking(true);
  resize(105, 105);
  if (parentWidget()) setVisible(true);  // a control shows with its parent unless hidden
}

TzuProportionalImage::~TzuProportionalImage() {
  Destroying();
  FPicture->OnChange = nullptr;
  FPicture->OnProgress = nullptr;
}

void TzuProportionalImage::SetAlignment(TzuImageAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  PictureChanged(this);
}

void TzuProportionalImage::SetFixedStretching(bool Value) {
  if (Value == FFixedStretching) return;
  FFixedStretching = Value;
  PictureChanged(this);
}

void TzuProportionalImage::SetProportional(bool Value) {
  if (Value == FProportional) return;
  FProportional = Value;
  PictureChanged(this);
}

void TzuProportionalImage::SetStretch(bool Value) {
  if (Value == FStretch) return;
  FStretch = Value;
  PictureChanged(this);
}

void TzuProportionalImage::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  PictureChanged(this);
}

void TzuProportionalImage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FAutoSize && !IsLoading()) CanAutoSize(AWidth, AHeight);
  setGeometry(ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0));
}

void TzuProportionalImage::AdjustSize() {
  if (!IsLoading()) SetBounds(x(), y(), width(), height());
}

void TzuProportionalImage::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TzuProportionalImage::SetVisible(bool Value) {
  FVisible = Value;
  // Without a parent the control has nowhere to show: it never becomes a window of its own.
  if (parentWidget() || !Value) setVisible(Value);
}

void TzuProportionalImage::SetShowHint(bool Value) {
  FShowHint = Value;
  setToolTip(FShowHint ? QString::fromStdString(FHint) : QString());
}

void TzuProportionalImage::SetHint(const std::string& Value) {
  FHint = Value;
  SetShowHint(FShowHint);
}

QRect TzuProportionalImage::DrawRect() const {
  return ProportionalRect(FPicture->Width(), FPicture->Height(), width(), height(), FStretch, FProportional,
                          FAlignment);
}

bool TzuProportionalImage::CanAutoSize(int& NewWidth, int& NewHeight) {
  const TGraphic* G = FPicture->Graphic();
  if (IsDesigning() && (!G || G->Empty())) return true;
  if (FAlign == alNone || FAlign == alLeft || FAlign == alRight) NewWidth = FPicture->Width();
  if (FAlign == alNone || FAlign == alTop || FAlign == alBottom) NewHeight = FPicture->Height();
  return true;
}

std::uintptr_t TzuProportionalImage::GetPalette() const {
  const TGraphic* G = FPicture->Graphic();
  return G ? G->Palette() : 0;
}

QImage& TzuProportionalImage::Canvas() {
  if (!FPicture->Graphic()) {
    auto B = std::make_unique<TBitmap>();
    B->SetSize(width(), height());
    FPicture->SetGraphic(std::move(B));
  }
  if (auto* B = dynamic_cast<TBitmap*>(FPicture->Graphic())) return B->Canvas();
  throw EInvalidOperation("Canvas need bitmap.");
}

void TzuProportionalImage::Loaded() {
  TComponent::Loaded();
  PictureChanged(this);
}

void TzuProportionalImage::Paint() {
  QPainter P(this);
  if (IsDesigning()) {
    P.setPen(QPen(Qt::black, 1, Qt::DashLine));
    P.setBrush(Qt::NoBrush);
    P.drawRect(0, 0, width() - 1, height() - 1);
  }
  const TGraphic* G = FPicture->Graphic();
  if (!G || G->Empty()) return;
  FDrawing = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } Done{FDrawing};
  const QRect R = DrawRect();
  if (R.isEmpty()) return;
  if (!FFixedStretching || dynamic_cast<const TIcon*>(G)) {
    G->Draw(P, R);
    return;
  }
  // Pre-rendered once at the final size with smoothing, then copied unscaled.
  QImage Bitmap(R.size(), QImage::Format_ARGB32_Premultiplied);
  Bitmap.fill(Qt::transparent);
  {
    QPainter B(&Bitmap);
    B.setRenderHint(QPainter::SmoothPixmapTransform);
    G->Draw(B, Bitmap.rect());
  }
  P.drawImage(R.topLeft(), Bitmap);
}

void TzuProportionalImage::PictureChanged(TObject* Sender) {
  if (IsLoading() || (ComponentState() & csReading)) return;
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(x(), y(), FPicture->Width(), FPicture->Height());
  bool IsOpaque = false;
  if (TGraphic* G = FPicture->Graphic()) {
    if (!IsIconOrMetafile(G)) G->SetTransparent(FTransparent);
    if (auto* J = dynamic_cast<TJPEGImage*>(G)) FJPEGProperties->ApplyTo(*J);
    IsOpaque = FStretch && !FProportional && !G->Transparent();
  }
  setAttribute(Qt::WA_OpaquePaintEvent, IsOpaque);
  if (!FDrawing) update();
}

void TzuProportionalImage::PictureProgress(TObject* Sender, TProgressStage Stage, std::uint8_t PercentDone,
                                           bool RedrawNow, const QRect& R, const std::string& Msg) {
  if (RedrawNow && FIncrementalDisplay) repaint();
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

void TzuProportionalImage::paintEvent(QPaintEvent*) { Paint(); }

void TzuProportionalImage::resizeEvent(QResizeEvent*) {
  if (OnResize) OnResize(this);
}

void TzuProportionalImage::mousePressEvent(QMouseEvent* Event) {
  FPressed = Event->button() == Qt::LeftButton;
  const QPoint P = Event->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, Event->button(), Event->modifiers(), P.x(), P.y());
}

void TzuProportionalImage::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  const bool Click = FPressed && Event->button() == Qt::LeftButton && rect().contains(P);
  FPressed = false;
  if (OnMouseUp) OnMouseUp(this, Event->button(), Event->modifiers(), P.x(), P.y());
  if (Click && OnClick) OnClick(this);
}

void TzuProportionalImage::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  if (OnMouseMove) OnMouseMove(this, Event->modifiers(), P.x(), P.y());
}

void TzuProportionalImage::mouseDoubleClickEvent(QMouseEvent* Event) {
  if (OnDblClick) OnDblClick(this);
  QWidget::mouseDoubleClickEvent(Event);
}

// ---------- thumbnails ----------

void WriteThumbnailedImageToStream(TStream& Stream, const TPicture& Picture, std::uint16_t Width,
                                   std::uint16_t Height, int Quality, bool KeepSmaller) {
  const TGraphic* G = Picture.Graphic();
  if (!G || G->Empty()) throw EInvalidGraphic("Cannot make a thumbnail of an empty picture");
  std::int64_t SourceSize = 0;
  if (KeepSmaller) {
    Stream.SetSize(0);
    Stream.SetPosition(0);
    G->SaveToStream(Stream);
    SourceSize = Stream.Size();
    Stream.SetSize(0);
    Stream.SetPosition(0);
  }
  // The geometry of a fresh control of Width x Height with its defaults; no window is made.
  const QRect R = ProportionalRect(Picture.Width(), Picture.Height(), Width, Height, false, true, iaCenter);
  if (R.width() <= 0 || R.height() <= 0) throw EInvalidGraphic("Cannot make a thumbnail of an empty size");
  QImage Bitmap(R.size(), QImage::Format_RGB32);
  Bitmap.fill(Qt::white);
  {
    QPainter P(&Bitmap);
    P.setRenderHint(QPainter::SmoothPixmapTransform);
    G->Draw(P, Bitmap.rect());
  }
  TJPEGImage Jpeg;
  Jpeg.SetCompressionQuality(std::clamp(Quality, 1, 100));
  Jpeg.SetImage(Bitmap);
  const std::int64_t Start = Stream.Position();
  Jpeg.SaveToStream(Stream);
  const std::int64_t JpegSize = Stream.Position() - Start;
  if (KeepSmaller && SourceSize < JpegSize) {
    Stream.SetSize(0);
    Stream.SetPosition(0);
    G->SaveToStream(Stream);
  }
}

}  // namespace zu
