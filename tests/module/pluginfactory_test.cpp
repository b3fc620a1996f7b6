#include "public.sdk/source/main/pluginfactory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
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

std::atomic<int> liveObjects{0};

class TestObject : public ITestValue {
public:
    explicit TestObject(int32 v) : v_(v) { ++liveObjects; }
    virtual ~TestObject() { --liveObjects; }

    int32 PLUGIN_API value() override { return v_; }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override {
        if (FUnknownPrivate::iidEqual(queried, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(queried, ITestValue::iid)) {
            addRef();
            *obj = static_cast<ITestValue*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs_; }
    uint32 PLUGIN_API release() override {
        const uint32 left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    uint32 references() const { return refs_; }

private:
    int32 v_;
    std::atomic<uint32> refs_{1};
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
const TUID unknownId = INLINE_UID(0x99999999, 0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC);

PFactoryInfo makeFactoryInfo() {
    PFactoryInfo info;
    strncpy8(info.vendor, "Vendor", PFactoryInfo::kNameSize);
    strncpy8(info.url, "https://vendor.example", PFactoryInfo::kURLSize);
    strncpy8(info.email, "mail@vendor.example", PFactoryInfo::kEmailSize);
    info.flags = PFactoryInfo::kUnicode;
    return info;
}

PClassInfo2 makeClassInfo(const TUID cid, const char* name) {
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", name, 1, "Fx|Spatial",
                       "Maker", "1.2.3", "VST 3.7.2");
}

// The field holds exactly text and is zero behind it, byte by byte.
template <typename Char, std::size_t N>
void expectField(const Char (&field)[N], const std::basic_string<Char>& text) {
    ASSERT_LT(text.size(), N);
    for (std::size_t i = 0; i < N; ++i) {
        const Char expected = i < text.size() ? text[i] : Char(0);
        ASSERT_EQ(field[i], expected) << "at index " << i;
    }
}
template <std::size_t N>
void expectField(const char8 (&field)[N], const char* text) {
    expectField(field, std::string(text));
}

struct FactoryDeleter {
    void operator()(CPluginFactory* f) const { f->release(); }
};
using FactoryPtr = std::unique_ptr<CPluginFactory, FactoryDeleter>;

class PluginFactoryTest : public ::testing::Test {
protected:
    FactoryPtr factory{new CPluginFactory(makeFactoryInfo())};
};

TEST_F(PluginFactoryTest, CountsAndDescribesRegisteredClasses) {
    EXPECT_EQ(factory->countClasses(), 0);
    const PClassInfo2 first = makeClassInfo(firstId, "First");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    const PClassInfo second(secondId, 1, "Service", "Second");
    ASSERT_TRUE(factory->registerClass(&second, createTestObject));
    EXPECT_EQ(factory->countClasses(), 2);
    EXPECT_TRUE(factory->isClassRegistered(FUID::fromTUID(firstId)));
    EXPECT_TRUE(factory->isClassRegistered(FUID::fromTUID(secondId)));
    EXPECT_FALSE(factory->isClassRegistered(FUID::fromTUID(unknownId)));

    PClassInfo2 info2;
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    EXPECT_EQ(
        std::memcmp(static_cast<void*>(&info2), static_cast<const void*>(&first), sizeof info2), 0);

    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
    EXPECT_EQ(
        std::memcmp(static_cast<void*>(&info), static_cast<const void*>(&second), sizeof info), 0);

    // A class registered with the first version of the info has empty extended fields.
    ASSERT_EQ(factory->getClassInfo2(1, &info2), kResultOk);
    EXPECT_EQ(info2.cardinality, 1);
    expectField(info2.name, "Second");
    EXPECT_EQ(info2.classFlags, 0u);
    expectField(info2.subCategories, "");
    expectField(info2.vendor, "");
    expectField(info2.version, "");
    expectField(info2.sdkVersion, "");
}

TEST_F(PluginFactoryTest, RefusesIncompleteAndDuplicateRegistrations) {
    const PClassInfo2 first = makeClassInfo(firstId, "First");
    EXPECT_FALSE(
        factory->registerClass(static_cast<const PClassInfo2*>(nullptr), createTestObject));
    EXPECT_FALSE(factory->registerClass(static_cast<const PClassInfo*>(nullptr), createTestObject));
    EXPECT_FALSE(factory->registerClass(&first, nullptr));
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    const PClassInfo2 again = makeClassInfo(firstId, "Again");
    EXPECT_FALSE(factory->registerClass(&again, createTestObject));
    EXPECT_EQ(factory->countClasses(), 1);
    factory->removeAllClasses();
    EXPECT_EQ(factory->countClasses(), 0);
}

TEST_F(PluginFactoryTest, FactoryInfoIsTruncatedAndZeroFilled) {
    PFactoryInfo source;
    std::memset(static_cast<void*>(&source), 'v',
                sizeof source.vendor); // fills the field: no terminator at all
    std::memset(source.url, 0x5A, sizeof source.url);
    std::strcpy(source.url, "https://x.example"); // stale bytes behind the terminator
    std::memset(source.email, 'e', sizeof source.email);
    source.flags = 16;
    FactoryPtr other(new CPluginFactory(source));

    PFactoryInfo info;
    std::memset(static_cast<void*>(&info), 0x77, sizeof info);
    ASSERT_EQ(other->getFactoryInfo(&info), kResultOk);
    expectField(info.vendor, std::string(PFactoryInfo::kNameSize - 1, 'v'));
    expectField(info.url, "https://x.example");
    expectField(info.email, std::string(PFactoryInfo::kEmailSize - 1, 'e'));
    EXPECT_EQ(info.flags, 16);
}

TEST_F(PluginFactoryTest, ClassTextsAreTruncatedAndZeroFilled) {
    PClassInfo2 source;
    std::memset(static_cast<void*>(&source), 0x5A, sizeof source);
    std::memcpy(source.cid, firstId, sizeof(TUID));
    source.cardinality = PClassInfo::kManyInstances;
    std::memset(source.category, 'c', sizeof source.category);
    std::strcpy(source.name, "Short");
    source.classFlags = 1;
    std::memset(source.subCategories, 's', sizeof source.subCategories);
    // 62 bytes and a two-byte UTF-8 sequence: cutting at 63 would split the sequence.
    std::memset(source.vendor, 'a', 62);
    std::memcpy(source.vendor + 62, "\xC3\xA9", 2);
    std::strcpy(source.version, "");
    std::memset(source.sdkVersion, 'k', sizeof source.sdkVersion);
    ASSERT_TRUE(factory->registerClass(&source, createTestObject));

    PClassInfo2 info;
    std::memset(static_cast<void*>(&info), 0x77, sizeof info);
    ASSERT_EQ(factory->getClassInfo2(0, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, firstId, sizeof(TUID)), 0);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    expectField(info.category, std::string(PClassInfo::kCategorySize - 1, 'c'));
    expectField(info.name, "Short");
    EXPECT_EQ(info.classFlags, 1u);
    expectField(info.subCategories, std::string(PClassInfo2::kSubCategoriesSize - 1, 's'));
    expectField(info.vendor, std::string(62, 'a'));
    expectField(info.version, "");
    expectField(info.sdkVersion, std::string(PClassInfo2::kVersionSize - 1, 'k'));

    PClassInfo info1;
    std::memset(static_cast<void*>(&info1), 0x77, sizeof info1);
    ASSERT_EQ(factory->getClassInfo(0, &info1), kResultOk);
    expectField(info1.category, std::string(PClassInfo::kCategorySize - 1, 'c'));
    expectField(info1.name, "Short");
}

TEST_F(PluginFactoryTest, UnicodeInfoCarriesTheSameTextsAsUtf16) {
    PClassInfo2 source = makeClassInfo(firstId, "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80!");
    strncpy8(source.vendor, "bad \xFF byte", PClassInfo2::kVendorSize);
    strncpy8(source.version, "\xE2\x82", PClassInfo2::kVersionSize); // truncated sequence
    ASSERT_TRUE(factory->registerClass(&source, createTestObject));

    PClassInfoW info;
    std::memset(static_cast<void*>(&info), 0x77, sizeof info);
    ASSERT_EQ(factory->getClassInfoUnicode(0, &info), kResultOk);
    EXPECT_EQ(std::memcmp(info.cid, firstId, sizeof(TUID)), 0);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    expectField(info.category, "Audio Module Class");
    expectField(info.name, std::u16string(u"Caf\u00E9 \u20AC \U0001F600!"));
    EXPECT_EQ(info.classFlags, 1u);
    expectField(info.subCategories, "Fx|Spatial");
    expectField(info.vendor, std::u16string(u"bad \uFFFD byte"));
    expectField(info.version, std::u16string(u"\uFFFD\uFFFD"));
    expectField(info.sdkVersion, std::u16string(u"VST 3.7.2"));
}

TEST_F(PluginFactoryTest, BadIndexAndNullPointersAreInvalidArguments) {
    const PClassInfo2 first = makeClassInfo(firstId, "First");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    for (int32 index : {-1, 1, 2, 0x7FFFFFFF}) {
        EXPECT_EQ(factory->getClassInfo(index, &info), kInvalidArgument) << index;
        EXPECT_EQ(factory->getClassInfo2(index, &info2), kInvalidArgument) << index;
        EXPECT_EQ(factory->getClassInfoUnicode(index, &infoW), kInvalidArgument) << index;
    }
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfoUnicode(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);

    void* obj = &info;
    const auto cid = reinterpret_cast<FIDString>(firstId);
    const auto iid = reinterpret_cast<FIDString>(ITestValue::iid.toTUID());
    EXPECT_EQ(factory->createInstance(cid, iid, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->createInstance(nullptr, iid, &obj), kInvalidArgument);
    EXPECT_EQ(obj, nullptr);
    obj = &info;
    EXPECT_EQ(factory->createInstance(cid, nullptr, &obj), kInvalidArgument);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->queryInterface(IPluginFactory::iid, nullptr), kInvalidArgument);
    EXPECT_EQ(liveObjects, 0);
}

TEST_F(PluginFactoryTest, CreatesThroughTheCreateFunctionAndAnswersTheRequestedInterface) {
    int32 contextValue = 42;
    const PClassInfo2 first = makeClassInfo(firstId, "First");
    const PClassInfo2 second = makeClassInfo(secondId, "Second");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject, &contextValue));
    ASSERT_TRUE(factory->registerClass(&second, createTestObject));
    const auto iid = reinterpret_cast<FIDString>(ITestValue::iid.toTUID());

    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(reinterpret_cast<FIDString>(firstId), iid, &obj), kResultOk);
    auto* created = static_cast<ITestValue*>(obj);
    EXPECT_EQ(created->value(), 42);
    // Only the caller's reference is left.
    EXPECT_EQ(static_cast<TestObject*>(created)->references(), 1u);

    ASSERT_EQ(factory->createInstance(reinterpret_cast<FIDString>(secondId), iid, &obj), kResultOk);
    auto* other = static_cast<ITestValue*>(obj);
    EXPECT_NE(other, created);
    EXPECT_EQ(other->value(), 7);
    EXPECT_EQ(liveObjects, 2);
    created->release();
    other->release();
    EXPECT_EQ(liveObjects, 0);
}

TEST_F(PluginFactoryTest, FailedCreationLeavesNoObjectBehind) {
    const PClassInfo2 first = makeClassInfo(firstId, "First");
    const PClassInfo2 empty = makeClassInfo(secondId, "Empty");
    const PClassInfo2 throwing = makeClassInfo(unknownId, "Throwing");
    ASSERT_TRUE(factory->registerClass(&first, createTestObject));
    ASSERT_TRUE(factory->registerClass(&empty, createNothing));
    ASSERT_TRUE(factory->registerClass(&throwing, createThrowing));
    const auto testIid = reinterpret_cast<FIDString>(ITestValue::iid.toTUID());
    const auto otherIid = reinterpret_cast<FIDString>(IPluginBase::iid.toTUID());
    const TUID notRegistered = INLINE_UID(1, 2, 3, 4);

    int dummy = 0;
    void* obj = &dummy;
    EXPECT_EQ(factory->createInstance(reinterpret_cast<FIDString>(notRegistered), testIid, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);

    // Created, but without the requested interface: the object is released again.
    obj = &dummy;
    EXPECT_EQ(factory->createInstance(reinterpret_cast<FIDString>(firstId), otherIid, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(liveObjects, 0);

    obj = &dummy;
    EXPECT_EQ(factory->createInstance(reinterpret_cast<FIDString>(secondId), testIid, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);

    obj = &dummy;
    EXPECT_EQ(factory->createInstance(reinterpret_cast<FIDString>(unknownId), testIid, &obj),
              kResultFalse);
    EXPECT_EQ(obj, nullptr);
}

TEST_F(PluginFactoryTest, InterfacesAndReferenceCounting) {
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
    EXPECT_EQ(factory->addRef(), 2u);
    EXPECT_EQ(factory->release(), 1u);
    EXPECT_EQ(factory->setHostContext(nullptr), kNotImplemented);
}

TEST(PluginFactory, TwoFactoriesAreIndependent) {
    FactoryPtr a(new CPluginFactory(makeFactoryInfo()));
    PFactoryInfo otherInfo = makeFactoryInfo();
    strncpy8(otherInfo.vendor, "Other", PFactoryInfo::kNameSize);
    auto* b = new CPluginFactory(otherInfo);

    const PClassInfo2 first = makeClassInfo(firstId, "First");
    ASSERT_TRUE(a->registerClass(&first, createTestObject));
    ASSERT_TRUE(b->registerClass(&first, createTestObject));
    const PClassInfo2 second = makeClassInfo(secondId, "Second");
    ASSERT_TRUE(b->registerClass(&second, createTestObject));
    EXPECT_EQ(a->countClasses(), 1);
    EXPECT_EQ(b->countClasses(), 2);

    PFactoryInfo info;
    ASSERT_EQ(a->getFactoryInfo(&info), kResultOk);
    expectField(info.vendor, "Vendor");
    EXPECT_EQ(b->release(), 0u);

    PClassInfo2 info2;
    ASSERT_EQ(a->getClassInfo2(0, &info2), kResultOk);
    expectField(info2.name, "First");
}

} // namespace
