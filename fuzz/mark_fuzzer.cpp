// Marking: on success the block stays well formed, shrinks, and every byte that followed it is
// kept in order; on any error the graphic is unchanged.
#include "fuzz_input.hpp"

#include <string_view>
#include <vector>

using namespace qrvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    QRVX_Graphic graphic = input.graphic();
    const std::vector<std::uint8_t> before(graphic.data, graphic.data + graphic.length);
    const std::uint32_t oldLength = graphic.length;
    const std::uint32_t oldBlock = qrvx::parameterBlockLength(before);

    const int result = QRVX_markRouteNumberProgrammed(&graphic);
    FUZZ_CHECK(result == 0 || result == -ENOENT || result == -EINVAL);
    if (result != 0 || oldBlock == 0) {
        FUZZ_CHECK(graphic.length == oldLength &&
                   sameBytes(graphic.data, before.data(), oldLength));
        return 0;
    }
    const std::span<const std::uint8_t> after(graphic.data, graphic.length);
    const std::uint32_t newBlock = qrvx::parameterBlockLength(after);
    FUZZ_CHECK(newBlock != 0 && newBlock + 2 <= oldBlock);
    const std::string_view digits(reinterpret_cast<const char *>(&after[1]), 2); // upper case
    FUZZ_CHECK(digits.find_first_not_of("0123456789ABCDEF") == std::string_view::npos);
    FUZZ_CHECK(graphic.length - newBlock == oldLength - oldBlock);
    FUZZ_CHECK(sameBytes(graphic.data + newBlock, before.data() + oldBlock, oldLength - oldBlock));
    return 0;
}
