#include <QApplication>
#include <QIcon>

#include "app/ui/tintara_app.h"
#include "base/file_io.h"

// The program's pictures live in the widget library, whose resources must be registered by name.
static void InitResources() { Q_INIT_RESOURCE(tintara); }

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Lumeno");
  QApplication::setApplicationName("Tintara");
  tintara::InstallTemporaryFileCleanup();
  InitResources();
  // Every window of the program, the document windows among them, shows the program's own icon.
  QApplication::setWindowIcon(QIcon(":/icons/tintara.svg"));
  QApplication::setDesktopFileName("tintara");
  tintara::CTintaraApp app(tintara::OptionsFromCommandLine(QApplication::arguments()));
  return app.Run();
}
