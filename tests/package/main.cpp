// Creates the self-update component and the HTTP component as a publisher's program does,
// and checks that the resources linked in with them (the helper, the wizard's form data, the
// message table) are there. Exit 0 when all is well.
#include <QApplication>
#include <cstdio>
#include <string>

#include "engine/zuRenewix.h"
#include "http/zuHTTP.h"
#include "platform/os/Resources.h"

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  zu::TzuRenewix Updater(nullptr);
  Updater.SetInfoFileURL("http://127.0.0.1:9/app.inf");
  zu::TzuCustomHTTP Http(nullptr);
  std::string Helper, Strings;
  if (!zu::os::LoadResource("ZUUPG", "ZUUPG", Helper) || Helper.size() < 1024) {
    std::fprintf(stderr, "the helper resource is missing\n");
    return 1;
  }
  if (!zu::os::LoadResource("#51000", "STRINGS", Strings) || Strings.empty()) {
    std::fprintf(stderr, "the message table is missing\n");
    return 1;
  }
  // The wizard's form comes from the widgets' and the engine's form data.
  std::string Form;
  if (!zu::os::LoadResource("TzuRenewixWizardForm", "FORMDATA", Form) || Form.empty()) {
    std::fprintf(stderr, "the form data is missing\n");
    return 1;
  }
  std::printf("ok: helper %zu bytes, messages %zu bytes\n", Helper.size(), Strings.size());
  return 0;
}
