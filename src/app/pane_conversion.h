#pragma once
// Runs a converter over a whole document and puts the result into a pane,
// with the progress window: the engine converts a slice, the event loop runs,
// and so on until the end or "Отмена". The pane is filled once, fragment by
// fragment, never edited character by character. Transliteration, recoding
// and case change all go through here.

#include <functional>

class QTextDocument;
class QTextEdit;

namespace lettrica::translit {
class Converter;
}

namespace lettrica::app {

class ProgressWindow;

enum class RunOutcome { Finished, Cancelled };

// Asked before every slice, so a change of table during a run applies from
// the next slice on.
using ConverterChoice = std::function<const translit::Converter&()>;

struct PaneConversion {
    const QTextDocument* source;  // read once, at the start; may be target's own document
    QTextEdit* target;            // receives the result (whole, or prefix and rest)
    ConverterChoice converter;
    ProgressWindow* progress;
    bool hideTargetWhileRunning = true;
};

// How long the engine works before the event loop gets its turn (30 ms by
// default). Tests shorten it to see every slice.
void setSliceMillis(int millis);

// Converts; on Finished the target's caret is at its start. On Cancelled the
// target holds the converted beginning and the untouched rest; the caller
// shows its own message.
RunOutcome runPaneConversion(const PaneConversion& run);

}  // namespace lettrica::app
