#pragma once

#include <string>

namespace tintara {

// The folder of the running executable, without a trailing separator. Lumeno.dat and the help
// document are looked for there.
std::string ProgramFolder();

// The full path of Lumeno.dat in the program folder.
std::string DefaultReferenceDataPath();

}  // namespace tintara
