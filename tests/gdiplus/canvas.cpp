#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace gdiplustest {

namespace {

// GDI+ must run while the tests draw.
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

private:
    ULONG_PTR token = 0;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

} // namespace

Canvas::Canvas(int width, int height)
    : w(width), h(height), bmp(new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB)),
      gfx(new Gdiplus::Graphics(bmp.get())) {
    gfx->Clear(Gdiplus::Color(0, 0, 0, 0));
}

std::vector<std::uint32_t> Canvas::read() {
    gfx->Flush();
    std::vector<std::uint32_t> pixels(std::size_t(w) * std::size_t(h));
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect all(0, 0, w, h);
    if (bmp->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok) {
        ADD_FAILURE() << "LockBits failed";
        return pixels;
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(&pixels[std::size_t(y) * std::size_t(w)],
                    static_cast<const unsigned char*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride,
                    std::size_t(w) * 4);
    bmp->UnlockBits(&data);
    return pixels;
}

Pixel Canvas::at(int x, int y) {
    const std::uint32_t p = read()[std::size_t(y) * std::size_t(w) + std::size_t(x)];
    return {int(p >> 24), int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
}

Box Canvas::ink(int threshold) {
    const std::vector<std::uint32_t> pixels = read();
    Box box{w, h, -1, -1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (int(pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] >> 24) >= threshold) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    if (box.right < 0)
        return Box{};
    return box;
}

bool underWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

} // namespace gdiplustest
