// Commands over the settings store and the profile library.
#include <cstdio>
#include <optional>

#include "app/settings.h"
#include "base/strings.h"
#include "base/result_codes.h"
#include "base/text_encoding.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_presenter.h"
#include "profiles/profile_file.h"
#include "profiles/profile_store.h"

namespace tintara::cli {

namespace {

// Every setter writes at once; a failed write shows up as an error box on the presenter.
int SettingsStatus(const CliPresenter& presenter) { return presenter.ErrorShown() ? kExitFailure : kExitOk; }

std::string FlagsText(const ProfileRecord& r) {
  std::string flags;
  auto add = [&](bool on, const char* name) {
    if (!on) return;
    if (!flags.empty()) flags += ",";
    flags += name;
  };
  add(r.InFolder, "InFolder");
  add(r.Unsaved, "Unsaved");
  add(r.TransformLoaded, "TransformLoaded");
  return flags.empty() ? "-" : flags;
}

}  // namespace

int CommandSettings(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, {}, error)) return Fail(kExitUsage, error);
  const std::vector<std::string>& p = a.Positionals();
  if (p.empty()) return Fail(kExitUsage, "settings needs list, get NAME, set NAME VALUE or reset");
  CliPresenter presenter;
  CSettings& settings = Settings();

  // Reading has done its work once the values are printed, even when loading could not write a
  // missing value back (the box has said so on stderr).
  if (p[0] == "list" && p.size() == 1) {
    for (const auto& [name, text] : settings.ValuesInLoadOrder()) {
      std::printf("%s\t%s\n", name.c_str(), EscapeControlCharacters(text).c_str());
    }
    return kExitOk;
  }
  if (p[0] == "get" && p.size() == 2) {
    std::string text;
    if (!settings.TextByName(p[1], text)) return Fail(kExitUsage, "no setting named " + EscapeControlCharacters(p[1]));
    std::printf("%s\n", EscapeControlCharacters(text).c_str());
    return kExitOk;
  }
  if (p[0] == "set" && p.size() == 3) {
    const std::optional<SettingRule> rule = SettingRuleOf(p[1]);
    if (!rule) return Fail(kExitUsage, "no setting named " + EscapeControlCharacters(p[1]));
    // Stored values are loaded as they are, whatever they hold; what is entered here must make sense.
    if (!ParseSettingValue(*rule, p[1], p[2], error)) return Fail(kExitUsage, error);
    settings.SetByName(p[1], p[2]);
    return SettingsStatus(presenter);
  }
  if (p[0] == "reset" && p.size() == 1) {
    settings.RestoreDefaults(true);
    return SettingsStatus(presenter);
  }
  return Fail(kExitUsage, "settings needs list, get NAME, set NAME VALUE or reset");
}

int CommandProfiles(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, {"--folder"}, error)) return Fail(kExitUsage, error);
  if (!a.Positionals().empty()) return Fail(kExitUsage, "profiles takes no file; use --folder DIR");
  CliPresenter presenter;
  const std::string folder = a.Value("--folder").value_or(Settings().ProfileFolder());

  ProfileStore store;
  if (const Error scan = ScanProfileFolder(folder, store); scan.failed()) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(scan.code()), folder));
  }
  for (int i = 0; i < store.Count(); ++i) {
    std::printf("%d\t%s\t%s\n", i, EscapeControlCharacters(ProfileBoxText(store.At(i))).c_str(),
                FlagsText(store.At(i)).c_str());
  }
  return SettingsStatus(presenter);
}

}  // namespace tintara::cli
