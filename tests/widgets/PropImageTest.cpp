// The proportional image: DrawRect for the nine alignments and the scaling rules, AutoSize,
// opacity, Canvas, the JPEG settings, painting (PNGs in the artifacts folder) and the JPEG
// thumbnail writer.
#include <gtest/gtest.h>

#include <QPainter>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/FormData.h"
#include "widgets/zuPropImage.h"

using namespace zu;

namespace {

std::unique_ptr<TBitmap> Bitmap(int W, int H, QColor Color = QColor(200, 40, 40)) {
  auto B = std::make_unique<TBitmap>();
  B->SetSize(W, H);
  B->Canvas().fill(Color);
  return B;
}

// A picture with a frame and a diagonal, so scaling and cropping show in the PNGs.
std::unique_ptr<TBitmap> Marked(int W, int H) {
  auto B = Bitmap(W, H, QColor(250, 220, 90));
  QPainter P(&B->Canvas());
  P.setPen(QPen(QColor(30, 60, 160), 3));
  P.drawRect(1, 1, W - 3, H - 3);
  P.drawLine(0, 0, W, H);
  return B;
}

std::unique_ptr<TIcon> Icon(int Size) {
  QImage Img(Size, Size, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setBrush(QColor(20, 140, 60));
  P.setPen(Qt::NoPen);
  P.drawEllipse(0, 0, Size, Size);
  P.end();
  auto I = std::make_unique<TIcon>();
  I->SetImage(Img);
  return I;
}

std::string Bytes(TMemoryStream& S) {
  return std::string(reinterpret_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

QImage Render(QWidget& W) {
  QImage Img(W.size(), QImage::Format_ARGB32);
  Img.fill(QColor(235, 235, 235));
  W.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  return Img;
}

void SaveArtifact(const QImage& Img, const std::string& Name) {
  ASSERT_TRUE(Img.save(QString::fromStdString(zutest::ArtifactsDir() + "/" + Name), "PNG"));
}

struct TGeometry {
  int PicW, PicH;
  bool Stretch, Proportional;
  TzuImageAlignment Alignment;
  QRect Want;
};

}  // namespace

// ---------- geometry ----------

TEST(DrawRect, NineAlignmentsAndTheScalingRules) {
  const TGeometry Cases[] = {
      // 200 x 100 in 100 x 100, proportional: 100 x 50.
      {200, 100, false, true, iaCenter, QRect(0, 25, 100, 50)},
      {200, 100, false, true, iaTop, QRect(0, 0, 100, 50)},
      {200, 100, false, true, iaBottom, QRect(0, 50, 100, 50)},
      // A 40 x 20 picture fits: natural size, placed by each alignment.
      {40, 20, false, true, iaCenter, QRect(30, 40, 40, 20)},
      {40, 20, false, true, iaLeft, QRect(0, 40, 40, 20)},
      {40, 20, false, true, iaTop, QRect(30, 0, 40, 20)},
      {40, 20, false, true, iaRight, QRect(60, 40, 40, 20)},
      {40, 20, false, true, iaBottom, QRect(30, 80, 40, 20)},
      {40, 20, false, true, iaTopLeft, QRect(0, 0, 40, 20)},
      {40, 20, false, true, iaTopRight, QRect(60, 0, 40, 20)},
      {40, 20, false, true, iaBottomLeft, QRect(0, 80, 40, 20)},
      {40, 20, false, true, iaBottomRight, QRect(60, 80, 40, 20)},
      // Not enlarged unless Stretch.
      {50, 50, false, true, iaCenter, QRect(25, 25, 50, 50)},
      {50, 50, true, true, iaCenter, QRect(0, 0, 100, 100)},
      {40, 20, true, true, iaCenter, QRect(0, 25, 100, 50)},
      // Stretch without Proportional fills the client area.
      {200, 100, true, false, iaCenter, QRect(0, 0, 100, 100)},
      {10, 70, true, false, iaBottomRight, QRect(0, 0, 100, 100)},
      // Tall pictures are fitted to the height first.
      {100, 200, false, true, iaCenter, QRect(25, 0, 50, 100)},
      {100, 200, false, true, iaRight, QRect(50, 0, 50, 100)},
      // Neither scaling nor Proportional: natural size, cut evenly; halving rounds down.
      {151, 151, false, false, iaCenter, QRect(-26, -26, 151, 151)},
      {151, 40, false, false, iaBottomRight, QRect(-51, 60, 151, 40)},
  };
  for (const auto& C : Cases) {
    TzuProportionalImage Img(nullptr);
    Img.SetBounds(0, 0, 100, 100);
    Img.Picture()->SetGraphic(Bitmap(C.PicW, C.PicH));
    Img.SetStretch(C.Stretch);
    Img.SetProportional(C.Proportional);
    Img.SetAlignment(C.Alignment);
    EXPECT_EQ(Img.DrawRect(), C.Want) << C.PicW << "x" << C.PicH << " alignment " << C.Alignment;
  }
  // Too wide for a flat control: the height limit cuts the width back.
  EXPECT_EQ(ProportionalRect(300, 200, 100, 50, false, true, iaCenter), QRect(12, 0, 75, 50));
  EXPECT_EQ(ProportionalRect(200, 300, 50, 100, false, true, iaCenter), QRect(0, 12, 50, 75));
  // An empty picture: natural (empty) size, or the whole area when stretched.
  EXPECT_EQ(ProportionalRect(0, 0, 100, 60, false, true, iaCenter), QRect(50, 30, 0, 0));
  EXPECT_EQ(ProportionalRect(0, 0, 100, 60, true, true, iaCenter), QRect(0, 0, 100, 60));
}

TEST(TzuProportionalImage, NewControlDefaultsAndAutoSize) {
  TzuProportionalImage Img(nullptr);
  EXPECT_EQ(Img.size(), QSize(105, 105));
  EXPECT_EQ(Img.Alignment(), iaCenter);
  EXPECT_TRUE(Img.Proportional());
  EXPECT_TRUE(Img.FixedStretching());
  EXPECT_FALSE(Img.Stretch());

  // A 32 x 32 icon in a 32 x 32 control with AutoSize: unscaled at (0, 0).
  Img.SetBounds(7, 9, 50, 40);
  Img.SetAutoSize(true);
  Img.Picture()->SetGraphic(Icon(32));
  EXPECT_EQ(Img.geometry(), QRect(7, 9, 32, 32));
  EXPECT_EQ(Img.DrawRect(), QRect(0, 0, 32, 32));
  // Aligned to the top, only the height follows the picture.
  TzuProportionalImage Top(nullptr);
  Top.SetAlign(alTop);
  Top.SetAutoSize(true);
  Top.Picture()->SetGraphic(Bitmap(60, 20));
  EXPECT_EQ(Top.size(), QSize(60, 20));
  Top.SetWidth(300);
  EXPECT_EQ(Top.size(), QSize(300, 20));
  // While designing, an empty picture leaves the size alone.
  TzuProportionalImage Design(nullptr);
  Design.SetDesigning(true);
  Design.SetAutoSize(true);
  EXPECT_EQ(Design.size(), QSize(105, 105));
}

TEST(TzuProportionalImage, OpaqueOnlyWhenStretchedWithoutProportionAndNotTransparent) {
  TzuProportionalImage Img(nullptr);
  EXPECT_FALSE(Img.Opaque());
  Img.Picture()->SetGraphic(Bitmap(10, 10));
  Img.SetStretch(true);
  EXPECT_FALSE(Img.Opaque());
  Img.SetProportional(false);
  EXPECT_TRUE(Img.Opaque());
  // Transparent goes to the bitmap, which makes the control see-through again.
  Img.SetTransparent(true);
  EXPECT_TRUE(Img.Picture()->Graphic()->Transparent());
  EXPECT_FALSE(Img.Opaque());
  // Icons are not told.
  Img.Picture()->SetGraphic(Icon(16));
  EXPECT_FALSE(Img.Picture()->Graphic()->Transparent());
  EXPECT_TRUE(Img.Opaque());
  Img.Picture()->SetGraphic(nullptr);
  EXPECT_FALSE(Img.Opaque());
}

TEST(TzuProportionalImage, CanvasGivesABitmapOrRaises) {
  TzuProportionalImage Img(nullptr);
  Img.SetBounds(0, 0, 40, 30);
  QImage& C = Img.Canvas();
  ASSERT_NE(dynamic_cast<TBitmap*>(Img.Picture()->Graphic()), nullptr);
  EXPECT_EQ(C.size(), QSize(40, 30));
  EXPECT_EQ(C.pixel(5, 5), qRgb(255, 255, 255));
  C.fill(Qt::blue);
  EXPECT_EQ(&Img.Canvas(), &C);  // the same bitmap again

  Img.Picture()->SetGraphic(Icon(16));
  try {
    Img.Canvas();
    FAIL() << "no error";
  } catch (const EInvalidOperation& E) {
    EXPECT_STREQ(E.what(), "Canvas need bitmap.");
  }
}

TEST(TzuProportionalImage, JPEGPropertiesFollowTheJpegGraphic) {
  // A 64 x 32 JPEG to decode.
  QImage Src(64, 32, QImage::Format_RGB32);
  Src.fill(QColor(10, 200, 30));
  const std::string Data = EncodeJPEG(Src, 90);

  TzuProportionalImage Img(nullptr);
  TzuJPEGProperties& J = *Img.JPEGProperties();
  J.SetScale(jsHalf);
  J.SetCompressionQuality(140);
  EXPECT_EQ(J.CompressionQuality(), 100);
  EXPECT_EQ(J.Scale(), jsHalf);  // stored while there is no JPEG

  // A JPEG arriving in the picture gets the stored settings.
  auto Jpeg = std::make_unique<TJPEGImage>();
  TMemoryStream S;
  S.WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  S.SetPosition(0);
  Jpeg->LoadFromStream(S);
  Img.Picture()->SetGraphic(std::move(Jpeg));
  auto* G = dynamic_cast<TJPEGImage*>(Img.Picture()->Graphic());
  ASSERT_NE(G, nullptr);
  EXPECT_EQ(G->Scale(), jsHalf);
  EXPECT_EQ(Img.Picture()->Width(), 32);  // decoded at half size
  EXPECT_EQ(G->CompressionQuality(), 100);

  // Getters read the graphic, setters reach it.
  G->SetSmoothing(false);
  EXPECT_FALSE(J.Smoothing());
  J.SetGrayscale(true);
  EXPECT_TRUE(G->Grayscale());
  EXPECT_TRUE(G->Image().isGrayscale());
  J.SetScale(jsFullSize);
  EXPECT_EQ(Img.Picture()->Width(), 64);
}

TEST(TzuProportionalImage, ProgressIsForwardedWithItsArguments) {
  TzuProportionalImage Img(nullptr);
  Img.Picture()->SetGraphic(Bitmap(10, 10));
  std::vector<int> Seen;
  TObject* From = nullptr;
  Img.OnProgress = [&](TObject* Sender, TProgressStage, std::uint8_t Percent, bool, const QRect& R,
                       const std::string& Msg) {
    From = Sender;
    Seen.push_back(Percent);
    EXPECT_EQ(R, QRect(1, 2, 3, 4));
    EXPECT_EQ(Msg, "m");
  };
  Img.SetIncrementalDisplay(true);
  Img.Picture()->Graphic()->Progress(psRunning, 40, true, QRect(1, 2, 3, 4), "m");
  EXPECT_EQ(Seen, std::vector<int>{40});
  EXPECT_EQ(From, Img.Picture()->Graphic());
}

// ---------- painting ----------

TEST(TzuProportionalImage, PaintsThePictureIntoDrawRect) {
  QWidget Form;
  Form.resize(3 * 110 + 10, 4 * 110 + 10);
  const TzuImageAlignment All[] = {iaTopLeft, iaTop,    iaTopRight,   iaLeft,       iaCenter,
                                   iaRight,   iaBottomLeft, iaBottom, iaBottomRight};
  std::vector<TzuProportionalImage*> Images;
  for (int I = 0; I < 9; ++I) {
    auto* Img = new TzuProportionalImage(nullptr, &Form);
    Img->SetBounds(10 + (I % 3) * 110, 10 + (I / 3) * 110, 100, 100);
    Img->Picture()->SetGraphic(Marked(I % 2 ? 160 : 60, I % 2 ? 80 : 40));
    Img->SetAlignment(All[I]);
    Images.push_back(Img);
  }
  // Last row: stretched without proportion, stretched up with it, and an icon.
  auto* Fill = new TzuProportionalImage(nullptr, &Form);
  Fill->SetBounds(10, 340, 100, 100);
  Fill->Picture()->SetGraphic(Marked(60, 40));
  Fill->SetStretch(true);
  Fill->SetProportional(false);
  auto* Up = new TzuProportionalImage(nullptr, &Form);
  Up->SetBounds(120, 340, 100, 100);
  Up->Picture()->SetGraphic(Marked(60, 40));
  Up->SetStretch(true);
  Up->SetFixedStretching(false);
  auto* Ic = new TzuProportionalImage(nullptr, &Form);
  Ic->SetBounds(230, 340, 100, 100);
  Ic->SetAutoSize(true);
  Ic->Picture()->SetGraphic(Icon(32));

  const QImage Shot = Render(Form);
  SaveArtifact(Shot, "proportional_image_alignments.png");

  const QRgb Back = qRgb(235, 235, 235);
  for (TzuProportionalImage* Img : Images) {
    const QRect R = Img->DrawRect().translated(Img->pos());
    EXPECT_NE(Shot.pixel(R.center()), Back) << Img->Alignment();
    // Just outside the drawn rectangle the form shows through.
    if (R.left() > Img->x()) {
      EXPECT_EQ(Shot.pixel(R.left() - 1, R.center().y()), Back) << Img->Alignment();
    }
    if (R.top() > Img->y()) {
      EXPECT_EQ(Shot.pixel(R.center().x(), R.top() - 1), Back) << Img->Alignment();
    }
  }
  EXPECT_NE(Shot.pixel(10 + 1, 340 + 1), Back);  // stretched without proportion: every corner covered
  EXPECT_NE(Shot.pixel(10 + 98, 340 + 98), Back);
  EXPECT_EQ(Shot.pixel(120 + 50, 340 + 10), Back);  // stretched up proportionally: 100 x 66 at y 17
  EXPECT_NE(Shot.pixel(120 + 50, 340 + 17), Back);
  EXPECT_NE(Shot.pixel(120 + 50, 340 + 82), Back);
  EXPECT_EQ(Shot.pixel(120 + 50, 340 + 83), Back);
  EXPECT_EQ(Shot.pixel(230 + 16, 340 + 16), qRgb(20, 140, 60));
  EXPECT_EQ(Shot.pixel(230 + 1, 340 + 1), Back);  // the icon's transparent corner

  // While designing: the dashed frame, also without a picture.
  TzuProportionalImage Design(nullptr);
  Design.SetDesigning(true);
  Design.SetBounds(0, 0, 60, 40);
  const QImage D = Render(Design);
  SaveArtifact(D, "proportional_image_designing.png");
  EXPECT_EQ(D.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(D.pixel(30, 20), Back);
}

TEST(TzuProportionalImage, FixedStretchingPaintsTheSameGeometry) {
  for (bool Fixed : {true, false}) {
    TzuProportionalImage Img(nullptr);
    Img.SetBounds(0, 0, 80, 80);
    Img.Picture()->SetGraphic(Bitmap(200, 100, QColor(0, 0, 255)));
    Img.SetFixedStretching(Fixed);
    const QImage Shot = Render(Img);
    SaveArtifact(Shot, Fixed ? "proportional_image_fixed.png" : "proportional_image_direct.png");
    EXPECT_EQ(Shot.pixel(40, 40), qRgb(0, 0, 255));
    EXPECT_EQ(Shot.pixel(40, 19), qRgb(235, 235, 235));
    EXPECT_EQ(Shot.pixel(40, 20), qRgb(0, 0, 255));
    EXPECT_EQ(Shot.pixel(40, 59), qRgb(0, 0, 255));
    EXPECT_EQ(Shot.pixel(40, 60), qRgb(235, 235, 235));
  }
}

// ---------- thumbnails ----------

TEST(WriteThumbnailedImageToStream, WritesAJpegThatFitsTheBox) {
  TPicture Pic;
  Pic.SetGraphic(Marked(400, 200));
  TMemoryStream S;
  S.WriteBuffer("keep", 4);
  WriteThumbnailedImageToStream(S, Pic, 100, 100, 80, false);
  const std::string All = Bytes(S);
  EXPECT_EQ(All.substr(0, 4), "keep");  // written at the position
  const QImage Thumb = DecodeJPEG(reinterpret_cast<const uint8_t*>(All.data()) + 4, All.size() - 4);
  EXPECT_EQ(Thumb.size(), QSize(100, 50));

  // A picture that fits is not enlarged; quality decides the size.
  TPicture Small;
  Small.SetGraphic(Marked(60, 30));
  TMemoryStream Low, High;
  WriteThumbnailedImageToStream(Low, Small, 100, 100, 5, false);
  WriteThumbnailedImageToStream(High, Small, 100, 100, 100, false);
  EXPECT_EQ(DecodeJPEG(Low.Memory(), static_cast<size_t>(Low.Size())).size(), QSize(60, 30));
  EXPECT_LT(Low.Size(), High.Size());

  TPicture Empty;
  TMemoryStream E;
  EXPECT_THROW(WriteThumbnailedImageToStream(E, Empty, 100, 100, 80, false), EInvalidGraphic);
}

TEST(WriteThumbnailedImageToStream, KeepSmallerWritesTheSmallerOfSourceAndJpeg) {
  // A tiny plain bitmap: its PNG is far smaller than any JPEG.
  TPicture Tiny;
  Tiny.SetGraphic(Bitmap(4, 4));
  TMemoryStream Own;
  Tiny.Graphic()->SaveToStream(Own);
  TMemoryStream S;
  S.WriteBuffer("old content that goes", 21);
  WriteThumbnailedImageToStream(S, Tiny, 100, 100, 90, true);
  EXPECT_EQ(Bytes(S), Bytes(Own));

  // Noise compresses badly as PNG: the JPEG stays, and the stream was emptied first.
  auto Noise = Bitmap(300, 300);
  for (int Y = 0; Y < 300; ++Y)
    for (int X = 0; X < 300; ++X) Noise->Canvas().setPixel(X, Y, qRgb((X * 7919 + Y * 104729) % 251, (X * Y) % 256, (X ^ Y) & 0xFF));
  TPicture Big;
  Big.SetGraphic(std::move(Noise));
  TMemoryStream T;
  T.WriteBuffer("old", 3);
  WriteThumbnailedImageToStream(T, Big, 120, 120, 60, true);
  const std::string J = Bytes(T);
  ASSERT_GE(J.size(), 2u);
  EXPECT_EQ(J.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(DecodeJPEG(T.Memory(), static_cast<size_t>(T.Size())).size(), QSize(120, 120));
}
