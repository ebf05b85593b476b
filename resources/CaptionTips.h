#pragma once

// What the abbreviated captions of the dialogs stand for, shown as the
// controls' tooltips.

namespace res {

// The tip for a control or label with this caption; nullptr when the caption
// says it in full.
const char* tipForCaption(const char* caption);

}  // namespace res
