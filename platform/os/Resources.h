// Program resources, compiled in with the Qt resource system.
//
// A resource of type T and name N is the file ":/zu/T/N" (both upper-case, as the design's
// resource names are case-insensitive). Numbered resources are named "#<id>". Add them with
// zu_add_resources() in CMake.
#pragma once

#include <string>

namespace zu::os {

std::string ResourcePath(const std::string& Name, const std::string& Type);
// false when there is no such resource; Data receives its bytes (possibly none).
bool LoadResource(const std::string& Name, const std::string& Type, std::string& Data);

}  // namespace zu::os
