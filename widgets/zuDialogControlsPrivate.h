// Helpers the dialog-control units share; not part of the controls' interface.
#pragma once

#include <QColor>

#include <string>
#include <vector>

#include "widgets/zuDialogControls.h"

namespace zu::dialog {

extern const std::vector<std::string> AlignmentNames;

// Framework colours: 0x00BBGGRR, or a system colour (top bit) from the palette.
QColor ToQColor(TColor C);
Qt::Alignment HorzFlags(TzuTextAlignment A);
// A QLabel caption: "&" doubled when it is no access key.
std::string Accel(const std::string& Caption, bool ShowAccelChar);

}  // namespace zu::dialog
