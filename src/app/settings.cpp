#include "app/settings.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <charconv>
#include <climits>
#include <cstdlib>
#include <locale.h>
#include <mutex>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/messages.h"
#include "app/program_folder.h"
#include "base/result_codes.h"
#include "engine/transform_fit.h"

namespace tintara {

namespace {

constexpr char kMainGroup[] = "";
constexpr char kOnceGroup[] = "OnceMessages";

// A value is read into a buffer of this size with a terminating zero after it; a longer text does
// not fit and counts as missing, so loading replaces it with its default.
constexpr std::size_t kValueBufferBytes = 2048;
// A one-time flag is read into a 20-byte buffer; a longer text does not fit and leaves the message
// showing.
constexpr std::size_t kOnceFlagBufferBytes = 20;

#ifdef _WIN32
constexpr char kImagesSubfolder[] = "\\Images";
#else
constexpr char kImagesSubfolder[] = "/Images";
#endif

constexpr int kDefaultErrorPixels = 9;
constexpr int kDefaultWarningPixels = 20;
constexpr double kDefaultInnerMargin = 5.0;
constexpr double kDefaultDeviationCorners = 0.05;
constexpr double kDefaultDeviationBlackLow = 0.01;
constexpr double kDefaultDeviationWhiteLow = 0.75;
constexpr double kDefaultDeviationBlackHigh = 0.25;
constexpr double kDefaultDeviationWhiteHigh = 0.99;
constexpr bool kDefaultICMFlag = true;
constexpr int kDefaultJPEGQuality = 90;

// The values "Use Defaults" writes, in the order it writes them. The dialog folders are not among
// them: restoring defaults must not send the file dialogs back to where they started.
constexpr const char* kRestoreWriteOrder[] = {
    "ICCPath",
    "PenaltyFactor",
    "QualityControl",
    "Gamma",
    "InnerMarginK7",
    "InnerMarginK3",
    "DeviationCornersK7",
    "DeviationBlackLowK7",
    "DeviationWhiteLowK7",
    "DeviationBlackLowK3",
    "DeviationWhiteLowK3",
    "DeviationBlackHighK7",
    "DeviationWhiteHighK7",
    "DeviationBlackHighK3",
    "DeviationWhiteHighK3",
    "ErrorPixels",
    "WarningPixels",
    "ICMFlag",
    "JPEGQuality",
};

// The stored texts are shared with other machines and older files, so numbers are always written
// and read with a decimal point, whatever locale the process runs in.
std::string FormatText(const std::string& v) { return v; }

std::string FormatText(int v) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), v);
  return std::string(buffer, result.ptr);
}

std::string FormatText(double v) {
  // Six decimals, as "%f" gives; the largest double needs 309 digits before the point.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buffer, result.ptr);
}

std::string FormatText(bool v) { return v ? "true" : "false"; }

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The leading number of the text, 0.0 when there is none, read as the C locale reads it.
double ParseDouble(const std::string& text) {
#ifdef _WIN32
  static const _locale_t cLocale = _create_locale(LC_ALL, "C");
  return _strtod_l(text.c_str(), nullptr, cLocale);
#else
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text.c_str(), nullptr, cLocale);
#endif
}

// The leading integer of the text, 0 when there is none. A number beyond the int range is held at
// the nearest end of it instead of overflowing.
int ParseInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long magnitude = 0;
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (magnitude > kLimit) magnitude = kLimit;
  const long long value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

// Only the exact text "true" switches the flag on; "True" or "1" written by hand do not.
bool ParseBool(const std::string& text) { return text == "true"; }

template <typename T>
T ParseText(const std::string& text) {
  if constexpr (std::is_same_v<T, std::string>) {
    return text;
  } else if constexpr (std::is_same_v<T, int>) {
    return ParseInt(text);
  } else if constexpr (std::is_same_v<T, double>) {
    return ParseDouble(text);
  } else {
    static_assert(std::is_same_v<T, bool>);
    return ParseBool(text);
  }
}

// The value name of a one-time flag: the message's string number as an unsigned decimal.
std::string OnceFlagName(int stringId) { return std::to_string(static_cast<unsigned>(stringId)); }

}  // namespace

struct CSettings::Values {
  std::string profileFolder;
  std::string loadProfileFolder;
  std::string saveProfileFolder;
  std::string loadImageFolder;
  std::string saveImageFolder;
  int errorPixels = kDefaultErrorPixels;
  int warningPixels = kDefaultWarningPixels;
  double penaltyFactor = kDefaultPenaltyFactor;
  double qualityControl = kDefaultQualityLimit;
  double gamma = kDefaultGamma;
  double innerMarginK7 = kDefaultInnerMargin;
  double innerMarginK3 = kDefaultInnerMargin;
  double deviationCornersK7 = kDefaultDeviationCorners;
  double deviationBlackLowK7 = kDefaultDeviationBlackLow;
  double deviationWhiteLowK7 = kDefaultDeviationWhiteLow;
  double deviationBlackLowK3 = kDefaultDeviationBlackLow;
  double deviationWhiteLowK3 = kDefaultDeviationWhiteLow;
  double deviationBlackHighK7 = kDefaultDeviationBlackHigh;
  double deviationWhiteHighK7 = kDefaultDeviationWhiteHigh;
  double deviationBlackHighK3 = kDefaultDeviationBlackHigh;
  double deviationWhiteHighK3 = kDefaultDeviationWhiteHigh;
  bool icmFlag = kDefaultICMFlag;
  int jpegQuality = kDefaultJPEGQuality;
};

struct CSettings::Field {
  template <typename T, typename Arg>
  struct Slot {
    using Type = T;
    T Values::*member;
    void (CSettings::*set)(Arg);
  };
  using Text = Slot<std::string, const std::string&>;
  using Int = Slot<int, int>;
  using Double = Slot<double, double>;
  using Bool = Slot<bool, bool>;

  const char* name;
  std::variant<Text, Int, Double, Bool> slot;
};

const std::vector<CSettings::Field>& CSettings::FieldsInLoadOrder() {
  static const std::vector<Field> fields = {
      {"ICCPath", Field::Text{&Values::profileFolder, &CSettings::SetProfileFolder}},
      {"PenaltyFactor", Field::Double{&Values::penaltyFactor, &CSettings::SetPenaltyFactor}},
      {"QualityControl", Field::Double{&Values::qualityControl, &CSettings::SetQualityControl}},
      {"Gamma", Field::Double{&Values::gamma, &CSettings::SetGamma}},
      {"LoadICCPath", Field::Text{&Values::loadProfileFolder, &CSettings::SetLoadProfileFolder}},
      {"SaveICCPath", Field::Text{&Values::saveProfileFolder, &CSettings::SetSaveProfileFolder}},
      {"LoadImagePath", Field::Text{&Values::loadImageFolder, &CSettings::SetLoadImageFolder}},
      {"SaveImagePath", Field::Text{&Values::saveImageFolder, &CSettings::SetSaveImageFolder}},
      {"InnerMarginK3", Field::Double{&Values::innerMarginK3, &CSettings::SetInnerMarginK3}},
      {"InnerMarginK7", Field::Double{&Values::innerMarginK7, &CSettings::SetInnerMarginK7}},
      {"DeviationCornersK7", Field::Double{&Values::deviationCornersK7, &CSettings::SetDeviationCornersK7}},
      {"DeviationBlackLowK7", Field::Double{&Values::deviationBlackLowK7, &CSettings::SetDeviationBlackLowK7}},
      {"DeviationWhiteLowK7", Field::Double{&Values::deviationWhiteLowK7, &CSettings::SetDeviationWhiteLowK7}},
      {"DeviationBlackLowK3", Field::Double{&Values::deviationBlackLowK3, &CSettings::SetDeviationBlackLowK3}},
      {"DeviationWhiteLowK3", Field::Double{&Values::deviationWhiteLowK3, &CSettings::SetDeviationWhiteLowK3}},
      {"DeviationBlackHighK7", Field::Double{&Values::deviationBlackHighK7, &CSettings::SetDeviationBlackHighK7}},
      {"DeviationWhiteHighK7", Field::Double{&Values::deviationWhiteHighK7, &CSettings::SetDeviationWhiteHighK7}},
      {"DeviationBlackHighK3", Field::Double{&Values::deviationBlackHighK3, &CSettings::SetDeviationBlackHighK3}},
      {"DeviationWhiteHighK3", Field::Double{&Values::deviationWhiteHighK3, &CSettings::SetDeviationWhiteHighK3}},
      {"ErrorPixels", Field::Int{&Values::errorPixels, &CSettings::SetErrorPixels}},
      {"WarningPixels", Field::Int{&Values::warningPixels, &CSettings::SetWarningPixels}},
      {"ICMFlag", Field::Bool{&Values::icmFlag, &CSettings::SetICMFlag}},
      {"JPEGQuality", Field::Int{&Values::jpegQuality, &CSettings::SetJPEGQuality}},
  };
  return fields;
}

const CSettings::Field* CSettings::FindField(const std::string& name) {
  for (const Field& field : FieldsInLoadOrder()) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

std::string CSettings::FieldText(const Field& field) const {
  return std::visit([this](const auto& slot) { return FormatText(values_.get()->*slot.member); }, field.slot);
}

void CSettings::LoadField(const Field& field) {
  const std::optional<std::string> text = storage_->Read(kMainGroup, field.name);
  std::visit(
      [&](const auto& slot) {
        using T = typename std::decay_t<decltype(slot)>::Type;
        if (!text || text->size() >= kValueBufferBytes) {
          // Missing: store the default through the setter, which also creates the value.
          const T current = values_.get()->*slot.member;
          (this->*slot.set)(current);
        } else {
          values_.get()->*slot.member = ParseText<T>(*text);
        }
      },
      field.slot);
}

void CSettings::SetFieldFromText(const Field& field, const std::string& text) {
  std::visit(
      [&](const auto& slot) {
        using T = typename std::decay_t<decltype(slot)>::Type;
        (this->*slot.set)(ParseText<T>(text));
      },
      field.slot);
}

void CSettings::WriteValue(const char* name, const std::string& text) {
  if (!storage_->Write(kMainGroup, name, text)) ShowErrorCode(kRegistryWriteFailed);
}

SettingsEnvironment SettingsEnvironment::FromProcess() {
  SettingsEnvironment environment;
  environment.programFolder = ProgramFolder();
  environment.documentsFolder =
      QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
          .toStdString();
  return environment;
}

CSettings::CSettings(std::unique_ptr<SettingsStorage> storage, const SettingsEnvironment& environment)
    : storage_(std::move(storage)), values_(std::make_unique<Values>()), environment_(environment) {
  const std::string& profileDefault =
      environment_.documentsFolder.empty() ? environment_.programFolder : environment_.documentsFolder;
  values_->loadProfileFolder = profileDefault;
  values_->saveProfileFolder = profileDefault;
  values_->loadImageFolder = environment_.programFolder + kImagesSubfolder;
  values_->saveImageFolder = environment_.programFolder + kImagesSubfolder;
  RestoreDefaults(false);
  for (const Field& field : FieldsInLoadOrder()) LoadField(field);
}

CSettings::~CSettings() = default;

void CSettings::RestoreDefaults(bool write) {
  Values& v = *values_;
  v.profileFolder =
      environment_.documentsFolder.empty() ? environment_.programFolder : environment_.documentsFolder;
  v.errorPixels = kDefaultErrorPixels;
  v.warningPixels = kDefaultWarningPixels;
  v.penaltyFactor = kDefaultPenaltyFactor;
  v.qualityControl = kDefaultQualityLimit;
  v.gamma = kDefaultGamma;
  v.innerMarginK7 = kDefaultInnerMargin;
  v.innerMarginK3 = kDefaultInnerMargin;
  v.deviationCornersK7 = kDefaultDeviationCorners;
  v.deviationBlackLowK7 = kDefaultDeviationBlackLow;
  v.deviationWhiteLowK7 = kDefaultDeviationWhiteLow;
  v.deviationBlackLowK3 = kDefaultDeviationBlackLow;
  v.deviationWhiteLowK3 = kDefaultDeviationWhiteLow;
  v.deviationBlackHighK7 = kDefaultDeviationBlackHigh;
  v.deviationWhiteHighK7 = kDefaultDeviationWhiteHigh;
  v.deviationBlackHighK3 = kDefaultDeviationBlackHigh;
  v.deviationWhiteHighK3 = kDefaultDeviationWhiteHigh;
  v.icmFlag = kDefaultICMFlag;
  v.jpegQuality = kDefaultJPEGQuality;
  if (!write) return;
  for (const char* name : kRestoreWriteOrder) {
    const Field* field = FindField(name);
    if (field) WriteValue(field->name, FieldText(*field));
  }
}

std::string CSettings::ProfileFolder() const { return values_->profileFolder; }
std::string CSettings::LoadProfileFolder() const { return values_->loadProfileFolder; }
std::string CSettings::SaveProfileFolder() const { return values_->saveProfileFolder; }
std::string CSettings::LoadImageFolder() const { return values_->loadImageFolder; }
std::string CSettings::SaveImageFolder() const { return values_->saveImageFolder; }

void CSettings::SetProfileFolder(const std::string& v) {
  values_->profileFolder = v;
  WriteValue("ICCPath", FormatText(v));
}
void CSettings::SetLoadProfileFolder(const std::string& v) {
  values_->loadProfileFolder = v;
  WriteValue("LoadICCPath", FormatText(v));
}
void CSettings::SetSaveProfileFolder(const std::string& v) {
  values_->saveProfileFolder = v;
  WriteValue("SaveICCPath", FormatText(v));
}
void CSettings::SetLoadImageFolder(const std::string& v) {
  values_->loadImageFolder = v;
  WriteValue("LoadImagePath", FormatText(v));
}
void CSettings::SetSaveImageFolder(const std::string& v) {
  values_->saveImageFolder = v;
  WriteValue("SaveImagePath", FormatText(v));
}

int CSettings::ErrorPixels() const { return values_->errorPixels; }
int CSettings::WarningPixels() const { return values_->warningPixels; }
double CSettings::PenaltyFactor() const { return values_->penaltyFactor; }
double CSettings::QualityControl() const { return values_->qualityControl; }
double CSettings::Gamma() const { return values_->gamma; }
double CSettings::InnerMarginK7() const { return values_->innerMarginK7; }
double CSettings::InnerMarginK3() const { return values_->innerMarginK3; }
double CSettings::DeviationCornersK7() const { return values_->deviationCornersK7; }
double CSettings::DeviationBlackLowK7() const { return values_->deviationBlackLowK7; }
double CSettings::DeviationWhiteLowK7() const { return values_->deviationWhiteLowK7; }
double CSettings::DeviationBlackLowK3() const { return values_->deviationBlackLowK3; }
double CSettings::DeviationWhiteLowK3() const { return values_->deviationWhiteLowK3; }
double CSettings::DeviationBlackHighK7() const { return values_->deviationBlackHighK7; }
double CSettings::DeviationWhiteHighK7() const { return values_->deviationWhiteHighK7; }
double CSettings::DeviationBlackHighK3() const { return values_->deviationBlackHighK3; }
double CSettings::DeviationWhiteHighK3() const { return values_->deviationWhiteHighK3; }
bool CSettings::ICMFlag() const { return values_->icmFlag; }
int CSettings::JPEGQuality() const { return values_->jpegQuality; }

void CSettings::SetErrorPixels(int v) {
  values_->errorPixels = v;
  WriteValue("ErrorPixels", FormatText(v));
}
void CSettings::SetWarningPixels(int v) {
  values_->warningPixels = v;
  WriteValue("WarningPixels", FormatText(v));
}
void CSettings::SetPenaltyFactor(double v) {
  values_->penaltyFactor = v;
  WriteValue("PenaltyFactor", FormatText(v));
}
void CSettings::SetQualityControl(double v) {
  values_->qualityControl = v;
  WriteValue("QualityControl", FormatText(v));
}
void CSettings::SetGamma(double v) {
  values_->gamma = v;
  WriteValue("Gamma", FormatText(v));
}
void CSettings::SetInnerMarginK7(double v) {
  values_->innerMarginK7 = v;
  WriteValue("InnerMarginK7", FormatText(v));
}
void CSettings::SetInnerMarginK3(double v) {
  values_->innerMarginK3 = v;
  WriteValue("InnerMarginK3", FormatText(v));
}
void CSettings::SetDeviationCornersK7(double v) {
  values_->deviationCornersK7 = v;
  WriteValue("DeviationCornersK7", FormatText(v));
}
void CSettings::SetDeviationBlackLowK7(double v) {
  values_->deviationBlackLowK7 = v;
  WriteValue("DeviationBlackLowK7", FormatText(v));
}
void CSettings::SetDeviationWhiteLowK7(double v) {
  values_->deviationWhiteLowK7 = v;
  WriteValue("DeviationWhiteLowK7", FormatText(v));
}
void CSettings::SetDeviationBlackLowK3(double v) {
  values_->deviationBlackLowK3 = v;
  WriteValue("DeviationBlackLowK3", FormatText(v));
}
void CSettings::SetDeviationWhiteLowK3(double v) {
  values_->deviationWhiteLowK3 = v;
  WriteValue("DeviationWhiteLowK3", FormatText(v));
}
void CSettings::SetDeviationBlackHighK7(double v) {
  values_->deviationBlackHighK7 = v;
  WriteValue("DeviationBlackHighK7", FormatText(v));
}
void CSettings::SetDeviationWhiteHighK7(double v) {
  values_->deviationWhiteHighK7 = v;
  WriteValue("DeviationWhiteHighK7", FormatText(v));
}
void CSettings::SetDeviationBlackHighK3(double v) {
  values_->deviationBlackHighK3 = v;
  WriteValue("DeviationBlackHighK3", FormatText(v));
}
void CSettings::SetDeviationWhiteHighK3(double v) {
  values_->deviationWhiteHighK3 = v;
  WriteValue("DeviationWhiteHighK3", FormatText(v));
}
void CSettings::SetICMFlag(bool v) {
  values_->icmFlag = v;
  WriteValue("ICMFlag", FormatText(v));
}
void CSettings::SetJPEGQuality(int v) {
  values_->jpegQuality = v;
  WriteValue("JPEGQuality", FormatText(v));
}

std::string CSettings::ProductVersionText() const {
  const unsigned* p = environment_.productVersion;
  return std::to_string(p[0]) + "." + std::to_string(p[1]);
}

std::string CSettings::FileVersionText() const {
  const unsigned* f = environment_.fileVersion;
  return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) + "." +
         std::to_string(f[3]);
}

bool CSettings::OnceMessageShouldShow(int stringId) {
  const std::optional<std::string> text = storage_->Read(kOnceGroup, OnceFlagName(stringId));
  return !text || text->empty() || text->size() > kOnceFlagBufferBytes;
}

void CSettings::SilenceOnceMessage(int stringId) {
  if (!storage_->Write(kOnceGroup, OnceFlagName(stringId), "-1")) ShowErrorCode(kRegistryWriteFailed);
}

void CSettings::ResetOnceMessages() {
  // A reset that did not reach the store would leave the messages silenced while the user was told
  // nothing; say so as for any other failed write.
  if (!storage_->RemoveGroup(kOnceGroup)) ShowErrorCode(kRegistryWriteFailed);
}

std::vector<std::pair<std::string, std::string>> CSettings::ValuesInLoadOrder() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Field& field : FieldsInLoadOrder()) out.emplace_back(field.name, FieldText(field));
  return out;
}

bool CSettings::TextByName(const std::string& name, std::string& text) const {
  const Field* field = FindField(name);
  if (!field) return false;
  text = FieldText(*field);
  return true;
}

bool CSettings::SetByName(const std::string& name, const std::string& text) {
  const Field* field = FindField(name);
  if (!field) return false;
  SetFieldFromText(*field, text);
  return true;
}

namespace {

// The settings are read and written on the user-interface thread; the lock only keeps a first use
// from two threads at once from building two records.
std::mutex& SettingsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<CSettings>& SettingsSlot() {
  static std::unique_ptr<CSettings> settings;
  return settings;
}

}  // namespace

CSettings& Settings() {
  const std::lock_guard<std::mutex> lock(SettingsMutex());
  std::unique_ptr<CSettings>& slot = SettingsSlot();
  if (!slot) slot = std::make_unique<CSettings>(MakeNativeSettingsStorage(), SettingsEnvironment::FromProcess());
  return *slot;
}

void InstallSettings(std::unique_ptr<CSettings> settings) {
  std::unique_ptr<CSettings> previous;
  {
    const std::lock_guard<std::mutex> lock(SettingsMutex());
    previous = std::exchange(SettingsSlot(), std::move(settings));
  }
}

}  // namespace tintara
