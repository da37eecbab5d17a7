#include "platform/framework/Font.h"

#include <QFont>
#include <QString>

namespace zu {

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetSize(int Value) {
  if (Value == FSize) return;
  FSize = Value;
  Changed();
}

void TFont::SetStyle(const TFontStyles& Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

bool TFont::Equals(const TFont& Other) const {
  return FName == Other.FName && FSize == Other.FSize && FStyle == Other.FStyle && FColor == Other.FColor;
}

void TFont::Assign(const TFont& Source) {
  if (&Source == this || Equals(Source)) return;
  FName = Source.FName;
  FSize = Source.FSize;
  FStyle = Source.FStyle;
  FColor = Source.FColor;
  Changed();
}

QFont ToQFont(const TFont& Font) {
  QFont F(QString::fromStdString(Font.Name()));
  if (Font.Size() > 0) F.setPointSize(Font.Size());  // Qt refuses sizes below 1
  F.setBold(Font.Style().count(fsBold) != 0);
  F.setItalic(Font.Style().count(fsItalic) != 0);
  F.setUnderline(Font.Style().count(fsUnderline) != 0);
  F.setStrikeOut(Font.Style().count(fsStrikeOut) != 0);
  return F;
}

void FromQFont(const QFont& Source, TFont& Font) {
  TFont T;
  T.SetName(Source.family().toStdString());
  // A font sized in pixels has no point size: keep the one Font had.
  T.SetSize(Source.pointSize() > 0 ? Source.pointSize() : Font.Size());
  TFontStyles S;
  if (Source.bold()) S.insert(fsBold);
  if (Source.italic()) S.insert(fsItalic);
  if (Source.underline()) S.insert(fsUnderline);
  if (Source.strikeOut()) S.insert(fsStrikeOut);
  T.SetStyle(S);
  T.SetColor(Font.Color());
  Font.Assign(T);
}

}  // namespace zu
