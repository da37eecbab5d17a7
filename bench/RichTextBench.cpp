// Word wrapping of one long paragraph of markup (release notes in a single line), at a
// usual width and at one narrower than a word, by the paragraph's length.
#include <benchmark/benchmark.h>

#include <string>

#include "widgets/zuRichTextUtils.h"

namespace {

// Every character 7 pixels wide: the cost is the wrapping's, not a font's.
class TFixedMeasurer : public zu::TzuTextMeasurer {
 public:
  int TextWidth(const std::string& Text, const zu::TFontStyles&) override { return static_cast<int>(Text.size()) * 7; }
  int TextHeight(const std::string&, const zu::TFontStyles&) override { return 13; }
};

std::string Paragraph(std::size_t Length) {
  static const char* const Words[] = {"Faster", "[B]downloads[DEF]", "resume", "where", "they", "stopped,",
                                      "and", "the", "wizard", "shows", "each", "file's", "progress."};
  std::string S;
  for (std::size_t I = 0; S.size() < Length; ++I) S += std::string(Words[I % 13]) + " ";
  return S;
}

void Wrap(benchmark::State& State, int Width) {
  const std::string Text = Paragraph(static_cast<std::size_t>(State.range(0)));
  zu::TRichTextParams P;
  P.WordWrap = true;
  P.Width = Width;
  TFixedMeasurer M;
  for (auto _ : State) benchmark::DoNotOptimize(zu::LayoutRichText(Text, zu::TFontStyles(), zu::clBlack, P, M));
  State.SetComplexityN(State.range(0));
}

void BM_WrapAt400px(benchmark::State& State) { Wrap(State, 400); }
void BM_WrapNarrowerThanAWord(benchmark::State& State) { Wrap(State, 20); }

BENCHMARK(BM_WrapAt400px)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_WrapNarrowerThanAWord)->RangeMultiplier(4)->Range(1 << 10, 1 << 12)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
