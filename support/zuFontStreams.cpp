// Fonts in a memory stream; apart from zuStreams.cpp so that programs without fonts do not
// link the graphics library.
#include "support/zuStreams.h"

namespace zu {

void TzuMemoryStream::WriteFont(const TFont& Font) {
  WriteShortStr(Font.Name());
  WriteInt(Font.Size());
  WriteByte(FontStylesToByte(Font.Style()));
  WriteInt(Font.Color());
}

void TzuMemoryStream::ReadFont(TFont& Font) {
  TFont T;
  T.SetName(ReadShortStr());
  T.SetSize(ReadInt());
  T.SetStyle(ByteToFontStyles(ReadByte()));
  T.SetColor(ReadInt());
  Font.Assign(T);
}

}  // namespace zu
