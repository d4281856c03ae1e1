#pragma once
// Until the editor class exists, the snapshot tool and the editor benchmarks render this: the
// editor's lit background from the embedded artwork, with a few elements of the kinds the
// editor will have on it (knobs on the raw layer, a sunk meter well with a glowing bar, the
// information line's text).

#include <span>

#include "rigging/graphics/font.h"
#include "rigging/pbrwidgets/pbrbackgroundgui.h"

namespace brindlewave::snapshot {

// The editor's window size.
inline constexpr int kEditorWidth = 1000;
inline constexpr int kEditorHeight = 700;

class TestTree {
public:
    // withElements false: the background alone. The update margin is the editor's (30).
    explicit TestTree(bool withElements = true, int maxWorkers = 2) noexcept;
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    rigging::PBRBackgroundGUI& gui() noexcept { return *gui_; }
    std::span<rigging::UIElement* const> elements() const noexcept {
        return {elements_, static_cast<std::size_t>(count_)};
    }

private:
    static constexpr int kMaxElements = 8;
    rigging::PBRBackgroundGUI* gui_;
    rigging::Font* font_ = nullptr;
    rigging::OwnedImage<rigging::RGBA>* knobStrip_ = nullptr;
    rigging::UIElement* elements_[kMaxElements] = {};
    int count_ = 0;
};

}  // namespace brindlewave::snapshot
