#include "text/volume.h"

namespace lettrica::text {

namespace {

std::u16string decimal(std::uint64_t n) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n != 0);
    return digits;
}

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

void VolumeCounter::add(std::u16string_view text) {
    if (text.empty()) return;
    // Each unit is judged with the unit before it (carried over from the
    // last piece for the first one), without state in the loop, so the
    // compiler can run it on many units at once.
    auto judge = [](char16_t before, char16_t c, std::uint64_t& printable, std::uint64_t& total) {
        const bool continues = (before == u'\r' && c == u'\n') || (isHighSurrogate(before) && isLowSurrogate(c));
        const bool lineBreak = c == u'\r' || c == u'\n' || c == 0x2029 || c == 0x2028;
        total += static_cast<std::uint64_t>(!continues) * (lineBreak ? 2u : 1u);
        printable += static_cast<std::uint64_t>(!continues & !lineBreak & (c >= 32));
    };
    std::uint64_t printable = 0;
    std::uint64_t total = 0;
    const char16_t before = afterCr_ ? u'\r' : afterHighSurrogate_ ? char16_t(0xD800) : char16_t(0);
    judge(before, text[0], printable, total);
    const char16_t* p = text.data();
    for (std::size_t i = 1; i < text.size(); ++i) judge(p[i - 1], p[i], printable, total);
    const char16_t last = text.back();
    afterCr_ = last == u'\r';
    afterHighSurrogate_ = isHighSurrogate(last);
    volume_.printable += printable;
    volume_.total += total;
}

void VolumeCounter::addCp1251(std::string_view bytes) {
    std::uint64_t printable = 0;
    std::uint64_t total = 0;
    bool afterCr = afterCr_;
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        const bool lfAfterCr = afterCr && b == '\n';
        afterCr = b == '\r';
        if (lfAfterCr) continue;
        if (b == '\r' || b == '\n') {
            total += 2;
        } else {
            ++total;
            if (b >= 32) ++printable;
        }
    }
    afterCr_ = afterCr;
    afterHighSurrogate_ = false;
    volume_.printable += printable;
    volume_.total += total;
}

Volume countVolume(std::u16string_view text) {
    VolumeCounter counter;
    counter.add(text);
    return counter.volume();
}

std::u16string printablePhrase(std::uint64_t count) {
    const std::uint64_t lastDigit = count % 10;
    const std::uint64_t lastTwo = count % 100;
    std::u16string_view word = u"печатных символов";
    if (lastTwo < 11 || lastTwo > 14) {
        if (lastDigit == 1) word = u"печатный символ";
        else if (lastDigit >= 2 && lastDigit <= 4) word = u"печатных символа";
    }
    return decimal(count) + u" " + std::u16string(word) + u".";
}

std::u16string volumeMessage(const Volume& source, const Volume& result) {
    std::u16string text;
    text += u"Объем переводимого текста: " + printablePhrase(source.printable) + u"\r";
    text += u"Всего символов: " + decimal(source.total) + u".\r";
    text += u"\r";
    text += u"Объем переведенного текста: " + printablePhrase(result.printable) + u"\r";
    text += u"Всего символов: " + decimal(result.total) + u".";
    return text;
}

std::u16string volumeStatusLine(std::uint64_t sourceTotal, std::uint64_t resultTotal) {
    return u" Переводимый текст - " + decimal(sourceTotal) + u" симв. Переведенный текст" + u" - " +
           decimal(resultTotal) + u" симв.";
}

}  // namespace lettrica::text
