#include "engine/reference_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/result_codes.h"
#include "support/run_command.h"
#include "support/test_reference_sets.h"

namespace tintara {
namespace {

TEST(ReferenceCsvTest, FormatThenParseIsLosslessForNamesOfAnyByte) {
  ReferenceSetList sets = test::TestReferenceSets();
  sets[1].name = "Studio, \"warm\"\nsecond line \\x41 \xC3\xA9";
  // Every byte value but one, the longest name the file holds: controls, stray UTF-8 bytes and all.
  sets[2].name.clear();
  for (int b = 0; b < 255; ++b) sets[2].name += static_cast<char>(b);
  const std::string csv = FormatReferenceCsv(sets);
  ReferenceSetList parsed;
  const Error error = ParseReferenceCsv(csv, parsed);
  ASSERT_TRUE(error.ok()) << error.detail();
  EXPECT_EQ(parsed, sets);
  EXPECT_EQ(FormatReferenceCsv(parsed), csv);
  // One line per row: no byte of a name breaks a line, and UTF-8 beyond ASCII stays readable.
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 30 + 3 + 30);
  EXPECT_NE(csv.find("2,\"Studio, \"\"warm\"\"\\nsecond line \\\\x41 \xC3\xA9\",0,"), std::string::npos) << csv;
}

TEST(ReferenceCsvTest, AcceptsCrlfInterleavedRowsAndNoFinalNewline) {
  const std::string csv =
      "set,name,area,r,g,b,w\r\n"
      "7,\"B, grey\",2,1,1,1,100\r\n"
      "3,A,0,10,20,30,100\r\n"
      "\r\n"
      "7,\"B, grey\",0,3,3,3,100\r\n"
      "3,A,2,12,22,32,100\r\n"
      "7,\"B, grey\",1,2,2,2,100\r\n"
      "3,A,1,11,21,65535,0";
  ReferenceSetList sets;
  const Error error = ParseReferenceCsv(csv, sets);
  ASSERT_TRUE(error.ok()) << error.detail();
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].name, "B, grey");  // order of first appearance, not of set number
  EXPECT_EQ(sets[0].entries[0], (ReferenceEntry{3, 3, 3, 100}));
  EXPECT_EQ(sets[1].name, "A");
  EXPECT_EQ(sets[1].entries[1], (ReferenceEntry{11, 21, 65535, 0}));
}

TEST(ReferenceCsvTest, ErrorsNameTheOffendingLine) {
  const std::string h = "set,name,area,r,g,b,w\n";
  const std::string k3 = "1,A,0,1,1,1,100\n1,A,1,1,1,1,100\n";
  struct Case {
    std::string text;
    std::string line;  // how the detail must begin: the line, and for a name the cause
  };
  const Case cases[] = {
      {"", "line 1:"},
      {"set,name,area,r,g,b\n", "line 1:"},
      {h + k3 + "1,A,2,1,1,1\n", "line 4:"},                       // column count
      {h + k3 + "1,A,2,1,x,1,100\n", "line 4:"},                   // not a number
      {h + k3 + "1,A,2,-1,1,1,100\n", "line 4:"},                  // negative
      {h + k3 + "1,A,2,1,65536,1,100\n", "line 4:"},               // out of range
      {h + k3 + "1,A,2,1,1,99999999999,100\n", "line 4:"},         // would overflow
      {h + k3 + "1,A,1,1,1,1,100\n", "line 4:"},                   // duplicate area
      {h + k3 + "1,B,2,1,1,1,100\n", "line 4:"},                   // second name
      {h + k3 + "1,A,30,1,1,1,100\n", "line 4:"},                  // area beyond any card
      {h + k3 + "1,A,3,1,1,1,100\n", "line 2:"},                   // areas 0,1,3: lacks 2
      {h + k3 + "1,A,2,1,1,1,100\n1,A,3,1,1,1,100\n", "line 2:"},  // 4 areas
      {h + "1,A,0,1,1,1,100\n2,\"open,0,1,1,1,100\n", "line 3:"},  // quote never closed
      {h + "1,\"A\"x,0,1,1,1,100\n", "line 2:"},
      // A name's control characters must be escaped, and a backslash must start an escape.
      {h + k3 + "2,\"A\nB\",0,1,1,1,100\n", "line 4: the name holds a control character"},
      {h + k3 + "2,A\tB,0,1,1,1,100\n", "line 4: the name holds a control character"},
      {h + k3 + "2,A\\q,0,1,1,1,100\n", "line 4: the name holds a backslash"},
      {h + k3 + "2,A\\x4,0,1,1,1,100\n", "line 4: the name holds a backslash"},
  };
  for (const Case& c : cases) {
    ReferenceSetList sets = {test::TestReferenceSet("left over", 3, 1)};
    const Error error = ParseReferenceCsv(c.text, sets);
    EXPECT_EQ(error.code(), kReferenceSourceInvalid) << c.text;
    EXPECT_EQ(error.detail().rfind(c.line, 0), 0u) << c.text << " -> " << error.detail();
    EXPECT_TRUE(sets.empty()) << c.text;
  }
}

// Building the file: the source's problems and the target's are told apart by their codes; the
// detail is the line to show, naming the file concerned. A failure leaves the old file as it was.
TEST(ReferenceCsvTest, MakingTheFileSaysWhichFileFailedAndKeepsTheOldOne) {
  test::TempDir dir;
  const ReferenceSetList sets = test::TestReferenceSets();
  test::WriteFileText(dir.File("sets.csv"), FormatReferenceCsv(sets));
  ASSERT_TRUE(MakeReferenceDataFile(dir.File("sets.csv"), dir.File("out.dat")).ok());
  const std::string made = test::ReadFileText(dir.File("out.dat"));
  const std::vector<uint8_t> expected = test::EncodedReferenceSets(sets);
  EXPECT_EQ(made, std::string(expected.begin(), expected.end()));

  test::WriteFileText(dir.File("broken.csv"), "set,name,area,r,g,b,w\n1,A,0,1,2\n");
  const Error broken = MakeReferenceDataFile(dir.File("broken.csv"), dir.File("out.dat"));
  EXPECT_EQ(broken.code(), kReferenceSourceInvalid);
  EXPECT_EQ(broken.detail(), dir.File("broken.csv") + ": line 2: expected 7 columns, found 5");
  const Error absent = MakeReferenceDataFile(dir.File("absent.csv"), dir.File("out.dat"));
  EXPECT_EQ(absent.code(), kReferenceSourceInvalid);
  EXPECT_EQ(absent.detail(), "cannot read " + dir.File("absent.csv"));
  const Error unwritable = MakeReferenceDataFile(dir.File("sets.csv"), dir.File("no/out.dat"));
  EXPECT_EQ(unwritable.code(), kReferenceDataWriteFailed);
  EXPECT_EQ(unwritable.detail(), "cannot write " + dir.File("no/out.dat"));
  EXPECT_EQ(test::ReadFileText(dir.File("out.dat")), made);
}

}  // namespace
}  // namespace tintara
