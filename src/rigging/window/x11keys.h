#pragma once
// Keys of the X keyboard as the GUI sees them.

#include "rigging/window/window.h"

namespace rigging {

// The Key for an X keysym; keypad digits and Enter count as their main-keyboard twins, every
// other key (other printable characters included) is Key::unsupported.
Key keyFromKeysym(unsigned long keysym) noexcept;

}  // namespace rigging
