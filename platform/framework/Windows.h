// Window operations the component units need on any widget, without including Qt.
#pragma once

#include <string>

class QMenu;
class QWidget;

namespace zu {

class TComponent;

// The widget a component is, when it is one (a form); null otherwise.
QWidget* ComponentWidget(TComponent* C);
// Repaints the window, frame included.
void RepaintWindow(QWidget* W);

// A form is a top-level widget.
bool IsForm(const QWidget* W);
std::string WidgetCaption(const QWidget* W);
void SetWidgetCaption(QWidget* W, const std::string& Caption);
// Shows a minimised or hidden window normally and brings it to the front.
void RestoreAndRaise(QWidget* W);

// Stay-on-top, changed on the existing native window.
bool IsStayOnTop(const QWidget* W);
void SetStayOnTop(QWidget* W, bool Value);
// Stacking order. Siblings (child widgets of one parent, or top-level windows) are stacked;
// StackWindowUnder puts W directly below Above.
void RaiseWindow(QWidget* W);
void LowerWindow(QWidget* W);
void StackWindowUnder(QWidget* W, QWidget* Above);
// The form's system menu: Restore, Minimize, Maximize and Close, shown with Alt+Space over
// the form. Made at the first call and kept, so items others add stay.
QMenu* SystemMenu(QWidget* W);
// Destroys the widget's native window and creates a new one, as a style change that the
// window system cannot apply in place does.
void RecreateWnd(QWidget* W);

// Window styles as the design reads them. GWL_EXSTYLE's WS_EX_TOPMOST follows the
// stay-on-top flag and GWL_STYLE's WS_VISIBLE the visibility; other bits are kept per widget.
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr long WS_VISIBLE = 0x10000000L;
inline constexpr long WS_EX_TOPMOST = 0x00000008L;
long GetWindowStyleValue(QWidget* W, int Index);
void SetWindowStyleValue(QWidget* W, int Index, long Value);

}  // namespace zu
