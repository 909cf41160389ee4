#include "repair/misreading.h"

namespace lettrica::repair {

std::string describe(const Chain& chain) {
    std::string out;
    for (std::uint8_t i = 0; i < chain.length; ++i) {
        if (i) out += ", then ";
        out += charsetName(chain.steps[i].written);
        out += " read as ";
        out += charsetName(chain.steps[i].read);
    }
    return out;
}

namespace {

void addPiece(std::vector<Piece>* pieces, std::uint32_t source, std::uint32_t result) {
    if (pieces) pieces->push_back({source, result});
}

void appendCodePoint(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Read as a single-byte page, written as another: a character for a character.
bool undoSingleToSingle(Charset read, Charset written, std::u16string_view garbled, std::u16string& out,
                        std::vector<Piece>* pieces) {
    const PageView from = pageView(read), to = pageView(written);
    out.resize(garbled.size());
    char16_t* o = out.data();
    for (std::size_t i = 0; i < garbled.size(); ++i) {
        const char16_t ch = garbled[i];
        if (ch < 0x80) {
            o[i] = ch;
        } else {
            const int byte = from.byteOf(ch);
            if (byte < 0) return false;
            o[i] = to.chars[byte];
        }
    }
    if (pieces) pieces->assign(garbled.size(), Piece{1, 1});
    return true;
}

// Read as a single-byte page, written as UTF-8: each character is one byte
// of a UTF-8 sequence, which must be complete and well-formed.
bool undoSingleToUtf8(Charset read, std::u16string_view garbled, std::u16string& out, std::vector<Piece>* pieces) {
    out.clear();
    out.reserve(garbled.size());
    std::size_t i = 0;
    const std::size_t n = garbled.size();
    const PageView from = pageView(read);
    auto byteAt = [&](std::size_t k) -> int {
        const char16_t ch = garbled[k];
        return ch < 0x80 ? ch : from.byteOf(ch);
    };
    while (i < n) {
        const int lead = byteAt(i);
        if (lead < 0) return false;
        if (lead < 0x80) {
            out.push_back(static_cast<char16_t>(lead));
            addPiece(pieces, 1, 1);
            ++i;
            continue;
        }
        std::size_t len;
        char32_t min;
        if (lead >= 0xC2 && lead <= 0xDF) { len = 2; min = 0x80; }
        else if (lead >= 0xE0 && lead <= 0xEF) { len = 3; min = 0x800; }
        else if (lead >= 0xF0 && lead <= 0xF4) { len = 4; min = 0x10000; }
        else return false;
        if (i + len > n) return false;
        char32_t cp = static_cast<char32_t>(lead) & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const int b = byteAt(i + k);
            if (b < 0 || (b & 0xC0) != 0x80) return false;
            cp = (cp << 6) | static_cast<char32_t>(b & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        const std::size_t before = out.size();
        appendCodePoint(cp, out);
        addPiece(pieces, static_cast<std::uint32_t>(len), static_cast<std::uint32_t>(out.size() - before));
        i += len;
    }
    return true;
}

// Read as UTF-8, written as a single-byte page: each character's UTF-8
// bytes become characters of the page.
bool undoUtf8ToSingle(Charset written, std::u16string_view garbled, std::u16string& out, std::vector<Piece>* pieces) {
    out.clear();
    out.reserve(garbled.size() * 2);
    const PageView to = pageView(written);
    std::size_t i = 0;
    const std::size_t n = garbled.size();
    while (i < n) {
        char32_t cp = garbled[i];
        std::uint32_t units = 1;
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp >= 0xDC00 || i + 1 >= n || garbled[i + 1] < 0xDC00 || garbled[i + 1] > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (garbled[i + 1] - 0xDC00);
            units = 2;
        }
        unsigned char bytes[4];
        std::uint32_t len;
        if (cp < 0x80) { bytes[0] = static_cast<unsigned char>(cp); len = 1; }
        else if (cp < 0x800) {
            bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 3;
        } else {
            bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            len = 4;
        }
        for (std::uint32_t k = 0; k < len; ++k) out.push_back(to.chars[bytes[k]]);
        addPiece(pieces, units, len);
        i += units;
    }
    return true;
}

}  // namespace

bool undo(Misreading misreading, std::u16string_view garbled, std::u16string& out, std::vector<Piece>* pieces) {
    if (pieces) pieces->clear();
    if (misreading.written == misreading.read) return false;
    if (misreading.read == Charset::Utf8) return undoUtf8ToSingle(misreading.written, garbled, out, pieces);
    if (misreading.written == Charset::Utf8) return undoSingleToUtf8(misreading.read, garbled, out, pieces);
    return undoSingleToSingle(misreading.read, misreading.written, garbled, out, pieces);
}

std::vector<Piece> composePieces(const std::vector<Piece>& first, const std::vector<Piece>& second) {
    // Walk the middle text from both sides and cut only where both cut.
    std::vector<Piece> out;
    std::size_t i = 0, j = 0;
    while (i < first.size() || j < second.size()) {
        Piece p{0, 0};
        std::uint64_t middleA = 0, middleB = 0;  // middle text covered from each side
        do {
            if (middleA <= middleB && i < first.size()) {
                p.source += first[i].source;
                middleA += first[i].result;
                ++i;
            } else if (j < second.size()) {
                middleB += second[j].source;
                p.result += second[j].result;
                ++j;
            } else {
                break;
            }
        } while (middleA != middleB);
        out.push_back(p);
    }
    return out;
}

}  // namespace lettrica::repair
