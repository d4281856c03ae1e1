#pragma once
// The plug-in's client with a host that logs edits, the embedded font and knob strip, and a
// small tree to place widgets in, for the editor widget tests.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "brindlewave/client.h"
#include "brindlewave/gfx/resources.h"
#include "brindlewave/globals.h"
#include "brindlewave/messagequeue.h"
#include "pointer.h"
#include "rigging/client/hostcommand.h"
#include "rigging/core/nogc.h"
#include "rigging/graphics/drawex.h"
#include "rigging/graphics/font.h"
#include "rigging/gui/element.h"

namespace editortest {

using geom::box2i;
using rigging::RGBA;

struct LoggingHost : rigging::IHostCommand {
    std::vector<std::string> calls;
    void beginParamEdit(int i) override { calls.push_back("begin " + std::to_string(i)); }
    void paramAutomate(int i, float v) override {
        char b[48];
        std::snprintf(b, sizeof b, "perform %d %.5f", i, v);
        calls.push_back(b);
    }
    void endParamEdit(int i) override { calls.push_back("end " + std::to_string(i)); }
    bool requestResize(int, int) override { return false; }
    rigging::DAW getDAW() override { return rigging::DAW::unknown; }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& c : calls) n += c.rfind(prefix, 0) == 0;
        return n;
    }
};

inline std::span<const std::uint8_t> resource(std::string_view name) {
    const brindlewave::gfx::Resource* r = brindlewave::gfx::findResource(name);
    EXPECT_NE(r, nullptr) << name;
    return {r->data, r->size};
}

class EditorFixture : public ::testing::Test {
protected:
    EditorFixture()
        : client(rigging::createClient<brindlewave::BrindlewaveClient>()),
          font(resource(brindlewave::gfx::kFont)),
          knobStrip(rigging::loadOwnedImage(resource(brindlewave::gfx::kKnobFilmstrip))) {
        client->setHostCommand(&host);
        root.setPosition(box2i(0, 0, 1000, 700));
    }
    ~EditorFixture() override {
        destroyOwned();
        rigging::destroyFree(knobStrip);
        rigging::destroyFree(client);
    }

    // Before anything the widgets use goes: removing a hovered widget calls its exit handler.
    void destroyOwned() {
        for (rigging::UIElement* e : owned) {
            root.removeChild(e);
            rigging::destroyFree(e);
        }
        owned.clear();
    }
    template <typename T>
    T* add(T* e, const box2i& box) {
        e->setPosition(box);
        root.addChild(e);
        owned.push_back(e);
        return e;
    }
    rigging::Parameter* p(int i) { return client->param(i); }
    std::vector<box2i> pull(rigging::DirtyRectList& list) {
        rigging::Vec<box2i> v;
        list.pullAllRectangles(v);
        return {v.slice().begin(), v.slice().end()};
    }

    LoggingHost host;
    brindlewave::BrindlewaveClient* client;
    rigging::Font font;
    rigging::OwnedImage<RGBA>* knobStrip;
    brindlewave::MessageQueue mailbox;
    brindlewave::GlobalState globals;
    rigging::UIContext context;
    rigging::UIElement root{&context, 0};
    std::vector<rigging::UIElement*> owned;
    testsupport::Pointer pointer{root};
};

using testsupport::alt;
using testsupport::ctrl;

}  // namespace editortest
