// Lines are stacked by their capitals, the layout's line gap apart, and pushed further apart
// only where their ink would otherwise touch: a descender over an accented capital costs rows,
// text without them does not.
#include "legibility.hpp"

#include <algorithm>

namespace qrvx::text {

std::vector<std::int64_t> stackBaselines(std::span<const LineRows> lines, std::uint32_t lineGap) {
    std::vector<std::int64_t> baselines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 0) {
            baselines.push_back(lines[0].capHeight);
            continue;
        }
        std::int64_t pitch = lines[i].capHeight + lineGap;
        const InkRows &upper = lines[i - 1].ink;
        const InkRows &lower = lines[i].ink;
        if (!upper.empty() && !lower.empty()) {
            pitch = std::max(pitch, upper.bottom - lower.top + 1);
        }
        baselines.push_back(baselines.back() + pitch);
    }
    return baselines;
}

StackRows stackRows(std::span<const LineRows> lines, std::uint32_t lineGap) {
    const std::vector<std::int64_t> baselines = stackBaselines(lines, lineGap);
    StackRows stack;
    stack.capitals = baselines.empty() ? 0 : baselines.back();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        stack.ink.add(lines[i].ink.shifted(baselines[i]));
    }
    return stack;
}

std::int64_t rowsLacking(const StackRows &stack, const Layout &layout) {
    const std::int64_t height = layout.height;
    const std::int64_t between = height - 2 * std::int64_t{layout.marginY};
    return std::max<std::int64_t>({0, stack.capitals - between, stack.ink.rows() - height});
}

std::int64_t blankRowsBetween(const InkRows &upper, const InkRows &lower, std::int64_t pitch) {
    return lower.shifted(pitch).top - upper.bottom;
}

} // namespace qrvx::text
