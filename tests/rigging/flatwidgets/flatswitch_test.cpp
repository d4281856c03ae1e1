#include "rigging/flatwidgets/flatswitch.h"

#include <gtest/gtest.h>

#include "rigging/client/boolparameter.h"
#include "widgettest.h"

namespace {

using namespace widgettest;

class SwitchTest : public ::testing::Test {
protected:
    SwitchTest() {
        solid(onImage, 15, 17, RGBA{0, 255, 0, 255});
        solid(offImage, 15, 17, RGBA{90, 90, 90, 0});
        sw = new rigging::UIImageSwitch(&tree.context, &param, &onImage, &offImage);
        tree.add(sw, box2i(10, 10, 25, 27));
    }
    ~SwitchTest() override { delete sw; }

    RGBA drawnAt(int x, int y, int w = 15, int h = 17) {
        rigging::OwnedImage<RGBA> raw;
        solid(raw, w, h, RGBA{1, 2, 3, 4});
        const box2i all[] = {box2i(0, 0, w, h)};
        sw->onDrawRaw(rigging::toRef(raw), all);
        return raw(x, y);
    }

    Tree tree;
    rigging::BoolParameter param{0, "Link", false};
    rigging::OwnedImage<RGBA> onImage, offImage;
    rigging::UIImageSwitch* sw;
};

TEST_F(SwitchTest, ShowsTheOnPictureExactlyWhileTheValueIsOn) {
    EXPECT_EQ(sw->width(), 15);
    EXPECT_EQ(sw->height(), 17);
    EXPECT_EQ(drawnAt(5, 5), (RGBA{1, 2, 3, 4}));  // off picture, alpha 0: unchanged
    param.setFromHost(0.5);                        // from 0.5 up is on
    EXPECT_TRUE(param.valueAtomic());
    EXPECT_EQ(drawnAt(5, 5), (RGBA{0, 255, 0, 255}));
    param.setFromHost(0.49);
    EXPECT_EQ(drawnAt(5, 5), (RGBA{1, 2, 3, 4}));
    param.setFromHost(1.0);
    EXPECT_EQ(drawnAt(20, 20, 30, 30), (RGBA{1, 2, 3, 4}));  // past the picture: untouched
}

TEST_F(SwitchTest, ClickTogglesInOneEditAltClickSetsTheDefault) {
    EditLog log(&param);
    tree.pointer.click(12, 12);
    tree.pointer.release();
    EXPECT_TRUE(param.value());
    EXPECT_EQ(log.calls, (std::vector<std::string>{"begin", "change", "end"}));
    tree.pointer.click(12, 12);
    tree.pointer.release();
    EXPECT_FALSE(param.value());
    param.setFromHost(1.0);
    tree.pointer.click(12, 12, alt());
    tree.pointer.release();
    EXPECT_FALSE(param.value());
    tree.pointer.click(12, 12, alt());  // already at the default: stays
    tree.pointer.release();
    EXPECT_FALSE(param.value());
}

TEST_F(SwitchTest, HoverAndHostChangesMarkItDirty) {
    tree.pullRaw();
    tree.root.mouseMove(12, 12, 0, 0, {}, false);
    EXPECT_EQ(tree.pullRaw().size(), 1u);
    tree.root.mouseMove(100, 100, 0, 0, {}, false);
    EXPECT_EQ(tree.pullRaw().size(), 1u);
    param.setFromHost(1.0);
    auto rects = tree.pullRaw();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], box2i(10, 10, 25, 27));
}

}  // namespace
