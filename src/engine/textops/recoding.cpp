#include "textops/recoding.h"

#include <array>

#include "textops/dos_tables.h"
#include "textops/win_koi_letters.h"

namespace lettrica::textops {

namespace {

constexpr ByteMap fromHighHalf(const HighHalfTable& table) {
    ByteMap m = identityByteMap();
    for (int i = 0; i < 128; ++i) m[0x80 + i] = table[i];
    return m;
}

constexpr ByteMap winToKoi() {
    ByteMap m = identityByteMap();
    for (int i = 0; i < 64; ++i) m[0xC0 + i] = kWinToKoiLetters[i];
    return m;
}

constexpr ByteMap koiToWin() {
    ByteMap m = identityByteMap();
    for (int i = 0; i < 64; ++i) m[kWinToKoiLetters[i]] = static_cast<std::uint8_t>(0xC0 + i);
    return m;
}

constexpr std::array<ByteMap, kDirectionCount> kMaps = {
    fromHighHalf(kWinToDosTable), winToKoi(), fromHighHalf(kDosToWinTable),
    fromHighHalf(kDosToKoiTable), koiToWin(), fromHighHalf(kKoiToDosTable),
};

// The Win/Koi letters must cover C0-FF exactly once each way, or a letter
// would be lost on the way back.
constexpr bool winKoiIsOneToOne() {
    for (int b = 0; b < 256; ++b) {
        const bool letter = b >= 0xC0;
        if (letter != (kMaps[1][b] >= 0xC0) || kMaps[4][kMaps[1][b]] != b) return false;
    }
    return true;
}
static_assert(winKoiIsOneToOne());

constexpr bool dosKoiIsOneToOne() {
    for (int b = 0; b < 256; ++b)
        if (kMaps[5][kMaps[3][b]] != b || kMaps[3][kMaps[5][b]] != b) return false;
    return true;
}
static_assert(dosKoiIsOneToOne());

constexpr const char* kCaptions[kDirectionCount] = {"Win -> DOS", "Win -> Koi", "DOS -> Win",
                                                    "DOS -> Koi", "Koi -> Win", "Koi -> DOS"};

}  // namespace

std::optional<Direction> directionAt(int index) {
    if (index < 0 || index >= kDirectionCount) return std::nullopt;
    return static_cast<Direction>(index);
}

std::optional<Direction> directionBetween(CodePage from, CodePage to) {
    switch (from) {
        case CodePage::Win:
            if (to == CodePage::Dos) return Direction::WinToDOS;
            if (to == CodePage::Koi) return Direction::Win2Koi;
            break;
        case CodePage::Dos:
            if (to == CodePage::Win) return Direction::DOSToWin;
            if (to == CodePage::Koi) return Direction::DOSToKOI;
            break;
        case CodePage::Koi:
            if (to == CodePage::Win) return Direction::Koi2Win;
            if (to == CodePage::Dos) return Direction::KOIToDOS;
            break;
    }
    return std::nullopt;
}

std::optional<CodePage> codePageNamed(std::string_view name) {
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "win") return CodePage::Win;
    if (lower == "dos") return CodePage::Dos;
    if (lower == "koi") return CodePage::Koi;
    return std::nullopt;
}

const char* directionCaption(Direction direction) { return kCaptions[static_cast<int>(direction)]; }

const ByteMap& recodingMap(Direction direction) { return kMaps[static_cast<int>(direction)]; }

const ByteMapConverter& recodingConverter(Direction direction) {
    static const std::array<ByteMapConverter, kDirectionCount> converters = {
        ByteMapConverter(kMaps[0]), ByteMapConverter(kMaps[1]), ByteMapConverter(kMaps[2]),
        ByteMapConverter(kMaps[3]), ByteMapConverter(kMaps[4]), ByteMapConverter(kMaps[5]),
    };
    return converters[static_cast<int>(direction)];
}

std::string recodeBytes(std::string_view bytes, Direction direction) {
    return mapBytes(recodingMap(direction), bytes);
}

std::u16string recodeText(std::u16string_view text, Direction direction) {
    return mapText(recodingMap(direction), text);
}

std::string WinToDOS(std::string_view text) { return recodeBytes(text, Direction::WinToDOS); }
std::string Win2Koi(std::string_view text) { return recodeBytes(text, Direction::Win2Koi); }
std::string DOSToWin(std::string_view text) { return recodeBytes(text, Direction::DOSToWin); }
std::string DOSToKOI(std::string_view text) { return recodeBytes(text, Direction::DOSToKOI); }
std::string Koi2Win(std::string_view text) { return recodeBytes(text, Direction::Koi2Win); }
std::string KOIToDOS(std::string_view text) { return recodeBytes(text, Direction::KOIToDOS); }

}  // namespace lettrica::textops
