#include "bench_corpus.h"

#include <cstdint>
#include <vector>

#include "text/cp1251.h"
#include "text/utf8.h"

namespace bench {

namespace {

constexpr const char* kWords[] = {
    "и", "в", "не", "на", "я", "что", "он", "с", "это", "а", "как", "но", "его", "к", "все", "она",
    "так", "же", "по", "ты", "из", "мы", "за", "вы", "бы", "от", "уже", "ещё", "где", "тут", "вот",
    "чтобы", "когда", "только", "было", "может", "человек", "время", "жизнь", "день", "рука", "работа",
    "слово", "место", "лицо", "друг", "глаз", "вопрос", "дом", "сторона", "страна", "мир", "случай",
    "голова", "ребёнок", "сила", "конец", "вид", "система", "часть", "город", "отношение", "женщина",
    "деньги", "земля", "машина", "вода", "отец", "проблема", "час", "право", "нога", "решение", "дверь",
    "образ", "история", "власть", "закон", "война", "голос", "тысяча", "книга", "возможность", "результат",
    "ночь", "стол", "имя", "область", "статья", "число", "компания", "народ", "жена", "группа", "развитие",
    "процесс", "суд", "условие", "средство", "начало", "свет", "пора", "путь", "душа", "уровень", "форма",
    "связь", "минута", "улица", "вечер", "качество", "мысль", "дорога", "мать", "действие", "месяц",
    "государство", "язык", "любовь", "взгляд", "мама", "век", "школа", "цель", "общество", "деятельность",
    "объём", "подъезд", "съезд", "объявление", "щука", "щёки", "ёж", "ёлка", "шёпот", "жёлтый", "чёрный",
    "счастье", "щит", "чащ", "хвощ", "экзамен", "эхо", "поэзия", "юбка", "южный", "юмор", "яблоко", "язык",
    "явление", "заявка", "семья", "статья", "вьюга", "подъём", "разъезд", "большой", "новый", "хороший",
    "последний", "русский", "высокий", "сказать", "говорить", "знать", "стать", "хотеть", "видеть", "идти",
    "думать", "взять", "сделать", "жить", "смотреть", "сидеть", "понять", "иметь", "ждать", "вспомнить",
    "хлеб", "чай", "молоко", "борщ", "щи", "каша", "пирожки", "шоколад", "кофе", "журнал", "жужжать",
    "чрезвычайный", "здравствуйте", "достопримечательность", "высокопревосходительство", "й", "ъ",
};
constexpr const char* kLatin[] = {"Linux", "email", "Qt", "C++", "USB", "Wi-Fi", "online", "PDF", "x86", "OK"};
constexpr const char* kCaps[] = {"ВНИМАНИЕ", "СССР", "РФ", "МГУ", "ЖКХ", "ЗАО", "ОБЪЯВЛЕНИЕ", "ЩИТ", "ЭХО", "ЮГ"};
constexpr const char* kPunct[] = {",", ",", ",", " -", ":", ";", ""};
constexpr const char* kEnds[] = {".", ".", ".", "!", "?", "...", "."};

struct Rng {
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    std::uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 11);
    }
    std::size_t below(std::size_t n) { return next() % n; }
};

std::string cp(const char* utf8) { return lettrica::text::encodeCp1251(lettrica::text::decodeUtf8(utf8)).bytes; }

template <std::size_t N>
std::vector<std::string> cpList(const char* const (&list)[N]) {
    std::vector<std::string> v;
    for (const char* w : list) v.push_back(cp(w));
    return v;
}

// The text as a list of words, each with the punctuation that follows it.
// Calls `word(text, separator)`; separator is " " or a line break.
template <class F>
void generate(std::size_t bytes, F word) {
    static const auto words = cpList(kWords), latin = cpList(kLatin), caps = cpList(kCaps);
    static const auto punct = cpList(kPunct), ends = cpList(kEnds);
    Rng rng;
    std::size_t made = 0;
    std::size_t sentenceLeft = 0, paragraphLeft = 3;
    bool sentenceStart = true;
    while (made < bytes) {
        if (sentenceLeft == 0) sentenceLeft = 4 + rng.below(12);
        std::string w;
        std::size_t kind = rng.below(100);
        if (kind < 3) w = latin[rng.below(latin.size())];
        else if (kind < 5) w = caps[rng.below(caps.size())];
        else if (kind < 7) w = std::to_string(rng.below(2100));
        else w = words[rng.below(words.size())];
        if (sentenceStart && !w.empty()) {
            unsigned char c = static_cast<unsigned char>(w[0]);
            if (c >= 0xE0) w[0] = static_cast<char>(c - 0x20);
            else if (c == 0xB8) w[0] = static_cast<char>(0xA8);
        }
        sentenceStart = false;
        std::string sep = " ";
        if (--sentenceLeft == 0) {
            w += ends[rng.below(ends.size())];
            sentenceStart = true;
            if (--paragraphLeft == 0) {
                sep = "\r\n";
                paragraphLeft = 1 + rng.below(6);
            }
        } else if (rng.below(8) == 0) {
            w += punct[rng.below(punct.size())];
        }
        made += w.size() + sep.size();
        word(w, sep);
    }
}

}  // namespace

std::string russianCp1251(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 64);
    generate(bytes, [&](const std::string& w, const std::string& sep) {
        text += w;
        text += sep;
    });
    return text;
}

lettrica::text::StyledText russianDocument(std::size_t chars) {
    using namespace lettrica::text;
    StyledText doc;
    doc.paragraphs.emplace_back();
    Rng rng;
    int format = 0;
    std::size_t left = 3;
    generate(chars, [&](const std::string& w, const std::string& sep) {
        if (--left == 0) {
            format = static_cast<int>(rng.below(4));  // plain, bold, coloured, both
            left = 1 + rng.below(6);
        }
        appendRun(doc.paragraphs.back(), decodeCp1251(w), format);
        if (sep == " ") appendRun(doc.paragraphs.back(), u" ", format);
        else doc.paragraphs.emplace_back();
    });
    return doc;
}

}  // namespace bench
