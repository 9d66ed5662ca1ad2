// The error category of refused fonts, text and layouts; the names of the fit steps.
#include "text.hpp"

#include <cstdio>

namespace qrvx::text {
namespace {

class Category : public std::error_category {
public:
    const char *name() const noexcept override { return "qrvx::text"; }

    std::string message(int value) const override {
        switch (static_cast<Errc>(value)) {
        case Errc::fontNotFound:
            return "no such font";
        case Errc::fontUnreadable:
            return "the font cannot be used";
        case Errc::invalidUtf8:
            return "invalid UTF-8";
        case Errc::missingCharacter:
            return "a character the font cannot draw";
        case Errc::doesNotFit:
            return "the text does not fit the sign";
        case Errc::invalidLayout:
            return "invalid layout";
        }
        return "unknown error";
    }
};

} // namespace

const std::error_category &errorCategory() noexcept {
    static const Category category;
    return category;
}

std::error_code refuse(std::string *reason, std::error_code error, std::string text) {
    if (reason != nullptr) {
        *reason = std::move(text);
    }
    return error;
}

std::string_view fitStepName(FitStep step) noexcept {
    switch (step) {
    case FitStep::nextFont:
        return "next-font";
    case FitStep::condensedFace:
        return "condensed-face";
    case FitStep::lessSpacing:
        return "less-spacing";
    case FitStep::narrowerSpaces:
        return "narrower-spaces";
    case FitStep::brokenIntoLines:
        return "broken-into-lines";
    case FitStep::shortWording:
        return "short-wording";
    case FitStep::abbreviated:
        return "abbreviated";
    case FitStep::clipped:
        return "clipped";
    }
    return "unknown";
}

} // namespace qrvx::text
