#pragma once
// Where the window rectangle is kept in the per-user settings: read at start-up,
// written at shutdown, under these names.

namespace quorbit::window_settings {

inline constexpr const char* kSection = "Settings";
inline constexpr const char* kLeft = "MainLeft";
inline constexpr const char* kTop = "MainTop";
inline constexpr const char* kWidth = "MainWidth";
inline constexpr const char* kHeight = "MainHeight";

} // namespace quorbit::window_settings
