// Font patterns through fontconfig, with a configuration of our own that also accepts bitmap
// fonts (which a system's configuration may reject). fontconfig always offers some font, so a
// family other than the one asked for is refused rather than taken.
#include "text.hpp"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <mutex>

namespace qrvx::text {
namespace {

constexpr const char *acceptBitmapFonts = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><selectfont><acceptfont><pattern><patelt name="scalable"><bool>false</bool></patelt>
</pattern></acceptfont></selectfont></fontconfig>)";

struct ConfigDeleter {
    void operator()(FcConfig *config) const noexcept { FcConfigDestroy(config); }
};
struct PatternDeleter {
    void operator()(FcPattern *pattern) const noexcept { FcPatternDestroy(pattern); }
};
using ConfigOwner = std::unique_ptr<FcConfig, ConfigDeleter>;
using PatternOwner = std::unique_ptr<FcPattern, PatternDeleter>;

ConfigOwner makeConfig() {
    ConfigOwner config(FcInitLoadConfig());
    if (!config ||
        !FcConfigParseAndLoadFromMemory(
            config.get(), reinterpret_cast<const FcChar8 *>(acceptBitmapFonts), FcFalse) ||
        !FcConfigBuildFonts(config.get())) {
        return nullptr;
    }
    return config;
}

// Built once a process, on first use; every use holds the lock.
FcConfig *sharedConfig(const std::lock_guard<std::mutex> &) {
    static const ConfigOwner config = makeConfig();
    return config.get();
}

std::mutex &configLock() {
    static std::mutex lock;
    return lock;
}

std::optional<std::string> stringOf(FcPattern *pattern, const char *object, int index = 0) {
    FcChar8 *value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char *>(value));
}

std::optional<std::uint32_t> pixelSizeOf(FcPattern *pattern) {
    double size = 0;
    if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &size) != FcResultMatch) {
        return std::nullopt;
    }
    // Out of range reads as 0, which the font reader refuses with the range it takes.
    return size >= 0.5 && size < 1e6 ? static_cast<std::uint32_t>(std::lround(size)) : 0;
}

bool offersFamily(FcPattern *match, const std::string &family) {
    for (int i = 0;; ++i) {
        const std::optional<std::string> offered = stringOf(match, FC_FAMILY, i);
        if (!offered) {
            return false;
        }
        if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8 *>(offered->c_str()),
                               reinterpret_cast<const FcChar8 *>(family.c_str())) == 0) {
            return true;
        }
    }
}

} // namespace

Result<MatchedFont> matchFontPattern(std::string_view pattern, std::string *reason) {
    const std::string text(pattern);
    const PatternOwner asked(FcNameParse(reinterpret_cast<const FcChar8 *>(text.c_str())));
    if (!asked) {
        return refuse(reason, Errc::fontNotFound, text + ": not a font name, file or pattern");
    }
    const std::optional<std::string> family = stringOf(asked.get(), FC_FAMILY);
    MatchedFont matched;
    matched.pixelSize = pixelSizeOf(asked.get());

    const std::lock_guard<std::mutex> lock(configLock());
    FcConfig *config = sharedConfig(lock);
    if (config == nullptr) {
        return refuse(reason, Errc::fontNotFound, text + ": fontconfig has no configuration");
    }
    FcConfigSubstitute(config, asked.get(), FcMatchPattern);
    FcDefaultSubstitute(asked.get());
    FcResult result = FcResultNoMatch;
    const PatternOwner match(FcFontMatch(config, asked.get(), &result));
    const std::optional<std::string> file =
        match ? stringOf(match.get(), FC_FILE) : std::optional<std::string>();
    if (!file) {
        return refuse(reason, Errc::fontNotFound, text + ": fontconfig finds no font");
    }
    if (family && !offersFamily(match.get(), *family)) {
        return refuse(reason, Errc::fontNotFound,
                      text + ": no font of the family \"" + *family + "\"; fontconfig offers \"" +
                          stringOf(match.get(), FC_FAMILY).value_or("") + "\" (" + *file + ")");
    }
    matched.file = *file;
    int index = 0;
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch) {
        matched.faceIndex = index;
    }
    return matched;
}

} // namespace qrvx::text
