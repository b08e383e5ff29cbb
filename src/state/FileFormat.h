#pragma once
// The formats a code image file can be in, and what the operator may ask for.
namespace quorbit {

enum class ImageFormat { Raw, IntelHex, SRecord };
/// What the operator or a script asked for; Auto looks at the name and the content.
enum class FormatChoice { Auto, Raw, IntelHex, SRecord };

} // namespace quorbit
