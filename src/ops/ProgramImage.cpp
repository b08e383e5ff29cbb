#include "ops/ProgramImage.h"

#include <algorithm>

#include "app/App.h"

namespace quorbit {

void PrepareProgramImage(App& app) {
    const auto& code = app.buf.CodeBuffer;
    auto& image = app.ops.ProgramImage;
    // The device size never exceeds the image; the clamp keeps a bad value harmless.
    const std::size_t n = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(app.dev.ImageLength, 0)), image.size());
    const auto& hiLow = app.ui.HiLow_button;
    if (hiLow[1].selected() || hiLow[2].selected()) {
        const std::size_t odd = hiLow[1].selected() ? 1 : 0;
        for (std::size_t i = 0; i + 1 < n; i += 2)
            image[i / 2] = code[i + odd];
        app.ops.ProgramLength = static_cast<std::int32_t>(n / 2);
    } else {
        std::copy_n(code.begin(), n, image.begin());
        app.ops.ProgramLength = static_cast<std::int32_t>(n);
    }
}

} // namespace quorbit
