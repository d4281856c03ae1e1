// Module entry and factory: identity of the class, reference counting and instance creation.

#include <xmmintrin.h>

#include <cstring>

#include "fixture.h"
#include "rigging/core/fpcontrol.h"
#include "rigging/vst3/pluginfactory.h"

using namespace vst3test;

namespace {

class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override { factory = rigging::vst3::getPluginFactory(makeTestClient); }
    void TearDown() override {
        if (factory) {
            EXPECT_EQ(factory->release(), 0u);
        }
        EXPECT_EQ(rigging::vst3::gPluginFactory, nullptr);
        EXPECT_EQ(testsupport::TestClient::live.load(), 0);
    }
    IPluginFactory* factory = nullptr;
};

}  // namespace

TEST_F(FactoryTest, OneFactoryUntilTheLastReleaseThenANewOne) {
    IPluginFactory* again = rigging::vst3::getPluginFactory(makeTestClient);
    EXPECT_EQ(again, factory);
    EXPECT_EQ(again->release(), 1u);  // the second call added one reference
    EXPECT_EQ(factory->release(), 0u);
    factory = rigging::vst3::getPluginFactory(makeTestClient);  // rebuilt after the last release
    EXPECT_EQ(factory->countClasses(), 1);
}

TEST_F(FactoryTest, ClassInformationInAllThreeForms) {
    PFactoryInfo fi;
    ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
    EXPECT_STREQ(fi.vendor, "Test Vendor");
    EXPECT_EQ(fi.flags, PFactoryInfo::kUnicode);
    EXPECT_GT(std::strlen(fi.url), 0u);  // placeholders stand in for the empty texts
    EXPECT_GT(std::strlen(fi.email), 0u);

    void* obj = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, &obj), kResultOk);
    auto* f3 = static_cast<IPluginFactory3*>(obj);
    PClassInfo2 ci;
    ASSERT_EQ(f3->getClassInfo2(0, &ci), kResultOk);
    const unsigned char cid[16] = {0x0B, 0x20, 0xBA, 0x92, 0x0C, 0xE0, 0xB1, 0x45,
                                   'V',  'T',  'S',  'T',  's',  't',  'g',  'r'};
    EXPECT_EQ(std::memcmp(ci.cid, cid, 16), 0);
    EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(ci.category, "Audio Module Class");
    EXPECT_STREQ(ci.name, "Rigging Test");
    EXPECT_EQ(ci.classFlags, 2u);
    EXPECT_STREQ(ci.subCategories, "Fx|Dynamics");
    EXPECT_STREQ(ci.version, "2.3.4");
    EXPECT_STREQ(ci.sdkVersion, "VST 3.6.11");

    PClassInfo plain;
    ASSERT_EQ(f3->getClassInfo(0, &plain), kResultOk);
    EXPECT_EQ(std::memcmp(&plain, &ci, sizeof plain), 0);

    PClassInfoW wide;
    ASSERT_EQ(f3->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(narrow(wide.name), "Rigging Test");
    EXPECT_EQ(narrow(wide.version), "2.3.4");
    EXPECT_EQ(narrow(wide.sdkVersion), "VST 3.6.11");
    EXPECT_STREQ(wide.subCategories, "Fx|Dynamics");

    EXPECT_EQ(f3->getClassInfo2(1, &ci), kInvalidArgument);
    EXPECT_EQ(f3->getClassInfo2(-1, &ci), kInvalidArgument);
    EXPECT_EQ(f3->getClassInfoUnicode(0, nullptr), kInvalidArgument);
    EXPECT_EQ(f3->setHostContext(nullptr), kNotImplemented);
    EXPECT_EQ(f3->release(), 1u);
}

TEST_F(FactoryTest, CreateInstanceHandsOutOneReferenceOrNothing) {
    void* obj = reinterpret_cast<void*>(1);
    UID unknown = testClassId();
    unknown.bytes[15] ^= 1;
    EXPECT_EQ(factory->createInstance(unknown, IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(testClassId(), IPlugView::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(testsupport::TestClient::live.load(), 0);  // the refused object was destroyed

    ASSERT_EQ(factory->createInstance(testClassId(), IEditController::iid, &obj), kResultOk);
    auto* controller = static_cast<IEditController*>(obj);
    void* component = nullptr;
    void* processor = nullptr;
    ASSERT_EQ(controller->queryInterface(IComponent::iid, &component), kResultOk);
    ASSERT_EQ(controller->queryInterface(IAudioProcessor::iid, &processor), kResultOk);
    // Distinct interface objects of one instance: the last release destroys it.
    EXPECT_NE(component, obj);
    EXPECT_EQ(static_cast<IAudioProcessor*>(processor)->release(), 2u);
    EXPECT_EQ(static_cast<IComponent*>(component)->release(), 1u);
    EXPECT_EQ(controller->release(), 0u);
}

TEST_F(FactoryTest, FloatingPointControlOfTheCallerSurvives) {
    std::atomic<int> violations{0};
    unsigned saved = rigging::getMXCSR();
    _mm_setcsr(0x3F80);  // round toward minus infinity, all masked
    {
        testhost::FpGuard w(violations);
        factory->release();
        factory = rigging::vst3::getPluginFactory(makeTestClient);
    }
    {
        testhost::FpGuard w(violations);
        void* obj = nullptr;
        ASSERT_EQ(factory->createInstance(testClassId(), IComponent::iid, &obj), kResultOk);
        static_cast<IComponent*>(obj)->release();
    }
    _mm_setcsr(saved);
    EXPECT_EQ(violations.load(), 0);
}

TEST(SubCategories, EveryCategoryHasItsTextAndUnknownOnesNone) {
    using rigging::PluginCategory;
    EXPECT_STREQ(rigging::vst3::subCategoryOf(PluginCategory::analyzer), "Fx|Analyzer");
    EXPECT_STREQ(rigging::vst3::subCategoryOf(PluginCategory::pitchShift), "Fx|Pitch Shift");
    EXPECT_STREQ(rigging::vst3::subCategoryOf(PluginCategory::instrumentOther), "Instrument|Synth");
    EXPECT_STREQ(rigging::vst3::subCategoryOf(static_cast<PluginCategory>(14)), "");
    EXPECT_STREQ(rigging::vst3::subCategoryOf(static_cast<PluginCategory>(-1)), "");
}

namespace {

// A class object that counts its creations and lives until its last release.
struct Counted final : FUnknown {
    int refs = 1;
    tresult queryInterface(const TUID iid, void** obj) override {
        if (!iidEqual(iid, FUnknown::iid)) {
            *obj = nullptr;
            return kNoInterface;
        }
        ++refs;
        *obj = this;
        return kResultOk;
    }
    uint32 addRef() override { return static_cast<uint32>(++refs); }
    uint32 release() override {
        int left = --refs;
        if (left == 0) delete this;
        return static_cast<uint32>(left);
    }
};

FUnknown* createCounted(void* context) {
    ++*static_cast<int*>(context);
    return new Counted;
}

UID classId(unsigned char last) {
    UID id = INLINE_UID(0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F00);
    id.bytes[15] = last;
    return id;
}

class Registration : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(factory->release(), 0u); }
    rigging::vst3::CPluginFactory* factory =
        rigging::mallocNew<rigging::vst3::CPluginFactory>("V", "u", "e", 0);
    int created = 0;
};

}  // namespace

TEST_F(Registration, EachFormNeedsItsRecordAndAFunction) {
    PClassInfo plain{};
    PClassInfo2 full{};
    PClassInfoW wide{};
    EXPECT_FALSE(
        factory->registerClass(static_cast<const PClassInfo*>(nullptr), createCounted, &created));
    EXPECT_FALSE(factory->registerClass(&plain, nullptr, &created));
    EXPECT_FALSE(
        factory->registerClass(static_cast<const PClassInfo2*>(nullptr), createCounted, &created));
    EXPECT_FALSE(factory->registerClass(&full, nullptr, &created));
    EXPECT_FALSE(
        factory->registerClass(static_cast<const PClassInfoW*>(nullptr), createCounted, &created));
    EXPECT_FALSE(factory->registerClass(&wide, nullptr, &created));
    EXPECT_EQ(factory->countClasses(), 0);
}

TEST_F(Registration, PlainRecordGivesTheHeadAndEmptyExtendedFields) {
    PClassInfo plain;
    std::memset(&plain, 0, sizeof plain);
    std::memcpy(plain.cid, classId(1).bytes, 16);
    plain.cardinality = 3;
    std::strcpy(plain.category, "Audio Module Class");
    std::memset(plain.name, 'n', sizeof plain.name);  // fills the field: no terminator
    ASSERT_TRUE(factory->registerClass(&plain, createCounted, &created));

    PClassInfo back;
    std::memset(&back, 0x5A, sizeof back);
    ASSERT_EQ(factory->getClassInfo(0, &back), kResultOk);
    EXPECT_EQ(std::memcmp(&back, &plain, sizeof plain), 0);

    PClassInfo2 full;
    std::memset(&full, 0x5A, sizeof full);
    ASSERT_EQ(factory->getClassInfo2(0, &full), kResultOk);
    EXPECT_EQ(std::memcmp(&full, &plain, sizeof plain), 0);
    EXPECT_EQ(full.classFlags, 0u);
    EXPECT_EQ(full.subCategories[0], 0);
    EXPECT_EQ(full.vendor[0], 0);
    EXPECT_EQ(full.sdkVersion[63], 0);

    PClassInfoW wide;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(narrow(wide.name), std::string(63, 'n'));  // the widened form keeps a terminator
    EXPECT_STREQ(wide.category, "Audio Module Class");
    EXPECT_EQ(wide.version[0], 0);
}

TEST_F(Registration, Utf16EntryIsDescribedOnlyInUtf16AndStillCreated) {
    PClassInfo2 first{};
    std::memcpy(first.cid, classId(1).bytes, 16);
    ASSERT_TRUE(factory->registerClass(&first, createCounted, &created));

    PClassInfoW wide;
    std::memset(&wide, 0, sizeof wide);
    std::memcpy(wide.cid, classId(2).bytes, 16);
    wide.cardinality = kManyInstances;
    std::strcpy(wide.category, "Audio Module Class");
    std::u16string name = u"Br\u00EFndle \u03A9";  // beyond what 8 bits hold
    std::memcpy(wide.name, name.data(), name.size() * sizeof(char16));
    wide.classFlags = 2;
    std::strcpy(wide.subCategories, "Fx|Dynamics");
    std::memcpy(wide.version, u"1.0", 4 * sizeof(char16));
    ASSERT_TRUE(factory->registerClass(&wide, createCounted, &created));
    ASSERT_EQ(factory->countClasses(), 2);

    PClassInfo plain;
    std::memset(&plain, 0x5A, sizeof plain);
    EXPECT_EQ(factory->getClassInfo(1, &plain), kResultFalse);
    for (std::size_t i = 0; i < sizeof plain; ++i)
        ASSERT_EQ(reinterpret_cast<const unsigned char*>(&plain)[i], 0) << i;
    PClassInfo2 full;
    std::memset(&full, 0x5A, sizeof full);
    EXPECT_EQ(factory->getClassInfo2(1, &full), kResultFalse);
    for (std::size_t i = 0; i < sizeof full; ++i)
        ASSERT_EQ(reinterpret_cast<const unsigned char*>(&full)[i], 0) << i;
    // The checks come first: a bad index or record is still an invalid argument.
    EXPECT_EQ(factory->getClassInfo(2, &plain), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(1, nullptr), kInvalidArgument);

    PClassInfoW back;
    std::memset(&back, 0x5A, sizeof back);
    ASSERT_EQ(factory->getClassInfoUnicode(1, &back), kResultOk);
    EXPECT_EQ(std::memcmp(&back, &wide, sizeof wide), 0);
    // The 8-bit entry beside it keeps its answers.
    EXPECT_EQ(factory->getClassInfo2(0, &full), kResultOk);
    EXPECT_EQ(std::memcmp(full.cid, classId(1).bytes, 16), 0);

    // The UTF-16 entry is found by its class id like any other.
    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(classId(2), FUnknown::iid, &obj), kResultOk);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 0u);
    EXPECT_EQ(factory->createInstance(classId(3), FUnknown::iid, &obj), kNoInterface);
    EXPECT_EQ(created, 1);
}

namespace {

// The heap, until a test says it is exhausted.
bool gHeapExhausted = false;
void* exhaustibleRealloc(void* block, std::size_t bytes) noexcept {
    return gHeapExhausted ? nullptr : std::realloc(block, bytes);
}

}  // namespace

TEST(FactoryOutOfMemory, RegistrationIsRefusedAndTheClassesStay) {
    auto* factory =
        rigging::mallocNew<rigging::vst3::CPluginFactory>("V", "u", "e", 0, exhaustibleRealloc);
    int created = 0;
    PClassInfo2 full{};
    PClassInfoW wide{};
    // Nothing to grow from: the first registration already needs memory.
    gHeapExhausted = true;
    std::memcpy(full.cid, classId(1).bytes, 16);
    EXPECT_FALSE(factory->registerClass(&full, createCounted, &created));
    EXPECT_EQ(factory->countClasses(), 0);

    gHeapExhausted = false;
    ASSERT_TRUE(factory->registerClass(&full, createCounted, &created));
    // Filled until the list must grow, which it cannot.
    gHeapExhausted = true;
    int registered = 1;
    for (; registered < 1000; ++registered) {
        std::memcpy(full.cid, classId(static_cast<unsigned char>(registered + 1)).bytes, 16);
        if (!factory->registerClass(&full, createCounted, &created)) break;
    }
    ASSERT_LT(registered, 1000);
    std::memcpy(wide.cid, classId(200).bytes, 16);
    EXPECT_FALSE(factory->registerClass(&wide, createCounted, &created));
    EXPECT_FALSE(factory->registerClass(reinterpret_cast<const PClassInfo*>(&full), createCounted,
                                        &created));
    ASSERT_EQ(factory->countClasses(), registered);
    for (int i = 0; i < registered; ++i) {
        PClassInfo2 back;
        ASSERT_EQ(factory->getClassInfo2(i, &back), kResultOk);
        EXPECT_EQ(std::memcmp(back.cid, classId(static_cast<unsigned char>(i + 1)).bytes, 16), 0);
    }
    PClassInfo2 none;
    EXPECT_EQ(factory->getClassInfo2(registered, &none), kInvalidArgument);
    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(classId(1), FUnknown::iid, &obj), kResultOk);
    EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 0u);
    EXPECT_EQ(factory->createInstance(classId(200), FUnknown::iid, &obj), kNoInterface);

    // Memory back, the list grows again.
    gHeapExhausted = false;
    EXPECT_TRUE(factory->registerClass(&wide, createCounted, &created));
    EXPECT_EQ(factory->countClasses(), registered + 1);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(factory->release(), 0u);
}

// A factory without its class would make the host list a plug-in it cannot create: the host
// is told the module did not load instead, and the next call builds the factory afresh.
TEST(FactoryOutOfMemory, AModuleWhoseClassCannotBeRegisteredGivesNoFactory) {
    gHeapExhausted = true;
    EXPECT_EQ(rigging::vst3::getPluginFactory(makeTestClient, exhaustibleRealloc), nullptr);
    EXPECT_EQ(rigging::vst3::gPluginFactory, nullptr);
    EXPECT_EQ(testsupport::TestClient::live.load(), 0);
    gHeapExhausted = false;
    IPluginFactory* factory = rigging::vst3::getPluginFactory(makeTestClient, exhaustibleRealloc);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->countClasses(), 1);
    EXPECT_EQ(factory->release(), 0u);
    EXPECT_EQ(rigging::vst3::gPluginFactory, nullptr);
}
