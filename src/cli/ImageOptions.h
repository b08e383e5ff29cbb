#pragma once
// --offset: where a raw image's first byte goes, for the verbs that load an image.
#include <cstdint>
#include <string>

namespace CLI {
class App;
}

namespace quorbit::cli {

/// Adds --offset ADDRESS (hex) to a verb that loads an image.
void AddOffsetOption(CLI::App* command, std::string& offset);
/// The offset as an address; nothing for text that is not one (hex digits, with
/// an optional 0x or h, below the code buffer's size). Empty text is 0.
bool ParseOffset(const std::string& text, std::uint32_t& offset);

} // namespace quorbit::cli
