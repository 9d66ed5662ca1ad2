// Lines are stacked by their capitals, the layout's line gap apart, and pushed further apart
// only where their ink would otherwise touch: a descender over an accented capital costs rows,
// text without them does not.
#include "legibility.hpp"

#include <algorithm>

namespace qrvx::text {

namespace {

// Rows from one baseline to the next: the capitals lineGap apart, the ink one blank row apart.
std::int64_t pitchOf(const LineRows &upper, const LineRows &lower, std::uint32_t lineGap) {
    std::int64_t pitch = lower.capHeight + lineGap;
    if (!upper.ink.empty() && !lower.ink.empty()) {
        pitch = std::max(pitch, upper.ink.bottom - lower.ink.top + 1);
    }
    return pitch;
}

} // namespace

std::vector<std::int64_t> stackBaselines(std::span<const LineRows> lines, std::uint32_t lineGap) {
    std::vector<std::int64_t> baselines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        baselines.push_back(i == 0 ? lines[0].capHeight
                                   : baselines.back() + pitchOf(lines[i - 1], lines[i], lineGap));
    }
    return baselines;
}

StackRows stackRows(std::span<const LineRows> lines, std::uint32_t lineGap) {
    StackRows stack;
    std::int64_t baseline = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        baseline =
            i == 0 ? lines[0].capHeight : baseline + pitchOf(lines[i - 1], lines[i], lineGap);
        stack.ink.add(lines[i].ink.shifted(baseline));
    }
    stack.capitals = baseline;
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
