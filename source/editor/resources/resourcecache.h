#pragma once

#include "editor/resources/resourcestore.h"
#include "gdiplus/gdiplus.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kelvane::vst {

// One editor's decoded images and memory-loaded font families, made on first request from the
// bytes its loader returns, and kept (failures included) for the life of the cache. The
// returned objects may be kept by their users beyond the cache, but not beyond GDI+ itself.
// User-interface thread only.
class ResourceCache {
public:
    // The bytes of a named resource, empty when there is none.
    using Loader = std::function<std::vector<std::uint8_t>(std::string)>;

    // Reads from the store, which must outlive the cache.
    explicit ResourceCache(const ResourceStore& store);
    explicit ResourceCache(Loader loader);

    // The image of that name; for a missing one the fallback image (or nothing when that is
    // missing too). Throws what decodeImage throws for bytes that are not an image, and
    // remembers nothing for that name then.
    std::shared_ptr<Gdiplus::Bitmap> getImage(const std::string& name);
    // For drawing at scale: above 1 the image made at twice the resolution, named with "@2x"
    // before the extension, where there is one; else getImage(name).
    std::shared_ptr<Gdiplus::Bitmap> getImage(const std::string& name, double scale);

    // The first family of the font resource of that name, or nothing when the resource is
    // missing or not a loadable font. The name is a resource name, not a family name.
    std::shared_ptr<Gdiplus::FontFamily> getFontFamily(const std::string& name);

    // The resource that stands in for missing images.
    static std::string fallbackImageName();

private:
    // Each font lives in a private collection of its own, over bytes that stay alive with it.
    struct FontEntry {
        std::shared_ptr<Gdiplus::PrivateFontCollection> collection;
        std::shared_ptr<Gdiplus::FontFamily> family;
    };

    std::shared_ptr<Gdiplus::Bitmap> loadImage(const std::string& name) const;
    FontEntry loadFont(const std::string& name) const;

    Loader loader;
    std::map<std::string, std::shared_ptr<Gdiplus::Bitmap>> images;
    std::shared_ptr<Gdiplus::Bitmap> fallbackImage;
    // The "@2x" images by their base name; empty where there is none.
    std::map<std::string, std::shared_ptr<Gdiplus::Bitmap>> denseImages;
    std::map<std::string, FontEntry> fonts;
};

} // namespace kelvane::vst
