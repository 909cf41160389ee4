#pragma once
// Code-page recoding: six byte-for-byte directions between Windows-1251
// ("Win"), DOS 866 ("DOS") and KOI8-R ("Koi"). The text keeps its length;
// bytes 00-7F never change. In UTF-16 text (the panes show Windows-1251) a
// character is recoded through its Windows-1251 byte; one the code page
// cannot hold stays as it is.

#include <optional>
#include <string>
#include <string_view>

#include "textops/byte_map.h"

namespace lettrica::textops {

// In the order of the recoding dialog; the value is the dialog's index.
enum class Direction { WinToDOS = 0, Win2Koi = 1, DOSToWin = 2, DOSToKOI = 3, Koi2Win = 4, KOIToDOS = 5 };
inline constexpr int kDirectionCount = 6;

enum class CodePage { Win, Dos, Koi };

// The direction with this dialog index, none outside 0..5.
std::optional<Direction> directionAt(int index);
// The direction from one code page to another; none when they are the same.
std::optional<Direction> directionBetween(CodePage from, CodePage to);
// "win", "dos" or "koi" (any case); none for anything else.
std::optional<CodePage> codePageNamed(std::string_view name);
// The dialog caption: "Win -> DOS" ...
const char* directionCaption(Direction direction);

const ByteMap& recodingMap(Direction direction);
const ByteMapConverter& recodingConverter(Direction direction);

std::string recodeBytes(std::string_view bytes, Direction direction);
std::u16string recodeText(std::u16string_view text, Direction direction);

// The six converters over Windows-1251-style byte texts.
std::string WinToDOS(std::string_view text);
std::string Win2Koi(std::string_view text);
std::string DOSToWin(std::string_view text);
std::string DOSToKOI(std::string_view text);
std::string Koi2Win(std::string_view text);
std::string KOIToDOS(std::string_view text);

}  // namespace lettrica::textops
