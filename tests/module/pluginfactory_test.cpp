#include "public.sdk/source/main/pluginfactory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace Steinberg {

// An interface of the test objects, so that createInstance has something to ask for.
class ITestValue : public FUnknown {
public:
    virtual int32 PLUGIN_API value() = 0;
    static const FUID iid;
};
DECLARE_CLASS_IID(ITestValue, 0x1B2C3D4E, 0x5F607182, 0x93A4B5C6, 0xD7E8F901)
DEF_CLASS_IID(ITestValue)

} // namespace Steinberg

namespace {

using namespace Steinberg;
// The SDK's UTF-16 character: char16_t, or wchar_t on Windows.
using String16 = std::basic_string<char16>;

int liveObjects = 0;

class TestObject : public ITestValue {
public:
    explicit TestObject(int32 v) : v_(v) { ++liveObjects; }
    virtual ~TestObject() { --liveObjects; }
    int32 PLUGIN_API value() override { return v_; }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override {
        *obj = nullptr;
        if (!FUnknownPrivate::iidEqual(queried, FUnknown::iid) &&
            !FUnknownPrivate::iidEqual(queried, ITestValue::iid))
            return kNoInterface;
        addRef();
        *obj = static_cast<ITestValue*>(this);
        return kResultOk;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override {
        if (--refs == 0) {
            delete this;
            return 0;
        }
        return refs;
    }
    uint32 refs = 1;

private:
    int32 v_;
};

FUnknown* createTestObject(void* context) {
    return new TestObject(context ? *static_cast<int32*>(context) : 7);
}
FUnknown* createNothing(void*) {
    return nullptr;
}
FUnknown* createThrowing(void*) {
    throw std::runtime_error("construction failed");
}

const TUID firstId = INLINE_UID(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const TUID secondId = INLINE_UID(0x55555555, 0x66666666, 0x77777777, 0x88888888);
const TUID thirdId = INLINE_UID(0x99999999, 0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC);
const auto testIid = reinterpret_cast<FIDString>(ITestValue_iid);

FIDString fid(const TUID id) {
    return reinterpret_cast<FIDString>(id);
}

PClassInfo2 classInfo(const TUID cid, const char* name) {
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", name, 1, "Fx|Spatial",
                       "Maker", "1.2.3", "VST 3.7.2");
}

// The field holds exactly text and is zero behind it, byte by byte.
template <typename Char, std::size_t N>
void expectField(const Char (&field)[N], const std::basic_string<Char>& text) {
    ASSERT_LT(text.size(), N);
    for (std::size_t i = 0; i < N; ++i)
        ASSERT_EQ(field[i], i < text.size() ? text[i] : Char(0)) << "at index " << i;
}
template <std::size_t N>
void expectField(const char8 (&field)[N], const char* text) {
    expectField(field, std::string(text));
}

struct Release {
    void operator()(CPluginFactory* f) const { f->release(); }
};
using FactoryPtr = std::unique_ptr<CPluginFactory, Release>;

FactoryPtr makeFactory(const char* vendor = "Vendor") {
    return FactoryPtr(new CPluginFactory(
        PFactoryInfo(vendor, "https://v.example", "m@v.example", PFactoryInfo::kUnicode)));
}

TEST(PluginFactory, RegistersClassesOnceEachAndDescribesThem) {
    auto factory = makeFactory();
    const PClassInfo2 first = classInfo(firstId, "First");
    const PClassInfo second(secondId, 1, "Service", "Second");
    EXPECT_FALSE(factory->registerClass(static_cast<const PClassInfo2*>(nullptr), createNothing));
    EXPECT_FALSE(factory->registerClass(&first, nullptr));
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    ASSERT_TRUE(factory->registerClass(&second, createTestObject));
    // A second class under a known id would make createInstance ambiguous.
    const PClassInfo2 again = classInfo(firstId, "Again");
    EXPECT_FALSE(factory->registerClass(&again, createTestObject));
    ASSERT_EQ(factory->countClasses(), 2);
    EXPECT_TRUE(factory->isClassRegistered(FUID::fromTUID(secondId)));
    EXPECT_FALSE(factory->isClassRegistered(FUID::fromTUID(thirdId)));

    PClassInfo2 info2;
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    EXPECT_EQ(std::memcmp(static_cast<void*>(&info2), &first, sizeof info2), 0);
    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
    EXPECT_EQ(std::memcmp(static_cast<void*>(&info), &second, sizeof info), 0);
    // Registered with the first version of the info: the extended fields are empty.
    ASSERT_EQ(factory->getClassInfo2(1, &info2), kResultOk);
    expectField(info2.name, "Second");
    EXPECT_EQ(info2.classFlags, 0u);
    expectField(info2.version, "");
}

TEST(PluginFactory, TextsAreTruncatedAndZeroFilled) {
    PFactoryInfo sourceInfo;
    std::memset(sourceInfo.vendor, 'v', sizeof sourceInfo.vendor); // no terminator at all
    std::memset(sourceInfo.url, 0x5A, sizeof sourceInfo.url);
    std::strcpy(sourceInfo.url, "https://x.example"); // stale bytes behind the terminator
    sourceInfo.flags = 16;
    FactoryPtr factory(new CPluginFactory(sourceInfo));

    PClassInfo2 source;
    std::memset(static_cast<void*>(&source), 0x5A, sizeof source);
    std::memcpy(source.cid, firstId, sizeof(TUID));
    std::memset(source.category, 'c', sizeof source.category);
    std::strcpy(source.name, "Short");
    // 62 bytes and a two-byte UTF-8 sequence: a cut at 63 bytes would split the sequence.
    std::memset(source.vendor, 'a', 62);
    std::memcpy(source.vendor + 62, "\xC3\xA9", 2);
    std::memset(source.sdkVersion, 'k', sizeof source.sdkVersion);
    ASSERT_TRUE(factory->registerClass(&source, createTestObject));

    PFactoryInfo info;
    std::memset(static_cast<void*>(&info), 0x77, sizeof info);
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    expectField(info.vendor, std::string(63, 'v'));
    expectField(info.url, "https://x.example");
    expectField(info.email, "");
    EXPECT_EQ(info.flags, 16);

    PClassInfo2 info2;
    std::memset(static_cast<void*>(&info2), 0x77, sizeof info2);
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    expectField(info2.category, std::string(31, 'c'));
    expectField(info2.name, "Short");
    expectField(info2.subCategories, std::string(sizeof source.subCategories - 1, 'Z'));
    expectField(info2.vendor, std::string(62, 'a'));
    expectField(info2.sdkVersion, std::string(63, 'k'));
    PClassInfo info1;
    std::memset(static_cast<void*>(&info1), 0x77, sizeof info1);
    ASSERT_EQ(factory->getClassInfo(0, &info1), kResultOk);
    expectField(info1.category, std::string(31, 'c'));
    expectField(info1.name, "Short");
}

TEST(PluginFactory, UnicodeInfoCarriesTheTextsAsUtf16) {
    auto factory = makeFactory();
    PClassInfo2 source = classInfo(firstId, "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80!");
    strncpy8(source.vendor, "bad \xFF byte", PClassInfo2::kVendorSize);
    strncpy8(source.version, "\xE2\x82", PClassInfo2::kVersionSize); // truncated sequence
    ASSERT_TRUE(factory->registerClass(&source, createTestObject));

    PClassInfoW info;
    std::memset(static_cast<void*>(&info), 0x77, sizeof info);
    ASSERT_EQ(factory->getClassInfoUnicode(0, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, firstId, sizeof(TUID)), 0);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    expectField(info.category, "Audio Module Class");
    expectField(info.name, String16(STR16("Caf\u00E9 \u20AC \U0001F600!")));
    EXPECT_EQ(info.classFlags, 1u);
    expectField(info.subCategories, "Fx|Spatial");
    expectField(info.vendor, String16(STR16("bad \uFFFD byte")));
    expectField(info.version, String16(STR16("\uFFFD\uFFFD")));
    expectField(info.sdkVersion, String16(STR16("VST 3.7.2")));
}

TEST(PluginFactory, BadIndexAndNullPointersAreInvalidArguments) {
    auto factory = makeFactory();
    const PClassInfo2 first = classInfo(firstId, "First");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    for (int32 index : {-1, 1, 0x7FFFFFFF}) {
        EXPECT_EQ(factory->getClassInfo(index, &info), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(index, &info2), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfoUnicode(index, &infoW), kInvalidArgument);
    }
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfoUnicode(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
    EXPECT_EQ(factory->queryInterface(IPluginFactory::iid, nullptr), kInvalidArgument);

    void* obj = &info;
    EXPECT_EQ(factory->createInstance(fid(firstId), testIid, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->createInstance(nullptr, testIid, &obj), kInvalidArgument);
    EXPECT_EQ(obj, nullptr);
    obj = &info;
    EXPECT_EQ(factory->createInstance(fid(firstId), nullptr, &obj), kInvalidArgument);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(liveObjects, 0);
}

TEST(PluginFactory, CreatesThroughTheCreateFunctionAndLeavesOneReference) {
    auto factory = makeFactory();
    int32 contextValue = 42;
    const PClassInfo2 infos[] = {classInfo(firstId, "Object"), classInfo(secondId, "Nothing"),
                                 classInfo(thirdId, "Throwing")};
    ASSERT_TRUE(factory->registerClass(&infos[0], createTestObject, &contextValue));
    ASSERT_TRUE(factory->registerClass(&infos[1], createNothing));
    ASSERT_TRUE(factory->registerClass(&infos[2], createThrowing));

    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(fid(firstId), testIid, &obj), kResultOk);
    auto* created = static_cast<TestObject*>(static_cast<ITestValue*>(obj));
    EXPECT_EQ(created->value(), 42);
    EXPECT_EQ(created->refs, 1u);
    created->release();
    EXPECT_EQ(liveObjects, 0);

    // Created but without the requested interface: released again.
    const auto otherIid = reinterpret_cast<FIDString>(IPluginBase_iid);
    const TUID notRegistered = INLINE_UID(1, 2, 3, 4);
    const std::pair<FIDString, FIDString> failing[] = {
        {fid(notRegistered), testIid}, {fid(firstId), otherIid}, {fid(secondId), testIid}};
    for (const auto& [cid, iid] : failing) {
        obj = &obj;
        EXPECT_EQ(factory->createInstance(cid, iid, &obj), kNoInterface);
        EXPECT_EQ(obj, nullptr);
    }
    EXPECT_EQ(liveObjects, 0);
    obj = &obj;
    EXPECT_EQ(factory->createInstance(fid(thirdId), testIid, &obj), kResultFalse);
    EXPECT_EQ(obj, nullptr);
}

TEST(PluginFactory, InterfacesReferencesAndIndependence) {
    auto factory = makeFactory();
    for (const FUID* iid :
         {&FUnknown::iid, &IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid}) {
        void* obj = nullptr;
        ASSERT_EQ(factory->queryInterface(iid->toTUID(), &obj), kResultOk);
        EXPECT_EQ(obj, static_cast<IPluginFactory3*>(factory.get()));
        EXPECT_EQ(factory->release(), 1u);
    }
    void* obj = &obj;
    EXPECT_EQ(factory->queryInterface(ITestValue::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->setHostContext(nullptr), kNotImplemented);

    auto* other = new CPluginFactory(PFactoryInfo("Other", "", "", 0));
    const PClassInfo2 first = classInfo(firstId, "First");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    ASSERT_TRUE(other->registerClass(&first, createTestObject));
    EXPECT_EQ(other->addRef(), 2u);
    EXPECT_EQ(other->release(), 1u);
    EXPECT_EQ(other->release(), 0u);
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    expectField(info.vendor, "Vendor");
    EXPECT_EQ(factory->countClasses(), 1);
}

} // namespace
