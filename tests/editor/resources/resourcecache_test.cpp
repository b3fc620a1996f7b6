#include "editor/resources/decodeimage.h"
#include "editor/resources/resourcecache.h"
#include "editor/resources/stores.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using kelvane::vst::ResourceCache;
// Windows defines the pixel formats as global macros, the Linux layer in its namespace.
using namespace Gdiplus;
using Bytes = std::vector<std::uint8_t>;

// 2 x 2 RGBA: opaque red, green at alpha 128, transparent, opaque blue.
const Bytes quadrantsPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xb6, 0x0d,
    0x24, 0x00, 0x00, 0x00, 0x14, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8, 0xcf, 0xc0, 0xf0,
    0x1f, 0x08, 0x1b, 0x18, 0x20, 0xe0, 0xff, 0x7f, 0x00, 0x32, 0xe4, 0x05, 0x7c, 0xf9, 0xb9, 0xf4,
    0x80, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

class ResourceCacheTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token); }

    // Reads the product's editor store, plus the extra entries, and counts every read.
    ResourceCache::Loader countingLoader() {
        return [this](std::string name) {
            ++reads[name];
            const auto extra = extras.find(name);
            return extra != extras.end() ? extra->second : tivrandel::editorResources().read(name);
        };
    }

    static ULONG_PTR token;
    std::map<std::string, int> reads;
    std::map<std::string, Bytes> extras;
};
ULONG_PTR ResourceCacheTest::token = 0;

TEST_F(ResourceCacheTest, MissingImagesShareTheFallbackReadOnce) {
    ResourceCache cache(countingLoader());
    const auto missing = cache.getImage("missing.png");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(cache.getImage("missing.png"), missing);
    EXPECT_EQ(cache.getImage("also-missing.png"), missing);
    EXPECT_EQ(reads["missing.png"], 1);
    EXPECT_EQ(reads[ResourceCache::fallbackImageName()], 1);
    EXPECT_EQ(missing->GetWidth(), 8u);
    Gdiplus::Color grey;
    ASSERT_EQ(missing->GetPixel(3, 3, &grey), Gdiplus::Ok);
    EXPECT_EQ(grey.GetValue(), 0xFF808080u);
}

TEST_F(ResourceCacheTest, WithoutAFallbackMissingImagesAreEmptyAndTheFallbackIsTriedAgain) {
    ResourceCache cache([this](std::string name) {
        ++reads[name];
        return Bytes();
    });
    EXPECT_EQ(cache.getImage("a.png"), nullptr);
    EXPECT_EQ(cache.getImage("a.png"), nullptr);
    EXPECT_EQ(cache.getImage("b.png"), nullptr);
    EXPECT_EQ(reads["a.png"], 1);
    EXPECT_EQ(reads[ResourceCache::fallbackImageName()], 2);
}

TEST_F(ResourceCacheTest, ScaledUpTheDenseImageIsDrawnWhereThereIsOne) {
    ResourceCache cache(countingLoader());
    EXPECT_EQ(cache.getImage("knob-face.png", 1)->GetWidth(), 128u);
    const auto dense = cache.getImage("knob-face.png", 1.5);
    ASSERT_NE(dense, nullptr);
    EXPECT_EQ(dense->GetWidth(), 256u);
    EXPECT_EQ(cache.getImage("knob-face.png", 2), dense);
    EXPECT_EQ(reads["knob-face@2x.png"], 1);
    // Without one, the image itself (or the fallback).
    EXPECT_EQ(cache.getImage("fallback.png", 2), cache.getImage("fallback.png"));
    EXPECT_EQ(cache.getImage("none", 2)->GetWidth(), 8u);
    EXPECT_EQ(reads["none@2x"], 1);
}

TEST_F(ResourceCacheTest, PngsDecodeToPremultipliedBitmapsOfTheirSize) {
    extras["quadrants.png"] = quadrantsPng;
    ResourceCache cache(countingLoader());
    const auto face = cache.getImage("knob-face.png");
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->GetWidth(), 128u);
    EXPECT_EQ(face->GetHeight(), 128u);
    EXPECT_EQ(face->GetPixelFormat(), PixelFormat32bppPARGB);
    EXPECT_EQ(cache.getImage("knob-face.png"), face);
    EXPECT_EQ(reads["knob-face.png"], 1);
    EXPECT_EQ(reads[ResourceCache::fallbackImageName()], 0);

    const auto quadrants = cache.getImage("quadrants.png");
    ASSERT_NE(quadrants, nullptr);
    EXPECT_EQ(quadrants->GetPixelFormat(), PixelFormat32bppPARGB);
    // Unpremultiplied by GetPixel; half alpha may round by one.
    Gdiplus::Color colour;
    ASSERT_EQ(quadrants->GetPixel(0, 0, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetValue(), 0xFFFF0000u);
    ASSERT_EQ(quadrants->GetPixel(1, 0, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetA(), 128);
    EXPECT_EQ(colour.GetR(), 0);
    EXPECT_NEAR(colour.GetG(), 255, 2);
    EXPECT_EQ(colour.GetB(), 0);
    ASSERT_EQ(quadrants->GetPixel(0, 1, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetA(), 0);
    ASSERT_EQ(quadrants->GetPixel(1, 1, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetValue(), 0xFF0000FFu);
}

TEST_F(ResourceCacheTest, BytesThatAreNoImageThrowAndAreNotCached) {
    EXPECT_EQ(kelvane::vst::decodeImage(nullptr, 0), nullptr);
    EXPECT_EQ(kelvane::vst::decodeImage(quadrantsPng.data(), 0), nullptr);
    extras["layout.png"] = tivrandel::editorResources().read("layout.json");
    extras["cut.png"] = Bytes(quadrantsPng.begin(), quadrantsPng.begin() + 40);
    ResourceCache cache(countingLoader());
    for (const char* name : {"layout.png", "cut.png"}) {
        for (int attempt = 1; attempt <= 2; ++attempt) {
            try {
                cache.getImage(name);
                ADD_FAILURE() << name << " decoded";
            } catch (const std::runtime_error& error) {
                EXPECT_EQ(std::string(error.what()).rfind("image decoding: ", 0), 0u);
            }
            EXPECT_EQ(reads[name], attempt);
        }
    }
    EXPECT_EQ(reads[ResourceCache::fallbackImageName()], 0);
}

TEST_F(ResourceCacheTest, FontsLoadOnceAndFailuresAreRemembered) {
    ResourceCache cache(countingLoader());
    EXPECT_EQ(cache.getFontFamily("layout.json"), nullptr);
    EXPECT_EQ(cache.getFontFamily("layout.json"), nullptr);
    EXPECT_EQ(cache.getFontFamily("Missing.ttf"), nullptr);
    EXPECT_EQ(cache.getFontFamily("Missing.ttf"), nullptr);
    EXPECT_EQ(reads["layout.json"], 1);
    EXPECT_EQ(reads["Missing.ttf"], 1);

    const auto regular = cache.getFontFamily("TivrandelSans-Regular.ttf");
    ASSERT_NE(regular, nullptr);
    EXPECT_EQ(cache.getFontFamily("TivrandelSans-Regular.ttf"), regular);
    EXPECT_EQ(reads["TivrandelSans-Regular.ttf"], 1);
    WCHAR name[LF_FACESIZE] = {};
    ASSERT_EQ(regular->GetFamilyName(name), Gdiplus::Ok);
    EXPECT_EQ(std::wstring(name), L"Tivrandel Sans");
    const auto bold = cache.getFontFamily("TivrandelSans-Bold.ttf");
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(bold, regular);
}

TEST_F(ResourceCacheTest, FontFamiliesMakeFontsOfAnySizeEvenAfterTheCacheIsGone) {
    std::shared_ptr<Gdiplus::FontFamily> regular;
    std::shared_ptr<Gdiplus::FontFamily> bold;
    {
        ResourceCache cache(tivrandel::editorResources());
        regular = cache.getFontFamily("TivrandelSans-Regular.ttf");
        bold = cache.getFontFamily("TivrandelSans-Bold.ttf");
    }
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    for (const Gdiplus::REAL size : {1.0f, 7.0f, 11.0f, 96.0f}) {
        Gdiplus::Font font(regular.get(), size, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
        EXPECT_TRUE(font.IsAvailable()) << size;
        EXPECT_EQ(font.GetLastStatus(), Gdiplus::Ok) << size;
        Gdiplus::Font heavy(bold.get(), size, Gdiplus::FontStyleBold, Gdiplus::UnitPoint);
        EXPECT_TRUE(heavy.IsAvailable()) << size;
    }
}

} // namespace
