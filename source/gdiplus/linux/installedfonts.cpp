#include "gdiplus/linux/installedfonts.h"

#include "gdiplus/linux/utf16.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) // clang's way of telling
#define KELVANE_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KELVANE_ADDRESS_SANITIZER)
// fontconfig leaks a few blocks while it parses its configuration, once per process, whoever
// asks first; LeakSanitizer (which reads this hook in sanitizer builds only) is told to ignore
// allocations made inside fontconfig. Every object of fontconfig's that this file creates is
// destroyed here; the process-wide configuration itself is never finalized, as other users in
// the host process may rely on it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

namespace kelvane::gdiplus {

namespace {

// The process's current fontconfig configuration, held for one query. Naming it explicitly
// keeps fontconfig from rescanning and replacing the configuration, which it does for queries
// on the null configuration once its rescan interval has passed.
class CurrentConfig {
public:
    CurrentConfig() : config(FcConfigReference(nullptr)) {}
    ~CurrentConfig() {
        if (config != nullptr)
            FcConfigDestroy(config);
    }
    CurrentConfig(const CurrentConfig&) = delete;
    CurrentConfig& operator=(const CurrentConfig&) = delete;
    FcConfig* get() const { return config; }

private:
    FcConfig* config;
};

// Which faces fontconfig lists for an exact family name; the name it matched by is kept.
std::shared_ptr<FaceSet> listFamily(const std::string& utf8Name) {
    const std::wstring wanted = utf16FromUtf8(utf8Name);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8Name.c_str()));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr);
    const CurrentConfig config;
    FcFontSet* fonts =
        config.get() != nullptr ? FcFontList(config.get(), pattern, objects) : nullptr;
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (fonts == nullptr)
        return nullptr;
    auto set = std::make_shared<FaceSet>();
    for (int i = 0; i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        // fontconfig also matches names that differ in blanks; GDI+ does not.
        bool named = false;
        FcChar8* family = nullptr;
        for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &family) == FcResultMatch; ++k) {
            const std::wstring name = utf16FromUtf8(reinterpret_cast<const char*>(family));
            if (sameFamilyName(name, wanted)) {
                named = true;
                if (set->name.empty())
                    set->name = name;
                break;
            }
        }
        FcChar8* file = nullptr;
        if (!named || FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
            continue;
        FaceInfo info;
        info.file = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch)
            info.index = index;
        double weight = FC_WEIGHT_REGULAR;
        if (FcPatternGetDouble(font, FC_WEIGHT, 0, &weight) == FcResultMatch)
            info.weight = FcWeightToOpenType(int(weight));
        int slant = FC_SLANT_ROMAN;
        if (FcPatternGetInteger(font, FC_SLANT, 0, &slant) == FcResultMatch)
            info.italic = slant != FC_SLANT_ROMAN;
        set->faces.push_back(std::move(info));
    }
    FcFontSetDestroy(fonts);
    if (set->faces.empty())
        return nullptr;
    // A stable choice among equals (fontconfig lists in no set order).
    std::sort(set->faces.begin(), set->faces.end(), [](const FaceInfo& a, const FaceInfo& b) {
        return a.file != b.file ? a.file < b.file : a.index < b.index;
    });
    return set;
}

} // namespace

std::shared_ptr<FaceSet> findInstalledFamily(const std::wstring& name) {
    if (name.empty())
        return nullptr;
    return listFamily(utf8FromUtf16(name.c_str()));
}

std::shared_ptr<FaceSet> genericSansSerif() {
    // Substitution is what makes a generic name concrete; only the current configuration is
    // read, never changed.
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern == nullptr)
        return nullptr;
    const CurrentConfig config;
    if (config.get() == nullptr) {
        FcPatternDestroy(pattern);
        return nullptr;
    }
    FcConfigSubstitute(config.get(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config.get(), pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return nullptr;
    std::shared_ptr<FaceSet> set;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
        set = listFamily(reinterpret_cast<const char*>(family));
    FcPatternDestroy(match);
    return set;
}

} // namespace kelvane::gdiplus
