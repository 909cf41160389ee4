#include "translit/registry.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "translit/cyrillic_to_latin.h"
#include "translit/embedded_systems.h"
#include "translit/exact_to_cyrillic.h"
#include "translit/latin_to_cyrillic.h"
#include "translit/rules_to_latin.h"
#include "translit/words_to_cyrillic.h"

namespace lettrica::translit {

namespace {

// The program's converters live for the whole run: shared without owning.
template <class T>
std::shared_ptr<const Converter> unowned(const T& converter) {
    return std::shared_ptr<const Converter>(std::shared_ptr<const Converter>(), &converter);
}

const SystemRules& rulesOf(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, SystemRules, std::less<>> parsed;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = parsed.find(name);
    if (it == parsed.end()) {
        for (const EmbeddedSystem& e : embeddedSystems())
            if (e.file == name) it = parsed.emplace(name, parseSystemRules(e.text)).first;
    }
    return it->second;
}

std::shared_ptr<const RulesToLatin> forwardOf(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const RulesToLatin>, std::less<>> made;
    const SystemRules& rules = rulesOf(name);
    std::lock_guard<std::mutex> lock(mutex);
    auto& c = made[name];
    if (!c) c = std::make_shared<const RulesToLatin>(rules);
    return c;
}

// The program's tables and the user's: known without reading a rules file.
const std::vector<SystemInfo>& builtInSystems() {
    static const std::vector<SystemInfo> v = {
        {"gost", {"gost-16876-alt"}, "Таблица ГОСТ 16876-71",
         "the program's GOST 16876-71 table without diacritics (jo, zh, shh); reads back",
         "Таблица программы по ГОСТ 16876-71 без диакритики (jo, zh, shh); переводится обратно", ReadBack::Table,
         false},
        {"anglo", {}, "Англо-американская таблица", "the program's Anglo-American table (ya, yu, sch); reads back",
         "Англо-американская таблица программы (ya, yu, sch); переводится обратно", ReadBack::Table, false},
        {"user", {}, "Пользовательская таблица", "your own tables, rt.dat and tr.dat",
         "Собственные таблицы пользователя, rt.dat и tr.dat", ReadBack::Table, true},
    };
    return v;
}

const SystemInfo* findIn(const std::vector<SystemInfo>& list, std::string_view name) {
    for (const SystemInfo& s : list) {
        if (s.name == name) return &s;
        for (const std::string& a : s.aliases)
            if (a == name) return &s;
    }
    return nullptr;
}

}  // namespace

const std::vector<SystemInfo>& systems() {
    static const std::vector<SystemInfo> all = [] {
        std::vector<SystemInfo> v = builtInSystems();
        const std::size_t builtIn = v.size();
        for (const EmbeddedSystem& e : embeddedSystems()) {
            const SystemRules rules = parseSystemRules(e.text);
            v.push_back({rules.name, {}, rules.caption, rules.purpose, rules.purposeInRussian,
                         rules.back == WayBack::Exact ? ReadBack::Exact : ReadBack::Words, false});
        }
        std::sort(v.begin() + static_cast<long>(builtIn), v.end(),
                  [](const SystemInfo& a, const SystemInfo& b) { return a.name < b.name; });
        return v;
    }();
    return all;
}

const SystemInfo* findSystem(std::string_view name) {
    // Every rules file is read to list the systems: not for the default table.
    if (const SystemInfo* s = findIn(builtInSystems(), name)) return s;
    return findIn(systems(), name);
}

std::shared_ptr<const Converter> toLatinConverter(const SystemInfo& system) {
    if (system.userTables) return nullptr;
    if (system.name == "gost") return unowned(gostCyrillicToLatin());
    if (system.name == "anglo") return unowned(angloCyrillicToLatin());
    return forwardOf(system.name);
}

std::shared_ptr<const Converter> toCyrillicConverter(const SystemInfo& system, const std::string& wordList) {
    if (system.userTables) return nullptr;
    if (system.name == "gost") return unowned(gostLatinToCyrillic());
    if (system.name == "anglo") return unowned(angloLatinToCyrillic());
    if (system.readBack == ReadBack::Exact) {
        static std::mutex mutex;
        static std::map<std::string, std::shared_ptr<const Converter>, std::less<>> made;
        const SystemRules& rules = rulesOf(system.name);
        std::lock_guard<std::mutex> lock(mutex);
        auto& c = made[system.name];
        if (!c) c = std::make_shared<const ExactToCyrillic>(rules);
        return c;
    }
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const WordList>, std::less<>> lists;
    std::shared_ptr<const WordList> words;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto& l = lists[wordList];
        if (!l) l = WordList::load(wordList);
        words = l;
    }
    return std::make_shared<const WordsToCyrillic>(forwardOf(system.name), words);
}

}  // namespace lettrica::translit
