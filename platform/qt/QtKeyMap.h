#pragma once
// The toolkit's keys as the virtual-key codes that the host's key tables are
// indexed by. One table: a Qt::Key value, whether it came from the keypad, and
// the code a Windows keyboard gives for the same key.
#include <cstdint>

namespace platform {

// The virtual-key code of a Qt key (Qt::Key value; `keypad` when the event
// carried the keypad modifier), 0 for a key without one. Printable keys are
// taken at their unshifted position on a US layout: Shift+1 ('!') is the 1 key.
uint32_t VirtualKeyFromQtKey(int qtKey, bool keypad) noexcept;

}  // namespace platform
