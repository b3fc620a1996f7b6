#pragma once

#include "pluginterfaces/base/ibstream.h"
#include "public.sdk/source/common/memorystream.h"

#include <cstdint>
#include <string>

namespace testhost {

// The bytes of a state blob holding text: the 32-bit little-endian length, then the text.
std::string blobBytes(const std::string& text);
// The same with a length prefix of the caller's choice, to forge inconsistent blobs.
std::string blobBytes(std::uint32_t length, const std::string& text);

// A memory stream positioned at the start of the given bytes.
Steinberg::IPtr<Steinberg::MemoryStream> streamOf(const std::string& bytes);
inline Steinberg::IPtr<Steinberg::MemoryStream> blobStream(const std::string& text) {
    return streamOf(blobBytes(text));
}

// Everything written to the stream, from its start to its size.
std::string bytesOf(const Steinberg::MemoryStream& stream);
// The JSON text of a written blob; false unless the stream holds exactly 4 + N bytes.
bool blobText(const Steinberg::MemoryStream& stream, std::string& text);

// A stream that passes the first `limit` bytes through to memory and then fails: either its
// call answers kResultFalse (moving nothing), or it comes short, moving only what is left of
// the limit and answering kResultOk.
class FailingStream : public Steinberg::IBStream {
public:
    enum class Mode { Fail, Short };
    FailingStream(const std::string& bytes, Steinberg::int32 limit, Mode mode);
    virtual ~FailingStream(){FUNKNOWN_DTOR}

    Steinberg::tresult PLUGIN_API
        read(void* buffer, Steinberg::int32 numBytes, Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    std::string bytes; // what is readable, and what was written
    Steinberg::int32 calls = 0;

    DECLARE_FUNKNOWN_METHODS

private:
    Steinberg::int32 allowance(Steinberg::int32 numBytes, bool& fail);

    Steinberg::int32 limit;
    Mode mode;
    Steinberg::int64 cursor = 0;
    Steinberg::int64 moved = 0;
};

} // namespace testhost
