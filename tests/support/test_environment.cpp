#include "support/test_environment.h"

#include "app/settings.h"

namespace tintara::test {

PrivateSettings::PrivateSettings() {
  InstallSettings(
      std::make_unique<CSettings>(MakeFileSettingsStorage(file()), SettingsEnvironment{}, ShowSettingsWriteFailure));
}

PrivateSettings::~PrivateSettings() { InstallSettings(nullptr); }

void PrivateSettingsTest::SetUp() { Settings().RestoreDefaults(false); }

}  // namespace tintara::test
