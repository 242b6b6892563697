#pragma once

#include <string>

#include "base/error.h"
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
// Fills `sets` on success; on failure `sets` is empty and the result is kReferenceSourceInvalid
// whose detail says why, beginning with the line ("line 4: set 1 has area 1 twice").
Error ParseReferenceCsv(const std::string& text, ReferenceSetList& sets);

// The CSV text of `sets`; parsing it gives the same sets back.
std::string FormatReferenceCsv(const ReferenceSetList& sets);

// Builds the reference data file `datPath` from the CSV file `csvPath`. The encoded bytes are read
// back and compared before the file is written, and the write replaces `datPath` only once it is
// complete. On failure the detail is the whole line to show, naming the file concerned:
// kReferenceSourceInvalid when the source cannot be read or used ("sets.csv: line 2: ..."),
// kReferenceDataWriteFailed when the result cannot be written ("cannot write out.dat").
Error MakeReferenceDataFile(const std::string& csvPath, const std::string& datPath);

}  // namespace tintara
