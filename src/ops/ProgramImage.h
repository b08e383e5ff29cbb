#pragma once
// The image that programming writes and verify compares, built from the code buffer.

namespace quorbit {

class App;

/// "Both": the first ImageLength bytes of the code buffer. "Hi Byte": its odd
/// bytes, "Low Byte": its even bytes, ImageLength / 2 of them, for a 16-bit system
/// built from two 8-bit chips.
void PrepareProgramImage(App& app);

} // namespace quorbit
