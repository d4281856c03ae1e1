#pragma once
// The plug-in as the modules deliver it: the engine's client with its editor. The engine alone
// (tests, the offline renderer) stays free of the window system and the artwork.

#include "brindlewave/client.h"
#include "rigging/window/window.h"

namespace brindlewave {

class BrindlewavePlugin : public BrindlewaveClient {
public:
    // The options the editor's windows are made with (XEmbed in the VST3 module).
    explicit BrindlewavePlugin(BuildToken token, rigging::WindowOptions options = {}) noexcept
        : BrindlewaveClient(token), windowOptions_(options) {}

protected:
    // The editor, made the first time a host asks for it.
    IEditorSink* createEditor() override;

private:
    rigging::WindowOptions windowOptions_;
};

}  // namespace brindlewave
