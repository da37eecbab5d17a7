// The bracket markup: tag walking, line splitting and wrapping with a measurer of fixed
// widths, the geometry of DrawRichText, the tag list and the rich-edit converters, drawings
// with real fonts (PNGs in the artifacts folder) and the rich label's height.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>

#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/framework/Forms.h"
#include "widgets/zuRichLabel.h"
#include "widgets/zuRichTextUtils.h"

using namespace zu;

namespace {

// Every character 10 pixels wide, 12 in bold; lines 16 pixels high.
class TFixedMeasurer : public TzuTextMeasurer {
 public:
  int TextWidth(const std::string& Text, const TFontStyles& Style) override {
    int N = 0;
    for (unsigned char C : Text)
      if ((C & 0xC0) != 0x80) ++N;
    return N * (Style.count(fsBold) ? 12 : 10);
  }
  int TextHeight(const std::string&, const TFontStyles&) override { return 16; }
};

const TColor Red = RGBToColor(255, 0, 0);
const TColor Blue = RGBToColor(0, 0, 255);

TRichTextLayout Layout(const std::string& Text, TRichTextParams P = {}, TFontStyles Base = {},
                       TColor BaseColor = clBlack) {
  if (P.Width == 0) P.Width = 400;
  TFixedMeasurer M;
  return LayoutRichText(Text, Base, BaseColor, P, M);
}

std::string RunText(const TRichTextLayout& L) {
  std::string S;
  for (const TRichRun& R : L.Runs) S += R.Text;
  return S;
}

const TRichRun* RunOf(const TRichTextLayout& L, const std::string& Text) {
  for (const TRichRun& R : L.Runs)
    if (R.Text == Text) return &R;
  return nullptr;
}

std::vector<std::string> Wrapped(const std::string& Line, int Width, int MarginHorz = 0,
                                 TAlignment A = taLeftJustify, int* Widest = nullptr) {
  TRichTextParams P;
  P.Width = Width;
  P.MarginHorz = MarginHorz;
  P.Alignment = A;
  TFixedMeasurer M;
  int W = 0;
  std::vector<std::string> Out;
  for (const TRichLine& L : WrapRichLine(Line, P, M, {}, W)) Out.push_back(L.Text);
  if (Widest) *Widest = W;
  return Out;
}

void SaveArtifact(const QImage& Img, const std::string& Name) {
  ASSERT_TRUE(Img.save(QString::fromStdString(zutest::ArtifactsDir() + "/" + Name), "PNG"));
}

int CountColor(const QImage& Img, QColor C, QRect Area = QRect()) {
  if (Area.isNull()) Area = Img.rect();
  int N = 0;
  for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
    for (int X = Area.left(); X <= Area.right(); ++X)
      if (Img.pixelColor(X, Y).rgb() == C.rgb()) ++N;
  return N;
}

// Pixels clearly darker than the background: where text was drawn.
int Inked(const QImage& Img, QRect Area) {
  int N = 0;
  for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
    for (int X = Area.left(); X <= Area.right(); ++X)
      if (qGray(Img.pixel(X, Y)) < 140) ++N;
  return N;
}

}  // namespace

// ---------- tags ----------

TEST(RichMarkup, StylesColoursAndDefault) {
  {
    const auto L = Layout("[b]Bold[] plain");
    ASSERT_EQ(L.Runs.size(), 2u);
    EXPECT_EQ(L.Runs[0].Style, TFontStyles{fsBold});
    EXPECT_EQ(L.Runs[1].Text, " plain");
    EXPECT_TRUE(L.Runs[1].Style.empty());
    EXPECT_EQ(L.Runs[1].X, 4 * 12);  // after the bold word
  }
  {
    const auto L = Layout("[b]x[DEF]y", {}, {fsItalic}, Blue);
    EXPECT_EQ(RunOf(L, "x")->Style, TFontStyles{fsBold});
    EXPECT_EQ(RunOf(L, "y")->Style, TFontStyles{fsItalic});
    EXPECT_EQ(RunOf(L, "y")->Color, Blue);
  }
  for (const char* Text : {"[red]x[b]y", "[b]x[red]y"}) {
    const auto L = Layout(Text);
    EXPECT_EQ(RunOf(L, "y")->Style, TFontStyles{fsBold}) << Text;
    EXPECT_EQ(RunOf(L, "y")->Color, Red) << Text;
  }
  {
    const auto L = Layout("[bu]a[IS]b[Default]c[Purple]d");
    EXPECT_EQ(RunOf(L, "a")->Style, (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(RunOf(L, "b")->Style, (TFontStyles{fsItalic, fsStrikeOut}));
    // DEFAULT is an ordinary tag: of its letters only U is a style.
    EXPECT_EQ(RunOf(L, "c")->Style, TFontStyles{fsUnderline});
    EXPECT_EQ(RunOf(L, "d")->Color, RGBToColor(128, 0, 128));
    EXPECT_EQ(RunOf(L, "d")->Style, TFontStyles{fsUnderline});
  }
  // All sixteen names, and their values.
  for (size_t I = 0; I < COLOR_NAMES.size(); ++I) {
    const auto L = Layout(std::string("[b][") + COLOR_NAMES[I] + "]x");
    EXPECT_EQ(L.Runs.at(0).Color, RGBToColor(COLOR_VALUES[I].R, COLOR_VALUES[I].G, COLOR_VALUES[I].B));
    EXPECT_EQ(L.Runs.at(0).Style, TFontStyles{fsBold}) << COLOR_NAMES[I];
  }
  EXPECT_EQ(COLOR_NAMES[rclFuchsia], std::string("FUCHSIA"));
}

TEST(RichMarkup, UnknownTagsStrayBracketsAndPlainText) {
  {
    const auto L = Layout("[b]Press [OK] now");
    EXPECT_EQ(RunText(L), "Press  now");
    EXPECT_TRUE(RunOf(L, " now")->Style.empty());
  }
  {
    const auto L = Layout("a] [b]c");
    ASSERT_EQ(L.Runs.size(), 1u);
    EXPECT_EQ(L.Runs[0].Text, "a] b]c");
    EXPECT_TRUE(L.Runs[0].Style.empty());
  }
  EXPECT_EQ(RunText(Layout("x [b")), "x [b");  // no closing character: drawn as it is
  TRichTextParams P;
  P.PlainText = true;
  EXPECT_EQ(RunText(Layout("[b]x[]", P)), "[b]x[]");
  // Other tag characters, and equal ones (the closing one is searched after the opening one).
  P = {};
  P.TagOpen = '<';
  P.TagClose = '>';
  const auto Angle = Layout("<b>x<>y [b]", P);
  EXPECT_EQ(RunText(Angle), "xy [b]");
  EXPECT_EQ(RunOf(Angle, "x")->Style, TFontStyles{fsBold});
  P.TagOpen = P.TagClose = '|';
  const auto Bars = Layout("a|b|c||d", P);
  EXPECT_EQ(RunText(Bars), "acd");
  EXPECT_EQ(RunOf(Bars, "c")->Style, TFontStyles{fsBold});
  EXPECT_TRUE(RunOf(Bars, "d")->Style.empty());
}

TEST(RichMarkup, StateCarriesIntoFollowingLines) {
  const auto L = Layout("[b][red]a\nb\n[DEF]c");
  EXPECT_EQ(RunOf(L, "b")->Style, TFontStyles{fsBold});
  EXPECT_EQ(RunOf(L, "b")->Color, Red);
  EXPECT_EQ(RunOf(L, "b")->Y, 16);
  EXPECT_TRUE(RunOf(L, "c")->Style.empty());
}

TEST(RichMarkup, DisabledIgnoresColoursAndAccessKeysUnderline) {
  TRichTextParams P;
  P.Disabled = true;
  const auto D = Layout("[red]a[b]b[DEF]c", P, {}, Blue);
  for (const TRichRun& R : D.Runs) EXPECT_EQ(R.Color, Blue) << R.Text;
  EXPECT_TRUE(RunOf(D, "c")->Style.empty());

  P = {};
  P.ShowAccelChar = true;
  const auto A = Layout("&File &&Co &", P);
  EXPECT_EQ(RunText(A), "File &Co &");
  EXPECT_EQ(RunOf(A, "F")->Style, TFontStyles{fsUnderline});
  EXPECT_TRUE(RunOf(A, "ile &Co &")->Style.empty());
  EXPECT_EQ(RunOf(A, "ile &Co &")->X, 10);
  EXPECT_EQ(RunText(Layout("&File", {})), "&File");  // without access keys "&" is text
}

// ---------- lines and wrapping ----------

TEST(RichLayout, SplitsAtLineFeedsAndCarriageReturnLineFeeds) {
  EXPECT_EQ(SplitRichLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitRichLines("a\rb"), (std::vector<std::string>{"a\rb"}));
  EXPECT_EQ(SplitRichLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitRichLines("").empty());
}

TEST(RichLayout, WrapsAtDelimitersAndBreaksAWordWiderThanTheLine) {
  int Widest = 0;
  // One word over the width is broken where the line ends, so nothing is clipped; the
  // widest line counts as the full width.
  EXPECT_EQ(Wrapped("abcdefghijklmno", 100, 0, taLeftJustify, &Widest),
            (std::vector<std::string>{"abcdefghij", "klmno"}));
  EXPECT_EQ(Widest, 100);
  EXPECT_EQ(Wrapped("abcdefghijklmnopqrstuvwxy", 100),
            (std::vector<std::string>{"abcdefghij", "klmnopqrst", "uvwxy"}));
  // Tags take no room in a broken word either.
  EXPECT_EQ(Wrapped("abcdefgh[u]ijk", 100), (std::vector<std::string>{"abcdefgh[u]ij", "k"}));
  // The same word followed by a blank and more text is broken inside the word.
  EXPECT_EQ(Wrapped("abcdefghijklmno pq", 100), (std::vector<std::string>{"abcdefghij", "klmno pq"}));
  // The delimiter stays at the end of the first piece.
  EXPECT_EQ(Wrapped("well-known words here", 60),
            (std::vector<std::string>{"well-", "known ", "words ", "here"}));
  EXPECT_EQ(Wrapped("a,b;c:d", 40), (std::vector<std::string>{"a,b;", "c:d"}));
  // The margin is taken on both sides: 100 - 2 x 10 leaves 8 characters.
  EXPECT_EQ(Wrapped("aaaa bbbb cc", 100, 10), (std::vector<std::string>{"aaaa ", "bbbb cc"}));
  EXPECT_EQ(Wrapped("aaaa bbbb cccc", 100, 10), (std::vector<std::string>{"aaaa ", "bbbb ", "cccc"}));
  // Trailing blanks count only for right alignment.
  EXPECT_EQ(Wrapped("abcdefgh ij", 90), (std::vector<std::string>{"abcdefgh ", "ij"}));
  EXPECT_EQ(Wrapped("abcdefgh ij", 90, 0, taRightJustify), (std::vector<std::string>{"abcdefgh ", "ij"}));
  EXPECT_EQ(Wrapped("abcdefghi jk", 90), (std::vector<std::string>{"abcdefghi ", "jk"}));
  EXPECT_EQ(Wrapped("abcdefghi jk", 90, 0, taRightJustify), (std::vector<std::string>{"abcdefghi", " jk"}));
  // Tags take no room.
  EXPECT_EQ(Wrapped("[b]aaa[] bbbb", 60), (std::vector<std::string>{"[b]aaa[] ", "bbbb"}));
}

TEST(RichLayout, ATagIsNotCutAtABlankInsideIt) {
  // "[b i]" names bold and italic; cut after its blank, "[b" and "i]" would show as text.
  EXPECT_EQ(Wrapped("aaaa [b i]bbbb", 80), (std::vector<std::string>{"aaaa ", "[b i]bbbb"}));
}

TEST(RichLayout, ALongParagraphLosesNothingAndEveryLineFits) {
  // Release notes in a single line, thousands of characters, at a usual width and at one
  // narrower than most words.
  std::string Text;
  for (int I = 0; Text.size() < 6000; ++I)
    Text += (I % 5 == 0 ? "[b]resumed[def] " : I % 7 == 0 ? "well-known, " : "download ") + std::to_string(I) + " ";
  for (int Width : {400, 45}) {
    TRichTextParams P;
    P.Width = Width;
    TFixedMeasurer M;
    int Widest = 0;
    const auto Lines = WrapRichLine(Text, P, M, {}, Widest);
    std::string Joined;
    for (const TRichLine& L : Lines) {
      EXPECT_LE(L.Width, Width) << L.Text;
      Joined += L.Text;
    }
    EXPECT_EQ(Joined, Text) << Width;
    EXPECT_GT(Lines.size(), Text.size() * 10 / Width / 2) << Width;
  }
}

TEST(RichLayout, WidthTooNarrowForAnyCharacterStillEnds) {
  for (const std::string& Text : {std::string("abc def"), std::string("x-y-z w"), std::string("q")}) {
    for (int Width : {0, 5, 15}) {
      const auto Lines = Wrapped(Text, Width, Width == 15 ? 10 : 0);
      std::string Joined;
      for (const std::string& L : Lines) {
        EXPECT_FALSE(L.empty());
        Joined += L;
      }
      EXPECT_EQ(Joined, Text);
    }
  }
  EXPECT_EQ(Wrapped("abc def", 5), (std::vector<std::string>{"a", "b", "c", " ", "d", "e", "f"}));
}

TEST(RichLayout, StrayUTF8ContinuationBytesStillEnd) {
  // Bytes that continue a character with no start before them (text from an info file need
  // not be UTF-8): each piece still holds at least one byte, so wrapping ends with no text lost.
  for (const std::string& Text : {std::string("a\x80\x80" "b"), std::string("\x80\x80\x80"),
                                  std::string("x\xa4\xcf w")}) {
    for (int Width : {0, 5, 15}) {
      const auto Lines = Wrapped(Text, Width);
      ASSERT_LE(Lines.size(), Text.size()) << Width;
      std::string Joined;
      for (const std::string& L : Lines) {
        EXPECT_FALSE(L.empty());
        Joined += L;
      }
      EXPECT_EQ(Joined, Text);
    }
  }
}

TEST(RichLayout, IdeographsBreakBetweenAnyTwoButNotBeforeClosingPunctuation) {
  // Ten pixels a character: eight fit in 80.
  EXPECT_EQ(Wrapped("请输入您的用户名和密码以继续软件更新", 80),
            (std::vector<std::string>{"请输入您的用户名", "和密码以继续软件", "更新"}));
  // The comma stays with the character before it; an opening bracket with the one after.
  EXPECT_EQ(Wrapped("一二三四五六七，八九", 70), (std::vector<std::string>{"一二三四五六", "七，八九"}));
  EXPECT_EQ(Wrapped("一二三四五六七「八九」", 80), (std::vector<std::string>{"一二三四五六七", "「八九」"}));
  // Latin words inside CJK text break next to the ideographs, not inside the word.
  EXPECT_EQ(Wrapped("请检查您的Internet连接", 80), (std::vector<std::string>{"请检查您的", "Internet", "连接"}));
  // The pieces join back to the whole line.
  std::string Joined;
  for (const std::string& L : Wrapped("访问远程文件\"[b]%s[]\"需要密码。请输入您的用户名和密码", 120)) Joined += L;
  EXPECT_EQ(Joined, "访问远程文件\"[b]%s[]\"需要密码。请输入您的用户名和密码");
}

TEST(RichMarkup, DoubledBracketsDrawOneLiteralBracket) {
  EXPECT_EQ(RunText(Layout("[[OK]] now")), "[OK] now");
  EXPECT_EQ(RunText(Layout("密码[[注册后获得]]以")), "密码[注册后获得]以");
  EXPECT_EQ(RunText(Layout("[[]]")), "[]");
  // Tags around and next to escapes still work.
  const auto L = Layout("[b]x[[y]][]z]]");
  EXPECT_EQ(RunText(L), "x[y]z]");
  EXPECT_EQ(RunOf(L, "x[y]")->Style, TFontStyles{fsBold});
  EXPECT_TRUE(RunOf(L, "z]")->Style.empty());
  // A stray closing bracket before an escaped opening one no longer eats it.
  EXPECT_EQ(RunText(Layout("a] [[x]]")), "a] [x]");
  // The access key inside escaped brackets.
  TRichTextParams P;
  P.ShowAccelChar = true;
  const auto A = Layout("[[&Y]]是", P);
  EXPECT_EQ(RunText(A), "[Y]是");
  ASSERT_NE(RunOf(A, "Y"), nullptr);
  EXPECT_EQ(RunOf(A, "Y")->Style, TFontStyles{fsUnderline});
  // Equal tag characters keep "||" as the empty tag.
  P = {};
  P.TagOpen = P.TagClose = '|';
  EXPECT_EQ(RunText(Layout("a||b", P)), "ab");
  // The plain forms: the clipboard's and a plain control's.
  EXPECT_EQ(DeleteAllTagsUnescaped("[[b]]x[b]y[[&Y]]"), "[b]xy[&Y]");
  EXPECT_EQ(DeleteAllTagsUnescaped("[[b]b]x[bb]"), "[b]b]x[bb]");
  EXPECT_EQ(RichTextToPlain("[b]x[] [[&Y]]是\nb[red]c"), "x [&Y]是\nbc");
  EXPECT_EQ(RichTextToPlain("&OK"), "&OK");
}

TEST(RichLayout, GeometryOfTheBitmapAndTheResult) {
  TRichTextParams P;
  P.Width = 200;
  P.MarginHorz = 5;
  P.MarginVert = 4;
  auto L = Layout("ab\n[b]abc", P);
  EXPECT_EQ(L.LineHeight, 16);
  EXPECT_EQ(L.Width, 200);
  EXPECT_EQ(L.Height, 2 * 16 + 8);
  EXPECT_EQ(L.Result, QPoint(5 + 36, 4 + 32));
  EXPECT_EQ(RunOf(L, "ab")->X, 5);
  EXPECT_EQ(RunOf(L, "ab")->Y, 4);

  P.ShowShadow = true;
  P.FitWidth = true;
  L = Layout("ab\n[b]abc", P);
  EXPECT_EQ(L.Width, 41 + 5 + 7);
  EXPECT_EQ(L.Height, 2 * 16 + 8 + 8);

  // Right and centre: from the measured width (which includes the left margin).
  P = {};
  P.Width = 200;
  P.MarginHorz = 5;
  P.Alignment = taRightJustify;
  L = Layout("abc", P);
  EXPECT_EQ(RunOf(L, "abc")->X, 200 - 5 - 35);
  P.Alignment = taCenter;
  L = Layout("abc", P);
  EXPECT_EQ(RunOf(L, "abc")->X, (200 - 5 - 35) / 2);
  P.FitWidth = true;  // only for left alignment
  EXPECT_EQ(Layout("abc", P).Width, 200);

  // Without FitWidth and WordWrap X is the widest line as drawn (bold carried over);
  // otherwise as measured, each line from the base font.
  P = {};
  P.Width = 300;
  EXPECT_EQ(Layout("[b]ab\ncdef", P).Result.x(), 48);
  P.FitWidth = true;
  EXPECT_EQ(Layout("[b]ab\ncdef", P).Result.x(), 40);
  P.FitWidth = false;
  P.WordWrap = true;
  EXPECT_EQ(Layout("[b]ab\ncdef", P).Result.x(), 40);

  P.Width = -1;
  L = Layout("abc", P);
  EXPECT_EQ(L.Result, QPoint(0, 0));
  EXPECT_TRUE(L.Lines.empty());
}

TEST(RichLayout, PopupPlacementAndShadowPattern) {
  EXPECT_EQ(PlaceRichPopup(QPoint(500, 300), 100, 40, 1024, 768), QPoint(450, 300));
  EXPECT_EQ(PlaceRichPopup(QPoint(20, 5), 100, 40, 1024, 768), QPoint(0, 5));
  EXPECT_EQ(PlaceRichPopup(QPoint(1020, 760), 100, 40, 1024, 768), QPoint(924, 768 - 40 - 20));
  EXPECT_EQ(PlaceRichPopup(QPoint(100, 100), 2000, 900, 1024, 768), QPoint(0, 0));

  const auto Dots = RichShadowDots(20, 20);
  auto Has = [&](int X, int Y) { return std::find(Dots.begin(), Dots.end(), QPoint(X, Y)) != Dots.end(); };
  // R = B = 13: below the text odd columns take rows 14, 16, 18, even ones 15, 17, 19.
  EXPECT_TRUE(Has(7, 14) && Has(7, 16) && Has(7, 18) && !Has(7, 15));
  EXPECT_TRUE(Has(8, 15) && Has(8, 17) && Has(8, 19) && !Has(8, 14));
  // Right of it: rows of B's parity take columns 15, 17, 19, the others 14, 16, 18.
  EXPECT_TRUE(Has(15, 7) && Has(14, 8) && !Has(14, 7));
  for (const QPoint& D : Dots) EXPECT_TRUE(D.x() >= 0 && D.y() >= 0 && D.x() < 20 && D.y() < 20);
}

// ---------- tag list and converters ----------

TEST(RichTags, TheListAndDeleteAllTags) {
  const auto& List = RichTagList();
  ASSERT_EQ(List.size(), 83u);
  EXPECT_EQ(List[0], "");
  EXPECT_EQ(std::vector<std::string>(List.begin() + 1, List.begin() + 8),
            (std::vector<std::string>{"B", "I", "U", "S", "BI", "BU", "BS"}));
  EXPECT_EQ(List[8], "IB");
  // Positions 41..64 hold the 24 orderings of all four letters.
  const std::set<std::string> Four(List.begin() + 41, List.begin() + 65);
  EXPECT_EQ(Four.size(), 24u);
  EXPECT_TRUE(Four.count("SBIU") && Four.count("BIUS"));
  EXPECT_EQ(List[65], "BLACK");
  EXPECT_EQ(List[80], "WHITE");
  EXPECT_EQ(List[81], "DEFAULT");
  EXPECT_EQ(List[82], "DEF");

  EXPECT_EQ(DeleteAllTags("[B]x[red]y[foo]"), "xy[foo]");
  EXPECT_EQ(DeleteAllTags("[Bi]a[]b[Def]c[default]d[UsIb]e[OK]"), "abcde[OK]");
  EXPECT_EQ(DeleteAllTags("[[b]b]x[bb]"), "x[bb]");  // repeated until nothing is found
  EXPECT_EQ(DeleteAllTags("<b>x[b]", '<', '>'), "x[b]");
}

TEST(RichTags, RichEditConverters) {
  QTextEdit Edit;
  Edit.setFont(QFont("DejaVu Sans", 10));
  QPalette Pal = Edit.palette();
  Pal.setColor(QPalette::Text, Qt::black);
  Edit.setPalette(Pal);

  TagToRich("a[b]b[red]c[DEF]d[iu]e\r\nf[OK]g", Edit);
  const QTextDocument* D = Edit.document();
  EXPECT_EQ(D->toPlainText(), "abcde\nf[OK]g");
  auto FormatAt = [&](int Pos) {
    QTextCursor C(const_cast<QTextDocument*>(D));
    C.setPosition(Pos + 1);
    return C.charFormat();
  };
  EXPECT_NE(FormatAt(0).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatAt(1).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatAt(2).foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(FormatAt(2).fontWeight(), QFont::Bold);
  EXPECT_NE(FormatAt(3).fontWeight(), QFont::Bold);
  EXPECT_TRUE(FormatAt(4).fontItalic() && FormatAt(4).fontUnderline());
  EXPECT_TRUE(FormatAt(6).fontItalic());  // the style carries over the paragraph break

  EXPECT_EQ(RichToTag(Edit), "a[B]b[RED]c[DEF]d[IU]e\nf[OK]g");

  // A colour outside the sixteen changes no colour tag, but the style still shows.
  Edit.clear();
  QTextCursor C(Edit.document());
  QTextCharFormat F;
  F.setForeground(QColor(1, 2, 3));
  F.setFontStrikeOut(true);
  C.insertText("x", F);
  C.insertText("y", QTextCharFormat());
  EXPECT_EQ(RichToTag(Edit, '<', '>'), "<S>x<DEF>y");
}

// ---------- drawing with real fonts ----------

namespace {

struct TDrawn {
  TBitmap Bitmap;
  QPoint Result;
};

void Draw(TDrawn& D, const std::string& Text, int Width, TColor Back, bool Wrap, bool Frame, bool Shadow,
          bool Disabled, int Margin = 4, TAlignment A = taLeftJustify, bool Fit = false) {
  TFont F;
  F.SetName("DejaVu Sans");
  F.SetSize(11);
  F.SetColor(clBlack);
  QPoint Popup(0, 0);
  D.Result = DrawRichText(D.Bitmap, nullptr, QPoint(0, 0), Popup, Text, F, Back, RGBToColor(0, 0, 128), false, Fit,
                          Wrap, Width, A, '[', ']', Margin, Margin, Frame, Shadow, Disabled, true);
}

}  // namespace

TEST(DrawRichText, BoldColoursFrameShadowDisabledAndWrappedSamples) {
  const TColor Back = RGBToColor(255, 255, 240);
  TDrawn Plain, Bold;
  Draw(Plain, "Renewix", 200, Back, false, false, false, false);
  Draw(Bold, "[b]Renewix", 200, Back, false, false, false, false);
  EXPECT_GT(Bold.Result.x(), Plain.Result.x());
  EXPECT_GT(Inked(Bold.Bitmap.Image(), Bold.Bitmap.Image().rect()),
            Inked(Plain.Bitmap.Image(), Plain.Bitmap.Image().rect()));

  TDrawn Colours;
  Draw(Colours, "A newer version of [b]Sablewing[] was released.\n[red]Red [green]green [blue]blue[DEF] and &default",
       420, Back, false, false, false, false);
  const QImage& C = Colours.Bitmap.Image();
  const int LineH = (C.height() - 8) / 2;
  EXPECT_GT(CountColor(C, QColor(255, 0, 0), QRect(0, 4 + LineH, C.width(), LineH)), 10);
  EXPECT_GT(CountColor(C, QColor(0, 0, 255), QRect(0, 4 + LineH, C.width(), LineH)), 10);
  EXPECT_EQ(CountColor(C, QColor(255, 0, 0), QRect(0, 0, C.width(), 4 + LineH)), 0);
  EXPECT_EQ(C.pixelColor(0, 0), ColorToQColor(Back));
  SaveArtifact(C, "richtext_colours.png");

  TDrawn Framed;
  Draw(Framed, "[b]Framed[] with a [navy]dotted shadow", 260, Back, false, true, true, false, 8, taCenter);
  const QImage& Fr = Framed.Bitmap.Image();
  const int W = Fr.width(), H = Fr.height();
  EXPECT_EQ(Fr.pixelColor(0, 0), QColor(0, 0, 0));
  EXPECT_EQ(Fr.pixelColor(W - 7, H / 2), QColor(0, 0, 0));  // right edge of the frame at width - 6 - 1
  EXPECT_EQ(Fr.pixelColor(1, 1), ColorToQColor(clBtnFace));
  EXPECT_EQ(Fr.pixelColor(W - 1, H - 1), ColorToQColor(RGBToColor(0, 0, 128)));  // a shadow dot
  for (const QPoint& P : RichShadowDots(W, H)) ASSERT_EQ(Fr.pixelColor(P), QColor(0, 0, 128));
  EXPECT_EQ(Fr.pixelColor(W - 2, H - 1), ColorToQColor(Back));  // between the dots
  SaveArtifact(Fr, "richtext_frame_shadow.png");

  TDrawn Disabled;
  Draw(Disabled, "[red]Disabled: [b]no colours[], &embossed", 300, RGBToColor(212, 208, 200), false, false, false,
       true);
  const QImage& Dis = Disabled.Bitmap.Image();
  EXPECT_EQ(CountColor(Dis, QColor(255, 0, 0)), 0);
  EXPECT_GT(CountColor(Dis, ColorToQColor(clBtnShadow)), 10);
  EXPECT_GT(CountColor(Dis, ColorToQColor(clBtnHighlight)), 10);
  SaveArtifact(Dis, "richtext_disabled.png");

  TDrawn Wrapped;
  Draw(Wrapped, "A [b]well-known[] update server sends the [teal]release notes[] to every user, "
                "and a Supercalifragilisticexpialidocious-word stays readable.",
       180, Back, true, true, false, false, 6);
  const QImage& Wr = Wrapped.Bitmap.Image();
  EXPECT_EQ(Wr.width(), 180);
  EXPECT_GE(Wr.height(), 4 * LineH);
  EXPECT_EQ(Wrapped.Result.y(), Wr.height() - 6);
  SaveArtifact(Wr, "richtext_wrapped.png");

  // Width below zero draws nothing and leaves the bitmap alone.
  TDrawn None;
  None.Bitmap.SetSize(3, 3);
  Draw(None, "text", -1, Back, false, false, false, false);
  EXPECT_EQ(None.Result, QPoint(0, 0));
  EXPECT_EQ(None.Bitmap.Image().size(), QSize(3, 3));
}

// ---------- the label ----------

TEST(RichLabel, AutoHeightIsSettledBeforeAHiddenFormIsShown) {
  TForm Form;
  Form.resize(260, 220);
  auto* L = new TzuRichLabel(&Form);
  L->SetBounds(10, 10, 160, 17);
  L->Font().SetName("DejaVu Sans");
  L->Font().SetSize(10);
  L->SetMarginHorz(4);
  L->SetMarginVert(3);
  L->SetColor(RGBToColor(255, 255, 255));
  EXPECT_TRUE(L->WordWrap());
  EXPECT_FALSE(L->AutoSize());
  EXPECT_FALSE(static_cast<TzuBaseLabel*>(L)->WordWrap());

  L->SetCaption("A newer version of [b]Sablewing[] was released. Do you want to upgrade now?");
  const int Settled = L->height();
  EXPECT_GT(Settled, 3 * 14);
  EXPECT_EQ(Settled, L->Drawing().height());
  Form.show();
  QApplication::processEvents();
  EXPECT_EQ(L->height(), Settled);

  auto* Fixed = new TzuRichLabel(&Form);
  Fixed->SetBounds(10, 150, 160, 20);
  Fixed->SetAutoHeight(false);
  Fixed->SetShowFrame(true);
  Fixed->SetCaption("[red]one[] line [b]framed");
  Fixed->repaint();
  QApplication::processEvents();
  EXPECT_EQ(Fixed->height(), 20);

  QImage Img(Form.size(), QImage::Format_ARGB32);
  Img.fill(QColor(235, 235, 235));
  Form.render(&Img, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_GT(CountColor(Img, QColor(255, 0, 0), QRect(10, 150, 160, 20)), 5);
  SaveArtifact(Img, "richlabel_form.png");

  // Markup settings repaint; PlainText shows the brackets, so the text gets wider.
  const int Before = L->TextWH().x();
  L->TextStyle()->SetPlainText(true);
  EXPECT_GT(L->TextWH().y(), 0);
  L->SetWordWrap(false);
  EXPECT_GT(L->TextWH().x(), Before);
}
