#pragma once
// Software product identification of the AT29C256 flash.

namespace quorbit {

class App;

/// Puts the AT29C256 into its product-identification mode, reads the maker and
/// device codes and returns it to read mode. Keeps nothing and logs nothing: it
/// only leaves the chip's command state machine in a known state after selection.
void FlashIDCycle(App& app);

} // namespace quorbit
