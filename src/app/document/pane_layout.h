#pragma once
// Qt lays out a pane's document only as far as it is shown and the rest when
// it is asked for: a jump to the end of a large text (Ctrl+End, the scroll
// bar, typing there) would lay out all of it at once, seconds without an
// answer. The long commands that fill a pane lay it out to its end here, a
// slice at a time, before they hand the window back.
//
// What is left to lay out after that (a command's result handed to a pane,
// a document laid out again for a new width) Qt lays out in idle time by
// itself, in steps of up to 200 000 characters: a tenth of a second and more
// each. layOutWhenIdle takes that over in slices of a few milliseconds.

#include <cstddef>
#include <functional>

class QTextEdit;

namespace lettrica::app {

// Lays out the pane's document as it shows it, `pace` called between slices
// with the characters laid out and in all; false when the pace said stop
// (the rest is laid out when it is asked for, as Qt does). A single
// paragraph is laid out whole.
bool layOutToTheEnd(QTextEdit* pane, const std::function<bool(std::size_t, std::size_t)>& pace);

// From now on the pane's current document is laid out in idle time a slice
// at a time, from its start, instead of by Qt's own steps; so is any document
// of the pane later laid out again from its start (a new width, wrap mode or
// font). Call it whenever a document is put into the pane, before the one
// it replaces leaves the window's thread.
void layOutWhenIdle(QTextEdit* pane);

}  // namespace lettrica::app
