// Desktop operations for the support routines: the program's windows, the work area, the
// keyboard state, the bell. The header keeps Qt out of the units that use it.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace zu {

void RepaintAllWindows();
// The program's own top-level windows: the desktop's other windows are not ours to move.
bool MinimizeAllWindows();
bool RestoreAllWindows();
// Keeps W out of (or puts it back into) the task bar, as a tool window is.
bool SetShowInTaskbar(QWidget* W, bool Show);
// The primary screen's available area: left, top, right, bottom (right and bottom exclusive).
bool WorkArea(int& Left, int& Top, int& Right, int& Bottom);
// Bits: 1 Shift, 2 Alt, 4 Ctrl.
unsigned KeyboardModifierBits();
bool Beep();
bool ScrollBarVisible(QWidget* W, bool Horizontal);
QWidget* ChildAt(QWidget* Parent, int X, int Y);
// The class name a window reports: a component's own class name, else the Qt class name.
std::string WindowClassName(QWidget* W);
bool FocusIfPossible(QWidget* W);
// Moves the form into the work area's bottom-right corner.
bool MoveToWorkAreaCorner(QWidget* Form);

}  // namespace zu
