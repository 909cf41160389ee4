#include "textops/case_conversion.h"

#include <array>

#include "textops/case_pairs.h"

namespace lettrica::textops {

namespace {

constexpr ByteMap caseByteMap(Case target) {
    ByteMap m = identityByteMap();
    for (const CasePair& p : kCasePairs) {
        if (target == Case::Upper) m[p.second] = p.first;
        else m[p.first] = p.second;
    }
    return m;
}

constexpr ByteMap kUpper = caseByteMap(Case::Upper);
constexpr ByteMap kLower = caseByteMap(Case::Lower);

// A byte that belonged to two pairs would make one of them lossy.
constexpr bool pairsAreDisjoint() {
    std::array<int, 256> seen{};
    for (const CasePair& p : kCasePairs)
        if (++seen[p.first] > 1 || ++seen[p.second] > 1 || p.first == p.second) return false;
    return true;
}
static_assert(pairsAreDisjoint());

}  // namespace

Case caseAt(int index) { return index == 0 ? Case::Upper : Case::Lower; }

const ByteMap& caseMap(Case target) { return target == Case::Upper ? kUpper : kLower; }

const ByteMapConverter& caseConverter(Case target) {
    static const ByteMapConverter upper(kUpper);
    static const ByteMapConverter lower(kLower);
    return target == Case::Upper ? upper : lower;
}

char16_t toUpper(char16_t ch) { return mapChar(kUpper, ch); }
char16_t toLower(char16_t ch) { return mapChar(kLower, ch); }

std::u16string changeCase(std::u16string_view text, Case target) { return mapText(caseMap(target), text); }

std::string changeCaseBytes(std::string_view bytes, Case target) { return mapBytes(caseMap(target), bytes); }

}  // namespace lettrica::textops
