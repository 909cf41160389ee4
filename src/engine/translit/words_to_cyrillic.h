#pragma once
// Latin -> Cyrillic for a system that loses letters (ICAO writes е, ё and
// э all as "e" and drops ь): each Latin word is read back to the Russian
// word whose transliteration it is, found in a word list; of several, the
// one the list marks as commonest, then one without ё, ъ or ь. A word the
// list lacks (a name) is read piece by piece, the longest piece first, each
// as the letter the system's file names for it or else the first letter
// that writes it; a word with a letter the system never writes (an English
// "Xerox" read by ICAO) stays as it is. The word's case carries over: all
// capitals, a capital first, or none.
//
// The word list (tools/gen_word_list.py): Windows-1251, one small word a
// line, best sorted by its bytes, optionally a tab and how common it is.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/converter.h"
#include "translit/rules_to_latin.h"

namespace lettrica::translit {

class WordList {
public:
    // An empty list when the file cannot be read.
    static std::shared_ptr<const WordList> load(const std::string& path);
    explicit WordList(std::string bytes);

    std::size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    std::string_view word(std::size_t i) const {
        return std::string_view(bytes_).substr(starts_[i], starts_[i + 1] - starts_[i] - 1);
    }
    std::uint32_t count(std::size_t i) const;

    // Of the words [lo, hi), which all begin with the same `depth` bytes,
    // those whose next byte is `b`.
    std::pair<std::size_t, std::size_t> narrow(std::size_t lo, std::size_t hi, std::size_t depth,
                                               unsigned char b) const;

private:
    std::string bytes_;                 // the words, each ended by '\n'
    std::vector<std::uint32_t> starts_;  // where each begins, and the end
    std::unordered_map<std::uint32_t, std::uint32_t> counts_;
};

class WordsToCyrillic : public Converter {
public:
    WordsToCyrillic(std::shared_ptr<const RulesToLatin> forward, std::shared_ptr<const WordList> words);

    Step step(std::u16string_view text, std::size_t pos) const override;
    // A longer run of letters is read as words of this length.
    static constexpr std::size_t kLongestWord = 48;
    std::size_t lookahead() const override { return kLongestWord; }
    std::size_t lookbehind() const override { return 1; }

    // The reading of one word in small letters, and whether the list knew it.
    std::u16string readWord(std::u16string_view latin, bool* known = nullptr) const;

private:
    bool inWord(char16_t c) const;
    std::u16string byPieces(std::u16string_view latin) const;
    std::u16string search(std::u16string_view latin) const;

    std::shared_ptr<const RulesToLatin> forward_;
    std::shared_ptr<const WordList> words_;
    struct Piece {
        std::u16string latin, cyrillic;
    };
    std::vector<Piece> searchPieces_;  // every output of every rule, for the search
    std::vector<Piece> readings_;      // for words the list lacks, the longest first
    std::u16string signs_;             // characters of the outputs that are not letters

    mutable std::mutex mutex_;
    mutable std::unordered_map<std::u16string, std::u16string> cache_;
    mutable std::u16string result_;  // what the last step returned
};

}  // namespace lettrica::translit
