// Apart from zuUtils.cpp so that programs without a clipboard do not link the GUI library.
#include "support/zuUtils.h"

#include "platform/os/Shell.h"

namespace zu {

void PutClipboardString(unsigned Format, const std::string& S) {
  if (Format == 0) return;
  os::ClipboardPut(Format, S + '\0');
}

}  // namespace zu
