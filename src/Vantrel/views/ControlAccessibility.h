#pragma once

// How assistive technology sees the painted controls that Qt cannot describe by
// itself: an icon button is a push button named by its accessible name, else by
// its help text (it shows only a symbol, no title to be named after); a check
// square is a check box with its checked state.

namespace vantrel::Kelp {

// Makes the controls known to QAccessible; once is enough, more is harmless.
void installAccessibility();

}  // namespace vantrel::Kelp
