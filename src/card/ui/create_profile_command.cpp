#include "card/ui/create_profile_command.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMainWindow>

#include "app/messages.h"
#include "app/settings.h"
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
  WaitCursorPresenter()
      : inner_(&Presenter()), active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    SetPresenter(this);
    if (active_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~WaitCursorPresenter() override {
    if (active_) QGuiApplication::restoreOverrideCursor();
    SetPresenter(inner_);
  }
  WaitCursorPresenter(const WaitCursorPresenter&) = delete;
  WaitCursorPresenter& operator=(const WaitCursorPresenter&) = delete;

  void ShowMessageBox(const std::string& caption, const std::string& text) override {
    Asking asking(active_);
    inner_->ShowMessageBox(caption, text);
  }
  void ShowStatus(const std::string& text) override { inner_->ShowStatus(text); }
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) override {
    Asking asking(active_);
    return inner_->ShowOnceDialog(text, choice);
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    Asking asking(active_);
    return inner_->AskYesNo(caption, text);
  }
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override {
    Asking asking(active_);
    return inner_->AskYesNoCancel(caption, text);
  }
  DescriptionAnswer AskDescription(const std::string& initial) override {
    Asking asking(active_);
    return inner_->AskDescription(initial);
  }
  FileDialogAnswer AskFiles(const FileDialogRequest& request) override {
    Asking asking(active_);
    return inner_->AskFiles(request);
  }
  std::optional<std::string> AskFolder(const std::string& title, const std::string& initial) override {
    Asking asking(active_);
    return inner_->AskFolder(title, initial);
  }
  std::optional<int> AskJpegQuality(int initial) override {
    Asking asking(active_);
    return inner_->AskJpegQuality(initial);
  }
  std::optional<int> AskZoomPercent(int initial, int low, int high) override {
    Asking asking(active_);
    return inner_->AskZoomPercent(initial, low, high);
  }

 private:
  // The ordinary cursor while a box is up, the wait cursor again once it has closed.
  class Asking {
   public:
    explicit Asking(bool active) : active_(active) {
      if (active_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~Asking() {
      if (active_) QGuiApplication::restoreOverrideCursor();
    }
    Asking(const Asking&) = delete;
    Asking& operator=(const Asking&) = delete;

   private:
    bool active_;
  };

  MessagePresenter* inner_;
  bool active_;
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
