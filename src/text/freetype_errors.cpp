// FreeType's own words for its error codes, from its error list (no table of our own).
#include "text.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace qrvx::text {

const char *freetypeErrorText(int error) noexcept {
#undef FTERRORS_H_
#define FT_ERROR_START_LIST switch (FT_ERROR_BASE(error)) {
#define FT_ERRORDEF(e, v, s)                                                                       \
    case v:                                                                                        \
        return s;
#define FT_ERROR_END_LIST }
#include FT_ERRORS_H
    return "unknown FreeType error";
}

} // namespace qrvx::text
