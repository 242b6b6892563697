#include "app/settings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/scripted_presenter.h"

namespace tintara {
namespace {

using NameTexts = std::vector<std::pair<std::string, std::string>>;

// A store in memory that records every write, so the order and text of writes can be checked. The
// test keeps the shared state after the record has taken the store.
struct MemoryStore {
  std::map<std::string, std::string> values;  // "group/name" -> text
  NameTexts writes;                           // (group/name, text) in write order
  bool failWrites = false;
};

class MemoryStorage : public SettingsStorage {
 public:
  explicit MemoryStorage(std::shared_ptr<MemoryStore> store) : store_(std::move(store)) {}
  std::optional<std::string> Read(const std::string& group, const std::string& name) override {
    const auto it = store_->values.find(group + "/" + name);
    if (it == store_->values.end()) return std::nullopt;
    return it->second;
  }
  bool Write(const std::string& group, const std::string& name, const std::string& text) override {
    store_->writes.emplace_back(group + "/" + name, text);
    if (store_->failWrites) return false;
    store_->values[group + "/" + name] = text;
    return true;
  }
  bool RemoveGroup(const std::string& group) override {
    std::erase_if(store_->values, [&](const auto& kv) { return kv.first.starts_with(group + "/"); });
    return !store_->failWrites;
  }

 private:
  std::shared_ptr<MemoryStore> store_;
};

SettingsEnvironment TestEnvironment() {
  SettingsEnvironment e;
  e.programFolder = "/opt/tintara";
  e.documentsFolder = "/home/ann/Documents";
  e.productVersion[0] = 1;
  e.productVersion[1] = 2;
  for (unsigned i = 0; i < 4; ++i) e.fileVersion[i] = i + 1;
  return e;
}

#ifdef _WIN32
const std::string kImages = "/opt/tintara\\Images";
#else
const std::string kImages = "/opt/tintara/Images";
#endif

// Every value in load order with its default text for TestEnvironment().
const NameTexts kFirstRun = {
    {"/ICCPath", "/home/ann/Documents"}, {"/PenaltyFactor", "0.400000"}, {"/QualityControl", "0.500000"},
    {"/Gamma", "2.200000"}, {"/LoadICCPath", "/home/ann/Documents"}, {"/SaveICCPath", "/home/ann/Documents"},
    {"/LoadImagePath", kImages}, {"/SaveImagePath", kImages}, {"/InnerMarginK3", "5.000000"},
    {"/InnerMarginK7", "5.000000"}, {"/DeviationCornersK7", "0.050000"}, {"/DeviationBlackLowK7", "0.010000"},
    {"/DeviationWhiteLowK7", "0.750000"}, {"/DeviationBlackLowK3", "0.010000"},
    {"/DeviationWhiteLowK3", "0.750000"}, {"/DeviationBlackHighK7", "0.250000"},
    {"/DeviationWhiteHighK7", "0.990000"}, {"/DeviationBlackHighK3", "0.250000"},
    {"/DeviationWhiteHighK3", "0.990000"}, {"/ErrorPixels", "9"}, {"/WarningPixels", "20"},
    {"/ICMFlag", "true"}, {"/JPEGQuality", "90"},
};

class SettingsTest : public ::testing::Test {
 protected:
  std::unique_ptr<CSettings> Make(const SettingsEnvironment& env = TestEnvironment()) {
    return std::make_unique<CSettings>(std::make_unique<MemoryStorage>(store), env, ShowSettingsWriteFailure);
  }
  // Every value present with `text`, except those given in `overrides`.
  void FillStore(const std::map<std::string, std::string>& overrides) {
    for (const auto& [name, text] : kFirstRun) store->values[name] = text;
    for (const auto& [name, text] : overrides) store->values["/" + name] = text;
  }
  test::ScriptedPresenter presenter;
  std::shared_ptr<MemoryStore> store = std::make_shared<MemoryStore>();
};

TEST_F(SettingsTest, FirstRunWritesEveryDefaultInLoadOrder) {
  auto s = Make();
  EXPECT_EQ(store->writes, kFirstRun);
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(s->ValuesInLoadOrder().size(), 23u);

  // Without a documents folder the program folder stands in for every profile folder.
  store = std::make_shared<MemoryStore>();
  SettingsEnvironment env = TestEnvironment();
  env.documentsFolder.clear();
  s = Make(env);
  EXPECT_EQ(s->ProfileFolder(), "/opt/tintara");
  EXPECT_EQ(s->LoadProfileFolder(), "/opt/tintara");
  EXPECT_EQ(s->SaveProfileFolder(), "/opt/tintara");
}

TEST_F(SettingsTest, PresentValuesAreParsedAndNotRewritten) {
  FillStore({{"ICMFlag", "True"}, {"JPEGQuality", "250"}, {"Gamma", ""}, {"ErrorPixels", "abc"},
             {"PenaltyFactor", "1.5xyz"}, {"QualityControl", " -2.5e1"}, {"WarningPixels", "99999999999"},
             {"ICCPath", ""}, {"InnerMarginK7", "-99999999999"}});
  auto s = Make();
  EXPECT_TRUE(store->writes.empty());
  EXPECT_FALSE(s->ICMFlag());
  EXPECT_EQ(store->values["/ICMFlag"], "True");
  EXPECT_EQ(s->JPEGQuality(), 250);
  EXPECT_EQ(s->Gamma(), 0.0);
  EXPECT_EQ(s->ErrorPixels(), 0);
  EXPECT_EQ(s->PenaltyFactor(), 1.5);
  EXPECT_EQ(s->QualityControl(), -25.0);
  EXPECT_EQ(s->WarningPixels(), INT_MAX);
  EXPECT_EQ(s->ProfileFolder(), "");
  EXPECT_EQ(s->InnerMarginK7(), -99999999999.0);

  for (const auto& [text, expected] : std::vector<std::pair<std::string, bool>>{
           {"true", true}, {"1", false}, {"TRUE", false}, {"true ", false}, {"", false}}) {
    FillStore({{"ICMFlag", text}});
    EXPECT_EQ(Make()->ICMFlag(), expected) << '"' << text << '"';
  }
}

TEST_F(SettingsTest, TextTooLongForTheBufferCountsAsMissing) {
  FillStore({{"Gamma", "3" + std::string(2046, ' ')}, {"QualityControl", "3" + std::string(2047, ' ')},
             {"ICCPath", std::string(5000, 'x')}});
  auto s = Make();
  EXPECT_EQ(s->Gamma(), 3.0);  // 2047 bytes still fit with the terminating zero
  EXPECT_EQ(s->QualityControl(), 0.5);
  EXPECT_EQ(s->ProfileFolder(), "/home/ann/Documents");
  EXPECT_EQ(store->writes,
            (NameTexts{{"/ICCPath", "/home/ann/Documents"}, {"/QualityControl", "0.500000"}}));
}

TEST_F(SettingsTest, NumbersUseADecimalPointInAnyLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE")) {
    GTEST_SKIP() << "no German locale installed";
  }
  FillStore({{"Gamma", "1.75"}});
  auto s = Make();
  s->SetPenaltyFactor(0.25);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(s->Gamma(), 1.75);
  EXPECT_EQ(store->values["/PenaltyFactor"], "0.250000");
}

TEST_F(SettingsTest, RestoreDefaultsResetsTunablesButNotDialogFolders) {
  FillStore({{"LoadICCPath", "/a"}, {"SaveICCPath", "/b"}, {"LoadImagePath", "/c"}, {"SaveImagePath", "/d"},
             {"ICCPath", "/e"}, {"Gamma", "1.0"}, {"ICMFlag", "false"}, {"JPEGQuality", "12"}});
  auto s = Make();
  s->RestoreDefaults(false);
  EXPECT_TRUE(store->writes.empty());
  s->RestoreDefaults(true);
  NameTexts expected;
  for (const char* name : {"ICCPath", "PenaltyFactor", "QualityControl", "Gamma", "InnerMarginK7", "InnerMarginK3",
                           "DeviationCornersK7", "DeviationBlackLowK7", "DeviationWhiteLowK7",
                           "DeviationBlackLowK3", "DeviationWhiteLowK3", "DeviationBlackHighK7",
                           "DeviationWhiteHighK7", "DeviationBlackHighK3", "DeviationWhiteHighK3",
                           "ErrorPixels", "WarningPixels", "ICMFlag", "JPEGQuality"}) {
    for (const auto& entry : kFirstRun) {
      if (entry.first == std::string("/") + name) expected.push_back(entry);
    }
  }
  EXPECT_EQ(store->writes, expected);
  EXPECT_EQ(s->LoadProfileFolder(), "/a");
  EXPECT_EQ(s->SaveProfileFolder(), "/b");
  EXPECT_EQ(s->LoadImageFolder(), "/c");
  EXPECT_EQ(s->SaveImageFolder(), "/d");
  EXPECT_EQ(s->Gamma(), 2.2);
  EXPECT_TRUE(s->ICMFlag());
  EXPECT_EQ(s->ProductVersionText(), "1.2");
  EXPECT_EQ(s->FileVersionText(), "1.2.3.4");
}

TEST_F(SettingsTest, ByNameAccessParsesLikeLoading) {
  auto s = Make();
  store->writes.clear();
  EXPECT_TRUE(s->SetByName("PenaltyFactor", "0.4"));
  EXPECT_TRUE(s->SetByName("ICMFlag", "1"));
  EXPECT_TRUE(s->SetByName("ErrorPixels", "-7px"));
  EXPECT_FALSE(s->SetByName("NoSuchValue", "1"));
  EXPECT_EQ(store->writes,
            (NameTexts{{"/PenaltyFactor", "0.400000"}, {"/ICMFlag", "false"}, {"/ErrorPixels", "-7"}}));
  std::string text;
  EXPECT_FALSE(s->TextByName("errorpixels", text));
  s->SetGamma(1e300);  // a huge number still formats in full
  EXPECT_EQ(store->values["/Gamma"].size(), 301u + 7u);
}

// Loading and restoring defaults reach the values through the table, not the named accessors, so a
// setter or getter wired to a neighbouring value would pass every other test. Each value gets a
// number of its own: its place in load order.
TEST_F(SettingsTest, NamedAccessorsReachTheirOwnValues) {
  auto s = Make();
  store->writes.clear();
  s->SetProfileFolder("/1");
  s->SetPenaltyFactor(2);
  s->SetQualityControl(3);
  s->SetGamma(4);
  s->SetLoadProfileFolder("/5");
  s->SetSaveProfileFolder("/6");
  s->SetLoadImageFolder("/7");
  s->SetSaveImageFolder("/8");
  s->SetInnerMarginK3(9);
  s->SetInnerMarginK7(10);
  s->SetDeviationCornersK7(11);
  s->SetDeviationBlackLowK7(12);
  s->SetDeviationWhiteLowK7(13);
  s->SetDeviationBlackLowK3(14);
  s->SetDeviationWhiteLowK3(15);
  s->SetDeviationBlackHighK7(16);
  s->SetDeviationWhiteHighK7(17);
  s->SetDeviationBlackHighK3(18);
  s->SetDeviationWhiteHighK3(19);
  s->SetErrorPixels(20);
  s->SetWarningPixels(21);
  s->SetICMFlag(false);
  s->SetJPEGQuality(23);

  // Each number in the stored form of its value, told apart by the form of its default.
  NameTexts expected;
  for (std::size_t i = 0; i < kFirstRun.size(); ++i) {
    const auto& [name, defaultText] = kFirstRun[i];
    std::string text = std::to_string(i + 1);
    if (defaultText.starts_with('/')) {
      text = "/" + text;
    } else if (defaultText == "true") {
      text = "false";
    } else if (defaultText.find('.') != std::string::npos) {
      text += ".000000";
    }
    expected.emplace_back(name, text);
  }
  EXPECT_EQ(store->writes, expected);

  EXPECT_EQ((std::vector<std::string>{s->ProfileFolder(), s->LoadProfileFolder(), s->SaveProfileFolder(),
                                      s->LoadImageFolder(), s->SaveImageFolder()}),
            (std::vector<std::string>{"/1", "/5", "/6", "/7", "/8"}));
  EXPECT_EQ((std::vector<double>{s->PenaltyFactor(), s->QualityControl(), s->Gamma(), s->InnerMarginK3(),
                                 s->InnerMarginK7(), s->DeviationCornersK7(), s->DeviationBlackLowK7(),
                                 s->DeviationWhiteLowK7(), s->DeviationBlackLowK3(), s->DeviationWhiteLowK3(),
                                 s->DeviationBlackHighK7(), s->DeviationWhiteHighK7(), s->DeviationBlackHighK3(),
                                 s->DeviationWhiteHighK3()}),
            (std::vector<double>{2, 3, 4, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ((std::vector<int>{s->ErrorPixels(), s->WarningPixels(), s->JPEGQuality()}),
            (std::vector<int>{20, 21, 23}));
  EXPECT_FALSE(s->ICMFlag());
}

TEST_F(SettingsTest, FailedWriteReportsCodeOneAndKeepsTheValue) {
  auto s = Make();
  store->failWrites = true;
  s->SetJPEGQuality(55);
  s->SilenceOnceMessage(40700);
  ASSERT_EQ(presenter.Of("box").size(), 2u);
  for (const auto& box : presenter.Of("box")) {
    EXPECT_EQ(box.caption, "Tintara Error");
    EXPECT_EQ(box.text, "Unable to set key in registry.");
  }
  EXPECT_EQ(s->JPEGQuality(), 55);
}

TEST_F(SettingsTest, OnceFlagsCountAnyTextWithData) {
  auto s = Make();
  store->values["OnceMessages/40701"] = "-1";
  store->values["OnceMessages/40702"] = "anything";
  store->values["OnceMessages/40703"] = "";
  store->values["OnceMessages/40704"] = std::string(20, 'x');
  store->values["OnceMessages/40705"] = std::string(21, 'x');
  EXPECT_TRUE(s->OnceMessageShouldShow(40700));
  EXPECT_FALSE(s->OnceMessageShouldShow(40701));
  EXPECT_FALSE(s->OnceMessageShouldShow(40702));
  EXPECT_TRUE(s->OnceMessageShouldShow(40703));
  EXPECT_FALSE(s->OnceMessageShouldShow(40704));
  EXPECT_TRUE(s->OnceMessageShouldShow(40705));
  s->SilenceOnceMessage(40700);
  EXPECT_EQ(store->values["OnceMessages/40700"], "-1");
  s->ResetOnceMessages();
  for (int id = 40700; id <= 40705; ++id) EXPECT_TRUE(s->OnceMessageShouldShow(id)) << id;
  EXPECT_EQ(store->values["/Gamma"], "2.200000");  // the main group is untouched
}

// The remembered outline lives beside the settings: it survives a restart but is no setting the
// command line lists, and a write that fails is reported like any other.
TEST_F(SettingsTest, PreviousOutlineIsKeptBesideTheSettings) {
  auto s = Make();
  EXPECT_EQ(s->PreviousOutline(), "");
  s->SetPreviousOutline("K7 0 400x600 100,100 300,100 300,500 100,500");
  EXPECT_EQ(store->values["/PreviousOutline"], "K7 0 400x600 100,100 300,100 300,500 100,500");
  s = Make();
  EXPECT_EQ(s->PreviousOutline(), "K7 0 400x600 100,100 300,100 300,500 100,500");
  for (const auto& [name, text] : s->ValuesInLoadOrder()) EXPECT_NE(name, "PreviousOutline");
  store->failWrites = true;
  s->SetPreviousOutline("K3 1 10x10 0,0 1,0 1,1 0,1");
  ASSERT_EQ(presenter.Of("box").size(), 1u);
  EXPECT_EQ(presenter.Of("box")[0].text, "Unable to set key in registry.");
}

}  // namespace
}  // namespace tintara
