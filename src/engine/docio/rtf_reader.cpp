#include "docio/rtf_reader.h"

#include <array>
#include <limits>

namespace lettrica::docio {

namespace {

enum Class : unsigned char { Plain, Open, Close, Backslash, LineEnd, Letter, Digit };

// What a byte is to the main loop (the first five) and inside a control
// word (Letter, Digit; both are Plain text outside one).
constexpr std::array<unsigned char, 256> makeClasses() {
    std::array<unsigned char, 256> c{};
    c['{'] = Open;
    c['}'] = Close;
    c['\\'] = Backslash;
    c['\r'] = LineEnd;
    c['\n'] = LineEnd;
    return c;
}
constexpr std::array<unsigned char, 256> makeWordClasses() {
    std::array<unsigned char, 256> c{};
    for (int b = 'a'; b <= 'z'; ++b) c[b] = c[b - 'a' + 'A'] = Letter;
    for (int b = '0'; b <= '9'; ++b) c[b] = Digit;
    return c;
}
constexpr std::array<unsigned char, 256> kClass = makeClasses();
constexpr std::array<unsigned char, 256> kWordClass = makeWordClasses();

bool isLetter(unsigned char c) { return kWordClass[c] == Letter; }
bool isDigit(unsigned char c) { return kWordClass[c] == Digit; }
int hexValue(unsigned char c) {
    if (isDigit(c)) return c - '0';
    c |= 0x20;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

class Tokenizer {
public:
    Tokenizer(std::string_view bytes, RtfHandler& handler)
        : begin_(reinterpret_cast<const unsigned char*>(bytes.data())), end_(begin_ + bytes.size()),
          handler_(handler) {}

    RtfFault run(std::size_t start);

private:
    struct Word {
        std::string_view name;
        bool hasParameter = false;
        std::int32_t parameter = 0;
        bool tooLong = false;
    };

    std::size_t offset(const unsigned char* p) const { return static_cast<std::size_t>(p - begin_); }
    void fault(RtfError error, const unsigned char* at) {
        if (fault_.ok()) fault_ = RtfFault{error, offset(at)};
    }
    // p is just after the backslash and on a letter.
    Word readWord();
    // \binN: the data after the word. False when the file is shorter.
    bool readBinary(std::int32_t count, bool deliver);
    // Skips to the end of the group that is open at p, its '}' included.
    bool skipGroup();
    bool handle(RtfHandler::Action action);
    bool groupEnd();

    const unsigned char* const begin_;
    const unsigned char* const end_;
    const unsigned char* p_ = nullptr;
    RtfHandler& handler_;
    std::size_t depth_ = 0;
    RtfFault fault_;
};

// The loops work on a local pointer: bytes read through p_ could alias p_
// itself as far as the compiler knows, which would reload it at every byte.
Tokenizer::Word Tokenizer::readWord() {
    Word w;
    const unsigned char* p = p_;
    const unsigned char* const end = end_;
    const unsigned char* start = p;
    while (p < end && isLetter(*p)) ++p;
    w.name = std::string_view(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start));
    w.tooLong = w.name.size() > kMaxControlWord;
    bool negative = false;
    if (p < end && *p == '-' && p + 1 < end && isDigit(p[1])) {
        negative = true;
        ++p;
    }
    if (p < end && isDigit(*p)) {
        // Digits beyond the int32 range saturate; all of them are consumed.
        constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
        std::int64_t value = 0;
        while (p < end && isDigit(*p)) {
            if (value < limit) value = value * 10 + (*p - '0');
            ++p;
        }
        if (value > limit) value = limit;
        if (negative) value = -value;
        else if (value == limit) value = limit - 1;
        w.hasParameter = true;
        w.parameter = static_cast<std::int32_t>(value);
    }
    if (p < end && *p == ' ') ++p;  // the delimiter belongs to the word
    p_ = p;
    return w;
}

bool Tokenizer::readBinary(std::int32_t count, bool deliver) {
    const std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    const std::size_t left = static_cast<std::size_t>(end_ - p_);
    const std::size_t n = wanted < left ? wanted : left;
    if (deliver && n > 0) handler_.binary(std::string_view(reinterpret_cast<const char*>(p_), n));
    p_ += n;
    if (wanted > left) {
        fault(RtfError::BinaryPastEnd, p_);
        return false;
    }
    return true;
}

bool Tokenizer::skipGroup() {
    std::size_t level = 1;
    while (p_ < end_) {
        const unsigned char* p = p_;
        while (p < end_ && kClass[*p] == Plain) ++p;  // pictures are long runs of hex digits
        p_ = p;
        if (p == end_) break;
        switch (kClass[*p]) {
        case Open:
            ++level;
            ++p_;
            break;
        case Close:
            ++p_;
            if (--level == 0) return true;
            break;
        case Backslash: {
            ++p_;
            if (p_ == end_) break;
            if (isLetter(*p_)) {
                const Word w = readWord();
                if (w.name == "bin" && w.hasParameter && !readBinary(w.parameter, false)) return false;
            } else {
                ++p_;  // an escaped brace must not count
            }
            break;
        }
        default:
            ++p_;
        }
    }
    fault(RtfError::Truncated, end_);
    return false;
}

bool Tokenizer::groupEnd() {
    --depth_;
    handler_.groupEnd();
    return depth_ > 0;
}

// Carries out a handler's answer; false when reading is over.
bool Tokenizer::handle(RtfHandler::Action action) {
    if (action == RtfHandler::Action::Stop) {
        fault(RtfError::Stopped, p_);
        return false;
    }
    if (action != RtfHandler::Action::SkipGroup) return true;
    if (!skipGroup()) return false;
    return groupEnd();
}

RtfFault Tokenizer::run(std::size_t start) {
    p_ = begin_ + start;
    while (p_ < end_) {
        switch (kClass[*p_]) {
        case Plain: {
            const unsigned char* const s = p_;
            const unsigned char* p = s;
            while (p < end_ && kClass[*p] == Plain) ++p;
            p_ = p;
            handler_.text(std::string_view(reinterpret_cast<const char*>(s), static_cast<std::size_t>(p - s)));
            break;
        }
        case LineEnd:
            ++p_;
            break;
        case Open:
            if (depth_ == kMaxGroupDepth) {
                fault(RtfError::TooDeep, p_);
                return fault_;
            }
            ++p_;
            ++depth_;
            if (!handle(handler_.groupStart())) return fault_;
            break;
        case Close:
            ++p_;
            if (!groupEnd()) return fault_;
            break;
        case Backslash: {
            const unsigned char* at = p_++;
            if (p_ == end_) {
                fault(RtfError::Truncated, at);
                return fault_;
            }
            const unsigned char c = *p_;
            if (isLetter(c)) {
                const Word w = readWord();
                if (w.tooLong) {
                    fault(RtfError::WordTooLong, at);
                } else if (w.name == "bin" && w.hasParameter) {
                    if (!readBinary(w.parameter, true)) return fault_;
                } else if (w.name == "u" && w.hasParameter) {
                    std::int64_t v = w.parameter;
                    if (v < 0) v += 65536;
                    handler_.unicode(v >= 0 && v <= 0x10FFFF ? static_cast<std::uint32_t>(v) : 0xFFFD);
                } else if (!handle(handler_.controlWord(w.name, w.hasParameter, w.parameter))) {
                    return fault_;
                }
            } else if (c == '\'') {
                ++p_;
                const int hi = p_ < end_ ? hexValue(*p_) : -1;
                const int lo = p_ + 1 < end_ ? hexValue(p_[1]) : -1;
                if (hi >= 0 && lo >= 0) {
                    p_ += 2;
                    handler_.hexByte(static_cast<unsigned char>(hi << 4 | lo));
                } else {
                    // No character: the bytes meant as its digits go too,
                    // unless they are markup.
                    for (int i = 0; i < 2 && p_ < end_ && kClass[*p_] == Plain; ++i) ++p_;
                }
            } else if (c == '\\' || c == '{' || c == '}') {
                handler_.text(std::string_view(reinterpret_cast<const char*>(p_), 1));
                ++p_;
            } else if (c == '\r' || c == '\n') {
                ++p_;
                if (!handle(handler_.controlWord("par", false, 0))) return fault_;
            } else {
                ++p_;
                if (!handle(handler_.controlSymbol(static_cast<char>(c)))) return fault_;
            }
            break;
        }
        }
    }
    fault(RtfError::Truncated, end_);
    return fault_;
}

}  // namespace

const char* describeRtfError(RtfError error) {
    switch (error) {
    case RtfError::None: return "no error";
    case RtfError::NotRtf: return "not an RTF document (it does not begin with {\\rtf)";
    case RtfError::Truncated: return "the document is cut short (it ends inside a group)";
    case RtfError::TooDeep: return "groups are nested too deeply";
    case RtfError::WordTooLong: return "a control word is too long";
    case RtfError::BinaryPastEnd: return "binary data runs past the end of the file";
    case RtfError::Stopped: return "reading was stopped";
    }
    return "unknown error";
}

std::size_t rtfStart(std::string_view bytes) {
    std::size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    return bytes.substr(i, 5) == "{\\rtf" ? i : std::string_view::npos;
}

RtfFault readRtfTokens(std::string_view bytes, RtfHandler& handler) {
    const std::size_t start = rtfStart(bytes);
    if (start == std::string_view::npos) return RtfFault{RtfError::NotRtf, 0};
    return Tokenizer(bytes, handler).run(start);
}

}  // namespace lettrica::docio
