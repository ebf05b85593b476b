#pragma once

// How much room a control needs for its whole caption: the width of the text
// in the control's font plus what its style draws beside the text (a check
// box's indicator, a button's margins, a group box's frame), and the height a
// word-wrapped label needs at a given width. The pages are laid out so that
// every control has that room, and the tests hold them to it.

class QWidget;

// The width in pixels that shows the caption whole; 0 for a control without
// a caption or one whose text wraps.
int widthForCaption(const QWidget& control);

// A label at least two lines high: its text wraps within its width.
bool isWrappedText(const QWidget& control);

// The height in pixels a wrapping label needs at its present width; 0 for
// any other control.
int heightForWrappedText(const QWidget& control);
