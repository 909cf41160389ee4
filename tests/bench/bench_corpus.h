#pragma once
// A reproducible Russian text for the benchmarks: words of every length with
// all the letters that grow (ж, ч, ш, щ, ю, я, ъ, ь, э, ё), punctuation,
// digits, line breaks, some Latin and some all-capital words.

#include <cstddef>
#include <string>

#include "text/styled_text.h"

namespace bench {

// About `bytes` bytes of Windows-1251 text, CR LF line breaks.
std::string russianCp1251(std::size_t bytes);

// The same kind of text as a styled document: paragraphs of runs whose
// formats change every few words (bold, coloured), `chars` characters or so.
lettrica::text::StyledText russianDocument(std::size_t chars);

}  // namespace bench
