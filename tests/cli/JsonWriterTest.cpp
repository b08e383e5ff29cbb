// The JSON writer: commas and nesting, and strings escaped so that any log line
// or file name gives valid JSON in valid UTF-8.
#include <gtest/gtest.h>

#include "cli/JsonWriter.h"

namespace quorbit::cli {
namespace {

TEST(JsonWriter, NestsWithCommasOnlyBetweenValues) {
    JsonWriter w;
    w.BeginObject().Key("a").Number(std::int64_t{-1}).Key("b").BeginArray();
    w.BeginArray().Number(std::uint64_t{1}).Number(std::uint64_t{2}).EndArray();
    w.BeginArray().EndArray().EndArray();
    w.Key("c").BeginObject().EndObject().Key("d").Null().Key("e").Bool(false).EndObject();
    EXPECT_EQ(w.Text(), R"({"a":-1,"b":[[1,2],[]],"c":{},"d":null,"e":false})");
}

TEST(JsonWriter, StringsAreEscapedAndKeptUtf8) {
    EXPECT_EQ(JsonString("say \"hi\"\\"), R"("say \"hi\"\\")");
    EXPECT_EQ(JsonString("\r\n\t\x01\x1f\x7f"), R"("\r\n\t\u0001\u001f\u007f")");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"),
              "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""); // valid UTF-8 stays
    // Stray bytes, a cut sequence, an overlong form and a surrogate become U+FFFD each.
    EXPECT_EQ(JsonString("a\xff"
                         "b"),
              "\"a\xef\xbf\xbd"
              "b\"");
    EXPECT_EQ(JsonString("\xe2\x82"), "\"\xef\xbf\xbd\xef\xbf\xbd\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\xef\xbf\xbd\xef\xbf\xbd\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\"");
}

} // namespace
} // namespace quorbit::cli
