#pragma once
// What a binding may ask of the plug-in's editor.

#include "rigging/client/daw.h"

namespace rigging {

// Kind of parent window handed to openUI. The VST 2.4 binding passes `unspecified`.
enum class GraphicsBackend : int {
    unspecified = 0,
    hwnd = 1,
    nsView = 3,
    x11EmbedWindowID = 4,
};

class IGraphics {
public:
    virtual ~IGraphics() = default;

    // Builds the editor window inside parentInfo; returns its handle or null.
    virtual void* openUI(void* parentInfo, void* controlInfo, DAW daw, GraphicsBackend backend) = 0;
    virtual void closeUI() = 0;
    virtual void getGUISize(int* width, int* height) = 0;
};

}  // namespace rigging
