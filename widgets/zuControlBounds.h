// Left, Top, Width and Height as the framework's controls publish them.
#pragma once

namespace zu {

// A base for a widget class Derived whose every change of bounds goes through its public
// SetBounds(Left, Top, Width, Height).
template <class Derived>
class TzuControlBounds {
 public:
  int Left() const { return Self().x(); }
  void SetLeft(int Value) { Self().SetBounds(Value, Self().y(), Self().width(), Self().height()); }
  int Top() const { return Self().y(); }
  void SetTop(int Value) { Self().SetBounds(Self().x(), Value, Self().width(), Self().height()); }
  int Width() const { return Self().width(); }
  void SetWidth(int Value) { Self().SetBounds(Self().x(), Self().y(), Value, Self().height()); }
  int Height() const { return Self().height(); }
  void SetHeight(int Value) { Self().SetBounds(Self().x(), Self().y(), Self().width(), Value); }

 private:
  const Derived& Self() const { return static_cast<const Derived&>(*this); }
  Derived& Self() { return static_cast<Derived&>(*this); }
};

}  // namespace zu
