#pragma once
// Where the Russian word list that to-cyrillic reads words back by is found,
// for the command line and the window alike: $LETTRICA_WORDS when set,
// else beside the program (the build tree), else where the install puts it.

#include <string>

namespace lettrica::translit {

// The list's path; empty when there is none to read (a missing list, or
// $LETTRICA_WORDS naming something that is not a regular file).
std::string findWordList();

// What the list is looked for as, to name it in a warning.
std::string wordListName();

}  // namespace lettrica::translit
