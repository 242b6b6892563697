#pragma once

#include <vector>

namespace tintara {

class CTintaraDoc;
class CTintaraView;

// The document windows as the commands on them see the main window: the current one's document and
// view, and every view.
class DocumentWindows {
 public:
  virtual ~DocumentWindows() = default;

  // The current document window's document and view, also while a dialog of the program has the
  // focus (its command works on the document it was started on); nullptr without one.
  virtual CTintaraDoc* ActiveDocument() const = 0;
  virtual CTintaraView* ActiveView() const = 0;
  // The view of every document window.
  virtual std::vector<CTintaraView*> Views() const = 0;
};

}  // namespace tintara
