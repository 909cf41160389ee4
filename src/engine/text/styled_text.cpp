#include "text/styled_text.h"

namespace lettrica::text {

std::size_t Paragraph::length() const {
    std::size_t n = 0;
    for (const Run& r : runs) n += r.text.size();
    return n;
}

std::u16string Paragraph::plainText() const {
    std::u16string s;
    s.reserve(length());
    for (const Run& r : runs) s += r.text;
    return s;
}

std::size_t StyledText::length() const {
    std::size_t n = 0;
    for (const Paragraph& p : paragraphs) n += p.length();
    if (!paragraphs.empty()) n += 2 * (paragraphs.size() - 1);
    return n;
}

std::u16string StyledText::plainText() const {
    std::u16string s;
    s.reserve(length());
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i) s += u"\r\n";
        for (const Run& r : paragraphs[i].runs) s += r.text;
    }
    return s;
}

void appendRun(Paragraph& paragraph, std::u16string_view text, int format) {
    if (text.empty()) return;
    if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
        paragraph.runs.back().text.append(text);
    else
        paragraph.runs.push_back(Run{std::u16string(text), format});
}

StyledText styledFromPlain(std::u16string_view text, int format, int paragraphFormat) {
    StyledText doc;
    std::size_t start = 0;
    for (std::size_t i = 0;; ++i) {
        if (i == text.size() || text[i] == u'\r' || text[i] == u'\n') {
            Paragraph p;
            p.format = paragraphFormat;
            appendRun(p, text.substr(start, i - start), format);
            doc.paragraphs.push_back(std::move(p));
            if (i == text.size()) break;
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            start = i + 1;
        }
    }
    return doc;
}

}  // namespace lettrica::text
