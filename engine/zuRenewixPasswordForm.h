// zuRenewixPasswordForm: the modal dialog that asks for the credentials of a protected file.
// The built-in icon comes from the form data (resource "FORMDATA" "TZURENEWIXPASSWORDFORM"),
// SFP-packed.
#pragma once

#include <QDialog>

#include <string>

#include "platform/framework/Component.h"

namespace zu {

class TzuButton;
class TzuEdit;
class TzuProportionalImage;
class TzuRenewix;
class TzuRichLabel;

class TzuRenewixPasswordForm : public QDialog, public TComponent {
  ZU_CLASS_INFO
 public:
  // The client size at design time; the height follows the explanation (Setup).
  static constexpr int DesignWidth = 303, DesignHeight = 141, BottomPanelHeight = 98;
  // Design places: the explanation, the fields (in the bottom panel) and the buttons.
  static constexpr int ExplanationLeft = 45, ExplanationWidth = 246, FieldLeft = 128, FieldWidth = 157;
  static constexpr int ButtonTop = 68, ButtonWidth = 75, ButtonHeight = 23, ButtonGap = 15;
  // The least room between a field's caption and the field.
  static constexpr int CaptionGap = 6;

  // ReadForm false leaves the built-in icon out (the artwork generator's way).
  explicit TzuRenewixPasswordForm(TComponent* AOwner = nullptr, bool ReadForm = true);
  ~TzuRenewixPasswordForm() override;

  TzuRichLabel* zuRichLabel1 = nullptr;
  TzuProportionalImage* Image1 = nullptr;
  QWidget* BottomPanel = nullptr;
  TzuEdit* UsernameEdit = nullptr;
  TzuEdit* PasswordEdit = nullptr;
  TzuButton* OKBtn = nullptr;
  TzuButton* CancelBtn = nullptr;

  TzuRenewix* Component() const { return FComponent; }
  // Remembers Component and fills the dialog for the file FileName.
  void Setup(TzuRenewix* AComponent, const std::string& FileName);
  // The explanation: message 29 with the file name, or without the quoted name when the
  // file's location is hidden.
  static std::string ExplanationText(bool HideFileLocation, const std::string& FileName);

  // The width the field captions need, their gap included.
  int CaptionRoom() const;

  // Event handlers.
  void OKBtnClick(TObject* Sender);
  void FormClose();

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void reject() override;

 private:
  TzuRenewix* FComponent = nullptr;
};

// The open dialog; null when none is open.
extern TzuRenewixPasswordForm* PasswordForm;

}  // namespace zu
