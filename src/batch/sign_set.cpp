// A vehicle's faces from a TOML file: every key checked, every refusal naming the file and the
// line of what is wrong.
#include "option_values.hpp"
#include "rows.hpp"
#include "sign_options.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <new>
#include <set>

namespace qrvx::batch {
namespace {

constexpr std::int64_t largestSide = 4096;

constexpr std::array showsNames{Named<Shows>{"route", Shows::route},
                                Named<Shows>{"destination", Shows::destination},
                                Named<Shows>{"route destination", Shows::routeDestination},
                                Named<Shows>{"destination route", Shows::destinationRoute}};

class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one face's table, refusing at the line of the offending value.
class FaceReader {
public:
    FaceReader(const std::string &path, const toml::table &table) : path_(path), table_(table) {}

    Face read() {
        static const std::set<std::string_view> known{"name",          "width",  "height",  "shows",
                                                      "colour-system", "raster", "palette", "fonts",
                                                      "route-fonts",   "reserve"};
        for (const auto &[key, value] : table_) {
            if (!known.contains(key.str())) {
                refuse(value, "unknown key '" + std::string(key.str()) +
                                  "' (keys: name, width, height, shows, colour-system, raster, "
                                  "palette, fonts, route-fonts, reserve)");
            }
        }
        Face face;
        face.name = required<std::string>("name", "a name");
        if (!validFaceName(face.name)) {
            refuse(*table_.get("name"), "a face's name is 1 to 32 letters, digits, '-' and '_'");
        }
        face.width = side("width");
        face.height = side("height");
        face.shows = choice(showsNames, "shows", Shows::routeDestination);
        if (const auto *cs = table_.get("colour-system")) {
            const auto value = cs->value<std::int64_t>();
            if (!value || *value < 0 || *value > 2) {
                refuse(*cs, "colour-system is 0, 1 or 2");
            }
            face.colourSystem = static_cast<std::uint32_t>(*value);
        }
        face.raster = choice(rasterNames, "raster", author::RasterDirection::vertical);
        face.palette = palette();
        face.fonts = strings("fonts");
        face.routeFonts = strings("route-fonts");
        face.reserve = reserve();
        return face;
    }

private:
    [[noreturn]] void refuse(const toml::node &node, const std::string &why) const {
        throw Refusal(path_ + ":" + std::to_string(node.source().begin.line) + ": " + why);
    }

    template <class T>
    T required(std::string_view key, std::string_view what) const {
        const toml::node *node = table_.get(key);
        if (node == nullptr) {
            throw Refusal(path_ + ":" + std::to_string(table_.source().begin.line) +
                          ": a face without " + std::string(what));
        }
        const auto value = node->value<T>();
        if (!value) {
            refuse(*node, std::string(key) + " of the wrong kind");
        }
        return *value;
    }

    std::uint32_t side(std::string_view key) const {
        const auto value = required<std::int64_t>(key, key == "width" ? "a width" : "a height");
        if (value < 1 || value > largestSide) {
            refuse(*table_.get(key), std::string(key) + " is 1 to 4096");
        }
        return static_cast<std::uint32_t>(value);
    }

    template <class T, std::size_t N>
    T choice(const std::array<Named<T>, N> &names, std::string_view key, T otherwise) const {
        const toml::node *node = table_.get(key);
        if (node == nullptr) {
            return otherwise;
        }
        const auto value = valueNamed(names, node->value<std::string>().value_or(""));
        if (!value) {
            refuse(*node, std::string(key) + " is one of " + choiceList(names));
        }
        return *value;
    }

    std::vector<std::string> strings(std::string_view key) const {
        std::vector<std::string> values;
        if (const toml::node *node = table_.get(key)) {
            const toml::array *array = node->as_array();
            if (array == nullptr) {
                refuse(*node, std::string(key) + " is a list of names");
            }
            for (const toml::node &element : *array) {
                const auto value = element.value<std::string>();
                if (!value || value->empty()) {
                    refuse(element, std::string(key) + " is a list of names");
                }
                values.push_back(*value);
            }
        }
        return values;
    }

    std::optional<std::array<author::Rgb, 4>> palette() const {
        const std::vector<std::string> colours = strings("palette");
        if (colours.empty()) {
            return std::nullopt;
        }
        std::array<author::Rgb, 4> palette;
        std::string text;
        for (const std::string &colour : colours) {
            text += (text.empty() ? "" : ",") + colour;
        }
        if (const std::string why = parsePalette(text, palette); !why.empty()) {
            refuse(*table_.get("palette"), "palette: " + why);
        }
        for (std::size_t i = 0; i < palette.size(); ++i) {
            if (std::find(palette.begin() + static_cast<std::ptrdiff_t>(i) + 1, palette.end(),
                          palette[i]) != palette.end()) {
                refuse(*table_.get("palette"),
                       "palette repeats a colour, so a sign's values could not be told apart");
            }
        }
        return palette;
    }

    std::optional<text::Reserve> reserve() const {
        const toml::node *node = table_.get("reserve");
        std::optional<text::Reserve> reserve;
        if (node != nullptr &&
            !readReserve(node->value<std::string>().value_or(""), reserve).empty()) {
            refuse(*node, "reserve is start:N or end:N (N columns, 1 to 4096)");
        }
        return reserve;
    }

    const std::string &path_;
    const toml::table &table_;
};

SignSet signSetOf(const std::string &path) {
    toml::table document;
    try {
        document = toml::parse_file(path);
    } catch (const toml::parse_error &error) {
        throw Refusal(path + ":" + std::to_string(error.source().begin.line) + ": " +
                      std::string(error.description()));
    }
    const toml::array *faces = document["face"].as_array();
    if (faces == nullptr || faces->empty()) {
        throw Refusal(path + ": no [[face]] tables: a sign set names each face of a vehicle");
    }
    SignSet set;
    std::set<std::string> names;
    for (const toml::node &node : *faces) {
        const toml::table *table = node.as_table();
        if (table == nullptr) {
            throw Refusal(path + ":" + std::to_string(node.source().begin.line) +
                          ": face is a list of [[face]] tables");
        }
        Face face = FaceReader(path, *table).read();
        std::string lower = face.name;
        std::ranges::transform(lower, lower.begin(), [](char c) {
            return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        });
        if (!names.insert(lower).second) {
            throw Refusal(path + ":" + std::to_string(table->source().begin.line) + ": face '" +
                          face.name + "' twice");
        }
        set.faces.push_back(std::move(face));
    }
    return set;
}

} // namespace

Result<SignSet> readSignSet(std::string_view path, std::string *reason) noexcept {
    try {
        if (!std::ifstream(std::string(path))) {
            const int error = errno != 0 ? errno : ENOENT;
            if (reason != nullptr) {
                *reason = std::string(path) + ": opening: " + std::strerror(error);
            }
            return std::error_code(error, std::generic_category());
        }
        return signSetOf(std::string(path));
    } catch (const Refusal &refusal) {
        if (reason != nullptr) {
            *reason = refusal.what();
        }
        return make_error_code(Errc::invalidSignSet);
    } catch (const std::bad_alloc &) {
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

} // namespace qrvx::batch
