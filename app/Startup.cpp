#include "app/Startup.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>

#include <memory>

#include "app/UpdMain.h"
#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/os/Resources.h"

namespace zu {

int RunProtected(const std::function<int()>& Body) {
  try {
    return Body();
  } catch (const std::exception& E) {
    Application().HandleException(E);
  } catch (...) {
    Application().HandleException(Exception(std::string()));
  }
  return 1;
}

int RunUpdater(int& argc, char** argv, const TRunCompanion& Companion) {
  return RunProtected([&] {
    TApplication::InitializeGui(argc, argv);
    Application().SetTitle("Renewix");
    QApplication::setWindowIcon(QIcon(QString::fromStdString(os::ResourcePath("RENEWIX", "APPICON"))));
    // Before the window exists: a box shown while it is created is the driver's too.
    const std::unique_ptr<QObject> Driver = Companion ? Companion() : nullptr;
    QPointer<TfrmUpdMain> Form = new TfrmUpdMain(nullptr);
    frmUpdMain = Form;
    Application().SetMainForm(Form);
    Form->show();
    const int Rc = Application().Run();
    delete Form.data();
    return Rc;
  });
}

}  // namespace zu
