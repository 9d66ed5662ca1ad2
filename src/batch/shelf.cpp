// Fonts are loaded at every size that suits the height a request names, once for all requests
// of that height; abbreviation tables once for every request that names them.
#include "shelf.hpp"

#include "abbreviation_table.hpp"
#include "sign_options.hpp"

#include <new>

namespace qrvx::batch {
namespace {

std::optional<std::string> loadFont(Shelf::Contents &contents, std::string_view fontName,
                                    std::uint32_t rows) {
    std::string key = fontKey(fontName, rows);
    if (contents.fonts.contains(key)) {
        return std::nullopt;
    }
    std::string reason;
    auto sizes = text::Font::loadSizes(fontName, rows, &reason);
    if (!sizes) {
        return std::string(fontName) + ": loading the font: " + sizes.error().message() +
               (reason.empty() ? "" : ": " + reason);
    }
    contents.fonts.emplace(std::move(key), std::move(*sizes));
    return std::nullopt;
}

std::optional<std::string> loadTable(Shelf::Contents &contents, const std::string &path) {
    if (contents.abbreviations.contains(path)) {
        return std::nullopt;
    }
    auto table = readAbbreviationTable(path);
    if (auto *error = std::get_if<std::string>(&table)) {
        return std::move(*error);
    }
    contents.abbreviations.emplace(path, std::move(std::get<text::Abbreviations>(table)));
    return std::nullopt;
}

} // namespace

std::string fontKey(std::string_view fontName, std::uint32_t rows) {
    return std::string(fontName) + '\n' + std::to_string(rows);
}

Shelf::Shelf() : contents_(std::make_unique<Contents>()) {}
Shelf::~Shelf() = default;
Shelf::Shelf(Shelf &&) noexcept = default;
Shelf &Shelf::operator=(Shelf &&) noexcept = default;

std::optional<std::string> Shelf::loadFor(const SignRequest &request) noexcept {
    try {
        const FontNames fontNames = fontNamesOf(request);
        for (const auto &list : {fontNames.lines, fontNames.route}) {
            for (const std::string_view fontName : list) {
                if (auto error = loadFont(*contents_, fontName, fontNames.rows)) {
                    return error;
                }
            }
        }
        if (const auto *table = valuesOf(request, "abbreviations")) {
            return loadTable(*contents_, table->front());
        }
        return std::nullopt;
    } catch (const std::bad_alloc &) {
        return "not enough memory to load the fonts";
    }
}

} // namespace qrvx::batch
