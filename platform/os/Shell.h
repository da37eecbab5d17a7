// The desktop shell: opening documents and URLs, the default program of a file type, and
// the clipboard.
#pragma once

#include <string>
#include <vector>

class QImage;

namespace zu::os {

// Shell result codes as the design reads them: above 32 is success.
inline constexpr int SE_OK = 42;
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_NOASSOC = 31;

// Opens a URL or document with the desktop's default handler (xdg-open).
int ShellOpenDocument(const std::string& Target);
// Starts Program with Params (split as the Win32 parser would), in its own session.
int ShellRunProgram(const std::string& Program, const std::string& Params);

// The MIME type the desktop's database gives a file extension (without the dot); empty
// when unknown.
std::string MimeTypeForExtension(const std::string& Ext);
// The Exec command line of the desktop's default application for a file extension, with
// the field codes (%u, %f, ...) removed; empty when there is none. Asks xdg-mime for the
// default application and reads its .desktop file from the XDG data directories.
std::string DefaultCommandForExtension(const std::string& Ext);

// Puts Bytes on the clipboard under a numbered format without dropping the formats already
// there. 1 (text), 7 (OEM text) and 13 (Unicode text) are plain text. false without a GUI.
bool ClipboardPut(unsigned Format, const std::string& Bytes);
std::string ClipboardText();
// The clipboard by MIME type. ClipboardSetData keeps the formats already there; text/plain
// goes in as text. All are false (or empty) without a windowed application.
bool ClipboardHasData(const std::string& MimeType);
bool ClipboardData(const std::string& MimeType, std::string& Bytes);
bool ClipboardSetData(const std::string& MimeType, const std::string& Bytes);
bool ClipboardImage(QImage& Image);
bool ClipboardSetImage(const QImage& Image);
bool ClipboardFiles(std::vector<std::string>& Files);  // local file paths of text/uri-list
bool ClipboardSetFiles(const std::vector<std::string>& Files);

}  // namespace zu::os
