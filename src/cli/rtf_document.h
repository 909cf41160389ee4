#pragma once
// An RTF document through a text command (to-latin, to-cyrillic, case,
// recode): recognised by its content, its text converted with the formats
// kept, written as RTF. The markup itself is never converted.

#include <cstddef>

#include "cli/io.h"
#include "convert/converter.h"

namespace lettrica::cli {

// Converts `input` and returns true when it holds an RTF document; returns
// false, having read nothing, when it does not. An RTF document is converted
// on its own (a UsageError when `inputs` is more than one, since documents
// cannot be joined); one that cannot be read whole is an IoError naming the
// fault, and nothing is written.
bool convertIfRtf(Input& input, std::size_t inputs, const translit::Converter& converter, Output& output);

}  // namespace lettrica::cli
