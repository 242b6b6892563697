#pragma once

#include <string>

#include "engine/reference_data.h"

namespace tintara {

// The readable form of the reference data: a header line "set,name,area,r,g,b,w", then one row per
// colour area. `set` is a running number whose first appearance fixes the order of the sets; `area`
// runs 0..N-1 with N = 30 or 3.
//
// A name may hold any byte, since Lumeno.dat may: in the CSV a backslash is written doubled, a line
// feed, tab and carriage return as \n, \t and \r, and every other control character and every byte
// that is not part of well-formed UTF-8 as \xHH (two hex digits); all other text, UTF-8 beyond ASCII
// included, stands as it is. A name holding a comma or a quote is then written in double quotes with
// inner quotes doubled. The reader undoes exactly this and refuses a raw control character in a name
// (a line break included) and any other backslash sequence, with the line number.
//
// Returns true and fills `sets` on success; on failure returns false and says why (with the line
// number) in `error`.
bool ParseReferenceCsv(const std::string& text, ReferenceSetList& sets, std::string& error);

// The CSV text of `sets`; parsing it gives the same sets back.
std::string FormatReferenceCsv(const ReferenceSetList& sets);

// Builds the reference data file `datPath` from the CSV file `csvPath`. The encoded bytes are read
// back and compared before the file is written, and the write replaces `datPath` only once it is
// complete. Returns false and says why in `error`.
bool MakeReferenceDataFile(const std::string& csvPath, const std::string& datPath, std::string& error);

}  // namespace tintara
