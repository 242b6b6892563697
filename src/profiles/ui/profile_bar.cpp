#include "profiles/ui/profile_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QSignalBlocker>
#include <QVariant>
#include <algorithm>
#include <utility>
#include <vector>

#include "base/ui/ui_text.h"
#include "profiles/profile_file.h"

namespace tintara {

namespace {

using Entry = std::pair<QString, QVariant>;  // text, what it stands for (profile identity, set position)

// The order of a sorted list: letters before case, so "alpha" and "Beta" sort as a reader expects;
// texts that differ only in case keep a fixed order.
bool EntryLess(const Entry& a, const Entry& b) {
  const int folded = a.first.compare(b.first, Qt::CaseInsensitive);
  if (folded != 0) return folded < 0;
  return a.first < b.first;
}

// Empties `box` and adds the entries in sorted order, each with what it stands for as item data;
// then selects the entry `keep` finds, else the first. Emits no change signal of its own.
template <typename Keep>
void FillSorted(QComboBox* box, std::vector<Entry> entries, Keep keep) {
  std::stable_sort(entries.begin(), entries.end(), EntryLess);
  const QSignalBlocker blocker(box);
  box->clear();
  for (const Entry& entry : entries) box->addItem(entry.first, entry.second);
  const int kept = keep(box);
  box->setCurrentIndex(kept >= 0 ? kept : (box->count() > 0 ? 0 : -1));
}

// The entry with the text selected before, found again after a refill. (A reference set may have
// an empty name, so "nothing to keep" is not the empty text.)
auto KeepText(const std::optional<QString>& text) {
  return [text](const QComboBox* box) { return text ? box->findText(*text, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1; };
}

std::optional<QString> SelectedText(const QComboBox* box) {
  if (box->currentIndex() < 0) return std::nullopt;
  return box->currentText();
}

int SelectedData(const QComboBox* box) {
  if (box->currentIndex() < 0) return -1;
  bool ok = false;
  const int index = box->currentData().toInt(&ok);
  return ok ? index : -1;
}

QVariant IdData(ProfileId id) { return QVariant::fromValue<qulonglong>(id); }

}  // namespace

CProfileBar::CProfileBar(QWidget* parent) : QToolBar(tr("Profile Bar"), parent) {
  // The bar state is stored by object name.
  setObjectName("ProfileBar");
  auto* profileLabel = new QLabel(tr("Profile:"), this);
  profileBox_ = new QComboBox(this);
  profileBox_->setObjectName("ProfileBox");
  profileBox_->setMinimumContentsLength(28);
  profileBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  profileLabel->setBuddy(profileBox_);
  auto* referenceLabel = new QLabel(tr("Reference:"), this);
  referenceBox_ = new QComboBox(this);
  referenceBox_->setObjectName("ReferenceBox");
  referenceBox_->setMinimumContentsLength(18);
  referenceBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  referenceLabel->setBuddy(referenceBox_);

  profileLabel->setContentsMargins(4, 0, 4, 0);
  referenceLabel->setContentsMargins(12, 0, 4, 0);
  addWidget(profileLabel);
  addWidget(profileBox_);
  addWidget(referenceLabel);
  addWidget(referenceBox_);

  connect(profileBox_, &QComboBox::currentIndexChanged, this, &CProfileBar::profileSelectionChanged);
  connect(referenceBox_, &QComboBox::currentIndexChanged, this, &CProfileBar::referenceSelectionChanged);
}

void CProfileBar::FillProfiles(const ProfileStore& store) {
  const ProfileId keep = SelectedProfileId();
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(store.Count()));
  for (int i = 0; i < store.Count(); ++i) {
    entries.emplace_back(ui::ToQString(ProfileBoxText(store.At(i))), IdData(store.IdAt(i)));
  }
  FillSorted(profileBox_, std::move(entries), [keep](const QComboBox* box) { return box->findData(IdData(keep)); });

  const QFontMetrics metrics(profileBox_->view()->font());
  int widest = 0;
  for (int i = 0; i < profileBox_->count(); ++i) {
    widest = std::max(widest, metrics.horizontalAdvance(profileBox_->itemText(i)) + metrics.averageCharWidth());
  }
  profileBox_->view()->setMinimumWidth(std::min(widest, kMaxDropDownWidth));
  emit profileSelectionChanged();
}

void CProfileBar::FillReferences(const ReferenceSetList& sets, CardModel model) {
  std::optional<QString> keep;
  const bool modelChanged = referenceModel_ != model;
  if (!modelChanged) keep = SelectedText(referenceBox_);
  referenceModel_ = model;

  std::vector<Entry> entries;
  for (size_t i = 0; i < sets.size(); ++i) {
    if (!FitsCardModel(sets[i], model)) continue;
    entries.emplace_back(ui::ToQString(sets[i].name), static_cast<int>(i));
    if (modelChanged && entries.size() == 1) keep = entries.front().first;
  }
  FillSorted(referenceBox_, std::move(entries), KeepText(keep));
  emit referenceSelectionChanged();
}

ProfileId CProfileBar::SelectedProfileId() const {
  if (profileBox_->currentIndex() < 0) return kNoProfile;
  return profileBox_->currentData().toULongLong();
}

int CProfileBar::SelectedReferenceIndex() const { return SelectedData(referenceBox_); }

bool CProfileBar::SelectProfile(ProfileId id) {
  if (id == kNoProfile) return false;
  const int entry = profileBox_->findData(IdData(id));
  if (entry < 0) return false;
  profileBox_->setCurrentIndex(entry);
  return true;
}

int CProfileBar::ProfileDropDownWidth() const { return profileBox_->view()->minimumWidth(); }

}  // namespace tintara
