#include "translit/system_rules.h"

#include <algorithm>
#include <map>

#include "text/utf8.h"
#include "translit/letters.h"

namespace lettrica::translit {

bool Condition::holds(char16_t neighbour, bool isLetter) const {
    if (!isLetter) return boundary;
    const char16_t c = static_cast<char16_t>(letters::lower(neighbour));
    if (c >= 0x400 && c < 0x500) return block[(c - 0x400) >> 6] >> (c & 63) & 1;
    return letters.find(c) != std::u16string::npos;
}

namespace {

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

std::u16string utf16(std::string_view s, std::size_t lineNo) {
    if (!text::isValidUtf8(s)) throw RulesError("line " + std::to_string(lineNo) + ": not UTF-8");
    return text::decodeUtf8(s);
}

}  // namespace

SystemRules parseSystemRules(std::string_view text) {
    SystemRules sys;
    std::map<std::string, std::u16string, std::less<>> sets;
    std::size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const std::vector<std::string_view> t = tokens(line);
        if (t.empty()) continue;
        const auto fail = [lineNo](const std::string& what) {
            throw RulesError("line " + std::to_string(lineNo) + ": " + what);
        };
        const auto rest = [&line, &t] {
            const std::size_t at = line.find(t[1]);
            std::string_view r = line.substr(at);
            while (!r.empty() && (r.back() == ' ' || r.back() == '\t' || r.back() == '\r')) r.remove_suffix(1);
            return std::string(r);
        };
        if (t[0] == "name" || t[0] == "caption" || t[0] == "purpose" || t[0] == "purpose-ru") {
            if (t.size() < 2) fail("nothing after " + std::string(t[0]));
            (t[0] == "name"      ? sys.name
             : t[0] == "caption" ? sys.caption
             : t[0] == "purpose" ? sys.purpose
                                 : sys.purposeInRussian) = rest();
        } else if (t[0] == "back") {
            if (t.size() != 2 || (t[1] != "exact" && t[1] != "words" && t[1] != "none")) fail("back exact|words|none");
            sys.back = t[1] == "exact" ? WayBack::Exact : t[1] == "words" ? WayBack::Words : WayBack::None;
        } else if (t[0] == "set") {
            if (t.size() != 3) fail("set NAME LETTERS");
            sets[std::string(t[1])] = utf16(t[2], lineNo);
        } else if (t[0] == "<") {
            if (t.size() != 3) fail("< LATIN CYRILLIC");
            sys.readings.emplace_back(utf16(t[1], lineNo), utf16(t[2], lineNo));
        } else {
            if (t.size() < 2) fail("a rule needs an output (\"-\" for none)");
            Rule rule;
            rule.source = utf16(t[0], lineNo);
            for (char16_t c : rule.source)
                if (!letters::isCyrillic(c) || letters::lower(c) != c) fail("a source is small Cyrillic letters");
            if (rule.source.size() > 3) fail("a source has one to three letters");
            if (t[1] != "-") rule.output = utf16(t[1], lineNo);
            Condition* cond = nullptr;
            for (std::size_t i = 2; i < t.size(); ++i) {
                if (t[i] == "after" || t[i] == "before") {
                    cond = t[i] == "after" ? &rule.after : &rule.before;
                    if (cond->used) fail("a condition given twice");
                    cond->used = true;
                } else if (!cond) {
                    fail("after or before expected");
                } else if (t[i] == "^" || t[i] == "$") {
                    if ((t[i] == "^") != (cond == &rule.after)) fail("^ goes with after, $ with before");
                    cond->boundary = true;
                } else if (auto s = sets.find(t[i]); s != sets.end()) {
                    cond->letters += s->second;
                } else {
                    const std::u16string letters = utf16(t[i], lineNo);
                    for (char16_t c : letters)
                        if (!letters::isLetter(c)) fail("unknown set " + std::string(t[i]));
                    cond->letters += letters;
                }
            }
            for (Condition* c : {&rule.after, &rule.before})
                for (char16_t l : c->letters)
                    if (l >= 0x400 && l < 0x500) c->block[(l - 0x400) >> 6] |= std::uint64_t{1} << (l & 63);
            sys.rules.push_back(std::move(rule));
        }
    }
    if (sys.name.empty()) throw RulesError("no name");
    // The command line shows one purpose line, the window the other.
    if (sys.purpose.empty()) throw RulesError(sys.name + ": no purpose");
    if (sys.purposeInRussian.empty()) throw RulesError(sys.name + ": no purpose-ru");
    // Longest sources first, a rule with conditions before one without;
    // otherwise the file's order.
    std::stable_sort(sys.rules.begin(), sys.rules.end(), [](const Rule& a, const Rule& b) {
        if (a.source.size() != b.source.size()) return a.source.size() > b.source.size();
        return a.conditional() && !b.conditional();
    });
    return sys;
}

}  // namespace lettrica::translit
