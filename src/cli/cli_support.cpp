#include "cli/cli_support.h"

#include "base/strings.h"
#include "base/file_io.h"
#include "base/result_codes.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"

namespace tintara::cli {

int CheckOutputFile(const std::string& output, const std::vector<std::string>& inputs) {
  if (IsReadOnlyFile(output)) {
    // The desktop program asks whether to replace such a file; a command line does not ask.
    const std::string question = StringOrEmpty(40511);
    return Fail(kExitFailure, WithPath(question.substr(0, question.find('\n')), output));
  }
  for (const std::string& input : inputs) {
    if (IsSameFile(output, input)) return Fail(kExitFailure, WithPath(ErrorCodeText(kOutputIsAnInput), output));
  }
  return kExitOk;
}

std::string CliErrorText(const Error& error) {
  const std::string text = ErrorCodeText(error.code());
  return error.detail().empty() ? text : WithPath(text, error.detail());
}

}  // namespace tintara::cli
