#include "support/test_environment.h"

#include <signal.h>
#include <sys/resource.h>

#include "app/settings.h"

namespace tintara::test {

PrivateSettings::PrivateSettings() {
  InstallSettings(std::make_unique<CSettings>(MakeFileSettingsStorage(file()), SettingsEnvironment{}));
}

PrivateSettings::~PrivateSettings() { InstallSettings(nullptr); }

void PrivateSettingsTest::SetUp() { Settings().RestoreDefaults(false); }

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  savedCurrent_ = limit.rlim_cur;
  savedHandler_ = signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = savedCurrent_;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, savedHandler_);
}

}  // namespace tintara::test
