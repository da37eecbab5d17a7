// The bracket markup reader: hints, info boxes and wizard pages hold text from info files.
// Any text must lay out without a crash, and stripping markup never makes text longer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "widgets/zuRichTextUtils.h"

namespace {

// Every character 7 pixels wide, bold ones 8: enough for the wrapping to be exercised
// without a font.
class TFixedMeasurer : public zu::TzuTextMeasurer {
 public:
  int TextWidth(const std::string& Text, const zu::TFontStyles& Style) override {
    return static_cast<int>(Text.size()) * (Style.count(zu::fsBold) ? 8 : 7);
  }
  int TextHeight(const std::string&, const zu::TFontStyles&) override { return 13; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  // Two bytes of parameters, then the text.
  const std::uint8_t A = Data[0], B = Data[1];
  const std::string Text(reinterpret_cast<const char*>(Data + 2), Size - 2);

  std::size_t Total = 0;
  for (const auto& L : zu::SplitRichLines(Text)) {
    if (L.find('\n') != std::string::npos) std::abort();
    Total += L.size();
  }
  if (Total > Text.size()) std::abort();

  const std::string Stripped = zu::DeleteAllTags(Text);
  const std::string Unescaped = zu::DeleteAllTagsUnescaped(Text);
  const std::string Plain = zu::RichTextToPlain(Text);
  if (Stripped.size() > Text.size() || Unescaped.size() > Text.size() || Plain.size() > Text.size()) std::abort();
  // Other tag characters read the same text a different way.
  if (zu::DeleteAllTags(Text, '<', '>').size() > Text.size()) std::abort();

  zu::TRichTextParams P;
  P.WordWrap = A & 1;
  P.FitWidth = A & 2;
  P.PlainText = A & 4;
  P.ShowFrame = A & 8;
  P.ShowShadow = A & 16;
  P.ShowAccelChar = A & 32;
  P.Alignment = static_cast<zu::TAlignment>((A >> 6) % 3);
  // Down to widths narrower than one character, up to lines of a hundred characters and more.
  P.Width = B < 64 ? B : (B - 63) * 6;
  P.MarginHorz = B % 7;
  P.MarginVert = B % 5;
  TFixedMeasurer M;
  const auto Layout = zu::LayoutRichText(Text, zu::TFontStyles(), zu::clBlack, P, M);
  if (Layout.Width < 0 || Layout.Height < 0) std::abort();
  std::size_t Drawn = 0;
  for (const auto& R : Layout.Runs) Drawn += R.Text.size();
  if (Drawn > Text.size()) std::abort();
  return 0;
}
