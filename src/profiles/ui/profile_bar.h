#pragma once

#include <QToolBar>
#include <optional>

#include "card/card_model.h"
#include "engine/reference_data.h"
#include "profiles/profile_store.h"

class QComboBox;

namespace tintara {

// The second bar of the main window: "Profile:" with the profiles of the store and "Reference:"
// with the reference sets that fit the card model. Both lists sort their entries by text; a profile
// entry carries its profile's identity in the store and a reference entry its set's position in the
// reference list, so what an entry stands for never depends on where sorting put it, nor on its
// text (two profiles can read alike: "cardB (x)" undescribed and "cardB" described as "x").
class CProfileBar : public QToolBar {
  Q_OBJECT

 public:
  explicit CProfileBar(QWidget* parent = nullptr);

  QComboBox* profileBox() const { return profileBox_; }
  QComboBox* referenceBox() const { return referenceBox_; }

  // Refills "Profile:" from the store: the profile selected before is selected again while the store
  // still has it, otherwise the first entry. The drop-down list is made as wide as its widest entry, at most
  // kMaxDropDownWidth pixels.
  void FillProfiles(const ProfileStore& store);
  // Refills "Reference:" with the sets of `model`'s size. After a change of model the first set of
  // the list (in list order) is selected, otherwise the one selected before, else the first entry.
  void FillReferences(const ReferenceSetList& sets, CardModel model);

  // The selected profile (kNoProfile when none is), and the position in the reference list of the
  // selected set (-1 when none is).
  ProfileId SelectedProfileId() const;
  int SelectedReferenceIndex() const;
  // Selects the entry standing for the profile `id`; false when there is none.
  bool SelectProfile(ProfileId id);

  // The width the "Profile:" drop-down list opens with.
  int ProfileDropDownWidth() const;
  static constexpr int kMaxDropDownWidth = 600;

 signals:
  void profileSelectionChanged();
  void referenceSelectionChanged();

 private:
  QComboBox* profileBox_;
  QComboBox* referenceBox_;
  std::optional<CardModel> referenceModel_;  // the model of the last filling; none before the first
};

}  // namespace tintara
