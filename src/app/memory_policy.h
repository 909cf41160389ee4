#pragma once
// How the window has the C library manage its heap.
//
// A big text comes and goes in a few very large buffers (a document's text,
// its fragment and block tables, a file's bytes). glibc maps a block of
// 128 KiB or more from the system on its own, which goes back when freed
// and grows by remapping instead of copying; but once such a block is freed
// it raises that threshold to the block's size (up to 32 MiB), and the next
// text's buffers then come from the heap, where the memory stays after the
// text is gone and a growing buffer is copied with both copies resident.
// A fixed threshold keeps every big buffer in a mapping of its own.
//
// Called first thing in main(), before the big buffers exist.

namespace lettrica::app {

void keepBigBuffersMapped();

}  // namespace lettrica::app
