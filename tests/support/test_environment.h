#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/run_command.h"

namespace tintara::test {

// Installs, for its lifetime, a settings record of the process on a private file in a folder of its
// own, so a test can change settings without touching the user's.
class PrivateSettings {
 public:
  PrivateSettings();
  ~PrivateSettings();
  PrivateSettings(const PrivateSettings&) = delete;
  PrivateSettings& operator=(const PrivateSettings&) = delete;

  // The file the record is stored in, for a test that reads what was written.
  std::string file() const { return dir_.File("settings.ini"); }

 private:
  TempDir dir_;
};

// A fixture whose suite shares one private settings record; every test starts from the defaults in
// memory, so only the values a test sets are written, and no test sees another's settings.
class PrivateSettingsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { settings_ = std::make_unique<PrivateSettings>(); }
  static void TearDownTestSuite() { settings_.reset(); }
  void SetUp() override;

 private:
  static inline std::unique_ptr<PrivateSettings> settings_;
};

}  // namespace tintara::test
