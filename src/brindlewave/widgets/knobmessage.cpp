#include "brindlewave/widgets/knobmessage.h"

#include <cstdio>

#include "rigging/client/valuetext.h"

namespace brindlewave {

Message makeMessage(IMessageSender* sender, const char* kind, const char* name,
                    const char* value) noexcept {
    char nameBuffer[24], valueBuffer[24];
    std::snprintf(nameBuffer, sizeof nameBuffer, "%s", name);
    std::snprintf(valueBuffer, sizeof valueBuffer, "%s", value);
    Message m;
    m.sender = sender;
    m.kind = kind;
    m.name = nameBuffer;
    m.value = valueBuffer;
    return m;
}

Message knobMessage(IMessageSender* sender, const rigging::FloatParameter& param) noexcept {
    char valueBuffer[24];
    std::snprintf(valueBuffer, sizeof valueBuffer, "%.2f %s", param.value(), param.label());
    rigging::dropNegativeZero(valueBuffer);
    return makeMessage(sender, "Knob", param.name(), valueBuffer);
}

}  // namespace brindlewave
