#pragma once
// Every transliteration system the program offers, for the command line and
// the window alike: its name on the command line, its caption in the menu,
// whether and how it reads back, what it is for, and its converters.
//
// The program's two tables ("gost", "anglo") keep their own converters;
// "user" stands for the user's tables, which the caller loads (the registry
// makes no converter for it). Every other system is a rules file built into
// the program (translit/systems/).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace lettrica::translit {

enum class ReadBack {
    Exact,  // to-cyrillic gives the original text back
    Words,  // to-cyrillic reads each word back to the likeliest Russian word
    Table,  // to-cyrillic has a table of its own (the program's and the user's)
};

struct SystemInfo {
    std::string name;                  // on the command line
    std::vector<std::string> aliases;  // other names it answers to
    std::string caption;               // in the menu, UTF-8
    std::string purpose;               // one line
    std::string purposeInRussian;      // the same, for the window, UTF-8
    ReadBack readBack = ReadBack::Table;
    bool userTables = false;           // "user": the caller's tables
};

// All of them: the program's tables, the user's, then the systems by name.
const std::vector<SystemInfo>& systems();

// By name or alias; nullptr when there is none.
const SystemInfo* findSystem(std::string_view name);

// The converters of a system other than "user", made once and shared.
// `wordList`: the Russian word list that to-cyrillic reads words back by
// (words.h); a missing one leaves the letter-by-letter reading alone.
std::shared_ptr<const Converter> toLatinConverter(const SystemInfo& system);
std::shared_ptr<const Converter> toCyrillicConverter(const SystemInfo& system, const std::string& wordList);

}  // namespace lettrica::translit
