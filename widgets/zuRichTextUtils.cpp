#include "widgets/zuRichTextUtils.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <algorithm>
#include <memory>
#include <set>

namespace zu {

const std::array<const char*, 16> COLOR_NAMES = {"BLACK", "MAROON", "GREEN", "OLIVE", "NAVY",   "PURPLE",
                                                 "TEAL",  "GRAY",   "SILVER", "RED",  "LIME",   "YELLOW",
                                                 "BLUE",  "FUCHSIA", "AQUA",  "WHITE"};
const std::array<TRichRGB, 16> COLOR_VALUES = {{{0, 0, 0},
                                                {128, 0, 0},
                                                {0, 128, 0},
                                                {128, 128, 0},
                                                {0, 0, 128},
                                                {128, 0, 128},
                                                {0, 128, 128},
                                                {128, 128, 128},
                                                {192, 192, 192},
                                                {255, 0, 0},
                                                {0, 255, 0},
                                                {255, 255, 0},
                                                {0, 0, 255},
                                                {255, 0, 255},
                                                {0, 255, 255},
                                                {255, 255, 255}}};

namespace {

std::string Upper(std::string S) {
  for (char& C : S)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return S;
}

// Bytes of the UTF-8 character starting at I (1 for stray bytes).
size_t CharLen(const std::string& S, size_t I) {
  const auto C = static_cast<unsigned char>(S[I]);
  size_t N = C >= 0xF0 ? 4 : C >= 0xE0 ? 3 : C >= 0xC0 ? 2 : 1;
  return std::min(N, S.size() - I);
}

bool IsDelimiter(char C) {
  static const std::string Delimiters = " !)*+,-./:;=?\\_~";
  return Delimiters.find(C) != std::string::npos;
}

// The code point of the UTF-8 character at I.
char32_t CodePoint(const std::string& S, size_t I) {
  const size_t N = CharLen(S, I);
  const auto B = [&](size_t K) { return static_cast<unsigned char>(S[I + K]); };
  if (N == 1) return B(0);
  char32_t C = B(0) & (0x7F >> N);
  for (size_t K = 1; K < N; ++K) C = (C << 6) | (B(K) & 0x3F);
  return C;
}

// Scripts written without blanks between words: a line may break between any two of
// their characters.
bool IsIdeographic(char32_t C) {
  return (C >= 0x2E80 && C <= 0x9FFF) || (C >= 0xAC00 && C <= 0xD7AF) || (C >= 0xF900 && C <= 0xFAFF) ||
         (C >= 0xFF00 && C <= 0xFFEF) || (C >= 0x20000 && C <= 0x3FFFF);
}

// Punctuation that never starts a line, and that never ends one.
bool IsClosingPunct(char32_t C) {
  static const std::u32string Closing = U"\u3001\u3002\uFF0C\uFF0E\uFF1A\uFF1B\uFF01\uFF1F\uFF09\u300D\u300F\u3011\u300B\u3009\u201D\u2019)]}.,:;!?%";
  return Closing.find(C) != std::u32string::npos;
}
bool IsOpeningPunct(char32_t C) {
  static const std::u32string Opening = U"\uFF08\u300C\u300E\u3010\u300A\u3008\u201C\u2018([{";
  return Opening.find(C) != std::u32string::npos;
}

// The places S may break at (after a delimiter, or next to an ideograph), ascending, within
// its first Count bytes; the end of S too when Count reaches it and its last character allows.
std::vector<size_t> Breaks(const std::string& S, size_t Count) {
  std::vector<size_t> Out;
  size_t Prev = std::string::npos;  // start of the character before I
  for (size_t I = 0; I < S.size() && I <= Count; I += CharLen(S, I)) {
    if (Prev != std::string::npos) {
      if (IsDelimiter(S[I - 1]) && CharLen(S, Prev) == 1) {
        Out.push_back(I);
      } else {
        const char32_t A = CodePoint(S, Prev), B = CodePoint(S, I);
        if ((IsIdeographic(A) || IsIdeographic(B)) && !IsClosingPunct(B) && !IsOpeningPunct(A)) Out.push_back(I);
      }
    }
    Prev = I;
  }
  if (Count >= S.size() && Prev != std::string::npos &&
      ((CharLen(S, Prev) == 1 && IsDelimiter(S[Prev])) ||
       (IsIdeographic(CodePoint(S, Prev)) && !IsOpeningPunct(CodePoint(S, Prev)))))
    Out.push_back(S.size());
  return Out;
}

// The end of the longest first piece of S, within its first Count bytes, that ends at a
// break. npos when there is none.
size_t LastBreak(const std::string& S, size_t Count) {
  const std::vector<size_t> B = Breaks(S, Count);
  return B.empty() ? std::string::npos : B.back();
}

// The first of two equal tag characters in a row, or npos.
size_t DoubledTagChar(const std::string& S, char TagOpen, char TagClose) {
  for (size_t I = 0; I + 1 < S.size(); ++I)
    if ((S[I] == TagOpen || S[I] == TagClose) && S[I + 1] == S[I]) return I;
  return std::string::npos;
}

std::string TrimRight(std::string S) {
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ') S.pop_back();
  return S;
}

TFontStyles StyleFromLetters(const std::string& Name) {
  TFontStyles S;
  for (char C : Upper(Name)) {
    if (C == 'B') S.insert(fsBold);
    else if (C == 'I') S.insert(fsItalic);
    else if (C == 'U') S.insert(fsUnderline);
    else if (C == 'S') S.insert(fsStrikeOut);
  }
  return S;
}

struct TWalkState {
  TFontStyles Style;
  TColor Color;
};

// One line of the markup, measured or drawn; the state carries on to the next line.
class TLineWalker {
 public:
  TLineWalker(const TRichTextParams& P, TzuTextMeasurer& M, const TFontStyles& BaseStyle, TColor BaseColor)
      : FP(P), FM(M), FBaseStyle(BaseStyle), FBaseColor(BaseColor) {}

  // Walks Line from X (Runs null: measuring only); returns the X after it.
  int Walk(const std::string& Line, int X, int Y, TWalkState& S, std::vector<TRichRun>* Runs) {
    std::string Rest = Line;
    std::string Literal;  // text before the next tag, with its escapes resolved
    const bool Escapes = FP.TagOpen != FP.TagClose;
    if (!FP.PlainText) {
      for (;;) {
        const size_t O = Rest.find(FP.TagOpen);
        // A doubled tag character up to the next opening one is one literal character.
        if (Escapes) {
          const size_t E = DoubledTagChar(Rest, FP.TagOpen, FP.TagClose);
          if (E != std::string::npos && (O == std::string::npos || E <= O)) {
            Literal += Rest.substr(0, E + 1);
            Rest.erase(0, E + 2);
            continue;
          }
        }
        if (O == std::string::npos) break;
        // Equal tag characters: the closing one is the next after the opening one.
        const size_t C = FP.TagOpen == FP.TagClose ? Rest.find(FP.TagClose, O + 1) : Rest.find(FP.TagClose);
        if (C == std::string::npos) break;
        if (C < O) {
          Rest.erase(O, 1);
          continue;
        }
        X = Piece(Literal + Rest.substr(0, O), X, Y, S, Runs);
        Literal.clear();
        ApplyTag(Rest.substr(O + 1, C - O - 1), S);
        Rest.erase(0, C + 1);
      }
    }
    return Piece(Literal + Rest, X, Y, S, Runs);
  }

  // The width of Line from the left margin on, starting with the base font.
  int Measure(const std::string& Line) {
    TWalkState S{FBaseStyle, FBaseColor};
    return Walk(FP.Alignment == taRightJustify ? Line : TrimRight(Line), FP.MarginHorz, -1, S, nullptr);
  }

 private:
  void ApplyTag(const std::string& Name, TWalkState& S) {
    const std::string U = Upper(Name);
    TColor C;
    if (U == "DEF") {
      S.Style = FBaseStyle;
      if (!FP.Disabled) S.Color = FBaseColor;
    } else if (RichColorByName(U, C)) {
      if (!FP.Disabled) S.Color = C;
    } else {
      S.Style = StyleFromLetters(U);
    }
  }

  int Piece(const std::string& Text, int X, int Y, const TWalkState& S, std::vector<TRichRun>* Runs) {
    auto Emit = [&](const std::string& T, const TFontStyles& Style) {
      if (T.empty()) return;
      if (Runs) Runs->push_back(TRichRun{X, Y, T, Style, S.Color});
      X += FM.TextWidth(T, Style);
    };
    if (!FP.ShowAccelChar) {
      Emit(Text, S.Style);
      return X;
    }
    std::string Plain;
    for (size_t I = 0; I < Text.size(); ++I) {
      if (Text[I] != '&' || I + 1 == Text.size()) {
        Plain += Text[I];
      } else if (Text[I + 1] == '&') {
        Plain += '&';
        ++I;
      } else {
        Emit(Plain, S.Style);
        Plain.clear();
        TFontStyles Key = S.Style;
        Key.insert(fsUnderline);
        const size_t L = CharLen(Text, I + 1);
        Emit(Text.substr(I + 1, L), Key);
        I += L;
      }
    }
    Emit(Plain, S.Style);
    return X;
  }

  const TRichTextParams& FP;
  TzuTextMeasurer& FM;
  TFontStyles FBaseStyle;
  TColor FBaseColor;
};

}  // namespace

// ---------- colours and the tag list ----------

TColor RGBToColor(int R, int G, int B) { return (R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16); }

QColor ColorToQColor(TColor Color) {
  if (Color == clNone) return QColor(Qt::transparent);
  if (static_cast<std::uint32_t>(Color) & 0x80000000u) {
    const int Index = Color & 0xFF;
    // Without an application object: the classic desktop colours.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
      switch (Index) {
        case 15: return QColor(212, 208, 200);
        case 16: return QColor(128, 128, 128);
        case 5: case 20: return QColor(255, 255, 255);
        default: return QColor(0, 0, 0);
      }
    }
    const QPalette Pal = QGuiApplication::palette();
    switch (Index) {
      case 5: return Pal.color(QPalette::Base);
      case 15: return Pal.color(QPalette::Button);
      case 16: return Pal.color(QPalette::Dark);
      case 20: return Pal.color(QPalette::Light);
      case 8: default: return Pal.color(QPalette::WindowText);
    }
  }
  return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

const std::vector<std::string>& RichTagList() {
  static const std::vector<std::string> List = [] {
    std::vector<std::string> L{""};
    const std::string Letters = "BIUS";
    // Every ordering of 1..4 distinct letters, shorter before longer.
    std::vector<std::string> Prev{""};
    for (int Len = 1; Len <= 4; ++Len) {
      std::vector<std::string> Next;
      for (const std::string& P : Prev)
        for (char C : Letters)
          if (P.find(C) == std::string::npos) Next.push_back(P + C);
      L.insert(L.end(), Next.begin(), Next.end());
      Prev = std::move(Next);
    }
    L.insert(L.end(), COLOR_NAMES.begin(), COLOR_NAMES.end());
    L.push_back("DEFAULT");
    L.push_back("DEF");
    return L;
  }();
  return List;
}

bool RichColorByName(const std::string& Name, TColor& Color) {
  const std::string U = Upper(Name);
  for (size_t I = 0; I < COLOR_NAMES.size(); ++I)
    if (U == COLOR_NAMES[I]) {
      Color = RGBToColor(COLOR_VALUES[I].R, COLOR_VALUES[I].G, COLOR_VALUES[I].B);
      return true;
    }
  return false;
}

// ---------- measuring with Qt ----------

namespace {
QFont StyledFont(const QFont& Base, const TFontStyles& Style) {
  QFont F = Base;
  F.setBold(Style.count(fsBold) != 0);
  F.setItalic(Style.count(fsItalic) != 0);
  F.setUnderline(Style.count(fsUnderline) != 0);
  F.setStrikeOut(Style.count(fsStrikeOut) != 0);
  return F;
}
}  // namespace

TzuFontMeasurer::TzuFontMeasurer(const TFont& Font) : FName(Font.Name()), FSize(Font.Size()) {}

static QFont MeasurerFont(const std::string& Name, int Size, const TFontStyles& Style) {
  TFont F;
  F.SetName(Name);
  F.SetSize(Size);
  return StyledFont(ToQFont(F), Style);
}

int TzuFontMeasurer::TextWidth(const std::string& Text, const TFontStyles& Style) {
  return QFontMetrics(MeasurerFont(FName, FSize, Style)).horizontalAdvance(QString::fromStdString(Text));
}

int TzuFontMeasurer::TextHeight(const std::string&, const TFontStyles& Style) {
  return QFontMetrics(MeasurerFont(FName, FSize, Style)).height();
}

int TzuFontMeasurer::Ascent(const TFontStyles& Style) const {
  return QFontMetrics(MeasurerFont(FName, FSize, Style)).ascent();
}

// ---------- layout ----------

std::vector<std::string> SplitRichLines(const std::string& Text) {
  std::vector<std::string> Lines;
  size_t Start = 0;
  while (Start < Text.size()) {
    const size_t LF = Text.find('\n', Start);
    if (LF == std::string::npos) {
      Lines.push_back(Text.substr(Start));
      break;
    }
    const size_t End = LF > Start && Text[LF - 1] == '\r' ? LF - 1 : LF;
    Lines.push_back(Text.substr(Start, End - Start));
    Start = LF + 1;
  }
  return Lines;
}

namespace {

// The pieces a too wide line may be cut back to, longest first: at each break from the end,
// then (a single word wider than the line) one character at a time, never below one character
// and never ending inside a tag when it can be helped.
struct TCutPoints {
  std::vector<size_t> Ends;   // lengths; Ends[0] is the line (or a start of it already too wide)
  std::vector<size_t> Clean;  // the indices of Ends, after the first, not ending inside a tag
  size_t AtBreaks = 0;        // how many of Ends, after the first, are breaks
};

TCutPoints CutPoints(const std::string& L, size_t From, const TRichTextParams& P) {
  const bool AvoidTags = !P.PlainText && P.TagOpen != P.TagClose;
  const size_t First = L.empty() ? 0 : CharLen(L, 0);
  TCutPoints R;
  R.Ends.push_back(From);
  if (From <= First) return R;
  // Of the piece of each length: where its last character starts, its last tag characters.
  std::vector<size_t> CharStart(From + 1, 0), TagOpen(From + 1, std::string::npos),
      TagClose(From + 1, std::string::npos);
  for (size_t I = 1; I <= From; ++I) {
    CharStart[I] = (static_cast<unsigned char>(L[I - 1]) & 0xC0) != 0x80 ? I - 1 : CharStart[I - 1];
    TagOpen[I] = L[I - 1] == P.TagOpen ? I - 1 : TagOpen[I - 1];
    TagClose[I] = L[I - 1] == P.TagClose ? I - 1 : TagClose[I - 1];
  }
  // A few bytes past From, so that the character at each break is read whole.
  const std::vector<size_t> B = Breaks(L.substr(0, std::min(L.size(), From + 4)), CharStart[From]);
  size_t K = B.size();
  for (size_t End = From; End > First;) {
    while (K > 0 && B[K - 1] > CharStart[End]) --K;
    if (K == 0) {
      End = std::max(CharStart[End], First);
      const size_t O = TagOpen[End], C = TagClose[End];
      if (AvoidTags && O != std::string::npos && O > 0 && (C == std::string::npos || C < O)) End = O;
    } else {
      End = B[--K];
      ++R.AtBreaks;
    }
    R.Ends.push_back(End);
    if (!AvoidTags || TagOpen[End] == std::string::npos ||
        (TagClose[End] != std::string::npos && TagClose[End] > TagOpen[End]))
      R.Clean.push_back(R.Ends.size() - 1);
  }
  return R;
}

// The longest start of L, at most N bytes, that ends at a character and outside any tag; 0
// when there is none.
size_t CleanStart(const std::string& L, size_t N, const TRichTextParams& P) {
  size_t E = std::min(N, L.size());
  while (E > 0 && E < L.size() && (static_cast<unsigned char>(L[E]) & 0xC0) == 0x80) --E;
  if (P.PlainText || P.TagOpen == P.TagClose) return E;
  while (E > 0) {
    const size_t O = L.rfind(P.TagOpen, E - 1), C = L.rfind(P.TagClose, E - 1);
    if (O == std::string::npos || (C != std::string::npos && C > O)) break;
    E = O;
  }
  return E;
}

}  // namespace

std::vector<TRichLine> WrapRichLine(const std::string& Line, const TRichTextParams& P, TzuTextMeasurer& M,
                                    const TFontStyles& BaseStyle, int& Widest) {
  TLineWalker W(P, M, BaseStyle, clBlack);
  const int Avail = P.Width - P.MarginHorz;
  std::vector<TRichLine> Out;
  std::string L = Line;
  for (;;) {
    // The first piece of a long line lies near its start: a start of it twice as long each
    // time is measured until one (ending cleanly) is too wide. Longer pieces are no narrower,
    // so the rest of the line plays no part in this piece.
    size_t From = L.size();
    int FromWidth = -1;
    for (size_t N = 32; N < L.size(); N *= 2) {
      const size_t E = CleanStart(L, N, P);
      if (E == 0) continue;
      const int EW = W.Measure(L.substr(0, E));
      if (EW > Avail) {
        From = E;
        FromWidth = EW;
        break;
      }
    }
    const TCutPoints C = CutPoints(L, From, P);
    // The first piece that fits, or else the last one (one character). Only pieces that do
    // not end inside a tag are tried: a tag cut in two would show as text on both lines. Of
    // those, shorter ones are never wider, so they are searched from the short end, where
    // they are cheap to measure.
    std::vector<int> Widths(C.Ends.size(), -1);
    Widths[0] = FromWidth;
    auto Fits = [&](size_t J) {
      if (Widths[J] < 0) Widths[J] = W.Measure(L.substr(0, C.Ends[J]));
      return Widths[J] <= Avail;
    };
    size_t Hi = C.Ends.size() - 1;
    if (Fits(0)) {
      Hi = 0;  // most lines fit whole
    } else if (!C.Clean.empty()) {
      size_t Lo = 0, Top = C.Clean.size();  // the first fitting clean piece is Clean[Lo..Top), Top: none
      for (size_t Step = 1; Top > Lo; Step *= 2) {
        const size_t J = Top - Lo > Step ? Top - Step : Lo;
        if (!Fits(C.Clean[J])) {
          Lo = J + 1;
          break;
        }
        Top = J;
      }
      while (Lo < Top) {
        const size_t J = Lo + (Top - Lo) / 2;
        if (Fits(C.Clean[J]))
          Top = J;
        else
          Lo = J + 1;
      }
      if (Top < C.Clean.size()) Hi = C.Clean[Top];
    }
    Fits(Hi);
    std::string Piece = L.substr(0, C.Ends[Hi]);
    const int PieceW = Widths[Hi];
    // A word broken in its middle runs to the edge.
    if (Hi > C.AtBreaks) Widest = std::max(Widest, P.Width);
    Widest = std::max(Widest, PieceW);
    if (Piece.size() == L.size()) {
      Out.push_back(TRichLine{L, PieceW});
      return Out;
    }
    if (C.AtBreaks > 0) {
      const size_t E = LastBreak(Piece, Piece.size());
      if (E != std::string::npos && E > 0) Piece.erase(E);
    }
    // Without a break the word is wider than the line: it is broken where the line ends, so
    // no text is lost beyond the edge.
    Out.push_back(TRichLine{Piece, PieceW});
    L.erase(0, Piece.size());
  }
}

TRichTextLayout LayoutRichText(const std::string& Text, const TFontStyles& BaseStyle, TColor BaseColor,
                               const TRichTextParams& P, TzuTextMeasurer& M) {
  TRichTextLayout Lay;
  if (P.Width < 0) return Lay;
  TLineWalker W(P, M, BaseStyle, BaseColor);
  Lay.LineHeight = M.TextHeight("Wj", BaseStyle);
  int Widest = 0;
  for (const std::string& L : SplitRichLines(Text)) {
    if (P.WordWrap) {
      for (TRichLine& R : WrapRichLine(L, P, M, BaseStyle, Widest)) Lay.Lines.push_back(std::move(R));
    } else {
      const int LW = W.Measure(L);
      Widest = std::max(Widest, LW);
      Lay.Lines.push_back(TRichLine{L, LW});
    }
  }
  const int N = static_cast<int>(Lay.Lines.size());
  Lay.Width = P.Width;
  if (P.FitWidth && P.Alignment == taLeftJustify) Lay.Width = Widest + P.MarginHorz + (P.ShowShadow ? 7 : 0);
  Lay.Height = N * Lay.LineHeight + 2 * P.MarginVert + (P.ShowShadow ? 8 : 0);

  TWalkState S{BaseStyle, BaseColor};
  int Y = P.MarginVert, DrawnWidest = 0;
  for (const TRichLine& L : Lay.Lines) {
    int X = P.MarginHorz;
    if (P.Alignment == taRightJustify) X = Lay.Width - P.MarginHorz - L.Width;
    else if (P.Alignment == taCenter) X = (Lay.Width - P.MarginHorz - L.Width) / 2;
    const int End = W.Walk(L.Text, X, Y, S, &Lay.Runs);
    DrawnWidest = std::max(DrawnWidest, End - X + P.MarginHorz);
    Y += Lay.LineHeight;
  }
  Lay.Result = QPoint(!P.FitWidth && !P.WordWrap ? DrawnWidest : Widest, P.MarginVert + N * Lay.LineHeight);
  return Lay;
}

QPoint PlaceRichPopup(QPoint Pos, int W, int H, int ScreenW, int ScreenH) {
  int X = Pos.x() - W / 2, Y = Pos.y();
  // The upper bound first, so a popup larger than the screen still starts on it.
  if (X > ScreenW - W) X = ScreenW - W;
  if (X < 0) X = 0;
  if (Y + H > ScreenH) Y = ScreenH - H - 20;
  if (Y < 0) Y = 0;
  return QPoint(X, Y);
}

std::vector<QPoint> RichShadowDots(int W, int H) {
  std::vector<QPoint> Dots;
  const int R = W - 7, B = H - 7;
  auto Add = [&](int X, int Y) {
    if (X >= 0 && Y >= 0 && X < W && Y < H) Dots.emplace_back(X, Y);
  };
  for (int X = 7; X <= R; ++X)
    for (int K = 0; K < 3; ++K) Add(X, B + (X % 2 ? 1 : 2) + 2 * K);
  for (int Y = B + 7; Y >= 7; --Y)
    for (int K = 0; K < 3; ++K) Add(R + ((Y - B) & 1 ? 1 : 2) + 2 * K, Y);
  return Dots;
}

// ---------- painting ----------

QPoint DrawRichText(TBitmap& Bitmap, const QImage* BackDC, QPoint BackPos, QPoint& PopupPos,
                    const std::string& Text, const TFont& Font, TColor Color, TColor ShadowColor, bool PlainText,
                    bool FitWidth, bool WordWrap, int Width, TAlignment Alignment, char TagOpen, char TagClose,
                    int MarginHorz, int MarginVert, bool ShowFrame, bool ShowShadow, bool Disabled,
                    bool ShowAccelChar) {
  if (Width < 0) return QPoint(0, 0);
  TRichTextParams P;
  P.PlainText = PlainText;
  P.FitWidth = FitWidth;
  P.WordWrap = WordWrap;
  P.Width = Width;
  P.Alignment = Alignment;
  P.TagOpen = TagOpen;
  P.TagClose = TagClose;
  P.MarginHorz = MarginHorz;
  P.MarginVert = MarginVert;
  P.ShowFrame = ShowFrame;
  P.ShowShadow = ShowShadow;
  P.Disabled = Disabled;
  P.ShowAccelChar = ShowAccelChar;
  TzuFontMeasurer M(Font);
  const TRichTextLayout Lay = LayoutRichText(Text, Font.Style(), Font.Color(), P, M);

  if (PopupPos.x() != 0 && PopupPos.y() != 0) {
    const QScreen* Screen = QGuiApplication::primaryScreen();
    const QRect S = Screen ? Screen->geometry() : QRect();
    PopupPos = PlaceRichPopup(PopupPos, Lay.Width, Lay.Height, S.width(), S.height());
    BackPos = PopupPos;
  }

  QImage Img;
  if (Lay.Width > 0 && Lay.Height > 0) {
    Img = QImage(Lay.Width, Lay.Height, QImage::Format_ARGB32_Premultiplied);
    Img.fill(ColorToQColor(Color));
    QPainter G(&Img);
    if (BackDC) {
      G.setCompositionMode(QPainter::CompositionMode_Source);
      G.drawImage(QPoint(0, 0), *BackDC, QRect(BackPos, Img.size()));
      G.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    const int W = Lay.Width, H = Lay.Height;
    if (ShowFrame) {
      const int N = ShowShadow ? 6 : 0;
      if (W - N > 0 && H - N > 0) {
        if (Color != clNone) G.fillRect(QRect(0, 0, W - N, H - N), ColorToQColor(Color));
        G.setBrush(Qt::NoBrush);
        G.setPen(QPen(QColor(0, 0, 0), 0));
        G.drawRect(QRect(0, 0, W - N - 1, H - N - 1));
        if (W - N > 3 && H - N > 3) {
          G.setPen(QPen(ColorToQColor(clBtnFace), 0));
          G.drawRect(QRect(1, 1, W - N - 3, H - N - 3));
        }
      }
    }
    if (ShowShadow) {
      G.setPen(QPen(ColorToQColor(ShadowColor), 0));
      for (const QPoint& D : RichShadowDots(W, H)) G.drawPoint(D);
    }
    const int Ascent = M.Ascent(Font.Style());
    TFont Base;
    Base.SetName(Font.Name());
    Base.SetSize(Font.Size());
    const QFont BaseQ = ToQFont(Base);
    auto Pass = [&](int DX, int DY, const QColor* Fixed) {
      for (const TRichRun& R : Lay.Runs) {
        G.setFont(StyledFont(BaseQ, R.Style));
        G.setPen(Fixed ? *Fixed : ColorToQColor(R.Color));
        G.drawText(QPoint(R.X + DX, R.Y + DY + Ascent), QString::fromStdString(R.Text));
      }
    };
    if (Disabled) {
      // Embossed: a highlight copy one pixel right and down under the shadow-coloured text.
      const QColor Light = ColorToQColor(clBtnHighlight), Dark = ColorToQColor(clBtnShadow);
      Pass(1, 1, &Light);
      Pass(0, 0, &Dark);
    } else {
      Pass(0, 0, nullptr);
    }
  }
  Bitmap.Canvas() = Img;
  Bitmap.Changed();
  return Lay.Result;
}

// ---------- tags ----------

namespace {
std::string DeleteTags(const std::string& Text, char TagOpen, char TagClose, bool Escapes);
}

std::string DeleteAllTags(const std::string& Text, char TagOpen, char TagClose) {
  return DeleteTags(Text, TagOpen, TagClose, false);
}

std::string DeleteAllTagsUnescaped(const std::string& Text, char TagOpen, char TagClose) {
  return DeleteTags(Text, TagOpen, TagClose, TagOpen != TagClose);
}

namespace {
std::string DeleteTags(const std::string& Text, char TagOpen, char TagClose, bool Escapes) {
  // Escaped tag characters stand aside as stand-ins, so no tag is formed from them.
  const char OpenMark = '\x01', CloseMark = '\x02';
  std::string R;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Escapes && I + 1 < Text.size() && (Text[I] == TagOpen || Text[I] == TagClose) && Text[I + 1] == Text[I]) {
      R += Text[I] == TagOpen ? OpenMark : CloseMark;
      ++I;
    } else {
      R += Text[I];
    }
  }
  const auto IsLetter = [](char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); };
  if (TagOpen != TagClose && !IsLetter(TagOpen) && !IsLetter(TagClose)) {
    // A tag holds no tag character, so two tags never overlap and the text left is the same
    // whichever is removed first: one pass, removing each tag as its closing character comes
    // (a removal can join the text around it into a new tag only there).
    static const std::set<std::string> Names(RichTagList().begin(), RichTagList().end());
    static const size_t Longest = [] {
      size_t N = 0;
      for (const std::string& Name : RichTagList()) N = std::max(N, Name.size());
      return N;
    }();
    std::string Out;
    for (const char C : R) {
      Out += C;
      if (C != TagClose) continue;
      size_t Open = Out.size() - 1;  // the nearest opening character, within a name's reach
      while (Open > 0 && Out.size() - Open <= Longest + 1 && Out[Open - 1] != TagOpen) --Open;
      if (Open == 0 || Out[--Open] != TagOpen) continue;
      const std::string Name = Out.substr(Open + 1, Out.size() - Open - 2);
      if (Name.find(TagClose) == std::string::npos && Names.count(Upper(Name))) Out.erase(Open);
    }
    R = std::move(Out);
  } else {
    for (bool Found = true; Found;) {
      Found = false;
      for (const std::string& Name : RichTagList()) {
        const std::string Tag = Upper(TagOpen + Name + TagClose);
        const size_t Pos = Upper(R).find(Tag);
        if (Pos == std::string::npos) continue;
        R.erase(Pos, Tag.size());
        Found = true;
      }
    }
  }
  if (Escapes) {
    for (char& C : R) {
      if (C == OpenMark) C = TagOpen;
      else if (C == CloseMark) C = TagClose;
    }
  }
  return R;
}
}  // namespace

std::string RichTextToPlain(const std::string& Text, char TagOpen, char TagClose) {
  // Laid out without measuring: the runs are the text as drawn.
  class TNoMeasurer : public TzuTextMeasurer {
   public:
    int TextWidth(const std::string&, const TFontStyles&) override { return 0; }
    int TextHeight(const std::string&, const TFontStyles&) override { return 1; }
  } M;
  TRichTextParams P;
  P.Width = 1;
  P.TagOpen = TagOpen;
  P.TagClose = TagClose;
  const TRichTextLayout L = LayoutRichText(Text, {}, clBlack, P, M);
  std::string Out;
  int Y = 0;
  for (const TRichRun& R : L.Runs) {
    for (; Y < R.Y; ++Y) Out += '\n';
    Out += R.Text;
  }
  const int Lines = static_cast<int>(L.Lines.size());
  for (; Y < Lines - 1; ++Y) Out += '\n';
  return Out;
}

namespace {

struct TCharState {
  TFontStyles Style;
  TColor Color;
  bool operator==(const TCharState&) const = default;
};

TColor FromQColor(const QColor& C) { return RGBToColor(C.red(), C.green(), C.blue()); }

TCharState EditBase(const QTextEdit& E) {
  const QFont F = E.font();
  TCharState S{{}, FromQColor(E.palette().color(QPalette::Text))};
  if (F.bold()) S.Style.insert(fsBold);
  if (F.italic()) S.Style.insert(fsItalic);
  if (F.underline()) S.Style.insert(fsUnderline);
  if (F.strikeOut()) S.Style.insert(fsStrikeOut);
  return S;
}

// A character's look: what its format sets, the control's font for the rest.
TCharState StateOf(const QTextCharFormat& F, const TCharState& Base) {
  TCharState S = Base;
  auto Flag = [&](int Property, bool Value, TFontStyle Style) {
    if (!F.hasProperty(Property)) return;
    if (Value) S.Style.insert(Style);
    else S.Style.erase(Style);
  };
  Flag(QTextFormat::FontWeight, F.fontWeight() >= QFont::DemiBold, fsBold);
  Flag(QTextFormat::FontItalic, F.fontItalic(), fsItalic);
  Flag(QTextFormat::TextUnderlineStyle, F.fontUnderline(), fsUnderline);
  Flag(QTextFormat::FontUnderline, F.fontUnderline(), fsUnderline);
  Flag(QTextFormat::FontStrikeOut, F.fontStrikeOut(), fsStrikeOut);
  if (F.hasProperty(QTextFormat::ForegroundBrush) && F.foreground().style() != Qt::NoBrush)
    S.Color = FromQColor(F.foreground().color());
  return S;
}

QTextCharFormat FormatOf(const TCharState& S) {
  QTextCharFormat F;
  F.setFontWeight(S.Style.count(fsBold) ? QFont::Bold : QFont::Normal);
  F.setFontItalic(S.Style.count(fsItalic) != 0);
  F.setFontUnderline(S.Style.count(fsUnderline) != 0);
  F.setFontStrikeOut(S.Style.count(fsStrikeOut) != 0);
  F.setForeground(ColorToQColor(S.Color));
  return F;
}

bool IsRichColor(TColor C) {
  for (const TRichRGB& V : COLOR_VALUES)
    if (RGBToColor(V.R, V.G, V.B) == C) return true;
  return false;
}

const char* RichColorName(TColor C) {
  for (size_t I = 0; I < COLOR_VALUES.size(); ++I)
    if (RGBToColor(COLOR_VALUES[I].R, COLOR_VALUES[I].G, COLOR_VALUES[I].B) == C) return COLOR_NAMES[I];
  return "";
}

}  // namespace

std::string RichToTag(const QTextEdit& RichEdit, char TagOpen, char TagClose) {
  const TCharState Base = EditBase(RichEdit);
  std::unique_ptr<QTextDocument> Copy(RichEdit.document()->clone());
  TCharState Current = Base;
  std::string Out;
  for (QTextBlock B = Copy->begin(); B.isValid(); B = B.next()) {
    if (B != Copy->begin()) Out += '\n';
    for (auto It = B.begin(); !It.atEnd(); ++It) {
      const QTextFragment Frag = It.fragment();
      const TCharState S = StateOf(Frag.charFormat(), Base);
      const QString T = Frag.text();
      for (qsizetype I = 0; I < T.size(); ++I) {
        const qsizetype Len = T[I].isHighSurrogate() && I + 1 < T.size() ? 2 : 1;
        if (T[I].unicode() >= 32 && !(S == Current)) {
          if (S == Base) {
            Out += TagOpen + std::string("DEF") + TagClose;
          } else {
            if (S.Style != Current.Style) {
              Out += TagOpen;
              if (S.Style.count(fsBold)) Out += 'B';
              if (S.Style.count(fsItalic)) Out += 'I';
              if (S.Style.count(fsUnderline)) Out += 'U';
              if (S.Style.count(fsStrikeOut)) Out += 'S';
              Out += TagClose;
            }
            if (S.Color != Current.Color && IsRichColor(S.Color))
              Out += TagOpen + std::string(RichColorName(S.Color)) + TagClose;
          }
          Current = S;
        }
        Out += T.mid(I, Len).toStdString();
        I += Len - 1;
      }
    }
  }
  return Out;
}

void TagToRich(const std::string& Text, QTextEdit& RichEdit, char TagOpen, char TagClose) {
  std::string Markup;
  for (size_t I = 0; I < Text.size(); ++I)
    if (!(Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')) Markup += Text[I];
  const TCharState Base = EditBase(RichEdit);
  QTextDocument Hidden;
  Hidden.setPlainText(QString::fromStdString(DeleteAllTags(Markup, TagOpen, TagClose)));
  QTextCursor C(&Hidden);
  C.select(QTextCursor::Document);
  C.setCharFormat(FormatOf(Base));
  const int DocLen = std::max(0, Hidden.characterCount() - 1);
  TCharState S = Base;
  for (;;) {
    const std::string U = Upper(Markup);
    size_t Best = std::string::npos, BestLen = 0;
    std::string BestName;
    for (const std::string& Name : RichTagList()) {
      const std::string Tag = Upper(TagOpen + Name + TagClose);
      const size_t Pos = U.find(Tag);
      if (Pos < Best) {
        Best = Pos;
        BestLen = Tag.size();
        BestName = Name;
      }
    }
    if (Best == std::string::npos) break;
    TColor Col;
    if (BestName == "DEFAULT" || BestName == "DEF") S = Base;
    else if (RichColorByName(BestName, Col)) S.Color = Col;
    else S.Style = StyleFromLetters(BestName);
    Markup.erase(Best, BestLen);
    const int From = std::min<int>(DocLen, static_cast<int>(QString::fromStdString(Markup.substr(0, Best)).size()));
    C.setPosition(From);
    C.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    C.setCharFormat(FormatOf(S));
  }
  RichEdit.clear();
  QTextCursor Target(RichEdit.document());
  Target.insertFragment(QTextDocumentFragment(&Hidden));
}

}  // namespace zu
