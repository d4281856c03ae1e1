// Checks our own interface declarations against the slot numbers and id bytes of the ABI:
// a slot off by one makes a host call the wrong method.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "rigging/vst3/ivstaudioprocessor.h"
#include "rigging/vst3/ivstcomponent.h"
#include "rigging/vst3/ivsteditcontroller.h"
#include "rigging/vst3/ivsthostapplication.h"
#include "rigging/vst3/ivstunit.h"

using namespace rigging::vst3;

namespace {

// Under the Itanium ABI a pointer to a virtual member holds 1 + the slot's byte offset.
template <typename F>
long slotOf(F member) {
    static_assert(sizeof(F) == 2 * sizeof(std::uintptr_t));
    std::uintptr_t words[2];
    std::memcpy(words, &member, sizeof words);
    return static_cast<long>((words[0] - 1) / sizeof(void*));
}

std::string hex(const UID& id) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (char c : id.bytes) {
        s += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
        s += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return s;
}

}  // namespace

TEST(Vst3Abi, FactoryAndComponentSlots) {
    EXPECT_EQ(slotOf(&FUnknown::release), 2);
    EXPECT_EQ(slotOf(&IPluginBase::terminate), 4);
    EXPECT_EQ(slotOf(&IPluginFactory::createInstance), 6);
    EXPECT_EQ(slotOf(&IPluginFactory2::getClassInfo2), 7);
    EXPECT_EQ(slotOf(&IPluginFactory3::setHostContext), 9);
    EXPECT_EQ(slotOf(&IComponent::getControllerClassId), 5);
    EXPECT_EQ(slotOf(&IComponent::activateBus), 10);
    EXPECT_EQ(slotOf(&IComponent::getState), 13);
}

TEST(Vst3Abi, ProcessorControllerAndHostSlots) {
    EXPECT_EQ(slotOf(&IAudioProcessor::setBusArrangements), 3);
    EXPECT_EQ(slotOf(&IAudioProcessor::process), 9);
    EXPECT_EQ(slotOf(&IAudioProcessor::getTailSamples), 10);
    EXPECT_EQ(slotOf(&IEditController::setComponentState), 5);
    EXPECT_EQ(slotOf(&IEditController::getParamStringByValue), 10);
    EXPECT_EQ(slotOf(&IEditController::createView), 17);
    EXPECT_EQ(slotOf(&IEditController2::openAboutBox), 5);
    EXPECT_EQ(slotOf(&IUnitInfo::getProgramPitchName), 10);
    EXPECT_EQ(slotOf(&IUnitInfo::setUnitProgramData), 14);
    EXPECT_EQ(slotOf(&IPlugView::getSize), 9);
    EXPECT_EQ(slotOf(&IPlugView::checkSizeConstraint), 14);
    EXPECT_EQ(slotOf(&IComponentHandler::restartComponent), 6);
    EXPECT_EQ(slotOf(&IBStream::tell), 6);
    EXPECT_EQ(slotOf(&IParamValueQueue::getPoint), 5);
    EXPECT_EQ(slotOf(&IParameterChanges::addParameterData), 5);
    EXPECT_EQ(slotOf(&IEventList::getEvent), 4);
    EXPECT_EQ(slotOf(&IHostApplication::createInstance), 4);
}

TEST(Vst3Abi, IdsAsTheyLieInMemory) {
    EXPECT_EQ(hex(IPluginBase::iid), "22888DDB156E45AE8358B34808190625");
    EXPECT_EQ(hex(IPluginFactory::iid), "7A4D811C52114A1FAED9D2EE0B43BF9F");
    EXPECT_EQ(hex(IPluginFactory2::iid), "0007B650F24B4C0BA464EDB9F00B2ABB");
    EXPECT_EQ(hex(IPluginFactory3::iid), "4555A2ABC1234E579B12291036878931");
    EXPECT_EQ(hex(IAudioProcessor::iid), "42043F99B7DA453CA569E79D9AAEC33D");
    EXPECT_EQ(hex(IEditController::iid), "DCD7BBE37742448DA874AACC979C759E");
    EXPECT_EQ(hex(IEditController2::iid), "7F4EFE59F3204967AC27A3AEAFB63038");
    EXPECT_EQ(hex(IUnitInfo::iid), "3D4BD6B5913A4FD2A886E768A5EB92C1");
    EXPECT_EQ(hex(IPlugView::iid), "5BC32507D06049EAA6151B522B755B29");
    EXPECT_EQ(hex(IHostApplication::iid), "58E595CCDB2D49698B6AAF8C36A664E5");
    EXPECT_EQ(hex(IComponentHandler::iid), "93A0BEA30BD045DB8E890B0CC1E46AC6");
    EXPECT_EQ(hex(IBStream::iid), "C3BF6EA2309947529B6BF9901EE33E9B");
    EXPECT_EQ(hex(IParameterChanges::iid), "A47796630BB64A56B44384A8466FEB9D");
    EXPECT_EQ(hex(IParamValueQueue::iid), "01263A18ED074F6F98C9D3564686F9BA");
}
