#pragma once
// The one filter list of the open and save dialogs. The filter chosen decides
// both the pane (1 and 2 the source pane, 3 and 4 the result pane) and the
// extension a name is given; on open the file's content, not the filter,
// decides how it is read.

#include <QString>
#include <QStringList>

namespace lettrica::app {

enum class PaneChoice { Source, Result };
enum class FileKind { Text, Rtf };

struct FileFilter {
    PaneChoice pane;
    FileKind kind;
};

// The four filter texts, index 1 first.
QStringList fileFilterTexts();

// The filter of a 1-based index; an index outside 1..4 counts as the source
// pane's, as the Windows dialogs counted it (greater than 2: result pane).
FileFilter fileFilterAt(int index);

// `path` with its extension replaced by the filter's (".txt" or ".rtf"), or
// given it when it has none. A leading dot starts a hidden name, not an
// extension: ".notes" becomes ".notes.txt".
QString forceExtension(const QString& path, FileKind kind);

}  // namespace lettrica::app
