// The updater's own artwork, drawn with QPainter: the 47 x 47 information picture of the main
// window, the two-state glyph of its Close button and the program's icon.
// AppArtwork.DISABLED_Regenerate writes them into app/forms/TfrmUpdMain.json and
// app/renewix.png (scripts/renewix-app-artwork runs it).
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

#include "TestUtil.h"
#include "platform/framework/FormData.h"
#include "platform/framework/Graphics.h"

using namespace zu;

namespace {

void Disc(QPainter& P, const QRectF& R, QColor Light, QColor Dark) {
  QRadialGradient G(R.left() + R.width() * 0.35, R.top() + R.height() * 0.3, R.width() * 0.75);
  G.setColorAt(0, Light);
  G.setColorAt(1, Dark);
  P.setPen(QPen(Dark.darker(140), R.width() / 30.0));
  P.setBrush(G);
  P.drawEllipse(R);
}

// A circular arrow around Centre, open at the top right, its head pointing clockwise.
void CircularArrow(QPainter& P, QPointF Centre, double Radius, double Width, QColor Colour) {
  QPen Pen(Colour, Width, Qt::SolidLine, Qt::FlatCap);
  P.setPen(Pen);
  P.setBrush(Qt::NoBrush);
  const QRectF R(Centre.x() - Radius, Centre.y() - Radius, 2 * Radius, 2 * Radius);
  P.drawArc(R, 100 * 16, 290 * 16);  // from 100 degrees, anticlockwise to 30 degrees
  // The head at the arc's end (30 degrees), pointing along the clockwise tangent.
  const double A = 30.0 * M_PI / 180.0;
  const QPointF End(Centre.x() + Radius * std::cos(A), Centre.y() - Radius * std::sin(A));
  const QPointF Tangent(std::sin(A), std::cos(A));  // clockwise direction on screen
  const QPointF Normal(std::cos(A), -std::sin(A));
  const double H = Width * 1.6;
  QPainterPath Head;
  Head.moveTo(End + Tangent * H);
  Head.lineTo(End + Normal * H - Tangent * H * 0.4);
  Head.lineTo(End - Normal * H - Tangent * H * 0.4);
  Head.closeSubpath();
  P.setPen(Qt::NoPen);
  P.setBrush(Colour);
  P.drawPath(Head);
}

QImage DrawInfoPicture() {
  QImage Img(47, 47, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  // Shadow, disc, then the letter i in white.
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(0, 0, 0, 50));
  P.drawEllipse(QRectF(4, 5, 40, 40));
  Disc(P, QRectF(2, 2, 40, 40), QColor(0x8F, 0xC4, 0xFF), QColor(0x10, 0x4E, 0xB0));
  P.setPen(Qt::NoPen);
  P.setBrush(Qt::white);
  P.drawEllipse(QRectF(18.5, 9, 7, 7));
  QPainterPath Stem;
  Stem.addRoundedRect(QRectF(18.5, 18, 7, 17), 2, 2);
  P.drawPath(Stem);
  P.drawRoundedRect(QRectF(15.5, 32, 13, 3.5), 1.5, 1.5);
  P.drawRoundedRect(QRectF(15.5, 18, 5, 3), 1, 1);
  // The update badge: a green circular arrow on a white ground at the bottom right.
  P.setBrush(Qt::white);
  P.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 1));
  P.drawEllipse(QRectF(29, 29, 17, 17));
  CircularArrow(P, QPointF(37.5, 37.5), 5, 2.2, QColor(0x2E, 0x7D, 0x32));
  return Img;
}

QImage DrawCloseGlyph() {
  QImage Img(32, 16, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  auto Cross = [&](double X, QColor Light, QColor Dark, QColor Mark) {
    Disc(P, QRectF(X + 1.5, 1.5, 13, 13), Light, Dark);
    P.setPen(QPen(Mark, 2.2, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(X + 5, 5), QPointF(X + 11, 11));
    P.drawLine(QPointF(X + 11, 5), QPointF(X + 5, 11));
  };
  Cross(0, QColor(0xFF, 0x9A, 0x8A), QColor(0xC6, 0x28, 0x28), Qt::white);  // enabled
  Cross(16, QColor(0xE6, 0xE6, 0xE6), QColor(0xA0, 0xA0, 0xA0), QColor(0xF4, 0xF4, 0xF4));  // disabled
  return Img;
}

QImage DrawProgramIcon() {
  QImage Img(128, 128, QImage::Format_ARGB32);
  Img.fill(Qt::transparent);
  QPainter P(&Img);
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(0, 0, 0, 45));
  P.drawEllipse(QRectF(8, 11, 114, 114));
  Disc(P, QRectF(5, 5, 114, 114), QColor(0x8F, 0xC4, 0xFF), QColor(0x10, 0x4E, 0xB0));
  CircularArrow(P, QPointF(62, 62), 38, 11, QColor(0x9C, 0xE0, 0x7A));
  // A download arrow in the middle.
  P.setPen(Qt::NoPen);
  P.setBrush(Qt::white);
  P.drawRoundedRect(QRectF(55, 36, 14, 26), 3, 3);
  QPainterPath Head;
  Head.moveTo(42, 58);
  Head.lineTo(82, 58);
  Head.lineTo(62, 82);
  Head.closeSubpath();
  P.drawPath(Head);
  P.drawRoundedRect(QRectF(44, 86, 36, 6), 3, 3);
  return Img;
}

// The binary properties an object writes, as form data keeps them.
class TBinaryCapture : public TFiler {
 public:
  QJsonObject Binary;
  void DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool HasData) override {
    if (!HasData) return;
    TMemoryStream S;
    WriteData(S);
    const QByteArray Bytes(reinterpret_cast<const char*>(S.Memory()), static_cast<qsizetype>(S.Size()));
    Binary.insert(QString::fromStdString(Name), QString::fromLatin1(Bytes.toBase64()));
  }
};

QJsonObject BinaryOf(TPersistent& Object) {
  TBinaryCapture Filer;
  Object.DefineProperties(Filer);
  return QJsonObject{{"binary", Filer.Binary}};
}

}  // namespace

TEST(AppArtwork, DISABLED_Regenerate) {
  const std::string FormFile = zutest::SourceDir() + "/app/forms/TfrmUpdMain.json";
  const QJsonDocument Doc = QJsonDocument::fromJson(QByteArray::fromStdString(zutest::ReadFile(FormFile)));
  ASSERT_TRUE(Doc.isObject());
  QJsonObject Root = Doc.object();
  QJsonArray Components = Root.value("components").toArray();

  const QImage Info = DrawInfoPicture();
  const QImage Glyph = DrawCloseGlyph();
  TPicture Picture;
  {
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetImage(Info);
    Picture.SetGraphic(std::move(Bitmap));
  }
  TBitmap GlyphBitmap;
  GlyphBitmap.SetImage(Glyph);

  int Replaced = 0;
  for (auto It = Components.begin(); It != Components.end(); ++It) {
    QJsonObject C = It->toObject();
    QJsonObject Props = C.value("properties").toObject();
    if (C.value("name") == "imgInfo") {
      Props.insert("Picture", BinaryOf(Picture));
      ++Replaced;
    } else if (C.value("name") == "btnClose") {
      Props.insert("Glyph", BinaryOf(GlyphBitmap));
      ++Replaced;
    } else {
      continue;
    }
    C.insert("properties", Props);
    *It = C;
  }
  ASSERT_EQ(Replaced, 2);
  Root.insert("components", Components);
  zutest::WriteFile(FormFile, QJsonDocument(Root).toJson(QJsonDocument::Indented).toStdString());

  const QImage Icon = DrawProgramIcon();
  ASSERT_TRUE(Icon.save(QString::fromStdString(zutest::SourceDir() + "/app/renewix.png"), "PNG"));
  const std::string Art = zutest::ArtifactsDir();
  Info.save(QString::fromStdString(Art + "/app-info-picture.png"));
  Glyph.scaled(128, 64).save(QString::fromStdString(Art + "/app-close-glyph-x4.png"));
  Icon.save(QString::fromStdString(Art + "/app-icon.png"));
}
