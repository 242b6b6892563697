// The JSON helpers every command prints with.
#include "cli/cli_args.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

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

}  // namespace
}  // namespace tintara::cli
