#pragma once
// Chip erase of the 5 V flash chips.

namespace quorbit {

class App;

/// Chip erase of the 32-pin parts (AA/55/80/AA/55/10), after the safety question.
void EraseFLASH(App& app);
/// Chip erase of the AT29C256 through its own write cycle.
void EraseAT29C256(App& app);

} // namespace quorbit
