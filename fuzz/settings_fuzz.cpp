// The settings record loaded from a store whose texts come from the input, as a hand-edited or
// damaged store would hand them over.
//
// Input: lines separated by '\n'. Line i (i < 23) is the stored text of the i-th value in load order
// (ICCPath, PenaltyFactor, ...), except that a line starting with '#' means the value is missing and
// one starting with '!' means it is missing and the store refuses to write it. Every further line is
// one value "name=text" of the one-time message group.

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "fuzz_support.h"

namespace {

using tintara::fuzz::Check;

class MemoryStorage : public tintara::SettingsStorage {
 public:
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::set<std::string> refused;  // names whose writes fail
  std::map<std::string, int> writes;

  std::optional<std::string> Read(const std::string& group, const std::string& name) override {
    const auto it = values.find({group, name});
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  bool Write(const std::string& group, const std::string& name, const std::string& text) override {
    ++writes[name];
    if (refused.count(name)) return false;
    values[{group, name}] = text;
    return true;
  }
  bool RemoveGroup(const std::string& group) override {
    if (refused.count(group)) return false;
    for (auto it = values.begin(); it != values.end();) {
      it = it->first.first == group ? values.erase(it) : std::next(it);
    }
    return true;
  }
};

std::vector<std::string> SplitLines(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += static_cast<char>(data[i]);
    }
  }
  lines.push_back(std::move(line));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  static const bool initialised = (fuzz::InstallSilentPresenter(), true);
  (void)initialised;

  // The names in load order, as the record itself lists them.
  static const std::vector<std::string> names = [] {
    auto storage = std::make_unique<MemoryStorage>();
    CSettings defaults(std::move(storage), SettingsEnvironment{});
    std::vector<std::string> list;
    for (const auto& [name, text] : defaults.ValuesInLoadOrder()) list.push_back(name);
    return list;
  }();

  const std::vector<std::string> lines = SplitLines(data, size);
  auto storage = std::make_unique<MemoryStorage>();
  std::map<std::string, std::string> present;  // main-group values the load must keep as they are
  std::vector<std::string> onceNames;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i < names.size()) {
      if (!line.empty() && line[0] == '!') storage->refused.insert(names[i]);
      if (!line.empty() && (line[0] == '#' || line[0] == '!')) continue;
      storage->values[{"", names[i]}] = line;
      present[names[i]] = line;
    } else {
      const size_t equals = line.find('=');
      const std::string name = line.substr(0, equals);
      storage->values[{"OnceMessages", name}] = equals == std::string::npos ? "" : line.substr(equals + 1);
      onceNames.push_back(name);
      if (name == "!") storage->refused.insert("OnceMessages");
    }
  }
  MemoryStorage* store = storage.get();

  SettingsEnvironment environment;
  environment.programFolder = "/opt/Tintara";
  environment.documentsFolder = size % 2 ? "" : "/home/user/Documents";
  CSettings settings(std::move(storage), environment);

  // Loading writes back exactly the values that are missing (or too long to be taken), and nothing
  // else.
  for (const std::string& name : names) {
    const auto it = present.find(name);
    const bool kept = it != present.end() && it->second.size() < 2048;
    Check(store->writes[name] == (kept ? 0 : 1), "loading wrote a value it should have kept, or missed a default");
    std::string text;
    Check(settings.TextByName(name, text), "a value of the load order is unknown by name");
  }
  Check(settings.ProfileFolder() == (present.count("ICCPath") && present["ICCPath"].size() < 2048
                                         ? present["ICCPath"]
                                         : std::string(size % 2 ? "/opt/Tintara" : "/home/user/Documents")),
        "the profile folder is neither the stored text nor the default");

  // A value set from its own stored text stores that text again: the formats read back stably.
  for (const auto& [name, text] : settings.ValuesInLoadOrder()) {
    Check(settings.SetByName(name, text), "SetByName refused a known name");
    std::string after;
    settings.TextByName(name, after);
    Check(after == text, "a value does not read back as the text it was stored as");
  }

  for (const std::string& name : onceNames) {
    char* end = nullptr;
    const long id = std::strtol(name.c_str(), &end, 10);
    if (end == name.c_str()) continue;
    const int stringId = static_cast<int>(id);
    settings.OnceMessageShouldShow(stringId);
    settings.SilenceOnceMessage(stringId);
  }
  settings.OnceMessageShouldShow(0);
  settings.OnceMessageShouldShow(-1);
  settings.ResetOnceMessages();
  settings.RestoreDefaults(true);
  Check(settings.JPEGQuality() == 90 && settings.ErrorPixels() == 9, "restoring the defaults did not restore them");
  return 0;
}
