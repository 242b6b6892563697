// The settings record loaded from a store file whose text is the input: the file form the program
// keeps its settings in, as a hand edit, a half-written file or another program may leave it.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <system_error>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;
  static const bool initialised = (fuzz::InstallSilentPresenter(), true);
  (void)initialised;

  // A new name for every input: the store caches what it parsed per file, and a file rewritten with
  // the same size within the same moment could otherwise be taken for the one before.
  static unsigned counter = 0;
  const std::string name = "settings" + std::to_string(++counter) + ".conf";
  const std::string path = fuzz::WriteScratchFile(name, data, size);

  SettingsEnvironment environment;
  environment.programFolder = "/opt/Tintara";
  environment.documentsFolder = "/home/user/Documents";
  std::vector<std::pair<std::string, std::string>> stored;
  {
    CSettings settings(MakeFileSettingsStorage(path), environment);

    // The folders carry whatever text the file held; each is written back through the store (the
    // numbers and the flag always go out in their own plain notation, so writing them too would only
    // slow the run down).
    for (const char* folder : {"ICCPath", "LoadICCPath", "SaveICCPath", "LoadImagePath", "SaveImagePath"}) {
      std::string text;
      Check(settings.TextByName(folder, text), "a folder value is unknown by name");
      Check(settings.SetByName(folder, text), "SetByName refused a known name");
    }
    for (int stringId : {0, 1, 7, 1001, -1}) settings.OnceMessageShouldShow(stringId);
    settings.SilenceOnceMessage(1001);
    Check(!settings.OnceMessageShouldShow(1001), "a silenced message is still shown");
    settings.ResetOnceMessages();
    stored = settings.ValuesInLoadOrder();
  }
  {
    // Every value now stands in the file as this program wrote it or as it was found there; loading
    // the file again must give each one back unchanged.
    CSettings again(MakeFileSettingsStorage(path), environment);
    Check(again.ValuesInLoadOrder() == stored, "a value written to the file reads back differently");
  }

  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::filesystem::remove(path + ".lock", ec);
  return 0;
}
