#pragma once
// A small JSON writer for the command line's results: objects, arrays, strings,
// integers, booleans and null, written in one line. Strings are escaped and kept
// valid UTF-8, since log lines carry file names, which may hold any bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorbit::cli {

/// The text as a JSON string literal, quotes included. Control characters are
/// escaped; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);

class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    /// The key of the next value inside an object.
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view text);
    JsonWriter& Number(std::int64_t value);
    JsonWriter& Number(std::uint64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    [[nodiscard]] const std::string& Text() const { return text_; }

  private:
    /// The comma before a value or key that is not the first of its container.
    void Separate();

    std::string text_;
    std::vector<bool> empty_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

} // namespace quorbit::cli
