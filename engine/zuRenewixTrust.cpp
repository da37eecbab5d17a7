// The component's checks of what the server sends: the info file before anything of it is
// used, each downloaded file before it is kept, and where the credentials may go
// (zuRenewixVerify.h has the rules themselves).
#include "engine/zuRenewix.h"

#include "platform/framework/DateTime.h"
#include "platform/framework/Messages.h"

#include <utility>

namespace zu {

bool TzuRenewix::RefuseInfoFile(const std::string& Text) {
  FVerified = false;
  FChecks.clear();
  const std::string Why = InfoFileRefusal(Text, FPublicKey, Date());
  if (!Why.empty()) {
    FVerifyError = Why;
    FInfoFileText.clear();
    NoInfoFile();
    return true;
  }
  FVerified = FPublicKey.find_first_not_of(" \t\r\n") != std::string::npos;
  FChecks = InfoFileChecks(Text);
  return false;
}

bool TzuRenewix::RefuseDownload(std::int64_t Size, std::string& Sha256) {
  Sha256 = OutputSha256();
  std::uint64_t Hashed = 0;
  // Only when the hash could not be taken while downloading (an earlier part unreadable).
  if (Sha256.empty() && Size >= 0 && !os::Sha256File(OutputFileName(), Sha256, Hashed)) Sha256.clear();
  const TzuRXFileCheck* Check = nullptr;
  for (const auto& C : FChecks)
    if (C.URL == URL()) {
      Check = &C;
      break;
    }
  const std::string Why = FileMismatch(Check, FVerified, Size, Sha256);
  if (Why.empty()) return false;
  FVerifyError = GetFileName() + ": " + Why;
  LostFile(RXErrorFileMismatch);  // deletes its ".uTMP" file
  return true;
}

bool TzuRenewix::WithholdsCredentials() const {
  return !FVerified && URLOrigin(URL()) != URLOrigin(FInfoFileURL);
}

// Another host asks for a password: its handler and the box start from no credentials, and the
// configured ones come back once the worker has taken what is to be sent (it reads them when
// the request's handler returns, so the restore is posted).
void TzuRenewix::HoldCredentials() {
  if (!FCredentialsHeld) {
    FHeldUser = HTTPUsername();
    FHeldPassword = HTTPPassword();
    FCredentialsHeld = true;
    PostMessage(FWindowHandle, RestoreCredentialsMessage, 0, 0);
  }
  SetHTTPUsername(std::string());
  SetHTTPPassword(std::string());
}

void TzuRenewix::RestoreHeldCredentials() {
  if (!std::exchange(FCredentialsHeld, false)) return;
  SetHTTPUsername(std::exchange(FHeldUser, std::string()));
  SetHTTPPassword(std::exchange(FHeldPassword, std::string()));
}

void TzuRenewix::ReadFile(std::int64_t From) {
  RestoreHeldCredentials();
  const bool Withhold = WithholdsCredentials();
  const std::string User = HTTPUsername(), Password = HTTPPassword();
  if (Withhold) {
    SetHTTPUsername(std::string());
    SetHTTPPassword(std::string());
  }
  // The transfer takes its own copy of the credentials as it starts.
  if (From > 0)
    ReadRange(static_cast<std::uint64_t>(From), 0, false);
  else
    Read(false);
  if (Withhold) {
    SetHTTPUsername(User);
    SetHTTPPassword(Password);
  }
}

}  // namespace zu
