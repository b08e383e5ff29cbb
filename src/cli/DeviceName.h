#pragma once
// Naming a device on the command line.
#include <optional>
#include <string>

namespace quorbit {
class App;
}

namespace quorbit::cli {

/// The selectable catalog row a text names (row number or name, see
/// CatalogMatches). Empty, with a message for the operator in `error`, when the
/// text names nothing, several rows, or a row listed as "N/A - ".
std::optional<int> ResolveDevice(const std::string& text, std::string& error);

/// Resolves the text and selects the device the way the operator does. False,
/// with the message in `error`, when the name is refused (the caller exits with 2).
bool ChooseDevice(App& app, const std::string& text, std::string& error);

} // namespace quorbit::cli
