#include "platform/os/Version.h"

// Programs built with zu_program_version() define this symbol; everyone else gets the weak
// default.
extern "C" {
extern const char* zu_program_file_version;
__attribute__((weak)) const char* zu_program_file_version = nullptr;
}

namespace zu::os {

std::string ProgramFileVersion() {
  return zu_program_file_version ? std::string(zu_program_file_version) : std::string("0.0.0.0");
}

}  // namespace zu::os
