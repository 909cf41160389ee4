#pragma once
#include <string>
#include <string_view>

#include "text/utf8.h"

// Tests write their texts in UTF-8 literals; the engine works in UTF-16.
inline std::u16string U(std::string_view utf8) { return lettrica::text::decodeUtf8(utf8); }
inline std::string S(std::u16string_view text) { return lettrica::text::encodeUtf8(text); }
