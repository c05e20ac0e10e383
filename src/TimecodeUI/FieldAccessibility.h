#pragma once

// How assistive technology sees the timecode field: an editable text named after
// the field (its accessible name, or the label it is the buddy of) whose value is
// the timecode as shown, with one spin box per shown component. The focused
// component is the field's focus child and its caret's place.

namespace timecode::accessibility {

// Makes the field and its components known to QAccessible; once is enough, more
// is harmless.
void install();

}  // namespace timecode::accessibility
