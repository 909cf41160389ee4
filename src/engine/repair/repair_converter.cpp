#include "repair/repair_converter.h"

#include "repair/paragraph_edit.h"

#include <algorithm>

namespace lettrica::repair {

const Verdict* RepairTally::commonest() const {
    const Verdict* best = nullptr;
    std::size_t most = 0;
    for (const auto& [what, count] : found) {
        if (count > most) {
            most = count;
            best = &examples.at(what);
        }
    }
    return best;
}

namespace {

// Characters that stand in the text but are no part of what it says: an
// image or other object, a byte-order mark (a file's first line), a
// zero-width space (pasted web pages). No code page can carry them, so left
// in they would stop every repair.
bool isInvisible(char16_t c) { return c == u'\uFFFC' || c == u'\uFEFF' || c == u'\u200B'; }

struct Invisible {
    std::size_t at;  // in the text without them
    char16_t ch;
};

// Puts the invisible characters taken out of a paragraph back into its
// repair, each where it stood, as a piece of its own. False when one stood
// inside a stretch the repair turned into something else.
bool putInvisiblesBack(const std::vector<Invisible>& taken, Verdict& verdict) {
    std::u16string text;
    std::vector<Piece> pieces;
    text.reserve(verdict.text.size() + taken.size());
    pieces.reserve(verdict.pieces.size() + taken.size());
    std::size_t source = 0, result = 0, next = 0;
    auto invisiblesHere = [&] {
        for (; next < taken.size() && taken[next].at == source; ++next) {
            text.push_back(taken[next].ch);
            pieces.push_back({1, 1});
        }
    };
    for (const Piece& p : verdict.pieces) {
        invisiblesHere();
        if (next < taken.size() && taken[next].at < source + p.source) return false;
        text.append(verdict.text, result, p.result);
        pieces.push_back(p);
        source += p.source;
        result += p.result;
    }
    invisiblesHere();
    if (next != taken.size()) return false;
    verdict.text = std::move(text);
    verdict.pieces = std::move(pieces);
    return true;
}

// A text of one or two letters repeated ("а-а-а-а", "ааа ооо") tells no
// misreading from a right text: any repair of it is a guess.
bool tooFewLetters(std::u16string_view text) {
    char16_t seen[2] = {};
    int distinct = 0;
    for (char16_t c : text) {
        const bool letter =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= 0x80 && c != 0xA0 && !isInvisible(c));
        if (!letter || (distinct > 0 && seen[0] == c) || (distinct > 1 && seen[1] == c)) continue;
        if (distinct == 2) return false;
        seen[distinct++] = c;
    }
    return true;
}

}  // namespace

Verdict judgeParagraph(RepairKind kind, std::u16string_view paragraph, EncodingJudge& encoding, LayoutJudge& layout) {
    if (tooFewLetters(paragraph)) return Verdict{};
    auto judge = [&](std::u16string_view text) {
        return kind == RepairKind::Encoding ? encoding.judge(text) : layout.judge(text);
    };
    if (std::none_of(paragraph.begin(), paragraph.end(), isInvisible)) return judge(paragraph);
    // The paragraph is judged without them, and each keeps its place.
    std::u16string text;
    std::vector<Invisible> taken;
    for (char16_t c : paragraph) {
        if (isInvisible(c)) taken.push_back({text.size(), c});
        else text.push_back(c);
    }
    Verdict verdict = judge(text);
    if (verdict.repaired && !putInvisiblesBack(taken, verdict)) return Verdict{};
    return verdict;
}

RepairConverter::RepairConverter(RepairKind kind, RepairTally& tally, RepairSettings settings)
    : kind_(kind), tally_(tally), encoding_(settings), layout_(settings) {}

translit::Step RepairConverter::step(std::u16string_view, std::size_t) const { return translit::Step::keepOne(); }

std::size_t RepairConverter::convertText(std::u16string_view text, bool, std::u16string& out) const {
    out.append(text);
    return text.size();
}

std::shared_ptr<const translit::Converter> RepairConverter::forParagraph(std::u16string_view paragraph) const {
    // An empty line is no paragraph to count.
    if (paragraph.find_first_not_of(u" \t\u00A0") == std::u16string_view::npos) return nullptr;
    ++tally_.paragraphs;
    Verdict verdict = judgeParagraph(kind_, paragraph, encoding_, layout_);
    if (!verdict.repaired) return nullptr;
    ++tally_.repaired;
    const std::string what = verdict.description();
    if (tally_.found[what]++ == 0) {
        Verdict example = verdict;
        example.text.clear();
        example.pieces.clear();
        tally_.examples.emplace(what, std::move(example));
    }
    return std::make_shared<ParagraphEdit>(paragraph, std::move(verdict.text), verdict.pieces);
}

}  // namespace lettrica::repair
