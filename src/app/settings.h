#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <functional>

#include "app/settings_storage.h"
#include "base/error.h"
#include "base/messages.h"

namespace tintara {

// The folders and version numbers the settings start from; taken from the running program unless a
// test supplies its own.
struct SettingsEnvironment {
  std::string programFolder;    // folder of the executable
  std::string documentsFolder;  // the user's documents folder; empty when the system gives none
  unsigned productVersion[2] = {0, 0};
  unsigned fileVersion[4] = {0, 0, 0, 0};

  static SettingsEnvironment FromProcess();
};

// The record of every stored value, one member each; defined in settings.cpp beside the table that
// names, defaults and orders them.
struct SettingsValues;

// What a user may enter for a stored value (the command line's "settings set", the options that
// stand in for a setting, the preferences): its kind and, for a number, the range a photographer
// would choose from. Loading takes stored texts as they are, without this range.
enum class SettingKind { kText, kInteger, kNumber, kFlag };

struct SettingRange {
  double low = 0.0;
  double high = 0.0;
  bool aboveLow = false;  // low itself lies outside

  // Whether a number lies in the range (never true for NaN).
  constexpr bool Admits(double value) const { return (aboveLow ? value > low : value >= low) && value <= high; }
};

struct SettingRule {
  SettingKind kind = SettingKind::kText;
  SettingRange range;  // for kInteger and kNumber
};

// The rule of the value stored under `name` (exact spelling); nullopt for a name that is not stored.
std::optional<SettingRule> SettingRuleOf(const std::string& name);

// Told of a write the store refused (code 1).
using SettingsWriteReport = std::function<void(const Error&)>;

// Every persistent value of the program. Each setter stores the value and writes it at once; a write
// that fails is told to `writeFailed` (code 1) and the value stays in memory. The record also keeps
// which one-time messages the user silenced.
class CSettings : public OnceMessageFlags {
 public:
  // Default folders, RestoreDefaults(false), then load: a missing value is written back with its
  // default, a present one is parsed and not written back.
  CSettings(std::unique_ptr<SettingsStorage> storage, const SettingsEnvironment& environment,
            SettingsWriteReport writeFailed = {});
  // Out of line: SettingsValues is complete only in settings.cpp.
  ~CSettings() override;
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  void RestoreDefaults(bool write);

  // Folders.
  std::string ProfileFolder() const;            // "ICCPath"
  std::string LoadProfileFolder() const;        // "LoadICCPath"
  std::string SaveProfileFolder() const;        // "SaveICCPath"
  std::string LoadImageFolder() const;          // "LoadImagePath"
  std::string SaveImageFolder() const;          // "SaveImagePath"
  void SetProfileFolder(const std::string& v);
  void SetLoadProfileFolder(const std::string& v);
  void SetSaveProfileFolder(const std::string& v);
  void SetLoadImageFolder(const std::string& v);
  void SetSaveImageFolder(const std::string& v);

  // Numbers.
  int ErrorPixels() const;
  int WarningPixels() const;
  double PenaltyFactor() const;
  double QualityControl() const;
  double Gamma() const;
  double InnerMarginK7() const;
  double InnerMarginK3() const;
  double DeviationCornersK7() const;
  double DeviationBlackLowK7() const;
  double DeviationWhiteLowK7() const;
  double DeviationBlackLowK3() const;
  double DeviationWhiteLowK3() const;
  double DeviationBlackHighK7() const;
  double DeviationWhiteHighK7() const;
  double DeviationBlackHighK3() const;
  double DeviationWhiteHighK3() const;
  bool ICMFlag() const;
  int JPEGQuality() const;
  void SetErrorPixels(int v);
  void SetWarningPixels(int v);
  void SetPenaltyFactor(double v);
  void SetQualityControl(double v);
  void SetGamma(double v);
  void SetInnerMarginK7(double v);
  void SetInnerMarginK3(double v);
  void SetDeviationCornersK7(double v);
  void SetDeviationBlackLowK7(double v);
  void SetDeviationWhiteLowK7(double v);
  void SetDeviationBlackLowK3(double v);
  void SetDeviationWhiteLowK3(double v);
  void SetDeviationBlackHighK7(double v);
  void SetDeviationWhiteHighK7(double v);
  void SetDeviationBlackHighK3(double v);
  void SetDeviationWhiteHighK3(double v);
  void SetICMFlag(bool v);
  void SetJPEGQuality(int v);

  // "%u.%u" and "%u.%u.%u.%u".
  std::string ProductVersionText() const;
  std::string FileVersionText() const;

  // The last complete card outline, in the text form card/previous_outline.h gives it; "" when
  // none was stored. Kept beside the settings, not among them: it is the program's memory, not a
  // choice of the user's.
  std::string PreviousOutline() const;
  void SetPreviousOutline(const std::string& text);

  // One-time messages: true when the message is to be shown.
  bool OnceMessageShouldShow(int stringId) override;
  void SilenceOnceMessage(int stringId) override;  // writes "-1"
  void ResetOnceMessages();               // removes the whole group

  // By stored name, for the command line: every value in load order as (name, stored text); the
  // stored text of one value; and setting one through its setter (the text is parsed as loading
  // would parse it). SetByName returns false for an unknown name.
  std::vector<std::pair<std::string, std::string>> ValuesInLoadOrder() const;
  bool TextByName(const std::string& name, std::string& text) const;
  bool SetByName(const std::string& name, const std::string& text);

 private:
  // Stores `value` in the member `Member` of the record and writes it under the name the table gives
  // that member; a member the table does not list does not compile. Every named setter is one call
  // of this.
  template <auto Member, typename T>
  void Store(const T& value);

  void ReportWriteFailure() const;

  std::unique_ptr<SettingsStorage> storage_;
  std::unique_ptr<SettingsValues> values_;
  SettingsEnvironment environment_;
  SettingsWriteReport writeFailed_;
};

// The process's one settings record, for the two shells (flows of the core are handed the values they
// need). Built on first use with the native store, failed writes shown on the shells' presenter,
// unless one was installed before.
CSettings& Settings();

// How the shells tell of a failed write: the error box on their presenter.
void ShowSettingsWriteFailure(const Error& error);

// Replaces the process's record (tests, and a command line told to use another store).
void InstallSettings(std::unique_ptr<CSettings> settings);

}  // namespace tintara
