#include "translit/rules_to_latin.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "text/cp1251.h"
#include "text/output_cursor.h"
#include "text/utf8.h"
#include "text/utf8_cyrillic.h"
#include "translit/letters.h"

namespace lettrica::translit {

namespace {

// Codes: ASCII as it is, U+0400..U+047F as 0x80..0xFF (the UTF-8 of the
// block is D0 80..D1 BF); 256 for anything else.
constexpr unsigned kNoCode = 256;
constexpr char16_t charOfCode(unsigned code) { return static_cast<char16_t>(code < 0x80 ? code : 0x380 + code); }
constexpr unsigned codeOf(char32_t c) {
    return c < 0x80 ? c : (c >= 0x400 && c <= 0x47F) ? c - 0x380 : kNoCode;
}

// A table entry: up to six bytes of output, in byte 6 the group of its
// letter (the next characters that change it), then the control byte: its
// length in bits 0-3, kNext when the next character may change it, kSlow
// when only the rules can tell.
constexpr std::uint64_t kCapital = 0x20ull << 56;  // the capitals table holds the form in capitals
constexpr std::uint64_t kNext = 0x40ull << 56;
constexpr std::uint64_t kSlow = 0x80ull << 56;
constexpr std::uint64_t kFlags = kCapital | kNext | kSlow;
constexpr std::uint64_t kSpan2 = 0x10ull << 56;  // in a pair entry: both characters taken

std::uint64_t packed(std::string_view bytes) {
    if (bytes.size() > 6) return kSlow;
    std::uint64_t w = 0;
    std::memcpy(&w, bytes.data(), bytes.size());
    return w | static_cast<std::uint64_t>(bytes.size()) << 56;
}

inline std::size_t lengthOf(std::uint64_t w) { return static_cast<std::size_t>((w >> 56) & 0xF); }

std::string cp1251Bytes(std::u16string_view text, bool& ok) {
    std::string out;
    ok = true;
    for (char16_t c : text) {
        const int b = text::unicodeToCp1251(c);
        if (b < 0) ok = false;
        else out.push_back(static_cast<char>(b));
    }
    return out;
}

// Up to two combining marks are skipped looking either way.
long prevIndex(const char16_t* s, std::size_t pos) {
    std::size_t q = pos;
    for (int skipped = 0; q > 0;) {
        --q;
        if (letters::isCombining(s[q]) && skipped < 2) {
            ++skipped;
            continue;
        }
        return static_cast<long>(q);
    }
    return -1;
}

long nextIndex(const char16_t* s, std::size_t n, std::size_t at) {
    for (int skipped = 0; at < n; ++at) {
        if (letters::isCombining(s[at]) && skipped < 2) {
            ++skipped;
            continue;
        }
        return static_cast<long>(at);
    }
    return -1;
}

bool letterAt(const char16_t* s, long i) { return i >= 0 && letters::isLetter(s[i]); }

// A capital whose neighbours in the word are all capitals (and which has one).
bool allCapitals(const char16_t* s, std::size_t n, std::size_t pos) {
    const long p = prevIndex(s, pos), q = nextIndex(s, n, pos + 1);
    const bool pl = letterAt(s, p), ql = letterAt(s, q);
    if (!pl && !ql) return false;
    return (!pl || letters::isUpper(s[p])) && (!ql || letters::isUpper(s[q]));
}

}  // namespace

struct RulesToLatin::Tables {
    std::vector<std::array<std::uint64_t, 256>> utf8;    // [class of the character before][code]
    std::vector<std::array<std::uint64_t, 256>> cp1251;  // [class][byte]
    // The same for a capital between capitals, where it differs (kCapital).
    std::vector<std::array<std::uint64_t, 256>> utf8Capitals, cp1251Capitals;
    // By code: bit 0 a letter, bit 1 a capital.
    std::array<std::uint8_t, kNoCode + 1> kindOfCode{}, kindOfByte{};
    std::array<std::uint8_t, 256> classOfCode{}, classOfByte{};
    std::array<std::uint16_t, 256> rowOfCode{}, rowOfByte{};  // the same times 256: a row of the tables
    std::uint8_t other = 0;                               // the class that sends every letter to the rules
    std::uint16_t otherRow = 0;
    std::vector<std::bitset<kNoCode + 1>> next;           // by code: which next codes may change the output
    std::array<std::uint8_t, kNoCode + 1> groupsOfCode{}, groupsOfByte{};  // see the end of the constructor
    // A small letter and the next character that changes it: by the class
    // before and the character after the two, what the rules write (kSpan2
    // when they take both). pairSlot: by the two codes, 0xFF for none.
    std::vector<std::uint8_t> pairSlot;
    std::vector<std::uint64_t> pairsUtf8, pairsCp1251;  // [(slot * classes + class) * 257 + code after]
    std::size_t classCount = 0;
    std::array<std::uint16_t, 256> codeOfByte{};
};

RulesToLatin::RulesToLatin(SystemRules rules) : rules_(std::move(rules)) {
    // Forms, grouped by first letter in the order the rules are tried.
    std::vector<const Rule*> order;
    for (const Rule& r : rules_.rules) order.push_back(&r);
    std::stable_sort(order.begin(), order.end(), [](const Rule* a, const Rule* b) { return a->source[0] < b->source[0]; });
    for (const Rule* r : order) {
        Forms f{r, {}, {}, {}, {}};
        f.text[0] = r->output;
        for (std::size_t i = 0; i < r->output.size(); ++i) {
            if (i == 0) letters::appendUpper(r->output[i], f.text[1]);
            else f.text[1].push_back(r->output[i]);
            letters::appendUpper(r->output[i], f.text[2]);
        }
        for (int k = 0; k < 3; ++k) {
            f.utf8[k] = text::encodeUtf8(f.text[k]);
            f.cp1251[k] = cp1251Bytes(f.text[k], f.inCp1251[k]);
        }
        forms_.push_back(std::move(f));
        lookahead_ = std::max(lookahead_, r->source.size() + 2);
    }
    for (std::size_t i = 0; i < forms_.size();) {
        std::size_t j = i;
        const char16_t first = forms_[i].rule->source[0];
        while (j < forms_.size() && forms_[j].rule->source[0] == first) ++j;
        const std::pair<std::uint16_t, std::uint16_t> range{static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(j)};
        if (codeOf(first) != kNoCode) byCode_[codeOf(first)] = range;
        else byOther_.push_back({first, range});
        // The capital too, when it has a code of its own.
        const unsigned cap = codeOf(letters::cyrillicUpper(first));
        if (cap != kNoCode) byCode_[cap] = range;
        i = j;
    }

    // Classes of the character before: characters alike for every `after`.
    auto t = std::make_shared<Tables>();
    std::vector<const Condition*> afters;
    for (const Rule& r : rules_.rules)
        if (r.after.used) afters.push_back(&r.after);
    std::map<std::vector<bool>, std::uint8_t> classes;
    std::vector<char16_t> representative;
    const auto classOf = [&](char16_t c) {
        std::vector<bool> signature;
        for (const Condition* a : afters) signature.push_back(a->holds(c, letters::isLetter(c)));
        auto [it, added] = classes.emplace(signature, static_cast<std::uint8_t>(classes.size()));
        if (added) representative.push_back(c);
        return it->second;
    };
    for (unsigned code = 0; code < 256; ++code) t->classOfCode[code] = classOf(charOfCode(code));
    for (unsigned b = 0; b < 256; ++b) t->classOfByte[b] = classOf(text::cp1251ToUnicode(static_cast<unsigned char>(b)));
    t->other = static_cast<std::uint8_t>(classes.size());
    t->otherRow = static_cast<std::uint16_t>(t->other * 256);
    for (unsigned x = 0; x < 256; ++x) {
        t->rowOfCode[x] = static_cast<std::uint16_t>(t->classOfCode[x] * 256);
        t->rowOfByte[x] = static_cast<std::uint16_t>(t->classOfByte[x] * 256);
    }

    t->next.resize(256);
    const auto entry = [&](char16_t c, int cls, bool utf8, bool allCapitals) -> std::uint64_t {
        const std::string self = utf8 ? text::encodeUtf8(std::u16string(1, c))
                                      : std::string(1, static_cast<char>(text::unicodeToCp1251(c)));
        const char16_t lc = static_cast<char16_t>(letters::lower(c));
        std::pair<std::uint16_t, std::uint16_t> range{0, 0};
        if (codeOf(c) != kNoCode) range = byCode_[codeOf(c)];
        else
            for (const auto& o : byOther_)
                if (o.first == lc) range = o.second;
        if (range.first == range.second) return packed(self);
        if (cls == t->other) return kSlow;
        std::uint64_t flags = 0;
        const Forms* chosen = nullptr;
        for (std::size_t i = range.first; i < range.second; ++i) {
            const Rule& r = *forms_[i].rule;
            if (r.source.size() > 1 || r.before.used) {
                flags |= kNext;
                continue;
            }
            const char16_t rep = representative[cls];
            if (r.after.used && !r.after.holds(rep, letters::isLetter(rep))) continue;
            chosen = &forms_[i];
            break;
        }
        if (flags && codeOf(c) == kNoCode) return kSlow;
        if (!chosen) return packed(self) | flags;
        const bool capital = lc != c;
        if (capital && chosen->text[1] != chosen->text[2]) flags |= kCapital;
        const int form = !capital ? 0 : allCapitals ? 2 : 1;
        if (!utf8 && !chosen->inCp1251[form]) return kSlow;
        const std::uint64_t w = packed(utf8 ? chosen->utf8[form] : chosen->cp1251[form]);
        return w & kSlow ? kSlow : w | flags;
    };
    for (auto* table : {&t->utf8, &t->cp1251, &t->utf8Capitals, &t->cp1251Capitals}) table->resize(classes.size() + 1);
    for (std::size_t cls = 0; cls <= classes.size(); ++cls) {
        for (unsigned x = 0; x < 256; ++x) {
            const int k = static_cast<int>(cls);
            const char16_t byByte = text::cp1251ToUnicode(static_cast<unsigned char>(x));
            t->utf8[cls][x] = entry(charOfCode(x), k, true, false);
            t->cp1251[cls][x] = entry(byByte, k, false, false);
            t->utf8Capitals[cls][x] = entry(charOfCode(x), k, true, true);
            t->cp1251Capitals[cls][x] = entry(byByte, k, false, true);
        }
    }
    const auto kind = [](char16_t c) {
        return static_cast<std::uint8_t>((letters::isLetter(c) ? 1 : 0) | (letters::isUpper(c) ? 2 : 0));
    };
    for (unsigned x = 0; x < 256; ++x) {
        t->kindOfCode[x] = kind(charOfCode(x));
        t->kindOfByte[x] = kind(text::cp1251ToUnicode(static_cast<unsigned char>(x)));
    }
    t->kindOfCode[kNoCode] = t->kindOfByte[kNoCode] = 4;  // unknown: the rules decide
    for (unsigned b = 0; b < 256; ++b) t->codeOfByte[b] = static_cast<std::uint16_t>(codeOf(text::cp1251ToUnicode(static_cast<unsigned char>(b))));
    for (unsigned code = 0; code < 256; ++code) {
        const auto range = byCode_[code];
        t->next[code].set(kNoCode);
        for (unsigned x = 0; x < 256; ++x) {
            const char16_t n = charOfCode(x);
            for (std::size_t i = range.first; i < range.second; ++i) {
                const Rule& r = *forms_[i].rule;
                if (r.source.size() > 1 ? letters::lower(n) == r.source[1]
                                        : r.before.used && r.before.holds(n, letters::isLetter(n)))
                    t->next[code].set(x);
            }
        }
    }
    // Letters alike in which next characters change them share a group; an
    // entry names its letter's group in byte 6, and the groups of a next
    // character say which letters it changes: one test, no branch, for the
    // common case that it changes none. A ninth kind of letter goes to
    // the rules.
    std::vector<std::bitset<kNoCode + 1>> sets;
    std::array<int, 256> groupOf;
    groupOf.fill(-1);
    for (unsigned code = 0; code < 256; ++code) {
        bool any = false;
        for (const auto& rows : t->utf8) any = any || (rows[code] & kNext);
        if (!any) continue;
        auto it = std::find(sets.begin(), sets.end(), t->next[code]);
        if (it == sets.end() && sets.size() < 8) it = sets.insert(sets.end(), t->next[code]);
        if (it != sets.end()) groupOf[code] = static_cast<int>(it - sets.begin());
    }
    for (std::size_t g = 0; g < sets.size(); ++g) {
        for (unsigned x = 0; x <= kNoCode; ++x)
            if (sets[g].test(x)) t->groupsOfCode[x] |= static_cast<std::uint8_t>(1u << g);
        for (unsigned b = 0; b < 256; ++b)
            if (sets[g].test(t->codeOfByte[b])) t->groupsOfByte[b] |= static_cast<std::uint8_t>(1u << g);
        if (sets[g].test(kNoCode)) t->groupsOfByte[kNoCode] |= static_cast<std::uint8_t>(1u << g);
    }
    const auto mark = [&](std::vector<std::array<std::uint64_t, 256>>& table, bool byByte) {
        for (auto& rows : table) {
            for (unsigned x = 0; x < 256; ++x) {
                if (!(rows[x] & kNext)) continue;
                const unsigned code = byByte ? t->codeOfByte[x] : x;
                const int g = code < kNoCode ? groupOf[code] : -1;
                rows[x] = g < 0 ? kSlow : rows[x] | static_cast<std::uint64_t>(1u << g) << 48;
            }
        }
    };
    mark(t->utf8, false);
    mark(t->utf8Capitals, false);
    mark(t->cp1251, true);
    mark(t->cp1251Capitals, true);

    // Pairs: a small letter whose rules the next letter changes ("ий" at a
    // word's end, "тс", "ц" before "е") is decided by the two letters and
    // the character after them, worked out here for every case.
    t->classCount = classes.size();
    t->pairSlot.assign(256 * 256, 0xFF);
    std::size_t slots = 0;
    for (unsigned x = 0; x < 256; ++x) {
        const char16_t cx = charOfCode(x);
        if (letters::lower(cx) != cx || groupOf[x] < 0) continue;
        bool longer = false;  // a rule of three letters would look past the pair's window
        for (std::size_t i = byCode_[x].first; i < byCode_[x].second; ++i) longer = longer || forms_[i].rule->source.size() > 2;
        if (longer) continue;
        for (unsigned y = 0; y < 256 && slots * t->classCount < 255; ++y) {
            if (!t->next[x].test(y)) continue;
            t->pairSlot[x * 256 + y] = static_cast<std::uint8_t>(slots);
            for (std::size_t k = 0; k < t->classCount; ++k) {
                for (unsigned z = 0; z <= kNoCode; ++z) {
                    std::uint64_t u = kSlow, c = kSlow;
                    if (z < kNoCode) {
                        const char16_t w[4] = {representative[k], cx, charOfCode(y), charOfCode(z)};
                        const Match m = matchAt(w, 4, 1);
                        const std::uint64_t span = m.forms && m.span == 2 ? kSpan2 : 0;
                        if (m.forms && m.span > 2) {
                        } else if (!m.forms) {
                            u = packed(text::encodeUtf8(std::u16string(1, cx)));
                            const int b = text::unicodeToCp1251(cx);
                            c = b < 0 ? kSlow : packed(std::string(1, static_cast<char>(b)));
                        } else {
                            u = packed(m.forms->utf8[m.form]) | span;
                            c = m.forms->inCp1251[m.form] ? packed(m.forms->cp1251[m.form]) | span : kSlow;
                        }
                        if (u & kSlow) u = kSlow;
                        if (c & kSlow) c = kSlow;
                    }
                    t->pairsUtf8.push_back(u);
                    t->pairsCp1251.push_back(c);
                }
            }
            ++slots;
        }
    }
    tables_ = std::move(t);
}

RulesToLatin::Match RulesToLatin::matchAt(const char16_t* s, std::size_t n, std::size_t pos) const {
    const char16_t c = s[pos];
    std::pair<std::uint16_t, std::uint16_t> range{0, 0};
    if (codeOf(c) != kNoCode) {
        range = byCode_[codeOf(c)];
    } else if (letters::isCyrillic(c)) {
        const char16_t lc = static_cast<char16_t>(letters::lower(c));
        for (const auto& o : byOther_)
            if (o.first == lc) range = o.second;
    }
    if (range.first == range.second) return {};
    const long p = prevIndex(s, pos);
    const char16_t pc = p >= 0 ? s[p] : u' ';
    for (std::size_t i = range.first; i < range.second; ++i) {
        const Rule& r = *forms_[i].rule;
        const std::size_t len = r.source.size();
        if (pos + len > n) continue;
        bool same = true;
        for (std::size_t k = 1; k < len && same; ++k) same = letters::lower(s[pos + k]) == r.source[k];
        if (!same) continue;
        if (r.after.used && !r.after.holds(pc, letterAt(s, p))) continue;
        if (r.before.used) {
            const long q = nextIndex(s, n, pos + len);
            if (!r.before.holds(q >= 0 ? s[q] : u' ', letterAt(s, q))) continue;
        }
        const int form = !letters::isUpper(c) ? 0 : allCapitals(s, n, pos) ? 2 : 1;
        return {&forms_[i], form, len};
    }
    return {};
}

Step RulesToLatin::step(std::u16string_view text, std::size_t pos) const {
    const Match m = matchAt(text.data(), text.size(), pos);
    if (!m.forms) return Step::keepOne();
    return Step::replace(m.forms->text[m.form], static_cast<std::uint8_t>(m.span));
}

namespace {

// The characters around byte `at`: up to kBehind before it (not before the
// buffer's start) and `ahead` after it, as UTF-16; `pos` is where `at` is.
template <bool Utf8>
std::size_t window(const unsigned char* p, std::size_t n, std::size_t at, std::size_t ahead, char16_t* w,
                   std::size_t& pos) {
    std::size_t from = at;
    for (std::size_t k = 0; k < RulesToLatin::kBehind && from > 0; ++k) {
        --from;
        if constexpr (Utf8)
            while (from > 0 && (p[from] & 0xC0) == 0x80) --from;
    }
    std::size_t units = 0, count = 0, i = from;
    pos = 0;
    while (i < n && (i < at || count <= ahead)) {
        if (i == at) pos = units;
        char32_t c = p[i];
        std::size_t len = 1;
        if constexpr (Utf8) {
            if (c >= 0xF0) c &= 0x07, len = 4;
            else if (c >= 0xE0) c &= 0x0F, len = 3;
            else if (c >= 0xC0) c &= 0x1F, len = 2;
            if (i + len > n) break;
            for (std::size_t k = 1; k < len; ++k) c = c << 6 | (p[i + k] & 0x3F);
        } else {
            c = text::cp1251ToUnicode(p[i]);
        }
        if (c >= 0x10000) {
            w[units++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            w[units++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            w[units++] = static_cast<char16_t>(c);
        }
        i += len;
        if (i > at) ++count;
    }
    return units;
}

// Bytes of the `count` characters at p[i..).
std::size_t utf8Length(const unsigned char* p, std::size_t i, std::size_t count) {
    const std::size_t start = i;
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned c = p[i];
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    }
    return i - start;
}

}  // namespace

// The rules at byte q, over the characters around it: writes the output,
// returns the bytes taken, sets `chars` to the characters and `last` to the
// code of the last of them (kNoCode when it has none).
template <bool Utf8>
RulesToLatin::Slow RulesToLatin::slowStep(const unsigned char* p, std::size_t n, std::size_t q, char* dst) const {
    if (Utf8 && q + utf8Length(p, q, 1) > n) {  // a character cut at the very end stays
        std::memcpy(dst, p + q, n - q);
        return {n - q, 1, kNoCode, dst + (n - q)};
    }
    char16_t w[32];
    std::size_t pos;
    const std::size_t units = window<Utf8>(p, n, q, lookahead_, w, pos);
    const Match m = matchAt(w, units, pos);
    const std::size_t chars = m.forms ? m.span : 1;
    const std::size_t taken = Utf8 ? utf8Length(p, q, chars) : chars;
    if (!m.forms) {
        std::memcpy(dst, p + q, taken);
        dst += taken;
    } else {
        if constexpr (!Utf8) {
            if (!m.forms->inCp1251[m.form])
                for (char16_t c : m.forms->text[m.form])
                    if (text::unicodeToCp1251(c) < 0) throw UnencodableOutput(c);
        }
        const std::string& o = Utf8 ? m.forms->utf8[m.form] : m.forms->cp1251[m.form];
        std::memcpy(dst, o.data(), o.size());
        dst += o.size();
    }
    return {taken, chars, codeOf(w[pos + chars - 1]), dst};
}

template <bool Utf8>
std::size_t RulesToLatin::run(std::size_t context, std::string_view bytes, bool final, std::string& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t limit;
    if (final) limit = n;
    else if constexpr (Utf8) limit = context + text::utf8HoldBack(bytes.substr(context), lookahead_);
    else limit = n > context + lookahead_ ? n - lookahead_ : context;
    const Tables& t = *tables_;
    const std::uint64_t* table = (Utf8 ? t.utf8 : t.cp1251).data()->data();
    const std::uint64_t* capitals = (Utf8 ? t.utf8Capitals : t.cp1251Capitals).data()->data();
    const std::uint8_t* kindOf = Utf8 ? t.kindOfCode.data() : t.kindOfByte.data();
    const std::uint8_t* groups = Utf8 ? t.groupsOfCode.data() : t.groupsOfByte.data();
    const std::uint64_t* pairs = Utf8 ? t.pairsUtf8.data() : t.pairsCp1251.data();
    const std::uint16_t* classOf = Utf8 ? t.rowOfCode.data() : t.rowOfByte.data();
    text::OutputCursor<std::string> cursor(out);
    std::size_t i = context;
    std::size_t row = t.otherRow;  // the class of the character before, times 256
    unsigned before = kNoCode;     // and its code (its byte in Windows-1251)
    char* dst = nullptr;

    // The code of the character at byte q, for a look at the next one.
    const auto codeAt = [p, n, &t](std::size_t q) -> unsigned {
        if (q >= n) return kNoCode;
        if constexpr (Utf8) {
            if (p[q] < 0x80) return p[q];
            if ((p[q] & 0xFE) == 0xD0 && q + 1 < n) return p[q + 1] + ((p[q] & 1u) << 6);
            return kNoCode;
        } else {
            return t.codeOfByte[p[q]];
        }
    };
    // After the rules took `taken` bytes at q: the character before the next.
    const auto after = [p, classOf, &t](std::size_t q, std::size_t taken, unsigned last, std::size_t& row,
                                        unsigned& before) {
        if (last == kNoCode) {
            row = t.otherRow;
            before = kNoCode;
        } else {
            before = Utf8 ? last : p[q + taken - 1];
            row = classOf[before];
        }
    };

    unsigned char squeezed[text::OutputCursor<std::string>::kBlock + 32];
    while (i < limit) {
        const std::size_t end = std::min(limit, i + cursor.kBlock);
        // At most eight bytes a source byte, and a rule's lookahead beyond.
        dst = cursor.reserve((end - i + lookahead_ * 4) * 8 + 64);
        const unsigned char* codes;
        std::size_t count;
        if constexpr (Utf8) {
            std::size_t taken = 0;
            count = text::squeezeCyrillic(bytes.substr(i, end - i), squeezed, taken);
            codes = squeezed;
        } else {
            count = end - i;
            codes = p + i;
        }
        // A run of ASCII and Cyrillic, one code a character: b is the byte
        // of code j; `tail` is what follows the run's last one.
        std::size_t runBytes = count;
        if constexpr (Utf8) {
            runBytes = 0;
            for (std::size_t k = 0; k < count; ++k) runBytes += 1 + (codes[k] >> 7);
        }
        const unsigned tail = Utf8 ? codeAt(i + runBytes) : i + count < n ? p[i + count] : kNoCode;
        std::size_t j = 0, b = i;
        while (j < count) {
            const unsigned x = codes[j];
            std::uint64_t word = table[row + x];
            const std::size_t len = Utf8 ? 1 + (x >> 7) : 1;
            const unsigned next = j + 1 < count ? codes[j + 1] : tail;
            // Whether the next character changes it: its group against theirs.
            const std::uint64_t changed = (word >> 48) & groups[next];
            if ((word & (kSlow | kCapital)) | changed) {
                bool fast = !changed && (word & kSlow) == 0;
                if (changed && (word & (kSlow | kCapital)) == 0 && next < kNoCode && j + 2 < count) {
                    // A small letter and the next one: decided by the pair.
                    const unsigned cx = Utf8 ? x : t.codeOfByte[x], cy = Utf8 ? next : t.codeOfByte[next];
                    const unsigned slot = cy < kNoCode ? t.pairSlot[cx * 256 + cy] : 0xFF;
                    if (slot != 0xFF) {
                        const unsigned z = Utf8 ? codes[j + 2] : t.codeOfByte[codes[j + 2]];
                        const std::uint64_t pw = pairs[(slot * t.classCount + (row >> 8)) * 257 + z];
                        if (!(pw & kSlow)) {
                            std::memcpy(dst, &pw, 8);
                            dst += lengthOf(pw);
                            if (pw & kSpan2) {
                                row = classOf[next];
                                before = next;
                                b += len + (Utf8 ? 1 + (next >> 7) : 1);
                                j += 2;
                            } else {
                                row = classOf[x];
                                before = x;
                                b += len;
                                ++j;
                            }
                            continue;
                        }
                    }
                }
                if (fast) {
                    // A capital looks at both neighbours.
                    const unsigned a = kindOf[before], z = kindOf[next];
                    fast = ((a | z) & 4) == 0;
                    // Between capitals, or beside one with no letter on the other side.
                    if (fast && (a | z) & 1 && (a & 3) != 1 && (z & 3) != 1) word = capitals[row + x];
                }
                if (!fast) {
                    const Slow r = slowStep<Utf8>(p, n, b, dst);
                    dst = r.dst;
                    after(b, r.taken, r.last, row, before);
                    b += r.taken;
                    j += r.chars;
                    continue;
                }
            }
            std::memcpy(dst, &word, 8);
            dst += lengthOf(word);
            row = classOf[x];
            before = x;
            b += len;
            ++j;
        }
        i = b;
        // A character of another kind (or cut at the end) ends the run.
        if (i < end && count == 0) {
            const Slow r = slowStep<Utf8>(p, n, i, dst);
            dst = r.dst;
            after(i, r.taken, r.last, row, before);
            i += r.taken;
        }
        cursor.commit(dst);
    }
    return i - context;
}

std::size_t RulesToLatin::convertBytesAfter(std::size_t context, std::string_view bytes, bool final,
                                            std::string& out) const {
    return run<false>(context, bytes, final, out);
}

std::size_t RulesToLatin::convertUtf8After(std::size_t context, std::string_view utf8, bool final,
                                           std::string& out) const {
    return run<true>(context, utf8, final, out);
}

}  // namespace lettrica::translit
