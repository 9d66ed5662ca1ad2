# cmake -DINPUT=FILE -DOUTPUT=SOURCE -DSYMBOL=NAME -P QrvxEmbedFile.cmake
# Writes FILE's bytes into a C++ source as qrvx::text::detail::NAME[] and NAME_size, so that
# the built-in fonts are part of the library.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new" "// Made from ${name} when the library was built.
#include <cstddef>
#include <cstdint>

namespace qrvx::text::detail {
extern const std::uint8_t ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;
const std::uint8_t ${SYMBOL}[] = {
${bytes}};
const std::size_t ${SYMBOL}_size = ${size};
} // namespace qrvx::text::detail
")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
