// A plain font description: name, size in points, style and colour, with a change event.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/framework/Object.h"

class QFont;

namespace zu {

// Colours as the framework numbers them: 0x00BBGGRR, or a system colour with the top bit set.
using TColor = std::int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::set<TFontStyle>;

class TFont : public TObject {
 public:
  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Size() const { return FSize; }
  void SetSize(int Value);
  const TFontStyles& Style() const { return FStyle; }
  void SetStyle(const TFontStyles& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);

  // Copies every property and reports one change when anything differed.
  void Assign(const TFont& Source);
  bool Equals(const TFont& Other) const;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  std::string FName = "Sans Serif";
  int FSize = 8;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
};

// The edge to Qt's fonts, for windows. The colour is no part of a QFont.
QFont ToQFont(const TFont& Font);
void FromQFont(const QFont& Source, TFont& Font);

}  // namespace zu
