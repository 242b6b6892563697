#include "card/ui/create_profile_command.h"

#include <QMainWindow>

#include "app/messages.h"
#include "app/settings.h"
#include "base/ui/override_cursor.h"
#include "card/profile_quality.h"
#include "card/ui/card_in_sight.h"
#include "card/ui/marking_tool.h"
#include "card/ui/quality_report_dock.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"
#include "profiles/profile_file.h"
#include "profiles/ui/profile_bar.h"
#include "profiles/ui/profile_commands.h"

namespace tintara {

namespace {

// The wait cursor for the length of the command, but not over the boxes it shows on the way: a box
// waits for the user, and an hourglass over it would say the opposite. Every question goes through
// this presenter, which hands it on to the one installed before.
class WaitCursorPresenter final : public MessagePresenter {
 public:
  WaitCursorPresenter() : inner_(&Presenter()) { SetPresenter(this); }
  ~WaitCursorPresenter() override { SetPresenter(inner_); }
  WaitCursorPresenter(const WaitCursorPresenter&) = delete;
  WaitCursorPresenter& operator=(const WaitCursorPresenter&) = delete;

  void ShowMessageBox(const std::string& caption, const std::string& text) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    inner_->ShowMessageBox(caption, text);
  }
  void ShowStatus(const std::string& text) override { inner_->ShowStatus(text); }
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->ShowOnceDialog(text, choice);
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskYesNo(caption, text);
  }
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskYesNoCancel(caption, text);
  }
  DescriptionAnswer AskDescription(const std::string& initial) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskDescription(initial);
  }
  FileDialogAnswer AskFiles(const FileDialogRequest& request) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskFiles(request);
  }
  std::optional<std::string> AskFolder(const std::string& title, const std::string& initial) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskFolder(title, initial);
  }
  std::optional<int> AskJpegQuality(int initial) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskJpegQuality(initial);
  }
  std::optional<int> AskZoomPercent(int initial, int low, int high) override {
    const ScopedOverrideCursor asking(Qt::ArrowCursor);
    return inner_->AskZoomPercent(initial, low, high);
  }

 private:
  MessagePresenter* inner_;
  const ScopedOverrideCursor wait_{Qt::WaitCursor};
};

}  // namespace

CreateProfileCommandResult RunCreateProfileCommand(CTintaraDoc& document, CMarkingTool& marking, CProfileMenu& profiles,
                                                   const ReferenceSetList& references, int referenceIndex,
                                                   QMainWindow& window) {
  CreateProfileCommandResult result;
  WaitCursorPresenter wait;
  const CKeepCardInSight keepCardInSight(marking);
  CTintaraView& view = marking.view();

  CreateProfileInputs inputs;
  inputs.image = &document.image();
  inputs.documentHasEmbeddedProfile = document.HasEmbeddedProfile();
  inputs.documentFileName = document.fileName();
  inputs.selection = &marking.selection();
  inputs.references = &references;
  inputs.referenceIndex = referenceIndex;
  inputs.checks = CardCheckSettingsOf(Settings());
  inputs.fit = FitParametersOf(Settings());
  // Painted now, not when the event loop next runs: the message box that follows would otherwise
  // ask about crosses the user cannot see yet.
  inputs.beforeFinding = [&view] { view.viewport()->repaint(); };

  ProfileStore& store = profiles.store();
  EngineContext engine;
  result.outcome = RunCreateProfile(inputs, store, engine, AppMessages());
  // Sampling set the crosses on every path, also when the run stopped.
  view.viewport()->update();
  if (result.outcome.result != CreateProfileResult::kCreated) return result;

  const int index = result.outcome.storeIndex;
  const ProfileId id = store.IdAt(index);
  profiles.RefillProfileBox();
  profiles.bar().SelectProfile(id);

  const ProfileRecord& record = store.At(index);
  if (const CardLayout* layout = marking.selection().Layout()) {
    const ProfileQualityReport quality =
        MeasureProfileQuality(*layout, result.outcome.workingReference, record.transform, engine.exposure);
    result.report = MakeQualityReportData(*layout, quality, record.name, ProfileBoxText(record));
    CQualityReportDock* dock = CQualityReportDock::In(window);
    dock->show();  // first, so that the first report can size the dock it is in
    dock->SetReport(*result.report);
    dock->raise();
    marking.SetMarkedAreas(quality.worstMatched);
  }

  if (result.outcome.saveRequested) {
    SaveProfileAsCommand(store, index);
    // A save gives the entry its file's name; the new profile stays the selected one.
    profiles.RefillProfileBox();
    profiles.bar().SelectProfile(id);
  }
  return result;
}

}  // namespace tintara
