#include "brindlewave/plugin.h"

#include "brindlewave/gui.h"
#include "rigging/core/nogc.h"

namespace brindlewave {

IEditorSink* BrindlewavePlugin::createEditor() {
    return rigging::mallocNew<HalyardGUI>(this);
}

}  // namespace brindlewave
