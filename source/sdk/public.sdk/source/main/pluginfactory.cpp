#include "public.sdk/source/main/pluginfactory.h"

#include "framework/guard.h"

#include <cstring>

namespace Steinberg {

namespace {

// Copies at most capacity - 1 bytes of a zero-terminated or field-filling text, never splitting
// a UTF-8 sequence, and fills the rest of the field with zeros so that no stale bytes reach the
// host and every field stays a terminated string.
void copyText(char8* dest, std::size_t capacity, const char8* source, std::size_t sourceCapacity) {
    std::memset(dest, 0, capacity);
    if (!source || capacity == 0)
        return;
    std::size_t length = 0;
    while (length < sourceCapacity && source[length] != 0)
        ++length;
    if (length > capacity - 1) {
        length = capacity - 1;
        while (length > 0 && (static_cast<unsigned char>(source[length]) & 0xC0u) == 0x80u)
            --length;
    }
    std::memcpy(dest, source, length);
}

template <std::size_t N, std::size_t M>
void copyField(char8 (&dest)[N], const char8 (&source)[M]) {
    copyText(dest, N, source, M);
}

// Decodes one UTF-8 sequence starting at text[i] (i < length), advancing i. Malformed input
// (stray continuation bytes, truncated or overlong sequences, surrogates, values above
// U+10FFFF) gives U+FFFD and consumes one byte.
char32_t decodeUtf8(const char8* text, std::size_t length, std::size_t& i) {
    const auto byteAt = [text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byteAt(i);
    std::size_t extra;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80u) {
        ++i;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        extra = 1;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        extra = 2;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        extra = 3;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= length) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const unsigned next = byteAt(i + k);
        if ((next & 0xC0u) != 0x80u) {
            ++i;
            return 0xFFFD;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return value;
}

// The UTF-16 form of a UTF-8 field, truncated like copyText (never splitting a surrogate pair)
// and zero-filled behind.
template <std::size_t N, std::size_t M>
void convertField(char16 (&dest)[N], const char8 (&source)[M]) {
    std::memset(dest, 0, sizeof dest);
    std::size_t length = 0;
    while (length < M && source[length] != 0)
        ++length;
    std::size_t out = 0;
    for (std::size_t i = 0; i < length;) {
        const char32_t c = decodeUtf8(source, length, i);
        if (c >= 0x10000) {
            if (out + 2 > N - 1)
                break;
            const char32_t offset = c - 0x10000;
            dest[out++] = static_cast<char16>(0xD800 + (offset >> 10));
            dest[out++] = static_cast<char16>(0xDC00 + (offset & 0x3FF));
        } else {
            if (out + 1 > N - 1)
                break;
            dest[out++] = static_cast<char16>(c);
        }
    }
}

bool sameId(const TUID a, const TUID b) {
    return std::memcmp(a, b, sizeof(TUID)) == 0;
}

} // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) {
    copyField(factoryInfo.vendor, info.vendor);
    copyField(factoryInfo.url, info.url);
    copyField(factoryInfo.email, info.email);
    factoryInfo.flags = info.flags;
}

CPluginFactory::~CPluginFactory() = default;

bool CPluginFactory::registerClass(const PClassInfo* info, FUnknown* (*createFunc)(void*),
                                   void* context) {
    if (!info)
        return false;
    PClassInfo2 extended;
    std::memcpy(extended.cid, info->cid, sizeof(TUID));
    extended.cardinality = info->cardinality;
    copyField(extended.category, info->category);
    copyField(extended.name, info->name);
    return addClass(extended, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, FUnknown* (*createFunc)(void*),
                                   void* context) {
    if (!info)
        return false;
    return addClass(*info, createFunc, context);
}

bool CPluginFactory::addClass(const PClassInfo2& info, FUnknown* (*createFunc)(void*),
                              void* context) {
    // A second class under the same id would make createInstance ambiguous.
    if (!createFunc || isClassRegistered(FUID::fromTUID(info.cid)))
        return false;
    ClassEntry entry{};
    std::memcpy(entry.info.cid, info.cid, sizeof(TUID));
    entry.info.cardinality = info.cardinality;
    copyField(entry.info.category, info.category);
    copyField(entry.info.name, info.name);
    entry.info.classFlags = info.classFlags;
    copyField(entry.info.subCategories, info.subCategories);
    copyField(entry.info.vendor, info.vendor);
    copyField(entry.info.version, info.version);
    copyField(entry.info.sdkVersion, info.sdkVersion);
    entry.createFunc = createFunc;
    entry.context = context;
    try {
        classes.push_back(entry);
    } catch (...) {
        return false;
    }
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) {
    for (const ClassEntry& entry : classes)
        if (sameId(entry.info.cid, cid.toTUID()))
            return true;
    return false;
}

void CPluginFactory::removeAllClasses() {
    classes.clear();
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= classes.size())
        return nullptr;
    return &classes[static_cast<std::size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj) {
    if (!obj)
        return kInvalidArgument;
    *obj = nullptr;
    if (!_iid)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(_iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(_iid, IPluginFactory::iid) ||
        FUnknownPrivate::iidEqual(_iid, IPluginFactory2::iid) ||
        FUnknownPrivate::iidEqual(_iid, IPluginFactory3::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() {
    return ++refCount;
}

uint32 PLUGIN_API CPluginFactory::release() {
    const uint32 remaining = --refCount;
    if (remaining == 0)
        delete this;
    return remaining;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info)
        return kInvalidArgument;
    *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return static_cast<int32>(classes.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info)
        return kInvalidArgument;
    *info = PClassInfo{};
    std::memcpy(info->cid, entry->info.cid, sizeof(TUID));
    info->cardinality = entry->info.cardinality;
    copyField(info->category, entry->info.category);
    copyField(info->name, entry->info.name);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info)
        return kInvalidArgument;
    *info = entry->info;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info)
        return kInvalidArgument;
    *info = PClassInfoW{};
    std::memcpy(info->cid, entry->info.cid, sizeof(TUID));
    info->cardinality = entry->info.cardinality;
    copyField(info->category, entry->info.category);
    convertField(info->name, entry->info.name);
    info->classFlags = entry->info.classFlags;
    copyField(info->subCategories, entry->info.subCategories);
    convertField(info->vendor, entry->info.vendor);
    convertField(info->version, entry->info.version);
    convertField(info->sdkVersion, entry->info.sdkVersion);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj) {
    if (!obj)
        return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !_iid)
        return kInvalidArgument;
    const tresult result = kelvane::vst::guarded([&]() -> tresult {
        for (const ClassEntry& entry : classes) {
            if (!sameId(entry.info.cid, cid))
                continue;
            FUnknown* instance = entry.createFunc(entry.context);
            if (!instance)
                return kNoInterface;
            // The query adds the host's reference; the creation reference is ours to drop.
            const tresult answer = instance->queryInterface(_iid, obj);
            instance->release();
            return answer == kResultOk ? kResultOk : kNoInterface;
        }
        return kNoInterface;
    });
    if (result != kResultOk)
        *obj = nullptr;
    return result;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* /*context*/) {
    return kNotImplemented;
}

} // namespace Steinberg
