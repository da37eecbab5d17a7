// zuRenewixWizard: the download wizard window shown while TzuRenewix downloads an update.
#pragma once

#include <string>

namespace zu {

class TzuRenewix;
class TzuRenewixWizardForm;

// The one wizard window of the process; null when none is shown.
extern TzuRenewixWizardForm* WizardForm;

// Creates the window when none exists, fills it for Component and shows it (non-modal).
void ShowRenewixWizard(TzuRenewix* Component);
// Destroys the window without asking (the component stopped the transfer).
void FreeRenewixWizard();

// Display updates of the download sequence; each does nothing when no window is shown.
void WizardSetFileURL(const std::string& Text);
void WizardSetAllDownloading(const std::string& Text);
void WizardSetFileSize(const std::string& Text);
void WizardSetTransferRate(const std::string& Text);
void WizardSetEstimatedTime(const std::string& Text);
void WizardSetProgress(int CurrentFile, int AllFiles);
// Turns the window into the completed page.
void WizardFinish();

}  // namespace zu
