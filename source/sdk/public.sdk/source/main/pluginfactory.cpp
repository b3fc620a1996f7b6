#include "public.sdk/source/main/pluginfactory.h"

#include "public.sdk/source/common/hostboundary.h"
#include "text/utf.h"

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

// The UTF-16 form of a UTF-8 field, truncated like copyText (never splitting a surrogate pair)
// and zero-filled behind.
template <std::size_t N, std::size_t M>
void convertField(char16 (&dest)[N], const char8 (&source)[M]) {
    std::memset(dest, 0, sizeof dest);
    std::size_t length = 0;
    while (length < M && source[length] != 0)
        ++length;
    kelvane::text::utf8ToUtf16(source, length, dest, N - 1);
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
    const tresult result = Steinberg::guarded([&]() -> tresult {
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
