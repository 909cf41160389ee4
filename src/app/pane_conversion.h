#pragma once
// Runs a converter over a whole document and puts the result into a pane,
// with the progress window: a slice of reading, converting and building, the
// event loop, and so on until the end or "Отмена". The result is built in a
// document of its own and handed to the pane at the end, never edited
// character by character. Transliteration, recoding and case change all go
// through here.

#include <functional>

#include "app/conversion_pipeline.h"

class QTextDocument;
class QTextEdit;

namespace lettrica::app {

class ProgressWindow;

enum class RunOutcome { Finished, Cancelled };

struct PaneConversion {
    const QTextDocument* source;  // may be target's own document; must not change during the run
    QTextEdit* target;            // receives the result (whole, or prefix and rest)
    ConverterChoice converter;
    ProgressWindow* progress;
    bool hideTargetWhileRunning = true;
    // After "Отмена", before the target is shown again: the command's message
    // (modal). The rest of the result is put together while it is read.
    std::function<void()> cancelMessage = {};
    // The result is no longer wanted (the window is closing): the target
    // keeps what it had.
    std::function<bool()> abandoned = {};
};

// How long the work runs before the event loop gets its turn (30 ms by
// default). Tests set 0 to see every slice.
void setSliceMillis(int millis);

// Converts; on Finished the target's caret is at its start. On Cancelled the
// target holds the converted beginning and the untouched rest.
RunOutcome runPaneConversion(const PaneConversion& run);

}  // namespace lettrica::app
