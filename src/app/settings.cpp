#include "app/settings.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <array>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <locale.h>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/messages.h"
#include "base/strings.h"
#include "app/program_folder.h"
#include "base/result_codes.h"
#include "engine/transform_fit.h"

namespace tintara {

namespace {

constexpr char kMainGroup[] = "";
constexpr char kOnceGroup[] = "OnceMessages";
constexpr char kPreviousOutlineName[] = "PreviousOutline";

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

struct SettingsValues {
  std::string profileFolder;
  std::string loadProfileFolder;
  std::string saveProfileFolder;
  std::string loadImageFolder;
  std::string saveImageFolder;
  int errorPixels = 0;
  int warningPixels = 0;
  double penaltyFactor = 0.0;
  double qualityControl = 0.0;
  double gamma = 0.0;
  double innerMarginK7 = 0.0;
  double innerMarginK3 = 0.0;
  double deviationCornersK7 = 0.0;
  double deviationBlackLowK7 = 0.0;
  double deviationWhiteLowK7 = 0.0;
  double deviationBlackLowK3 = 0.0;
  double deviationWhiteLowK3 = 0.0;
  double deviationBlackHighK7 = 0.0;
  double deviationWhiteHighK7 = 0.0;
  double deviationBlackHighK3 = 0.0;
  double deviationWhiteHighK3 = 0.0;
  bool icmFlag = false;
  int jpegQuality = 0;
};

namespace {

using V = SettingsValues;

// The folders start from where the program runs: the profile folders from the user's documents
// folder (the program's own when the system names none), the image folders from the program's.
std::string ProfileFolderDefault(const SettingsEnvironment& e) {
  return e.documentsFolder.empty() ? e.programFolder : e.documentsFolder;
}
std::string ImageFolderDefault(const SettingsEnvironment& e) { return e.programFolder + kImagesSubfolder; }

// A folder's default depends on where the program runs; every other value has a fixed one.
using FolderDefault = std::string (*)(const SettingsEnvironment&);

// Where one value lives in the record and what it starts as. The member's type is also its stored
// form: text as is, int "%d", double "%f", bool "true"/"false".
template <typename T>
struct Slot {
  using Type = T;
  using Fallback = std::conditional_t<std::is_same_v<T, std::string>, FolderDefault, T>;
  T V::*member;
  Fallback fallback;
};

template <typename T>
constexpr Slot<T> Stored(T V::*member, typename Slot<T>::Fallback fallback) {
  return {member, fallback};
}

constexpr int kNotRestored = -1;

using Range = SettingRange;
constexpr Range kNoRange{};  // texts and flags

struct Field {
  const char* name;
  std::variant<Slot<std::string>, Slot<int>, Slot<double>, Slot<bool>> slot;
  // Place among the writes of RestoreDefaults(true), which resets exactly the values that have one.
  int restoreRank;
  Range range;  // of a number a user may enter
};

// Both card models start from the same margin and the same black and white bounds.
constexpr double kDefaultInnerMargin = 5.0;
constexpr double kDefaultDeviationBlackLow = 0.01;
constexpr double kDefaultDeviationWhiteLow = 0.75;
constexpr double kDefaultDeviationBlackHigh = 0.25;
constexpr double kDefaultDeviationWhiteHigh = 0.99;

// What a photographer would enter: the fit's penalty from none to far more than ever helps; a quality
// limit above 0 (0 would fail every real fit); a gamma around the usual 1.8 to 2.6 with room to
// spare; an inner margin in image pixels, enough for the areas of a card filling a large photograph
// (a margin wider than an area only narrows it to a line); the deviations as fractions of full
// scale; pixel counts from 0; JPEG quality as the quality dialog offers it.
constexpr Range kPenaltyRange{0.0, 10.0};
constexpr Range kQualityLimitRange{0.0, 10.0, true};
constexpr Range kGammaRange{0.1, 10.0};
constexpr Range kMarginRange{0.0, 1000.0};
constexpr Range kFractionRange{0.0, 1.0};
constexpr Range kPixelCountRange{0.0, static_cast<double>(INT_MAX)};
constexpr Range kJpegQualityRange{1.0, 100.0};

// Every stored value, in the order loading reads them and writes back the ones it does not find;
// the third column is the value's place among the writes of "Use Defaults" (the dialog folders are
// left out of it: restoring defaults must not send the file dialogs back to where they started), the
// last the range of a number a user may enter.
constexpr Field kFields[] = {
    {"ICCPath", Stored(&V::profileFolder, ProfileFolderDefault), 0, kNoRange},
    {"PenaltyFactor", Stored(&V::penaltyFactor, kDefaultPenaltyFactor), 1, kPenaltyRange},
    {"QualityControl", Stored(&V::qualityControl, kDefaultQualityLimit), 2, kQualityLimitRange},
    {"Gamma", Stored(&V::gamma, kDefaultGamma), 3, kGammaRange},
    {"LoadICCPath", Stored(&V::loadProfileFolder, ProfileFolderDefault), kNotRestored, kNoRange},
    {"SaveICCPath", Stored(&V::saveProfileFolder, ProfileFolderDefault), kNotRestored, kNoRange},
    {"LoadImagePath", Stored(&V::loadImageFolder, ImageFolderDefault), kNotRestored, kNoRange},
    {"SaveImagePath", Stored(&V::saveImageFolder, ImageFolderDefault), kNotRestored, kNoRange},
    {"InnerMarginK3", Stored(&V::innerMarginK3, kDefaultInnerMargin), 5, kMarginRange},
    {"InnerMarginK7", Stored(&V::innerMarginK7, kDefaultInnerMargin), 4, kMarginRange},
    {"DeviationCornersK7", Stored(&V::deviationCornersK7, 0.05), 6, kFractionRange},
    {"DeviationBlackLowK7", Stored(&V::deviationBlackLowK7, kDefaultDeviationBlackLow), 7, kFractionRange},
    {"DeviationWhiteLowK7", Stored(&V::deviationWhiteLowK7, kDefaultDeviationWhiteLow), 8, kFractionRange},
    {"DeviationBlackLowK3", Stored(&V::deviationBlackLowK3, kDefaultDeviationBlackLow), 9, kFractionRange},
    {"DeviationWhiteLowK3", Stored(&V::deviationWhiteLowK3, kDefaultDeviationWhiteLow), 10, kFractionRange},
    {"DeviationBlackHighK7", Stored(&V::deviationBlackHighK7, kDefaultDeviationBlackHigh), 11, kFractionRange},
    {"DeviationWhiteHighK7", Stored(&V::deviationWhiteHighK7, kDefaultDeviationWhiteHigh), 12, kFractionRange},
    {"DeviationBlackHighK3", Stored(&V::deviationBlackHighK3, kDefaultDeviationBlackHigh), 13, kFractionRange},
    {"DeviationWhiteHighK3", Stored(&V::deviationWhiteHighK3, kDefaultDeviationWhiteHigh), 14, kFractionRange},
    {"ErrorPixels", Stored(&V::errorPixels, 9), 15, kPixelCountRange},
    {"WarningPixels", Stored(&V::warningPixels, 20), 16, kPixelCountRange},
    {"ICMFlag", Stored(&V::icmFlag, true), 17, kNoRange},
    {"JPEGQuality", Stored(&V::jpegQuality, 90), 18, kJpegQualityRange},
};

constexpr bool SameMember(const Field& a, const Field& b) {
  return std::visit(
      [&b](const auto& slot) {
        const auto* other = std::get_if<std::decay_t<decltype(slot)>>(&b.slot);
        return other && other->member == slot.member;
      },
      a.slot);
}

// Two rows with one name or one member would store two values in one place.
consteval bool RowsAreDistinct() {
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    for (std::size_t j = i + 1; j < std::size(kFields); ++j) {
      if (std::string_view(kFields[i].name) == kFields[j].name || SameMember(kFields[i], kFields[j])) return false;
    }
  }
  return true;
}
static_assert(RowsAreDistinct(), "every stored value needs a name and a member of its own");

// A number's default must be one a user could enter too, or the preferences would refuse what "Use
// Defaults" just put there; and every number needs a range.
consteval bool DefaultsLieInTheirRanges() {
  for (const Field& field : kFields) {
    double value = 0.0;
    if (const auto* slot = std::get_if<Slot<int>>(&field.slot)) {
      value = slot->fallback;
    } else if (const auto* slot = std::get_if<Slot<double>>(&field.slot)) {
      value = slot->fallback;
    } else {
      continue;
    }
    if (!(field.range.low < field.range.high) || !field.range.Admits(value)) return false;
  }
  return true;
}
static_assert(DefaultsLieInTheirRanges(), "every number's default lies inside its own range");

consteval std::size_t RestoredCount() {
  std::size_t count = 0;
  for (const Field& field : kFields) count += field.restoreRank != kNotRestored;
  return count;
}

// Row numbers in the order RestoreDefaults(true) writes them. Every rank from 0 on is held by exactly
// one row, so no value is written twice or skipped while the ones after it are written.
consteval std::array<std::size_t, RestoredCount()> MakeRestoreOrder() {
  std::array<std::size_t, RestoredCount()> order{};
  std::array<bool, RestoredCount()> taken{};
  for (std::size_t row = 0; row < std::size(kFields); ++row) {
    const int rank = kFields[row].restoreRank;
    if (rank == kNotRestored) continue;
    // An out-of-range or repeated rank stops the build here.
    if (rank < 0 || static_cast<std::size_t>(rank) >= order.size() || taken[rank]) throw "bad restore rank";
    taken[rank] = true;
    order[rank] = row;
  }
  return order;
}
constexpr auto kRestoreOrder = MakeRestoreOrder();

template <typename>
struct MemberOf;
template <typename T>
struct MemberOf<T V::*> {
  using Type = T;
};

// The row of a member of the record; a member without a row stops the build.
template <auto Member>
consteval std::size_t RowOf() {
  using T = typename MemberOf<decltype(Member)>::Type;
  for (std::size_t row = 0; row < std::size(kFields); ++row) {
    const auto* slot = std::get_if<Slot<T>>(&kFields[row].slot);
    if (slot && slot->member == Member) return row;
  }
  throw "value missing from the table";
}

const Field* FindField(const std::string& name) {
  for (const Field& field : kFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

std::string FieldText(const V& values, const Field& field) {
  return std::visit([&values](const auto& slot) { return FormatText(values.*slot.member); }, field.slot);
}

void AssignDefault(V& values, const Field& field, const SettingsEnvironment& environment) {
  std::visit(
      [&](const auto& slot) {
        if constexpr (std::is_same_v<typename std::decay_t<decltype(slot)>::Type, std::string>) {
          values.*slot.member = slot.fallback(environment);
        } else {
          values.*slot.member = slot.fallback;
        }
      },
      field.slot);
}

void AssignFromText(V& values, const Field& field, const std::string& text) {
  std::visit(
      [&](const auto& slot) {
        using T = typename std::decay_t<decltype(slot)>::Type;
        values.*slot.member = ParseText<T>(text);
      },
      field.slot);
}

// Writes one value of the main group in its stored form; a failed write reports code 1 and returns.
void WriteField(SettingsStorage& storage, const V& values, const Field& field, const SettingsWriteReport& report) {
  if (!storage.Write(kMainGroup, field.name, FieldText(values, field)) && report) report(kRegistryWriteFailed);
}

}  // namespace

template <auto Member, typename T>
void CSettings::Store(const T& value) {
  constexpr std::size_t row = RowOf<Member>();
  values_.get()->*Member = value;
  WriteField(*storage_, *values_, kFields[row], writeFailed_);
}

SettingsEnvironment SettingsEnvironment::FromProcess() {
  SettingsEnvironment environment;
  environment.programFolder = ProgramFolder();
  environment.documentsFolder =
      QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
          .toStdString();
  // The version of the build (the project's version in CMake), shown in the About box.
  environment.productVersion[0] = TINTARA_VERSION_MAJOR;
  environment.productVersion[1] = TINTARA_VERSION_MINOR;
  environment.fileVersion[0] = TINTARA_VERSION_MAJOR;
  environment.fileVersion[1] = TINTARA_VERSION_MINOR;
  environment.fileVersion[2] = TINTARA_VERSION_PATCH;
  environment.fileVersion[3] = TINTARA_VERSION_TWEAK;
  return environment;
}

CSettings::CSettings(std::unique_ptr<SettingsStorage> storage, const SettingsEnvironment& environment,
                     SettingsWriteReport writeFailed)
    : storage_(std::move(storage)),
      values_(std::make_unique<SettingsValues>()),
      environment_(environment),
      writeFailed_(std::move(writeFailed)) {
  // The dialog folders first, then everything "Use Defaults" resets, then what the store holds.
  for (const Field& field : kFields) {
    if (field.restoreRank == kNotRestored) AssignDefault(*values_, field, environment_);
  }
  RestoreDefaults(false);
  for (const Field& field : kFields) {
    const std::optional<std::string> text = storage_->Read(kMainGroup, field.name);
    if (text && text->size() < kValueBufferBytes) {
      AssignFromText(*values_, field, *text);
    } else {
      // Missing: the default goes into the store, which also creates the value.
      WriteField(*storage_, *values_, field, writeFailed_);
    }
  }
}

CSettings::~CSettings() = default;

void CSettings::RestoreDefaults(bool write) {
  for (const Field& field : kFields) {
    if (field.restoreRank != kNotRestored) AssignDefault(*values_, field, environment_);
  }
  if (!write) return;
  for (const std::size_t row : kRestoreOrder) WriteField(*storage_, *values_, kFields[row], writeFailed_);
}

std::string CSettings::ProfileFolder() const { return values_->profileFolder; }
std::string CSettings::LoadProfileFolder() const { return values_->loadProfileFolder; }
std::string CSettings::SaveProfileFolder() const { return values_->saveProfileFolder; }
std::string CSettings::LoadImageFolder() const { return values_->loadImageFolder; }
std::string CSettings::SaveImageFolder() const { return values_->saveImageFolder; }

void CSettings::SetProfileFolder(const std::string& v) { Store<&V::profileFolder>(v); }
void CSettings::SetLoadProfileFolder(const std::string& v) { Store<&V::loadProfileFolder>(v); }
void CSettings::SetSaveProfileFolder(const std::string& v) { Store<&V::saveProfileFolder>(v); }
void CSettings::SetLoadImageFolder(const std::string& v) { Store<&V::loadImageFolder>(v); }
void CSettings::SetSaveImageFolder(const std::string& v) { Store<&V::saveImageFolder>(v); }

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

void CSettings::SetErrorPixels(int v) { Store<&V::errorPixels>(v); }
void CSettings::SetWarningPixels(int v) { Store<&V::warningPixels>(v); }
void CSettings::SetPenaltyFactor(double v) { Store<&V::penaltyFactor>(v); }
void CSettings::SetQualityControl(double v) { Store<&V::qualityControl>(v); }
void CSettings::SetGamma(double v) { Store<&V::gamma>(v); }
void CSettings::SetInnerMarginK7(double v) { Store<&V::innerMarginK7>(v); }
void CSettings::SetInnerMarginK3(double v) { Store<&V::innerMarginK3>(v); }
void CSettings::SetDeviationCornersK7(double v) { Store<&V::deviationCornersK7>(v); }
void CSettings::SetDeviationBlackLowK7(double v) { Store<&V::deviationBlackLowK7>(v); }
void CSettings::SetDeviationWhiteLowK7(double v) { Store<&V::deviationWhiteLowK7>(v); }
void CSettings::SetDeviationBlackLowK3(double v) { Store<&V::deviationBlackLowK3>(v); }
void CSettings::SetDeviationWhiteLowK3(double v) { Store<&V::deviationWhiteLowK3>(v); }
void CSettings::SetDeviationBlackHighK7(double v) { Store<&V::deviationBlackHighK7>(v); }
void CSettings::SetDeviationWhiteHighK7(double v) { Store<&V::deviationWhiteHighK7>(v); }
void CSettings::SetDeviationBlackHighK3(double v) { Store<&V::deviationBlackHighK3>(v); }
void CSettings::SetDeviationWhiteHighK3(double v) { Store<&V::deviationWhiteHighK3>(v); }
void CSettings::SetICMFlag(bool v) { Store<&V::icmFlag>(v); }
void CSettings::SetJPEGQuality(int v) { Store<&V::jpegQuality>(v); }

std::string CSettings::ProductVersionText() const {
  const unsigned* p = environment_.productVersion;
  return std::to_string(p[0]) + "." + std::to_string(p[1]);
}

std::string CSettings::FileVersionText() const {
  const unsigned* f = environment_.fileVersion;
  return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) + "." +
         std::to_string(f[3]);
}

std::string CSettings::PreviousOutline() const {
  return storage_->Read(kMainGroup, kPreviousOutlineName).value_or(std::string());
}

void CSettings::SetPreviousOutline(const std::string& text) {
  if (!storage_->Write(kMainGroup, kPreviousOutlineName, text)) ReportWriteFailure();
}

bool CSettings::OnceMessageShouldShow(int stringId) {
  const std::optional<std::string> text = storage_->Read(kOnceGroup, OnceFlagName(stringId));
  return !text || text->empty() || text->size() > kOnceFlagBufferBytes;
}

void CSettings::SilenceOnceMessage(int stringId) {
  if (!storage_->Write(kOnceGroup, OnceFlagName(stringId), "-1")) ReportWriteFailure();
}

void CSettings::ResetOnceMessages() {
  // A reset that did not reach the store would leave the messages silenced while the user was told
  // nothing; say so as for any other failed write.
  if (!storage_->RemoveGroup(kOnceGroup)) ReportWriteFailure();
}

void CSettings::ReportWriteFailure() const {
  if (writeFailed_) writeFailed_(kRegistryWriteFailed);
}

std::vector<std::pair<std::string, std::string>> CSettings::ValuesInLoadOrder() const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Field& field : kFields) out.emplace_back(field.name, FieldText(*values_, field));
  return out;
}

bool CSettings::TextByName(const std::string& name, std::string& text) const {
  const Field* field = FindField(name);
  if (!field) return false;
  text = FieldText(*values_, *field);
  return true;
}

std::optional<SettingRule> SettingRuleOf(const std::string& name) {
  const Field* field = FindField(name);
  if (!field) return std::nullopt;
  static constexpr SettingKind kKinds[] = {SettingKind::kText, SettingKind::kInteger, SettingKind::kNumber,
                                           SettingKind::kFlag};
  return SettingRule{kKinds[field->slot.index()], field->range};
}

bool CSettings::SetByName(const std::string& name, const std::string& text) {
  const Field* field = FindField(name);
  if (!field) return false;
  AssignFromText(*values_, *field, text);
  WriteField(*storage_, *values_, *field, writeFailed_);
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

// Not through AppMessages(): that would ask for the record being built.
void ShowSettingsWriteFailure(const Error& error) {
  Presenter().ShowMessageBox(StringOrEmpty(33030), ErrorText(error));
}

CSettings& Settings() {
  const std::lock_guard<std::mutex> lock(SettingsMutex());
  std::unique_ptr<CSettings>& slot = SettingsSlot();
  if (!slot) {
    slot = std::make_unique<CSettings>(MakeNativeSettingsStorage(), SettingsEnvironment::FromProcess(),
                                       ShowSettingsWriteFailure);
  }
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
