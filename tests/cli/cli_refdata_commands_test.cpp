// tintara-cli's reference data commands: listing the sets, and the readable form of Lumeno.dat.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/reference_data.h"
#include "support/run_command.h"
#include "support/test_profiles.h"
#include "support/test_reference_sets.h"

namespace tintara::test {
namespace {

const std::string kLumenoDat = TINTARA_LUMENO_DAT;

CommandResult Cli(const std::vector<std::string>& args) { return RunCli(args); }

TEST(CliReferences, ListsTheBundledSetsInFileOrder) {
  const CommandResult all = Cli({"references"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out,
            "0\t30\tLumeno K7 Standard (8-bit)\n1\t30\tLumeno K7 Studio (16-bit)\n2\t3\tLumeno K3 Grey\n");
  const CommandResult k3 = Cli({"references", "--card", "K3"});
  EXPECT_EQ(k3.out, "2\t3\tLumeno K3 Grey\n");
  EXPECT_EQ(Cli({"references", "--card", "K5"}).exitCode, 64);
  EXPECT_EQ(Cli({"references", "extra"}).exitCode, 64);
}

TEST(CliReferences, MissingOrCorruptReferenceDataIsReportedWithItsPath) {
  TempDir dir;
  // A file the user named is not Lumeno.dat in the program folder.
  const CommandResult missing = Cli({"--refdata", dir.File("none.dat"), "references"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(missing.err, "tintara-cli: the reference data file cannot be opened (" + dir.File("none.dat") + ")\n");
  EXPECT_EQ(Cli({"dump-refdata", dir.File("none.dat")}).err, missing.err);
  WriteFileText(dir.File("bad.dat"), "LNIF\x02");
  const CommandResult corrupt = Cli({"--refdata", dir.File("bad.dat"), "references"});
  EXPECT_EQ(corrupt.exitCode, 2);
  EXPECT_NE(corrupt.err.find("The file 'Lumeno.dat' is corrupt.\n\nProgram exiting..."), std::string::npos);
}

TEST(CliRefdata, DumpThenMakeGivesTheSameBytes) {
  TempDir dir;
  const CommandResult dump = Cli({"dump-refdata"});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  WriteFileText(dir.File("sets.csv"), dump.out);
  const CommandResult make = Cli({"make-refdata", dir.File("sets.csv"), dir.File("again.dat")});
  ASSERT_EQ(make.exitCode, 0) << make.err;
  EXPECT_EQ(ReadFileText(dir.File("again.dat")), ReadFileText(kLumenoDat));

  // The rebuilt file serves through --refdata like the bundled one; a K3-only file lists one set.
  WriteFileText(dir.File("k3.csv"), "set,name,area,r,g,b,w\n1,Only,0,250,250,250,100\n1,Only,1,128,128,128,100\n"
                                    "1,Only,2,20,20,20,100\n");
  ASSERT_EQ(Cli({"make-refdata", dir.File("k3.csv"), dir.File("k3.dat")}).exitCode, 0);
  EXPECT_EQ(Cli({"--refdata", dir.File("k3.dat"), "references"}).out, "0\t3\tOnly\n");

  // A broken source is reported and leaves the existing target alone.
  WriteFileText(dir.File("broken.csv"), "set,name,area,r,g,b,w\n1,X,0,1,2\n");
  const CommandResult broken = Cli({"make-refdata", dir.File("broken.csv"), dir.File("k3.dat")});
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_NE(broken.err.find("line 2"), std::string::npos) << broken.err;
  EXPECT_EQ(Cli({"--refdata", dir.File("k3.dat"), "references"}).out, "0\t3\tOnly\n");
  EXPECT_EQ(Cli({"make-refdata", dir.File("k3.csv")}).exitCode, 64);
}

// Lumeno.dat may hold any byte in a name: the readable form must carry it through, and no listing
// may let a name break its line.
TEST(CliRefdata, NamesOfAnyByteSurviveDumpAndMakeAndListOnOneLine) {
  TempDir dir;
  ReferenceSetList sets = {test::TestReferenceSet("a,b \"q\"\nSucceeded\tx\x01\x7F\xE9\\n \xC3\xA9", 3, 1),
                           test::TestReferenceSet("plain", 30, 2)};
  WriteFileBytes(dir.File("odd.dat"), test::EncodedReferenceSets(sets));
  const CommandResult dump = Cli({"dump-refdata", dir.File("odd.dat")});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  WriteFileText(dir.File("odd.csv"), dump.out);
  ASSERT_EQ(Cli({"make-refdata", dir.File("odd.csv"), dir.File("again.dat")}).exitCode, 0);
  EXPECT_EQ(ReadFileText(dir.File("again.dat")), ReadFileText(dir.File("odd.dat")));

  EXPECT_EQ(Cli({"--refdata", dir.File("odd.dat"), "references"}).out,
            "0\t3\ta,b \"q\"\\nSucceeded\\tx\\x01\\x7F\\xE9\\\\n \xC3\xA9\n1\t30\tplain\n");

  // Written by hand, a raw control character in a name is refused with its line.
  WriteFileText(dir.File("raw.csv"), "set,name,area,r,g,b,w\n1,Only,0,1,1,1,100\n1,Only,1,1,1,1,100\n"
                                     "1,Only,2,1,1,1,100\n2,\"Two\nlines\",0,1,1,1,100\n");
  const CommandResult raw = Cli({"make-refdata", dir.File("raw.csv"), dir.File("raw.dat")});
  EXPECT_EQ(raw.exitCode, 2);
  EXPECT_NE(raw.err.find("line 5: the name holds a control character; write it as \\n"), std::string::npos)
      << raw.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("raw.dat")));
}

}  // namespace
}  // namespace tintara::test
