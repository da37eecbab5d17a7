// Basic value types shared by every layer.
#pragma once

#include <cstdint>

namespace zu {

// Day count since 30 December 1899, fraction = time of day (local time unless said otherwise).
using TDateTime = double;

// An opaque handle: an event, a window, a file. -1 is "none".
using THandle = std::intptr_t;
inline constexpr THandle INVALID_HANDLE_VALUE = -1;

// The program's own resources (the design passes a module instance; on Linux there is one).
inline constexpr THandle HInstance = 0;

// Win32 button identifiers returned by message boxes.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// Win32 message box style flags.
enum : unsigned {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5, MB_TYPEMASK = 0xF,
  MB_ICONSTOP = 0x10, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
  MB_ICONASTERISK = 0x40, MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFMASK = 0xF00,
};

// Show commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

}  // namespace zu
