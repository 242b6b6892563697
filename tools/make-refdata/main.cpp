// make-refdata SOURCE.csv OUT.dat
//
// Builds the binary reference data file from its readable CSV source; the build runs it to put
// Lumeno.dat beside the executables.
#include <cstdio>
#include <string>

#include "engine/reference_csv.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: make-refdata SOURCE.csv OUT.dat\n", stderr);
    return 64;
  }
  // The detail is the whole line: the file concerned and what is wrong with it.
  const tintara::Error made = tintara::MakeReferenceDataFile(argv[1], argv[2]);
  if (made.failed()) {
    std::fprintf(stderr, "make-refdata: %s\n", made.detail().c_str());
    return 2;
  }
  return 0;
}
