#include "brindlewave/plugin.h"

#include "brindlewave/gui.h"
#include "rigging/core/nogc.h"

namespace brindlewave {

IEditorSink* BrindlewavePlugin::createEditor() {
    HalyardGUI* editor = rigging::mallocNew<HalyardGUI>(*this);
    editor->setWindowOptions(windowOptions_);
    return editor;
}

}  // namespace brindlewave
