#pragma once

class QDialog;
class QDialogButtonBox;

namespace tintara {

// The row every small dialog of the program ends with: "&OK" (the default button, "okButton") and
// "&Cancel" ("cancelButton"), wired to the dialog's accept() and reject(). The caller lays it out.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

}  // namespace tintara
