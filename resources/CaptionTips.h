#pragma once

// What the abbreviated captions of the dialogs stand for: shown as the
// controls' tooltips, and spoken by a screen reader in place of the caption.

namespace res {

// The tip for a control or label with this caption; nullptr when the caption
// says it in full.
const char* tipForCaption(const char* caption);

// The caption spelt out, as a screen reader says it ("Left Shift" for
// "LShft"); nullptr when the caption says it in full.
const char* spokenCaption(const char* caption);

}  // namespace res
