#include "app/Control.h"

#include <algorithm>

namespace quorbit {

void SetOption(std::vector<Control*> group, std::size_t index, bool on) {
    Control& target = *group.at(index);
    if (!on) {
        target.value = 0;
        return;
    }
    const bool wasSelected = target.selected();
    for (Control* sibling : group)
        sibling->value = 0;
    target.value = 1;
    if (!wasSelected) Fire(target.onClick);
}

void SetPosition(Control& c, int v) {
    v = std::clamp(v, c.min, std::max(c.min, c.max));
    if (c.value == v) return;
    c.value = v;
    Fire(c.onChange);
}

void SetListIndex(Control& list, int index) {
    if (index < -1 || index >= static_cast<int>(list.items.size())) index = -1;
    list.listIndex = index;
    if (index >= 0) list.caption = list.items[static_cast<std::size_t>(index)];
    Fire(list.onClick);
}

} // namespace quorbit
