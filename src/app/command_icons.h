#pragma once
// One small image per command. The desktop's icon theme is used where it has
// the icon; otherwise a drawn one, so the tool bar never falls back to text.

#include <QIcon>

namespace lettrica::app {

// The drawn images.
enum class Glyph {
    None,
    Page,
    Folder,
    Disk,
    Printer,
    Envelope,
    Clipboard,
    Copies,
    ToCyrillic,
    ToLatin,
    LetterCase,
    CodePage,
    Font,
    Bold,
    Italic,
    Underline,
    AlignLeft,
    AlignCenter,
    AlignRight,
    Bullets,
    Cancel,
    Help,
};

// `themeName`: a freedesktop icon name, or empty; `glyph`: drawn when the
// theme lacks it (None: no image).
QIcon commandIcon(const char* themeName, Glyph glyph);

}  // namespace lettrica::app
