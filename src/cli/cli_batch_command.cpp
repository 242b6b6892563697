// The batch command: one job over the files named, with one profile.
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

#include "app/settings.h"
#include "base/strings.h"
#include "base/result_codes.h"
#include "base/text_encoding.h"
#include "batch/batch_job.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_presenter.h"
#include "profiles/profile_file.h"

namespace tintara::cli {

int CommandBatch(const GlobalOptions&, const std::vector<std::string>& args) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {"--embed"}, {"--profile", "--dest", "--output", "--jobs"}, error)) return Fail(kExitUsage, error);
  if (!a.Has("--profile") || a.Positionals().empty()) {
    return Fail(kExitUsage, "batch needs --profile P.tnp and at least one FILE");
  }
  BatchOutputRule output = BatchOutputRule::kCopy;
  if (a.Has("--output")) {
    const std::optional<BatchOutputRule> rule = ParseOutputRule(*a.Value("--output"));
    if (!rule) return Fail(kExitUsage, "--output takes Copy, Overwrite or Skip");
    output = *rule;
  }
  // Items are made side by side on this many workers; the results are those of one at a time.
  int jobs = 0;
  if (a.Has("--jobs")) {
    const std::optional<long long> value = ParseInteger(*a.Value("--jobs"));
    if (!value || *value < 1 || *value > kMaxBatchWorkers) {
      return Fail(kExitUsage, "--jobs takes a whole number from 1 to " + std::to_string(kMaxBatchWorkers));
    }
    jobs = static_cast<int>(*value);
  }
  // Without --dest each output goes beside its input.
  const std::string destination = a.Value("--dest").value_or(std::string());
  if (a.Has("--dest") && destination.empty()) return Fail(kExitUsage, "--dest needs a folder");

  CliPresenter presenter;
  const std::string profilePath = *a.Value("--profile");
  ProfileRecord profile;
  const Error read = ReadProfileFile(profilePath, profile);
  // Embedding takes any profile's bytes; only a file that cannot be read at all stops the job here.
  if (read.failed() && read != kForeignProfile) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(kProfileLoadFailed), profilePath));
  }
  if (profile.name.empty()) SetProfileName(profile, ProfileNameFromFile(profilePath));
  ProfileStore store;
  const ProfileId profileId = store.IdAt(store.AddOrReplaceProfile(profile));

  std::vector<BatchItem> items;
  for (const std::string& file : a.Positionals()) {
    BatchItem item;
    item.inputFile = file;
    item.profile = profileId;
    item.operation = a.Has("--embed") ? BatchOperation::kEmbed : BatchOperation::kConvert;
    item.destinationFolder = destination;
    item.output = output;
    items.push_back(item);
  }

  const bool showProgress = isatty(STDERR_FILENO) != 0;
  int failed = 0;
  const BatchObserver show = [&](int index, const BatchOutcome& outcome, int done, int pending) {
    if (outcome.state == BatchState::kProcessing) {
      if (showProgress) std::fprintf(stderr, "\r%d of %d done ", done, pending);
      return;
    }
    if (outcome.state != BatchState::kSucceeded) ++failed;
    if (showProgress) std::fprintf(stderr, "\r%d of %d done \n", done, pending);
    // A file name may hold a line break or a tab; escaped, it cannot pass for a line of its own.
    std::printf("%s\t%s\n", EscapeControlCharacters(StatusText(outcome)).c_str(),
                EscapeControlCharacters(items[index].inputFile).c_str());
    std::fflush(stdout);
  };
  RunBatchJob(items, store, Settings().JPEGQuality(), show, {}, jobs);
  return failed == 0 ? kExitOk : kExitWarning;
}

}  // namespace tintara::cli
