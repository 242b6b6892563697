#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "app/ui/child_frame.h"
#include "base/ui/commands.h"
#include "app/ui/main_frame.h"
#include "card/ui/marking_tool.h"
#include "engine/reference_data.h"
#include "image/ui/tintara_view.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"

namespace tintara::test {

// The main window over the real reference data with a photograph of a K7 card drawn by render-card
// open in it, every box answered by the script. The card is marked through the selection itself.
class CardWindowTest : public PrivateSettingsTest {
 protected:
  void SetUp() override {
    PrivateSettingsTest::SetUp();
    Settings().SilenceOnceMessage(40706);  // the hint after opening an image
    frameStore_ = MakeFileSettingsStorage(dir_.File("frame.ini"));
    ASSERT_EQ(LoadReferenceData(references_, TINTARA_LUMENO_DAT), 0);
    frame_ = std::make_unique<CMainFrame>(profiles_, references_, *frameStore_, dir_.path());
    frame_->show();
    frame_->RefillProfileBox();
    frame_->RefillReferenceBox();
  }

  // Draws the card (render-card prints the three corner clicks), opens it and marks it.
  void OpenCard(const std::string& name = "card.tif", const std::vector<std::string>& extra = {}) {
    photo_ = dir_.File(name);
    std::vector<std::string> args{"--refdata", TINTARA_LUMENO_DAT, "--size", "900x700",  "--camera-gamma",
                                  "1.15,1.0,0.9", "--noise", "1.5", "-o", photo_};
    args.insert(args.end(), extra.begin(), extra.end());
    const CommandResult drawn = RunCommand(TINTARA_RENDER_CARD, args);
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
    corners_ = drawn.out.substr(0, drawn.out.find('\n'));
    double c[6];
    ASSERT_EQ(std::sscanf(corners_.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]), 6);
    ASSERT_TRUE(frame_->OpenDocumentFile(photo_));
    ASSERT_FALSE(frame_->Action(cmd::kCreateProfile)->isEnabled()) << "no outline yet";
    CardSelection& selection = Marking().selection();
    for (int i = 0; i < 3; ++i) selection.AddCorner(c[2 * i], c[2 * i + 1]);
    frame_->UpdateCommandUI();
  }

  // The card marking of the active photograph's view.
  CMarkingTool& Marking() const { return *CMarkingTool::Of(*frame_->ActiveView()); }

  void CreateProfile() {
    QAction* action = frame_->Action(cmd::kCreateProfile);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
  }

  std::vector<std::string> Statuses() const {
    std::vector<std::string> out;
    for (const auto& s : presenter_.Of("status")) out.push_back(s.text);
    return out;
  }

  ScriptedPresenter presenter_;
  TempDir dir_;
  std::unique_ptr<SettingsStorage> frameStore_;
  ProfileStore profiles_;
  ReferenceSetList references_;
  std::unique_ptr<CMainFrame> frame_;
  std::string photo_;
  std::string corners_;  // as render-card printed them: X0,Y0,X1,Y1,X2,Y2
};

}  // namespace tintara::test
