#include "translit/words_to_cyrillic.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "text/cp1251.h"
#include "translit/letters.h"

namespace lettrica::translit {

std::shared_ptr<const WordList> WordList::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    if (in) all << in.rdbuf();
    return std::make_shared<const WordList>(in ? all.str() : std::string());
}

WordList::WordList(std::string bytes) {
    // Lines "word" or "word\tcount"; the counts go apart, the words stay.
    std::string words;
    words.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t end = bytes.find('\n', i);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + i, end - i);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t tab = line.find('\t');
        const std::string_view word = line.substr(0, tab);
        if (!word.empty()) {
            if (tab != std::string_view::npos) {
                std::uint32_t n = 0;
                for (char c : line.substr(tab + 1))
                    if (c >= '0' && c <= '9') n = n * 10 + static_cast<std::uint32_t>(c - '0');
                counts_[static_cast<std::uint32_t>(starts_.size())] = n;
            }
            starts_.push_back(static_cast<std::uint32_t>(words.size()));
            words.append(word);
            words.push_back('\n');
        }
        i = end + 1;
    }
    starts_.push_back(static_cast<std::uint32_t>(words.size()));
    bytes_ = std::move(words);
    // The search needs the words in byte order; a list made elsewhere may
    // not have them so.
    bool sorted = true;
    for (std::size_t k = 1; k < size() && sorted; ++k) sorted = word(k - 1) < word(k);
    if (sorted) return;
    std::vector<std::pair<std::string, std::uint32_t>> all;
    for (std::size_t k = 0; k < size(); ++k) all.emplace_back(std::string(word(k)), count(k));
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
              all.end());
    bytes_.clear();
    starts_.clear();
    counts_.clear();
    for (const auto& [w, n] : all) {
        if (n) counts_[static_cast<std::uint32_t>(starts_.size())] = n;
        starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
        bytes_ += w;
        bytes_.push_back('\n');
    }
    starts_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

std::uint32_t WordList::count(std::size_t i) const {
    const auto it = counts_.find(static_cast<std::uint32_t>(i));
    return it == counts_.end() ? 0 : it->second;
}

std::pair<std::size_t, std::size_t> WordList::narrow(std::size_t lo, std::size_t hi, std::size_t depth,
                                                     unsigned char b) const {
    // The byte at `depth`, or -1 for a word that ends there (it sorts first).
    const auto key = [this, depth](std::size_t i) {
        const std::string_view w = word(i);
        return w.size() > depth ? static_cast<int>(static_cast<unsigned char>(w[depth])) : -1;
    };
    std::size_t a = lo, z = hi;
    while (a < z) {
        const std::size_t m = (a + z) / 2;
        if (key(m) < b) a = m + 1;
        else z = m;
    }
    std::size_t e = a;
    z = hi;
    while (e < z) {
        const std::size_t m = (e + z) / 2;
        if (key(m) <= b) e = m + 1;
        else z = m;
    }
    return {a, e};
}

namespace {

char16_t smallOf(char16_t c) { return static_cast<char16_t>(letters::lower(c)); }

std::u16string smallText(std::u16string_view s) {
    std::u16string out;
    for (char16_t c : s) out.push_back(smallOf(c));
    return out;
}

}  // namespace

WordsToCyrillic::WordsToCyrillic(std::shared_ptr<const RulesToLatin> forward, std::shared_ptr<const WordList> words)
    : forward_(std::move(forward)), words_(std::move(words)) {
    const SystemRules& rules = forward_->rules();
    for (const Rule& r : rules.rules) {
        const std::u16string latin = smallText(r.output);
        searchPieces_.push_back({latin, r.source});
        for (char16_t c : latin)
            if (!letters::isLetter(c) && !letters::isCombining(c) && signs_.find(c) == std::u16string::npos)
                signs_.push_back(c);
    }
    // Readings for words the list lacks: the file's own first, then the
    // first single letter that writes each text.
    for (const auto& [latin, cyrillic] : rules.readings) readings_.push_back({smallText(latin), cyrillic});
    // A rule without conditions writes what its letter is most often: those
    // first, in the file's order.
    for (const bool conditional : {false, true}) {
        for (const Rule& r : rules.rules) {
            if (r.output.empty() || r.source.size() != 1 || r.conditional() != conditional) continue;
            const std::u16string latin = smallText(r.output);
            const bool known =
                std::any_of(readings_.begin(), readings_.end(), [&](const Piece& p) { return p.latin == latin; });
            if (!known) readings_.push_back({latin, r.source});
        }
    }
    std::stable_sort(readings_.begin(), readings_.end(),
                     [](const Piece& a, const Piece& b) { return a.latin.size() > b.latin.size(); });
}

bool WordsToCyrillic::inWord(char16_t c) const {
    return letters::isLatin(c) || letters::isCombining(c) || signs_.find(c) != std::u16string::npos;
}

std::u16string WordsToCyrillic::byPieces(std::u16string_view latin) const {
    std::u16string out;
    for (std::size_t i = 0; i < latin.size();) {
        const Piece* best = nullptr;
        for (const Piece& p : readings_) {
            if (latin.substr(i, p.latin.size()) == p.latin) {
                best = &p;
                break;
            }
        }
        if (best) {
            out += best->cyrillic;
            i += best->latin.size();
        } else if (letters::isLetter(latin[i])) {
            return {};  // a letter the system never writes: not one of its words
        } else {
            out.push_back(latin[i++]);
        }
    }
    return out;
}

std::u16string WordsToCyrillic::search(std::u16string_view latin) const {
    const WordList& list = *words_;
    if (list.size() == 0) return {};
    struct Best {
        std::u16string word;
        std::uint32_t count = 0;
        int marks = 0;
        bool found = false;
    } best;
    std::u16string prefix;
    std::size_t visited = 0;
    // Depth first over the words of the list, each step a rule's source
    // whose output comes next in the Latin word; a word the whole Latin
    // word reaches is checked against the system's own conversion, context
    // rules and all.
    const auto walk = [&](auto&& self, std::size_t at, std::size_t lo, std::size_t hi) -> void {
        if (++visited > 20000) return;  // a word of many readings: enough is enough
        if (at == latin.size() && list.word(lo).size() == prefix.size()) {
            std::u16string back;
            forward_->convertText(prefix, true, back);
            if (back == latin) {
                int marks = 0;
                for (char16_t c : prefix) marks += c == u'ё' || c == u'ъ' || c == u'ь';
                const std::uint32_t count = list.count(lo);
                if (!best.found || count > best.count || (count == best.count && marks < best.marks)) {
                    best = {prefix, count, marks, true};
                }
            }
        }
        for (const Piece& p : searchPieces_) {
            if (latin.compare(at, p.latin.size(), p.latin) != 0) continue;
            if (p.latin.empty() && !prefix.empty() && prefix.back() == p.cyrillic.back()) continue;
            std::size_t a = lo, z = hi;
            bool ok = true;
            for (std::size_t k = 0; k < p.cyrillic.size() && ok; ++k) {
                const int b = text::unicodeToCp1251(p.cyrillic[k]);
                if (b < 0) ok = false;
                else std::tie(a, z) = list.narrow(a, z, prefix.size() + k, static_cast<unsigned char>(b));
                ok = ok && a < z;
            }
            if (!ok) continue;
            prefix += p.cyrillic;
            self(self, at + p.latin.size(), a, z);
            prefix.resize(prefix.size() - p.cyrillic.size());
        }
    };
    walk(walk, 0, 0, list.size());
    return best.found ? best.word : std::u16string();
}

std::u16string WordsToCyrillic::readWord(std::u16string_view latin, bool* known) const {
    const std::u16string small = smallText(latin);
    std::u16string found = search(small);
    if (known) *known = !found.empty();
    return found.empty() ? byPieces(small) : found;  // empty: the word stays as it is
}

Step WordsToCyrillic::step(std::u16string_view text, std::size_t pos) const {
    if (!inWord(text[pos]) || !letters::isLetter(text[pos])) return Step::keepOne();
    std::size_t end = pos;
    while (end < text.size() && end - pos < kLongestWord && inWord(text[end])) ++end;
    const std::u16string_view latin = text.substr(pos, end - pos);
    const std::u16string small = smallText(latin);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cache_.find(small);
    if (it == cache_.end()) {
        if (cache_.size() > 200000) cache_.clear();
        it = cache_.emplace(small, readWord(small)).first;
    }
    // The case of the Latin word: all capitals (two letters or more), a
    // capital first, or none.
    std::size_t letterCount = 0, capitals = 0;
    for (char16_t c : latin) {
        if (!letters::isLetter(c)) continue;
        ++letterCount;
        capitals += letters::isUpper(c);
    }
    if (it->second.empty()) return Step::replace(latin, static_cast<std::uint8_t>(end - pos));
    result_ = it->second;
    if (capitals > 0 && capitals == letterCount && letterCount > 1) {
        for (char16_t& c : result_) c = static_cast<char16_t>(letters::cyrillicUpper(c));
    } else if (letters::isUpper(latin[0]) && !result_.empty()) {
        result_[0] = static_cast<char16_t>(letters::cyrillicUpper(result_[0]));
    }
    return Step::replace(result_, static_cast<std::uint8_t>(end - pos));
}

}  // namespace lettrica::translit
