#include "editor/resources/resourcecache.h"

#include "editor/resources/decodeimage.h"

#include <climits>
#include <utility>

namespace kelvane::vst {

namespace {

// A family is usable only while its collection, and the bytes the font was loaded from, exist:
// whoever holds the family keeps both alive, beyond the cache if need be.
struct FamilyDeleter {
    std::shared_ptr<Gdiplus::PrivateFontCollection> collection;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;

    void operator()(Gdiplus::FontFamily* family) const { delete family; }
};

} // namespace

ResourceCache::ResourceCache(const ResourceStore& store)
    : loader([&store](std::string name) { return store.read(name); }) {}

ResourceCache::ResourceCache(Loader resourceLoader) : loader(std::move(resourceLoader)) {}

std::string ResourceCache::fallbackImageName() {
    return "fallback.png";
}

std::shared_ptr<Gdiplus::Bitmap> ResourceCache::getImage(const std::string& name) {
    const auto found = images.find(name);
    if (found != images.end()) {
        return found->second;
    }
    std::shared_ptr<Gdiplus::Bitmap> image = loadImage(name);
    if (image == nullptr) {
        // Stays empty, and is tried again for the next missing name, while the fallback
        // resource is missing too.
        if (fallbackImage == nullptr) {
            fallbackImage = loadImage(fallbackImageName());
        }
        image = fallbackImage;
    }
    images.emplace(name, image);
    return image;
}

std::shared_ptr<Gdiplus::Bitmap> ResourceCache::getImage(const std::string& name, double scale) {
    if (!(scale > 1)) {
        return getImage(name);
    }
    auto found = denseImages.find(name);
    if (found == denseImages.end()) {
        const std::size_t dot = name.rfind('.');
        const std::size_t cut = dot == std::string::npos || name.find('/', dot) != std::string::npos
                                    ? name.size()
                                    : dot;
        found = denseImages.emplace(name, loadImage(name.substr(0, cut) + "@2x" + name.substr(cut)))
                    .first;
    }
    return found->second != nullptr ? found->second : getImage(name);
}

std::shared_ptr<Gdiplus::FontFamily> ResourceCache::getFontFamily(const std::string& name) {
    const auto found = fonts.find(name);
    if (found != fonts.end()) {
        return found->second.family;
    }
    FontEntry entry = loadFont(name);
    fonts.emplace(name, entry);
    return entry.family;
}

std::shared_ptr<Gdiplus::Bitmap> ResourceCache::loadImage(const std::string& name) const {
    const std::vector<std::uint8_t> bytes = loader(name);
    Gdiplus::Bitmap* bitmap = decodeImage(bytes.data(), bytes.size());
    return bitmap != nullptr ? std::shared_ptr<Gdiplus::Bitmap>(bitmap) : nullptr;
}

ResourceCache::FontEntry ResourceCache::loadFont(const std::string& name) const {
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(loader(name));
    if (bytes->empty() || bytes->size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    std::shared_ptr<Gdiplus::PrivateFontCollection> collection(
        new Gdiplus::PrivateFontCollection());
    if (collection == nullptr ||
        collection->AddMemoryFont(bytes->data(), static_cast<INT>(bytes->size())) != Gdiplus::Ok) {
        return {};
    }
    Gdiplus::FontFamily first;
    INT found = 0;
    if (collection->GetFamilies(1, &first, &found) != Gdiplus::Ok || found < 1) {
        return {};
    }
    Gdiplus::FontFamily* family = first.Clone();
    if (family == nullptr || !family->IsAvailable()) {
        delete family;
        return {};
    }
    return FontEntry{
        collection, std::shared_ptr<Gdiplus::FontFamily>(family, FamilyDeleter{collection, bytes})};
}

} // namespace kelvane::vst
