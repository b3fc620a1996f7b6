#include "host/streams.h"

#include <algorithm>
#include <cstring>

namespace testhost {

using namespace Steinberg;

std::string blobBytes(const std::string& text) {
    return blobBytes(std::uint32_t(text.size()), text);
}

std::string blobBytes(std::uint32_t length, const std::string& text) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(char((length >> shift) & 0xFFu));
    }
    return bytes + text;
}

IPtr<MemoryStream> streamOf(const std::string& bytes) {
    auto stream = owned(new MemoryStream);
    int32 written = 0;
    stream->write(const_cast<char*>(bytes.data()), int32(bytes.size()), &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return stream;
}

std::string bytesOf(const MemoryStream& stream) {
    if (stream.getData() == nullptr) {
        return {};
    }
    return std::string(stream.getData(), size_t(stream.getSize()));
}

bool blobText(const MemoryStream& stream, std::string& text) {
    const std::string bytes = bytesOf(stream);
    if (bytes.size() < 4) {
        return false;
    }
    std::uint32_t length = 0;
    for (int i = 3; i >= 0; --i) {
        length = length << 8 | std::uint8_t(bytes[size_t(i)]);
    }
    if (bytes.size() != 4 + size_t(length)) {
        return false;
    }
    text = bytes.substr(4);
    return true;
}

IMPLEMENT_FUNKNOWN_METHODS(FailingStream, IBStream, IBStream::iid)

FailingStream::FailingStream(const std::string& content, int32 byteLimit, Mode failureMode)
    : bytes(content), limit(byteLimit), mode(failureMode){FUNKNOWN_CTOR}

      int32 FailingStream::allowance(int32 numBytes, bool& fail) {
    ++calls;
    const int64 left = std::max<int64>(0, int64(limit) - moved);
    fail = false;
    if (numBytes <= left) {
        return numBytes;
    }
    if (mode == Mode::Fail) {
        fail = true;
        return 0;
    }
    return int32(left);
}

tresult PLUGIN_API FailingStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    bool fail = false;
    int32 count = allowance(numBytes, fail);
    count = int32(std::min<int64>(count, std::max<int64>(0, int64(bytes.size()) - cursor)));
    if (numBytesRead != nullptr) {
        *numBytesRead = fail ? 0 : count;
    }
    if (fail) {
        return kResultFalse;
    }
    std::memcpy(buffer, bytes.data() + cursor, size_t(count));
    cursor += count;
    moved += count;
    return kResultOk;
}

tresult PLUGIN_API FailingStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    bool fail = false;
    const int32 count = allowance(numBytes, fail);
    if (numBytesWritten != nullptr) {
        *numBytesWritten = fail ? 0 : count;
    }
    if (fail) {
        return kResultFalse;
    }
    bytes.resize(std::max<size_t>(bytes.size(), size_t(cursor + count)));
    std::memcpy(&bytes[size_t(cursor)], buffer, size_t(count));
    cursor += count;
    moved += count;
    return kResultOk;
}

tresult PLUGIN_API FailingStream::seek(int64 pos, int32 seekMode, int64* result) {
    const int64 base = seekMode == kIBSeekCur   ? cursor
                       : seekMode == kIBSeekEnd ? int64(bytes.size())
                                                : 0;
    cursor = std::clamp<int64>(base + pos, 0, int64(bytes.size()));
    if (result != nullptr) {
        *result = cursor;
    }
    return kResultOk;
}

tresult PLUGIN_API FailingStream::tell(int64* pos) {
    if (pos != nullptr) {
        *pos = cursor;
    }
    return kResultOk;
}

} // namespace testhost
