// What row sources and the run share: codes that name files, the codes of a whole list checked
// for repeats, and rows made from a request's defaults.
#pragma once

#include "qrvx_batch.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qrvx::batch {

// A code names files in any directory on any file system: letters, digits, "-" and "_".
inline constexpr std::size_t maxRowCodeLength = 100;
bool validCode(std::string_view code);
// A face's name names its folder, and is shorter.
inline constexpr std::size_t longestFaceName = 32;
bool validFaceName(std::string_view name);
// A sign's files without their extension, as a run names them: CODE or FACE/CODE.
bool validSignName(std::string_view sign);

// Puts the defaults under a row's own options; the route's style (side, fonts, colour, gap)
// only when the row has a route.
void addDefaults(SignRequest &request, const SignRequest &defaults);

// The codes of a source, in its order, end to end in one string: a few bytes a row.
class Codes {
public:
    // False when the codes would outgrow what is counted in 32 bits.
    bool add(std::string_view code, std::uint64_t line);
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t row) const;
    std::uint64_t line(std::size_t row) const { return lines_[row]; }
    // The first row whose code another row has too, ignoring case (the files of "A" and "a" are
    // one on some file systems), and that other row.
    std::optional<std::pair<std::size_t, std::size_t>> duplicate() const;

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
    std::vector<std::uint64_t> lines_;
};

} // namespace qrvx::batch
