#include "translit/exact_to_cyrillic.h"

#include <algorithm>

#include "translit/letters.h"

namespace lettrica::translit {

namespace {

char16_t smallOf(char16_t c) { return static_cast<char16_t>(letters::lower(c)); }

// The nearest character either way past up to two combining marks; -1 if none.
long neighbour(std::u16string_view s, long i, int direction) {
    for (int skipped = 0; i >= 0 && i < static_cast<long>(s.size()); i += direction, ++skipped)
        if (!letters::isCombining(s[i]) || skipped == 2) return i;
    return -1;
}

}  // namespace

ExactToCyrillic::ExactToCyrillic(const SystemRules& rules) {
    const auto add = [this](std::u16string latin, const Rule& r) {
        for (const Piece& p : pieces_)
            if (p.latin == latin) return;  // the first rule to write it keeps it
        std::u16string capital;
        letters::appendUpper(r.source[0], capital);
        const bool caseless = !letters::isLetter(latin[0]);
        pieces_.push_back({latin, r.source, capital, caseless});
    };
    for (const Rule& r : rules.rules) {
        if (r.output.empty() || r.source.size() != 1) continue;
        std::u16string latin;
        for (char16_t c : r.output) latin.push_back(smallOf(c));
        add(latin, r);
        // The same with each diacritic written apart.
        std::u16string apart;
        for (char16_t c : latin) {
            char16_t base, mark;
            if (letters::decomposeLatin(c, base, mark)) apart += {base, mark};
            else apart.push_back(c);
        }
        if (apart != latin) add(apart, r);
    }
    std::stable_sort(pieces_.begin(), pieces_.end(), [](const Piece& a, const Piece& b) {
        if (a.latin[0] != b.latin[0]) return a.latin[0] < b.latin[0];
        return a.latin.size() > b.latin.size();
    });
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        auto& range = byFirst_[pieces_[i].latin[0]];
        if (range.first == range.second) range = {i, i};
        range.second = i + 1;
        lookahead_ = std::max(lookahead_, pieces_[i].latin.size() + 2);
    }
}

Step ExactToCyrillic::step(std::u16string_view text, std::size_t pos) const {
    const auto it = byFirst_.find(smallOf(text[pos]));
    if (it == byFirst_.end()) return Step::keepOne();
    for (std::size_t i = it->second.first; i < it->second.second; ++i) {
        const Piece& p = pieces_[i];
        const std::size_t len = p.latin.size();
        if (pos + len > text.size()) continue;
        bool same = true;
        for (std::size_t k = 1; k < len && same; ++k) same = smallOf(text[pos + k]) == p.latin[k];
        if (!same) continue;
        bool capital;
        if (!p.caseless) {
            capital = letters::isUpper(text[pos]);
        } else {
            const long a = neighbour(text, static_cast<long>(pos) - 1, -1);
            const long b = neighbour(text, static_cast<long>(pos + len), 1);
            const bool al = a >= 0 && letters::isLetter(text[a]), bl = b >= 0 && letters::isLetter(text[b]);
            capital = (al || bl) && (!al || letters::isUpper(text[a])) && (!bl || letters::isUpper(text[b]));
        }
        return Step::replace(capital ? p.capital : p.small, static_cast<std::uint8_t>(len));
    }
    return Step::keepOne();
}

}  // namespace lettrica::translit
