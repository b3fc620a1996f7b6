#include "pngwriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelvane::tools {
namespace {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& body) {
    putBigEndian(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    putBigEndian(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - offset);
        const bool last = offset + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(~n));
        out.push_back(static_cast<std::uint8_t>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + n));
        offset += n;
    } while (offset < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

std::uint8_t unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
    if (alpha == 0)
        return 0;
    const unsigned value = (channel * 255u + alpha / 2u) / alpha;
    return static_cast<std::uint8_t>(value > 255u ? 255u : value);
}

} // namespace

std::vector<std::uint8_t> encodePng(const std::uint8_t* pixels, int width, int height, int stride) {
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 4 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 4 * x;
            raw.push_back(unpremultiply(p[2], p[3]));
            raw.push_back(unpremultiply(p[1], p[3]));
            raw.push_back(unpremultiply(p[0], p[3]));
            raw.push_back(p[3]);
        }
    }
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", storedZlib(raw));
    putChunk(out, "IEND", {});
    return out;
}

bool writePng(const std::string& path, const std::uint8_t* pixels, int width, int height,
              int stride, std::string* reason) {
    const std::vector<std::uint8_t> bytes = encodePng(pixels, width, height, stride);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        if (reason != nullptr)
            *reason = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    if (reason != nullptr)
        *reason = std::strerror(written ? errno : writeError);
    return false;
}

} // namespace kelvane::tools
