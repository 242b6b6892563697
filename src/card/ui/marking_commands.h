#pragma once

#include <QObject>

#include "card/card_model.h"
#include "engine/reference_data.h"

class QMainWindow;

namespace tintara {

class CImageCommands;
class CommandRegistry;
class CProfileMenu;
class CTintaraView;
class DocumentWindows;

// The marking commands: the card models (Lumeno K7 and K3, and the Mark tool with the model in use),
// Unmark, 180° Selection, Use Previous Outline, Create Profile and Quality Report, each on the card
// marking of the active view. The card model is shared by all views: every view's marking is made
// with it, a model command hands it to all of them, and "Reference:" lists the sets of its size.
class CMarkingCommands : public QObject {
  Q_OBJECT

 public:
  // Registers the commands. The tool comes from the image commands; Create Profile adds to the
  // profile menu's store and measures against the chosen set of `references`; the quality report
  // docks in `window`. All of them must outlive the commands.
  CMarkingCommands(CommandRegistry& commands, const DocumentWindows& windows, CImageCommands& image,
                   CProfileMenu& profiles, const ReferenceSetList& references, QMainWindow& window,
                   QObject* parent = nullptr);

  // Gives a new document window's view its card marking.
  void AttachView(CTintaraView& view);

  CardModel cardModel() const { return cardModel_; }
  // Lumeno K7 / K3: the Mark tool with that model on every view (the active view's outline is laid
  // out for it), and "Reference:" refilled for it.
  void ChooseCardModel(CardModel model);

  // Refills "Reference:" with the sets that fit the card model.
  void RefillReferenceBox();
  // The position in the reference list of the selected "Reference:" entry; -1 when none is.
  int SelectedReferenceIndex() const;

 private:
  void RegisterModelCommands();
  void RegisterOutlineCommands();

  CommandRegistry& commands_;
  const DocumentWindows& windows_;
  CImageCommands& image_;
  CProfileMenu& profiles_;
  const ReferenceSetList& references_;
  QMainWindow& window_;
  CardModel cardModel_ = CardModel::K7;
};

}  // namespace tintara
