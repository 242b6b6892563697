#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tintara {

// Where the settings' text values live. The desktop program and the command line use the platform's
// native store (the registry under HKEY_CURRENT_USER on Windows, ~/.config/Lumeno/Tintara.conf here);
// tests use a private file.
class SettingsStorage {
 public:
  virtual ~SettingsStorage() = default;

  // The text stored under `name` in `group` ("" is the main group), or nullopt when there is no such
  // value. An empty text is a present value.
  virtual std::optional<std::string> Read(const std::string& group, const std::string& name) = 0;

  // Stores `text`; false when the store cannot be written.
  virtual bool Write(const std::string& group, const std::string& name, const std::string& text) = 0;

  // Removes a whole group with every value in it; false when the store cannot be written.
  virtual bool RemoveGroup(const std::string& group) = 0;
};

// The native store: organisation "Lumeno", application "Tintara".
std::unique_ptr<SettingsStorage> MakeNativeSettingsStorage();

// A store in one file of the native store's text form, at `path`.
std::unique_ptr<SettingsStorage> MakeFileSettingsStorage(const std::string& path);

}  // namespace tintara
