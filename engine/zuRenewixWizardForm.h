// zuRenewixWizardForm: the download wizard window. Its controls keep their designed places;
// the built-in side picture comes from the form data (resource "FORMDATA"
// "TZURENEWIXWIZARDFORM").
#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QWidget>

#include <string>

#include "platform/framework/Forms.h"
#include "platform/framework/Messages.h"
#include "platform/framework/WindowProc.h"

class QFrame;
class QLabel;
class QMessageBox;
class QProgressBar;

namespace zu {

class TzuButton;
class TzuProportionalImage;
class TzuRenewix;

// A bevel that draws only its top line (a separator).
class TzuTopLineBevel : public QWidget {
 public:
  explicit TzuTopLineBevel(QWidget* Parent) : QWidget(Parent) {}

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

// A group box drawn the classic way: an etched frame whose top line the caption cuts into,
// at the same place in every style.
class TzuEtchedGroupBox : public QGroupBox {
 public:
  explicit TzuEtchedGroupBox(QWidget* Parent) : QGroupBox(Parent) {}

 protected:
  void paintEvent(QPaintEvent* Event) override;
};

class TzuRenewixWizardForm : public TForm {
  ZU_CLASS_INFO
 public:
  // The client size at design time.
  static constexpr int DesignWidth = 463, DesignHeight = 281;
  // The button row: Cancel ends at ButtonRight, OK sits ButtonGap left of it.
  static constexpr int ButtonRight = 455, ButtonTop = 248, ButtonWidth = 75, ButtonHeight = 25, ButtonGap = 9;

  // ReadForm false leaves the built-in picture out (the artwork generator's way).
  explicit TzuRenewixWizardForm(TComponent* AOwner = nullptr, bool ReadForm = true);
  ~TzuRenewixWizardForm() override;

  QFrame* PicP = nullptr;
  TzuProportionalImage* Img = nullptr;
  QLabel* WizardTitle = nullptr;
  QLabel* AfterNote = nullptr;
  QGroupBox* LCurrentFile = nullptr;
  QLabel* LDownloadingFileFrom = nullptr;
  QLineEdit* FileURL = nullptr;
  QLabel* LFileSize = nullptr;
  QLabel* LTransferRate = nullptr;
  QLabel* LEstimatedTime = nullptr;
  QProgressBar* ProgressCurrentFile = nullptr;
  QGroupBox* LAllFiles = nullptr;
  QLabel* AllDownloading = nullptr;
  QProgressBar* ProgressAllFiles = nullptr;
  TzuTopLineBevel* Bevel1 = nullptr;
  QLabel* LAbout = nullptr;
  QLabel* AboutShadow = nullptr;
  TzuButton* OKBtn = nullptr;
  TzuButton* CancelBtn = nullptr;

  TzuRenewix* Component() const { return FComponent; }
  // Remembers Component and fills the window from its Wizard settings and the message table.
  void Setup(TzuRenewix* AComponent);
  // Turns the window into the completed page.
  void Finish();
  bool Completed() const { return FCompleted; }

  // Sizes the buttons to their captions, keeping the row's right edge.
  void LayoutButtons();

  // Sets a label's text and sizes it to it.
  static void SetLabelText(QLabel* Label, const std::string& Text);
  // The page title; its font shrinks where a long translation would leave the window.
  void SetTitle(const std::string& Text);

  // Event handlers.
  void FormClose();
  void OKBtnClick(TObject* Sender);
  void CancelBtnClick(TObject* Sender);
  // Key is set to 0 when the character is discarded (always).
  void FileURLKeyPress(QObject* Sender, char& Key);
  void WMSysCommand(TMessage& Message);

  // The window goes away without asking: at once, or, while one of its handlers runs (the
  // abort question is open), hidden now and freed once that handler has returned.
  void Release();

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void WndProc(THandle Wnd, TMessage& Message);

  TzuRenewix* FComponent = nullptr;
  TWindowProc FOldProc;
  bool FCompleted = false;
  bool FCloseAllowed = false;  // the next close runs without the question
  bool FClosed = false;
  bool FReleased = false;
  int FBusy = 0;  // depth of our own window procedure
};

// The Yes, No, OK and Cancel buttons of a platform message box in the current language.
void TranslateMessageBoxButtons(QMessageBox& Box);

}  // namespace zu
