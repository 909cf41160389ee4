#pragma once
// Case change by the case pairs of Windows-1251: to capitals or to small
// letters. Letters without a pair, digits, punctuation, control characters
// and characters Windows-1251 cannot hold stay as they are.

#include <string>
#include <string_view>

#include "textops/byte_map.h"

namespace lettrica::textops {

enum class Case { Upper, Lower };

// The case dialog's choice: index 0 is capitals, anything else (none
// selected, -1, included) small letters.
Case caseAt(int index);

const ByteMap& caseMap(Case target);
const ByteMapConverter& caseConverter(Case target);

char16_t toUpper(char16_t ch);
char16_t toLower(char16_t ch);
std::u16string changeCase(std::u16string_view text, Case target);
std::string changeCaseBytes(std::string_view bytes, Case target);

}  // namespace lettrica::textops
