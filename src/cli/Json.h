#pragma once
// JSON for the command line's results (--json) and progress lines (--progress
// json), through nlohmann-json (Debian: nlohmann-json3-dev).
#include <nlohmann/json.hpp>
#include <string>

namespace quorbit::cli {

/// Objects keep their keys in the order they were set, as the manual lists them.
using Json = nlohmann::ordered_json;

/// One line of JSON. Log lines carry file names, which may hold any bytes: a byte
/// that is not UTF-8 becomes U+FFFD, so the text stays valid JSON in valid UTF-8.
inline std::string DumpJson(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace quorbit::cli
