// zuRenewixPassword: the dialog that asks for the credentials of a protected file.
#pragma once

#include <string>

namespace zu {

class TzuRenewix;

// Modal; true exactly when closed with OK, which has stored both fields in the component's
// HTTPUsername and HTTPPassword. Cancel, Esc and the close box leave them unchanged.
bool ShowPasswordBox(TzuRenewix* Component, const std::string& FileName);

}  // namespace zu
