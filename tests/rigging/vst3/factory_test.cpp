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
