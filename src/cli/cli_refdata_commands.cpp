// Commands over the reference data: listing the sets, and converting between Lumeno.dat and its
// readable CSV form.
#include <cstdio>
#include <optional>

#include "app/program_folder.h"
#include "base/file_io.h"
#include "base/result_codes.h"
#include "base/text_encoding.h"
#include "card/card_model.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_support.h"
#include "engine/reference_csv.h"
#include "engine/reference_data.h"

namespace tintara::cli {

int LoadReferenceSets(const std::string& path, ReferenceSetList& sets) {
  const Error loaded = LoadReferenceData(sets, path);
  if (loaded.ok()) return kExitOk;
  // The system's message speaks of Lumeno.dat in the program folder, which is wrong for a file the
  // user named.
  if (loaded == kReferenceDataMissing && path != DefaultReferenceDataPath()) {
    return Fail(kExitFailure, WithPath("the reference data file cannot be opened", path));
  }
  return Fail(kExitFailure, CliErrorText(ConcerningFile(loaded, path)));
}

int CommandReferences(const GlobalOptions& global, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, {"--card"}, error)) return Fail(kExitUsage, error);
  if (!a.Positionals().empty()) return Fail(kExitUsage, "references takes no file");
  std::optional<CardModel> wanted;
  if (auto card = a.Value("--card")) {
    if (*card == "K7") {
      wanted = CardModel::K7;
    } else if (*card == "K3") {
      wanted = CardModel::K3;
    } else {
      return Fail(kExitUsage, "--card takes K7 or K3");
    }
  }
  ReferenceSetList sets;
  if (int status = LoadReferenceSets(global.referenceDataPath, sets)) return status;
  for (size_t i = 0; i < sets.size(); ++i) {
    if (wanted && !FitsCardModel(sets[i], *wanted)) continue;
    std::printf("%zu\t%d\t%s\n", i, sets[i].EntryCount(), EscapeControlCharacters(sets[i].name).c_str());
  }
  return kExitOk;
}

int CommandMakeRefdata(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, {}, error)) return Fail(kExitUsage, error);
  if (a.Positionals().size() != 2) return Fail(kExitUsage, "make-refdata needs SOURCE.csv OUT.dat");
  if (int status = CheckOutputFile(a.Positionals()[1], {a.Positionals()[0]})) return status;
  // The detail is the whole line: the file concerned and what is wrong with it.
  const Error made = MakeReferenceDataFile(a.Positionals()[0], a.Positionals()[1]);
  return made.ok() ? kExitOk : Fail(kExitFailure, made.detail());
}

int CommandDumpRefdata(const GlobalOptions& global, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, {}, error)) return Fail(kExitUsage, error);
  if (a.Positionals().size() > 1) return Fail(kExitUsage, "dump-refdata takes at most one file");
  const std::string path = a.Positionals().empty() ? global.referenceDataPath : a.Positionals()[0];
  ReferenceSetList sets;
  if (int status = LoadReferenceSets(path, sets)) return status;
  std::fputs(FormatReferenceCsv(sets).c_str(), stdout);
  return kExitOk;
}

}  // namespace tintara::cli
