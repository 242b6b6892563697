// The JSON helpers every command prints with.
#include "cli/cli_args.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "base/text_encoding.h"
#include "support/run_command.h"
#include "support/test_images.h"

namespace tintara::cli {
namespace {

std::string Written(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject ReadBack(const std::string& json) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return doc.object();
}

TEST(CliJson, NumbersReadBackAsTheSameDoubleAndNonFiniteOnesAsNull) {
  const double values[] = {0.1, 1.0 / 3, -32767.0 / 65535, 0.30000000000000004, -1.5e300, DBL_MAX, 5e-324, 5264};
  const int n = sizeof(values) / sizeof(values[0]);
  const QJsonObject back = ReadBack(Written({{"v", JsonDoubles(values, n)}}));
  const QJsonArray read = back["v"].toArray();
  ASSERT_EQ(read.size(), n);
  for (int i = 0; i < n; ++i) EXPECT_EQ(read[i].toDouble(), values[i]) << i;

  const double odd[] = {NAN, INFINITY, -INFINITY, 2.5};
  const std::string json = Written({{"v", JsonDoubles(odd, 4)}});
  const QJsonArray oddBack = ReadBack(json)["v"].toArray();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(oddBack[i].isNull()) << json;
  EXPECT_EQ(oddBack[3].toDouble(), 2.5);
}

TEST(CliJson, TextsStayUtf8AndTheOutputStaysValid) {
  const std::string cafe = "Caf\xC3\xA9 180\xC2\xB0";
  const std::string json = Written({{"d", JsonText(cafe)}});
  EXPECT_EQ(json, "{\"d\":\"" + cafe + "\"}");
  EXPECT_EQ(ReadBack(json)["d"].toString().toStdString(), cafe);

  // Quotes, backslashes and control characters are escaped; a malformed byte cannot make the
  // output invalid.
  const std::string awkward = "a\"b\\c\nd\te\x01 \xE9 end";
  const QJsonObject back = ReadBack(Written({{"d", JsonText(awkward)}}));
  EXPECT_EQ(back["d"].toString().toStdString(), "a\"b\\c\nd\te\x01 \xEF\xBF\xBD end");
}

// Every line the program prints with a name or path in it escapes it this way, so the escaping must
// leave nothing that ends a line or steers a terminal, and must stay one-to-one.
TEST(CliLines, ControlCharactersAreEscapedAndOtherTextStays) {
  EXPECT_EQ(EscapeControlCharacters("x\nSucceeded\tall.tif\r"), "x\\nSucceeded\\tall.tif\\r");
  EXPECT_EQ(EscapeControlCharacters(std::string("\x00\x1B[2J\x7F", 6)), "\\x00\\x1B[2J\\x7F");
  EXPECT_EQ(EscapeControlCharacters("C:\\new"), "C:\\\\new");  // so "\\n" above cannot be a backslash and n
  // UTF-8 beyond ASCII stays; C1 controls and bytes of no well-formed character do not.
  EXPECT_EQ(EscapeControlCharacters("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA8"), "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA8");
  EXPECT_EQ(EscapeControlCharacters("\xC2\x9B" "1m \xE9t\xE9 \xC3"), "\\xC2\\x9B" "1m \\xE9t\\xE9 \\xC3");
  EXPECT_EQ(EscapeControlCharacters("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
  EXPECT_EQ(WithPath("Failed.", "a\nb"), "Failed. (a\\nb)");
}

TEST(CliLines, AFileNameCannotForgeABatchStatusLine) {
  test::TempDir dir;
  const std::string profile = dir.File("cam.tnp");
  const std::string samples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";
  ASSERT_EQ(test::RunCli({"fit", "--samples", samples, "--reference", "#0", "-o", profile}).exitCode, 0);
  const std::string forged = dir.File("x\nSucceeded\tall.tif");
  test::WritePatternImage(forged, 8, 4);
  const test::CommandResult batch = test::RunCli({"batch", "--profile", profile, "--output", "Skip", forged});
  EXPECT_EQ(batch.exitCode, 1);
  EXPECT_EQ(batch.out, "Failed (Skipped)\t" + dir.File("x\\nSucceeded\\tall.tif") + "\n");
}

}  // namespace
}  // namespace tintara::cli
