#pragma once
// The start-up sequence of the main window: it sets up every floor in turn (the
// window rectangle, the board's tables and port, the log, the catalog, the reset).

namespace quorbit {

class App;

/// The window's load event.
void Form_Load(App& app);

} // namespace quorbit
