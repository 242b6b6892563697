# Installation of the programs, the reference data, the help document and the desktop entry.
