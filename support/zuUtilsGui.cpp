// zuUtils, the other routines that need windows: windows and controls, the clipboard, the
// desktop queries and fonts in streams and the registry. Apart from the others so that
// programs without windows do not link the GUI libraries.
#include <atomic>
#include <map>
#include <mutex>

#include "platform/framework/Application.h"
#include "platform/framework/Desktop.h"
#include "platform/framework/Messages.h"
#include "platform/framework/Windows.h"
#include "platform/os/Registry.h"
#include "platform/os/Shell.h"
#include "support/zuStreams.h"
#include "support/zuUtils.h"

namespace zu {

// ---------- shell, system queries ----------

bool RepaintScreen() {
  RepaintAllWindows();
  return true;
}
bool MinimizeAll() { return MinimizeAllWindows(); }
bool RestoreAll() { return RestoreAllWindows(); }
bool HideFromTaskList(QWidget* Window, bool Hide) { return SetShowInTaskbar(Window, !Hide); }

TzuRect GetWorkArea() {
  TzuRect R;
  WorkArea(R.Left, R.Top, R.Right, R.Bottom);
  return R;
}

TzuShiftState GetShiftState() {
  const unsigned Bits = KeyboardModifierBits();
  TzuShiftState S;
  if (Bits & 1) S.insert(ssShift);
  if (Bits & 2) S.insert(ssAlt);
  if (Bits & 4) S.insert(ssCtrl);
  return S;
}

bool Sound(int Frequency) { return Frequency > 0 && Beep(); }
void NoSound() {}

// ---------- windows and controls ----------

bool ShowApplication() {
  QWidget* F = Application().MainForm();
  if (!F) return false;
  RestoreAndRaise(F);
  return true;
}

std::string GetWindowTitle(THandle Window) { return WidgetCaption(HandleWidget(Window)); }
bool IsHorzScrollBarVisible(QWidget* Control) { return ScrollBarVisible(Control, true); }
bool IsVertScrollBarVisible(QWidget* Control) { return ScrollBarVisible(Control, false); }
QWidget* ControlAtPoint(QWidget* Parent, int X, int Y) { return ChildAt(Parent, X, Y); }
std::string GetClassNameByWnd(THandle Window) { return WindowClassName(HandleWidget(Window)); }
bool SetRightBottomFormPos(QWidget* Form) { return MoveToWorkAreaCorner(Form); }
bool SafeFocus(QWidget* Control) { return FocusIfPossible(Control); }

std::int64_t InterlockedIncrement64(std::int64_t& Value) {
  return std::atomic_ref<std::int64_t>(Value).fetch_add(1) + 1;
}

// ---------- clipboard ----------

namespace {

std::mutex GFormatsLock;
std::map<std::string, unsigned> GFormatsByName;
std::map<unsigned, std::string> GNamesByFormat;
constexpr unsigned FirstRegisteredFormat = 0xC000;

bool IsTextFormat(unsigned Format) { return Format == 1 || Format == 7 || Format == 13; }

std::string MimeTypeOf(unsigned Format) {
  if (Format == 0) return std::string();
  if (IsTextFormat(Format)) return "text/plain";
  {
    std::lock_guard<std::mutex> L(GFormatsLock);
    auto It = GNamesByFormat.find(Format);
    if (It != GNamesByFormat.end())
      return It->second.find('/') != std::string::npos ? It->second
                                                       : "application/x-zu-clipboard-" + It->second;
  }
  return "application/x-zu-clipboard-format-" + std::to_string(Format);
}

}  // namespace

bool HasClipFormat(unsigned Format) { return Format != 0 && os::ClipboardHasData(MimeTypeOf(Format)); }
bool HasClipFormatNoOpen(unsigned Format) { return HasClipFormat(Format); }

std::string GetClipFormatName(unsigned Format) {
  {
    std::lock_guard<std::mutex> L(GFormatsLock);
    auto It = GNamesByFormat.find(Format);
    if (It != GNamesByFormat.end()) return It->second;
  }
  return MimeTypeOf(Format);
}

unsigned GetClipFormatIndex(const std::string& Name) {
  if (Name.empty()) return 0;
  if (Name == "text/plain") return 1;
  std::lock_guard<std::mutex> L(GFormatsLock);
  auto It = GFormatsByName.find(Name);
  if (It != GFormatsByName.end()) return It->second;
  const unsigned F = FirstRegisteredFormat + static_cast<unsigned>(GFormatsByName.size());
  GFormatsByName[Name] = F;
  GNamesByFormat[F] = Name;
  return F;
}

std::string GetClipboardString(unsigned Format) {
  std::string B;
  if (Format == 0 || !os::ClipboardData(MimeTypeOf(Format), B)) return std::string();
  return B.substr(0, B.find('\0'));
}

std::string GetClipboardStringByFormatName(const std::string& Name) {
  return GetClipboardString(GetClipFormatIndex(Name));
}

bool PutClipboardStringByFormatName(const std::string& Name, const std::string& S) {
  const unsigned F = GetClipFormatIndex(Name);
  return F != 0 && os::ClipboardSetData(MimeTypeOf(F), S);
}

bool GetClipboardStream(unsigned Format, TStream& Stream) {
  std::string B;
  if (Format == 0 || !os::ClipboardData(MimeTypeOf(Format), B)) return false;
  StringToStream(B, Stream);
  return true;
}

bool GetClipboardStreamByFormatName(const std::string& Name, TStream& Stream) {
  return GetClipboardStream(GetClipFormatIndex(Name), Stream);
}

bool PutClipboardStream(unsigned Format, TStream& Stream) {
  if (Format == 0) return false;
  return os::ClipboardSetData(MimeTypeOf(Format), StreamToString(Stream, true));
}

bool PutClipboardStreamByFormatName(const std::string& Name, TStream& Stream) {
  return PutClipboardStream(GetClipFormatIndex(Name), Stream);
}

std::string GetClipboardText() { return GetClipboardString(1); }
bool PutClipboardText(const std::string& S) { return os::ClipboardSetData("text/plain", S); }

bool GetClipboardBitmap(TBitmap& Bitmap) {
  QImage I;
  if (!os::ClipboardImage(I)) return false;
  Bitmap.SetImage(I);
  return true;
}

bool PutClipboardBitmap(const TBitmap& Bitmap) { return os::ClipboardSetImage(Bitmap.Image()); }
bool GetClipboardFileList(std::vector<std::string>& Files) { return os::ClipboardFiles(Files); }
bool PutClipboardFileList(const std::vector<std::string>& Files) { return os::ClipboardSetFiles(Files); }

// ---------- fonts in streams and the registry ----------

void PutFontToStream(const TFont& Font, TStream& Stream) {
  // The short string refuses names over 255 bytes: such a name is stored empty (the default).
  if (!PutShortStringToStream(Font.Name(), Stream)) PutShortStringToStream(std::string(), Stream);
  PutIntegerToStream(Font.Size(), Stream);
  const std::uint8_t Style = FontStylesToByte(Font.Style());
  Stream.WriteBuffer(&Style, 1);
  PutIntegerToStream(Font.Color(), Stream);
}

bool GetFontFromStream(TStream& Stream, TFont& Font) {
  std::string Name;
  if (!GetShortStringFromStream(Stream, Name)) return false;
  std::uint8_t B[9];
  if (Stream.Read(B, 9) != 9) return false;
  auto Int = [&B](int At) {
    return static_cast<std::int32_t>(B[At] | (B[At + 1] << 8) | (B[At + 2] << 16) |
                                     (static_cast<std::uint32_t>(B[At + 3]) << 24));
  };
  TFont T;
  T.SetName(Name);
  T.SetSize(Int(0));
  T.SetStyle(ByteToFontStyles(B[4]));
  T.SetColor(Int(5));
  Font.Assign(T);
  return true;
}

bool RegReadFont(const std::string& Key, const std::string& ValueName, TFont& Font, std::uint32_t Root) {
  const auto V = os::RegQueryValue(Root, ExcludeLeadingBackslash(Key), ValueName);
  if (!V || V->Type != os::TRegDataType::Binary) return false;
  TMemoryStream S;
  StringToStream(V->Data, S);
  S.SetPosition(0);
  return GetFontFromStream(S, Font);
}

bool RegWriteFont(const std::string& Key, const std::string& ValueName, const TFont& Font, std::uint32_t Root) {
  TMemoryStream S;
  PutFontToStream(Font, S);
  os::TRegValue V;
  V.Type = os::TRegDataType::Binary;
  V.Data = StreamToString(S, true);
  const std::string K = ExcludeLeadingBackslash(Key);
  return !K.empty() && os::RegSetValue(Root, K, ValueName, V);
}

}  // namespace zu
