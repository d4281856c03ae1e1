#pragma once
// The plug-in as the modules deliver it: the engine's client with its editor. The engine alone
// (tests, the offline renderer) stays free of the window system and the artwork.

#include "brindlewave/client.h"

namespace brindlewave {

class BrindlewavePlugin : public BrindlewaveClient {
public:
    explicit BrindlewavePlugin(BuildToken token) noexcept : BrindlewaveClient(token) {}

protected:
    // The editor, made the first time a host asks for it.
    IEditorSink* createEditor() override;
};

}  // namespace brindlewave
