#pragma once

#include "base/messages.h"

namespace tintara {

// The presenter the two shells (the desktop program and the command line) show through; a console
// presenter until another is installed. Flows of the core never reach for it: they are handed a
// presenter, or the Messages built on it, by the shell that runs them. Not owned.
MessagePresenter& Presenter();
void SetPresenter(MessagePresenter* presenter);  // nullptr restores the console presenter

// The message convention over the installed presenter and the process's settings record.
Messages AppMessages();

// Whether the application ends after the message of this code is shown: without the reference data
// (a missing or corrupt Lumeno.dat) nothing can be measured. Decided here, by the shells, never by
// the flow that met the code.
bool ErrorCodeEndsProgram(int code);

}  // namespace tintara
