#include <QApplication>

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
  tintara::CTintaraApp app(tintara::OptionsFromCommandLine(QApplication::arguments()));
  return app.Run();
}
