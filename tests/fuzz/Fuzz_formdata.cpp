// Form data is read from a program's resources and from files a publisher edits: any JSON
// must end in the data read or in EReadError, and what was read must write out and read
// back to the same data.
#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/zuRenewix.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/FormData.h"

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication App(*Argc, *Argv);
  // Keeps the engine's classes (and their registration) in the link: data may name them.
  zu::TzuRenewix Linked(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Json(reinterpret_cast<const char*>(Data), Size);
  std::string First;
  {
    // A bare root: the components the data names are all the root owns, so writing gives back
    // just what was read. (A TzuRenewix as root owns its unnamed worker, which a read would add
    // once more.)
    zu::TComponent Root(nullptr);
    try {
      zu::ReadComponentFromJson(Root, Json);
    } catch (const zu::EReadError&) {
      return 0;
    }
    First = zu::WriteComponentToJson(Root);
  }
  zu::TComponent Copy(nullptr);
  try {
    zu::ReadComponentFromJson(Copy, First);
  } catch (const zu::EReadError&) {
    std::abort();  // our own output refused
  }
  const std::string Second = zu::WriteComponentToJson(Copy);
  if (Second != First) {
    std::fprintf(stderr, "first:\n%s\nsecond:\n%s\n", First.c_str(), Second.c_str());
    std::abort();
  }
  return 0;
}
