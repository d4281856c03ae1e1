#include "brindlewave/paramids.h"
#include "brindlewave/widgets/buttonstrip.h"
#include "brindlewave/widgets/textbutton.h"
#include "brindlewave/widgets/toggletextbutton.h"
#include "editorfixture.h"

namespace {

using namespace editortest;
using brindlewave::UITextButton;
using brindlewave::UIToggleTextButton;
namespace param = brindlewave::param;

class ButtonTest : public EditorFixture {
protected:
    ButtonTest()
        : strip(rigging::loadOwnedImage(resource(brindlewave::gfx::kOversampleButton))),
          bypassStrip(rigging::loadOwnedImage(resource(brindlewave::gfx::kBypassButton))) {
        auto* os = static_cast<rigging::IntegerParameter*>(p(param::oversampleFactor));
        const char* texts[] = {"None", "2X", "4X", "8X"};
        for (int i = 0; i < 4; ++i)
            buttons[i] = add(
                rigging::mallocNew<UITextButton>(&context, os, strip, &font, &mailbox, i, texts[i]),
                box2i(785 + 52 * i, 650, 835 + 52 * i, 670));
        bypass = add(rigging::mallocNew<UIToggleTextButton>(
                         &context, static_cast<rigging::BoolParameter*>(p(param::internalBypass)),
                         bypassStrip, &font, &mailbox),
                     box2i(930, 20, 980, 40));
        host.calls.clear();
    }
    ~ButtonTest() override {
        rigging::destroyFree(strip);
        rigging::destroyFree(bypassStrip);
    }
    void clickAt(int x, int y) {
        pointer.click(x, y);
        pointer.release();
    }

    rigging::OwnedImage<RGBA>* strip;
    rigging::OwnedImage<RGBA>* bypassStrip;
    UITextButton* buttons[4];
    UIToggleTextButton* bypass;
};

TEST_F(ButtonTest, ClickingTheSelectedButtonIsStillAWholeEdit) {
    clickAt(900, 660);  // "4X"
    EXPECT_TRUE(buttons[2]->isSelected());
    EXPECT_FALSE(buttons[0]->isSelected());
    host.calls.clear();
    clickAt(900, 660);
    EXPECT_EQ(static_cast<rigging::IntegerParameter*>(p(117))->value(), 2);
    EXPECT_EQ(host.calls.size(), 3u);
    // Between two buttons nothing is hit.
    EXPECT_FALSE(pointer.click(836, 660));
}

TEST_F(ButtonTest, HoverPostsWhatTheButtonDoes) {
    pointer.moveTo(800, 660);
    pointer.moveTo(950, 660);
    pointer.moveTo(950, 30);
    const char* expected[][3] = {{"OversampleButton", "Oversample", "None"},
                                 {"OversampleButton", "Oversample", "8X"},
                                 {"Bypass", "Bypass", "Bypass"}};
    for (auto& e : expected) {
        brindlewave::Message m = mailbox.readMessage();
        EXPECT_STREQ(m.kind.c_str(), e[0]);
        EXPECT_STREQ(m.name.c_str(), e[1]);
        EXPECT_STREQ(m.value.c_str(), e[2]);
    }
}

TEST_F(ButtonTest, AClickFlashesFor600MsAndEveryButtonHearsTheParameter) {
    EXPECT_FALSE(buttons[1]->isClicked());
    clickAt(860, 660);
    EXPECT_TRUE(buttons[1]->isClicked());
    pull(context.dirtyListPBR);
    buttons[1]->onAnimate(16.7, 0);
    EXPECT_NEAR(buttons[1]->fadeValue(), 1.0f, 1e-6);  // no visible fade: on at once
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 1u);
    buttons[1]->onAnimate(16.7, 0);
    EXPECT_TRUE(pull(context.dirtyListPBR).empty());  // unchanged: not redrawn
    buttons[1]->onAnimate(566.5, 0);
    EXPECT_TRUE(buttons[1]->isClicked());  // 599.9 ms
    buttons[1]->onAnimate(0.2, 0);
    EXPECT_FALSE(buttons[1]->isClicked());
    // A host change reaches all four.
    pull(context.dirtyListPBR);
    p(117)->setFromHost(1.0);
    EXPECT_EQ(pull(context.dirtyListPBR).size(), 4u);
}

TEST_F(ButtonTest, AClickLightsNoTextButtonThatIsNotSelected) {
    rigging::OwnedImage<RGBA> diffuse(50, 20), material(50, 20);
    rigging::OwnedImage<rigging::L16> depth(50, 20);
    const box2i all[] = {box2i(0, 0, 50, 20)};
    // The corner pixel, away from the text, after the click and the tick that follows it.
    auto cornerAfterClick = [&](rigging::UIElement* button, const rigging::OwnedImage<RGBA>& s) {
        button->onAnimate(16.7, 0);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 50; ++x) diffuse(x, y) = RGBA{1, 1, 1, 1};
        button->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth), rigging::toRef(material),
                          all);
        const RGBA base = s(0, 0);
        return std::pair(diffuse(0, 0), rigging::blendColor(RGBA{base.r, base.g, base.b, 0},
                                                            RGBA{1, 1, 1, 1}, base.a));
    };
    // Bypass on, and a click turns it off.
    p(param::internalBypass)->setFromHost(1.0);
    clickAt(955, 30);
    ASSERT_TRUE(bypass->isClicked());
    ASSERT_FALSE(bypass->isSelected());
    auto [got, unlit] = cornerAfterClick(bypass, *bypassStrip);
    EXPECT_EQ(got, unlit);
    // "4X" clicked, then the host picks another factor while it is still in its 600 ms.
    clickAt(900, 660);
    p(param::oversampleFactor)->setFromHost(0.0);
    ASSERT_TRUE(buttons[2]->isClicked());
    ASSERT_FALSE(buttons[2]->isSelected());
    std::tie(got, unlit) = cornerAfterClick(buttons[2], *strip);
    EXPECT_EQ(got, unlit);
}

TEST_F(ButtonTest, DrawingTakesTheStripsFramesAndSinksWhenSelected) {
    rigging::OwnedImage<RGBA> diffuse(60, 20), material(60, 20);
    rigging::OwnedImage<rigging::L16> depth(60, 20);
    auto reset = [&] {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 60; ++x) {
                diffuse(x, y) = RGBA{1, 1, 1, 1};
                material(x, y) = RGBA{2, 2, 2, 2};
                depth(x, y).l = 3;
            }
    };
    const box2i all[] = {box2i(0, 0, 60, 20)};
    for (bool selected : {false, true}) {
        reset();
        p(117)->setFromHost(selected ? 0.0 : 1.0);
        EXPECT_EQ(buttons[0]->isSelected(), selected);
        buttons[0]->onDrawPBR(rigging::toRef(diffuse), rigging::toRef(depth),
                              rigging::toRef(material), all);
        // A corner pixel, away from the text.
        const RGBA base = (*strip)(0, 0), grey = (*strip)(50, 0), mat = (*strip)(100, 0);
        EXPECT_EQ(diffuse(0, 0), rigging::blendColor(
                                     RGBA{base.r, base.g, base.b, std::uint8_t(selected ? 200 : 0)},
                                     RGBA{1, 1, 1, 1}, base.a));
        EXPECT_EQ(material(0, 0), mat);
        EXPECT_EQ(depth(0, 0).l, selected ? 0 : brindlewave::stripDepth(grey));
        // Past the frame nothing is written.
        EXPECT_EQ(diffuse(55, 10), (RGBA{1, 1, 1, 1}));
        EXPECT_EQ(depth(55, 10).l, 3);
    }
    EXPECT_EQ(brindlewave::stripDepth(RGBA{255, 255, 255, 255}), 65535);
    EXPECT_EQ(brindlewave::stripDepth(RGBA{1, 1, 1, 255}), 257);
    EXPECT_EQ(brindlewave::stripDepth(RGBA{1, 0, 0, 255}), 86);  // 85.67 rounds up

    // A strip too narrow for three frames is not read at all.
    rigging::OwnedImage<RGBA> narrow(100, 20);
    reset();
    brindlewave::drawButtonStrip(rigging::toRef(diffuse), rigging::toRef(depth),
                                 rigging::toRef(material), narrow, 50, 20, false, 0, all);
    EXPECT_EQ(depth(0, 0).l, 3);
}

}  // namespace
