// The version of the running program, as its build compiled it in (zu_program_version() in
// CMake); "0.0.0.0" for a program that was given none.
#pragma once

#include <string>

namespace zu::os {

std::string ProgramFileVersion();

}  // namespace zu::os
