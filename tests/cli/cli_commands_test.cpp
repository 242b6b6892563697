// tintara-cli's dispatch: the options before the command name, the command chosen by its name, and
// the exit status the command ends with.
#include "cli/cli_commands.h"

#include <gtest/gtest.h>

#include "cli/cli_args.h"
#include "support/run_command.h"
#include "support/test_profiles.h"
#include "support/test_reference_sets.h"

namespace tintara::cli {
namespace {

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

// Run() as main calls it, with what it prints.
Ran RunWith(std::vector<std::string> args) {
  args.insert(args.begin(), "tintara-cli");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  Ran ran;
  ran.status = Run(static_cast<int>(args.size()), argv.data());
  ran.out = ::testing::internal::GetCapturedStdout();
  ran.err = ::testing::internal::GetCapturedStderr();
  return ran;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(CliCommands, NoCommandAnUnknownOneOrAnUnknownOptionIsAUsageError) {
  const Ran help = RunWith({"--help"});
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_EQ(help.out.rfind("usage: tintara-cli [--refdata FILE] COMMAND ...\n", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");

  // Each refusal prints the usage on stderr, nothing on stdout, then says what was wrong.
  const Ran none = RunWith({});
  EXPECT_EQ(none.status, kExitUsage);
  EXPECT_EQ(none.err, help.out);
  EXPECT_EQ(none.out, "");
  const struct {
    std::vector<std::string> args;
    std::string says;
  } refused[] = {
      {{"no-such-command"}, "tintara-cli: unknown command no-such-command\n"},
      {{"make\nrefdata"}, "tintara-cli: unknown command make\\nrefdata\n"},  // on one line
      {{"--bogus", "references"}, "tintara-cli: unknown or incomplete option --bogus\n"},
      {{"--refdata"}, "tintara-cli: unknown or incomplete option --refdata\n"},
  };
  for (const auto& r : refused) {
    const Ran ran = RunWith(r.args);
    EXPECT_EQ(ran.status, kExitUsage) << r.says;
    EXPECT_EQ(ran.err, help.out + r.says);
    EXPECT_EQ(ran.out, "");
  }
  // After the command name an option is the command's, which does not take --refdata.
  const Ran late = RunWith({"references", "--refdata", TINTARA_LUMENO_DAT});
  EXPECT_EQ(late.status, kExitUsage);
  EXPECT_EQ(late.err, "tintara-cli: unknown option --refdata\n");
}

TEST(CliCommands, TheReferenceDataOptionReachesTheCommandAndItsFailureIsTheExitStatus) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("k3.dat"), test::EncodedReferenceSets({test::TestReferenceSet("Only", 3, 1)}));
  const Ran own = RunWith({"--refdata", dir.File("k3.dat"), "references"});
  EXPECT_EQ(own.status, kExitOk) << own.err;
  EXPECT_EQ(own.out, "0\t3\tOnly\n");
  const Ran missing = RunWith({"--refdata", dir.File("none.dat"), "dump-refdata"});
  EXPECT_EQ(missing.status, kExitFailure);
  EXPECT_TRUE(EndsWith(missing.err, "(" + dir.File("none.dat") + ")\n")) << missing.err;
  EXPECT_EQ(missing.out, "");
}

}  // namespace
}  // namespace tintara::cli
