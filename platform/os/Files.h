// File attributes, sizes and times on POSIX file systems.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/Types.h"

namespace zu::os {

// Win32 attribute bits as the design numbers them.
enum : std::uint32_t {
  FILE_ATTRIBUTE_READONLY = 0x1,
  FILE_ATTRIBUTE_HIDDEN = 0x2,
  FILE_ATTRIBUTE_SYSTEM = 0x4,
  FILE_ATTRIBUTE_DIRECTORY = 0x10,
  FILE_ATTRIBUTE_ARCHIVE = 0x20,
  FILE_ATTRIBUTE_NORMAL = 0x80,
  FILE_ATTRIBUTE_TEMPORARY = 0x100,
  FILE_ATTRIBUTE_OFFLINE = 0x1000,
};

// The extended attribute that keeps hidden, system, archive, temporary and offline.
inline constexpr const char* DosAttribXattr = "user.DOSATTRIB";

// Read-only maps to the write bits of the mode; the other bits live in user.DOSATTRIB as the
// text "0x<hex>". On a file system without user extended attributes only read-only is kept
// and setting the others still succeeds (they read back as absent).
bool SetFileAttributes(const std::string& FileName, std::uint32_t Attributes);
// false when the file does not exist or cannot be examined.
bool GetFileAttributes(const std::string& FileName, std::uint32_t& Attributes);

// Size of a regular file, -1 when it cannot be opened (missing, a directory, no access).
std::int64_t FileSize(const std::string& FileName);

// Times as UTC seconds since the epoch. Creation time cannot be set on Linux: it is ignored.
struct TFileTimes {
  double Accessed = 0;
  double Modified = 0;
};
bool GetFileTimes(const std::string& FileName, TFileTimes& Times);
// Pass a negative value to keep that time.
bool SetFileTimes(const std::string& FileName, double AccessedUtc, double ModifiedUtc);

bool FileExists(const std::string& FileName);
bool DeleteFile(const std::string& FileName);
std::string ExtractFilePath(const std::string& FileName);  // up to and including the last '/'
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);   // with the dot; empty when none

}  // namespace zu::os
