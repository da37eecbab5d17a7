// zuRichTextUtils: the bracket markup of the dialogs' texts ("A newer version of [b]%s[] was
// released."), its layout, DrawRichText, the tag remover and the rich-edit converters.
//
// Layout (line splitting, wrapping, tag walking, geometry) runs against TzuTextMeasurer and
// yields positioned runs; painting only draws those runs. So the layout is tested with a
// measurer of fixed widths as well as with real fonts.
//
// Literal brackets: a doubled tag character outside a tag draws one of it, so "[[OK]]" shows
// [OK] and "[[&Y]]" shows [Y] with Y as the access key. (Not with equal opening and closing
// characters, where "||" is the empty tag.)
//
// Wrapping breaks after the delimiters, between ideographs (CJK text has no blanks), and,
// where a word alone is wider than the line, inside the word, so no text runs past the edge.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/Font.h"
#include "platform/framework/Graphics.h"

class QTextEdit;

namespace zu {

// System colours the drawing uses (framework numbering: top bit set, low byte = index).
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
inline constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
inline constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);
// No colour: a background of this colour stays transparent.
inline constexpr TColor clNone = 0x1FFFFFFF;

// A framework colour as Qt's: system colours come from the application's palette.
QColor ColorToQColor(TColor Color);
TColor RGBToColor(int R, int G, int B);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TRichTextColor {
  rclBlack, rclMaroon, rclGreen, rclOlive, rclNavy, rclPurple, rclTeal, rclGray,
  rclSilver, rclRed, rclLime, rclYellow, rclBlue, rclFuchsia, rclAqua, rclWhite
};
struct TRichRGB {
  std::uint8_t R, G, B;
};
extern const std::array<const char*, 16> COLOR_NAMES;
extern const std::array<TRichRGB, 16> COLOR_VALUES;
// The 83 names DeleteAllTags and the rich-edit converters know, in their order.
const std::vector<std::string>& RichTagList();
// The colour a colour name stands for (any case); false for any other name.
bool RichColorByName(const std::string& Name, TColor& Color);

// Widths and heights of text in the base font with a given style.
class TzuTextMeasurer {
 public:
  virtual ~TzuTextMeasurer() = default;
  virtual int TextWidth(const std::string& Text, const TFontStyles& Style) = 0;
  virtual int TextHeight(const std::string& Text, const TFontStyles& Style) = 0;
};

// Measures with Qt's font metrics for Font (its style replaced by the one asked for).
class TzuFontMeasurer : public TzuTextMeasurer {
 public:
  explicit TzuFontMeasurer(const TFont& Font);
  int TextWidth(const std::string& Text, const TFontStyles& Style) override;
  int TextHeight(const std::string& Text, const TFontStyles& Style) override;
  int Ascent(const TFontStyles& Style) const;

 private:
  std::string FName;
  int FSize;
};

struct TRichTextParams {
  bool PlainText = false;
  bool FitWidth = false;
  bool WordWrap = false;
  int Width = 0;
  TAlignment Alignment = taLeftJustify;
  char TagOpen = '[';
  char TagClose = ']';
  int MarginHorz = 0;
  int MarginVert = 0;
  bool ShowFrame = false;
  bool ShowShadow = false;
  bool Disabled = false;
  bool ShowAccelChar = false;
};

// One piece of text drawn at (X, Y), top left, in one style and colour.
struct TRichRun {
  int X = 0, Y = 0;
  std::string Text;
  TFontStyles Style;
  TColor Color = clBlack;
};

struct TRichLine {
  std::string Text;
  int Width = 0;  // measured, left margin included
};

struct TRichTextLayout {
  std::vector<TRichLine> Lines;
  int LineHeight = 0;
  int Width = 0, Height = 0;  // of the bitmap
  QPoint Result;              // what DrawRichText returns
  std::vector<TRichRun> Runs; // one pass at the unchanged margins
};

// Splits at LF and CR LF (a lone CR stays). A final line end starts no further line.
std::vector<std::string> SplitRichLines(const std::string& Text);
// The pieces one line wraps into, with their measured widths; Widest grows as wrapping
// does. A piece never shrinks below one character, so no width is too narrow to finish.
std::vector<TRichLine> WrapRichLine(const std::string& Line, const TRichTextParams& P, TzuTextMeasurer& M,
                                    const TFontStyles& BaseStyle, int& Widest);
// The whole layout of Text (Width < 0: nothing, result (0, 0)).
TRichTextLayout LayoutRichText(const std::string& Text, const TFontStyles& BaseStyle, TColor BaseColor,
                               const TRichTextParams& P, TzuTextMeasurer& M);
// Where a W x H popup asked for at Pos goes on a ScreenW x ScreenH screen.
QPoint PlaceRichPopup(QPoint Pos, int W, int H, int ScreenW, int ScreenH);
// The dots of the half-tone shadow of a W x H bitmap (only those inside it).
std::vector<QPoint> RichShadowDots(int W, int H);

// Lays Text out and draws it into Bitmap, which takes the drawing's size. BackDC (may be
// null) is the background source; PopupPos is a screen position when both coordinates are
// non-zero and comes back adjusted to the screen.
QPoint DrawRichText(TBitmap& Bitmap, const QImage* BackDC, QPoint BackPos, QPoint& PopupPos,
                    const std::string& Text, const TFont& Font, TColor Color, TColor ShadowColor, bool PlainText,
                    bool FitWidth, bool WordWrap, int Width, TAlignment Alignment, char TagOpen, char TagClose,
                    int MarginHorz, int MarginVert, bool ShowFrame, bool ShowShadow, bool Disabled,
                    bool ShowAccelChar);

// Text without any tag of the tag list (any case); other bracketed text stays.
std::string DeleteAllTags(const std::string& Text, char TagOpen = '[', char TagClose = ']');
// The same, with escaped tag characters ("[[", "]]") kept out of tags and given back single:
// the text a reader copies.
std::string DeleteAllTagsUnescaped(const std::string& Text, char TagOpen = '[', char TagClose = ']');
// The characters the markup draws: tags gone, escapes resolved, "&" kept. For controls that
// show a markup caption as plain text.
std::string RichTextToPlain(const std::string& Text, char TagOpen = '[', char TagClose = ']');

// The rich edit is a QTextEdit: its "font" is font() (the style) with the palette's Text
// colour. Paragraphs are joined with LF.
std::string RichToTag(const QTextEdit& RichEdit, char TagOpen = '[', char TagClose = ']');
void TagToRich(const std::string& Text, QTextEdit& RichEdit, char TagOpen = '[', char TagClose = ']');

}  // namespace zu
