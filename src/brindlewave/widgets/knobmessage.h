#pragma once
// The message a knob posts: kind "Knob", the parameter's name and "%.2f %s" of its value and
// unit, each cut to 23 characters as by a 24-byte formatting buffer.

#include "brindlewave/messagequeue.h"
#include "rigging/client/floatparameter.h"

namespace brindlewave {

Message knobMessage(IMessageSender* sender, const rigging::FloatParameter& param) noexcept;

// kind / name / value, each cut to 23 characters.
Message makeMessage(IMessageSender* sender, const char* kind, const char* name,
                    const char* value) noexcept;

}  // namespace brindlewave
