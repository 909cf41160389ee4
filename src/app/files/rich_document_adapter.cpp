#include "app/files/rich_document_adapter.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/u16_text.h"

namespace lettrica::app {

namespace {

using docio::Alignment;
using docio::CharFormat;
using docio::ListStyle;
using docio::ParagraphFormat;

constexpr double kTwipsPerPixel = 15.0;
// Beyond 22 inches an indent is no layout any page has; a hostile file's
// \li2000000000 must not reach the layout as a margin.
constexpr int kMaxIndentTwips = 22 * 1440;
constexpr int kMaxListLevel = 8;
// Qt's list marks every item of a list for layout again each time an item
// is added, so filling one list of n items costs n * n: a file of nothing
// but 400 000 items of one list would take an hour. A longer list goes into
// QTextLists of so many items each. Bullets look the same however they are
// parted; a numbered list keeps its numbers in the file through each part's
// start, but on screen a part counts from 1 again before Qt 6.6, so its parts
// are long enough for the lists people write.
constexpr int kBulletListPart = 100;
constexpr int kNumberedListPart = 500;

// Kept beside a list item's block format and its list's format: what the
// file said, which Qt has no place for.
constexpr int kListItemLeftIndent = QTextFormat::UserProperty + 1;   // twips
constexpr int kListItemFirstIndent = QTextFormat::UserProperty + 2;  // twips
constexpr int kListStart = QTextFormat::UserProperty + 3;

const std::pair<ListStyle, QTextListFormat::Style> kListStyles[] = {
    {ListStyle::Disc, QTextListFormat::ListDisc},
    {ListStyle::Circle, QTextListFormat::ListCircle},
    {ListStyle::Square, QTextListFormat::ListSquare},
    {ListStyle::Decimal, QTextListFormat::ListDecimal},
    {ListStyle::LowerAlpha, QTextListFormat::ListLowerAlpha},
    {ListStyle::UpperAlpha, QTextListFormat::ListUpperAlpha},
    {ListStyle::LowerRoman, QTextListFormat::ListLowerRoman},
    {ListStyle::UpperRoman, QTextListFormat::ListUpperRoman},
};

QTextListFormat::Style qtListStyle(ListStyle style) {
    for (auto [ours, qt] : kListStyles)
        if (ours == style) return qt;
    return QTextListFormat::ListDisc;
}

ListStyle richListStyle(QTextListFormat::Style style) {
    for (auto [ours, qt] : kListStyles)
        if (qt == style) return ours;
    return ListStyle::Disc;  // a shape we do not name is still a bullet
}

QColor qtColor(const docio::Rgb& c) { return QColor(c.red, c.green, c.blue); }
docio::Rgb richColor(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

int clampIndent(int twips) { return std::clamp(twips, -kMaxIndentTwips, kMaxIndentTwips); }
double toPixels(int twips) { return clampIndent(twips) / kTwipsPerPixel; }
int toTwips(double pixels) {
    return clampIndent(static_cast<int>(std::lround(std::clamp(pixels, -1e6, 1e6) * kTwipsPerPixel)));
}

QTextCharFormat qtCharFormat(const CharFormat& f) {
    QTextCharFormat q;
    if (!f.fontName.empty()) q.setFontFamilies(QStringList{fromU16(f.fontName)});
    q.setFontPointSize(std::clamp(f.halfPoints, 2, 3276) / 2.0);
    if (f.color) q.setForeground(qtColor(*f.color));
    if (f.background) q.setBackground(qtColor(*f.background));
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    q.setFontStrikeOut(f.strike);
    if (f.position == docio::VerticalPosition::Superscript) q.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (f.position == docio::VerticalPosition::Subscript) q.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return q;
}

QTextBlockFormat qtBlockFormat(const ParagraphFormat& f) {
    QTextBlockFormat q;
    switch (f.alignment) {
    case Alignment::Center: q.setAlignment(Qt::AlignHCenter); break;
    case Alignment::Right: q.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case Alignment::Justify: q.setAlignment(Qt::AlignJustify); break;
    default: q.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    }
    q.setRightMargin(toPixels(f.rightIndent));
    if (f.listStyle == ListStyle::None) {
        q.setLeftMargin(toPixels(f.leftIndent));
        q.setTextIndent(toPixels(f.firstLineIndent));
    } else {
        q.setProperty(kListItemLeftIndent, clampIndent(f.leftIndent));
        q.setProperty(kListItemFirstIndent, clampIndent(f.firstLineIndent));
    }
    return q;
}

// `itemsBefore`: items of the same list in the parts before this one.
QTextListFormat qtListFormat(const ParagraphFormat& f, int itemsBefore) {
    QTextListFormat q;
    q.setStyle(qtListStyle(f.listStyle));
    q.setIndent(std::clamp(f.listLevel, 0, kMaxListLevel) + 1);
    const int start = f.listStart + itemsBefore;
    if (docio::isNumbered(f.listStyle) && start != 1) {
        q.setProperty(kListStart, start);
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        q.setStart(start);
#endif
    }
    return q;
}

// A file's format table in Qt's terms, each entry mapped on first use; an
// index outside the table stands for the default format.
template <typename From, typename To>
class MappedTable {
public:
    MappedTable(const std::vector<From>& from, To (*map)(const From&))
        : from_(from), map_(map), to_(from.size()), made_(from.size(), false), fallback_(map(From{})) {}
    const To& operator[](int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= to_.size()) return fallback_;
        const auto i = static_cast<std::size_t>(index);
        if (!made_[i]) to_[i] = map_(from_[i]), made_[i] = true;
        return to_[i];
    }

private:
    const std::vector<From>& from_;
    To (*map_)(const From&);
    std::vector<To> to_;
    std::vector<bool> made_;
    To fallback_;
};

// Leaves out what stands for an object and is no text of the document.
std::u16string textOf(const QString& fragment) {
    std::u16string out(viewU16(fragment));
    std::erase_if(out, [](char16_t c) { return c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1 || c == 0x2029; });
    return out;
}

CharFormat richCharFormat(const QTextCharFormat& q, const QFont& fallback) {
    CharFormat f;
    QString family;
    if (q.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = q.property(QTextFormat::FontFamilies).toStringList();
        if (!families.isEmpty()) family = families.first();
    }
    if (family.isEmpty()) family = fallback.family();
    f.fontName = std::u16string(viewU16(family));
    double points = fallback.pointSizeF() > 0 ? fallback.pointSizeF() : 10.0;
    if (q.hasProperty(QTextFormat::FontPointSize)) points = q.fontPointSize();
    else if (q.hasProperty(QTextFormat::FontPixelSize)) points = q.intProperty(QTextFormat::FontPixelSize) * 0.75;
    f.halfPoints = std::clamp(static_cast<int>(std::lround(points * 2)), 2, 3276);
    if (q.foreground().style() != Qt::NoBrush) f.color = richColor(q.foreground().color());
    if (q.background().style() != Qt::NoBrush) f.background = richColor(q.background().color());
    f.bold = q.fontWeight() >= QFont::DemiBold;
    f.italic = q.fontItalic();
    f.underline = q.fontUnderline();
    f.strike = q.fontStrikeOut();
    if (q.verticalAlignment() == QTextCharFormat::AlignSuperScript) f.position = docio::VerticalPosition::Superscript;
    if (q.verticalAlignment() == QTextCharFormat::AlignSubScript) f.position = docio::VerticalPosition::Subscript;
    return f;
}

ParagraphFormat richParagraphFormat(const QTextBlock& block, int listId) {
    const QTextBlockFormat q = block.blockFormat();
    ParagraphFormat f;
    const Qt::Alignment a = q.alignment();
    if (a & Qt::AlignHCenter) f.alignment = Alignment::Center;
    else if (a & Qt::AlignRight) f.alignment = Alignment::Right;
    else if (a & Qt::AlignJustify) f.alignment = Alignment::Justify;
    f.rightIndent = toTwips(q.rightMargin());
    const QTextList* list = block.textList();
    if (!list) {
        f.leftIndent = toTwips(q.leftMargin());
        f.firstLineIndent = toTwips(q.textIndent());
        return f;
    }
    const QTextListFormat lf = list->format();
    f.leftIndent = clampIndent(q.intProperty(kListItemLeftIndent));
    f.firstLineIndent = clampIndent(q.intProperty(kListItemFirstIndent));
    f.listStyle = richListStyle(lf.style());
    f.listLevel = std::clamp(lf.indent() - 1, 0, kMaxListLevel);
    f.listId = listId;
    if (lf.hasProperty(kListStart)) f.listStart = lf.intProperty(kListStart);
    return f;
}

}  // namespace

void fillDocument(QTextDocument& document, const docio::RichDocument& rich) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();

    // Each table entry is mapped once, however many runs use it.
    MappedTable<CharFormat, QTextCharFormat> chars(rich.charFormats, qtCharFormat);
    MappedTable<ParagraphFormat, QTextBlockFormat> blocks(rich.paragraphFormats, qtBlockFormat);
    struct ListInQt {
        QTextList* part = nullptr;  // the part items are added to
        int items = 0;              // in all parts so far
    };
    std::map<std::pair<int, int>, ListInQt> lists;  // by (listId, listLevel)

    QTextCursor cursor(&document);
    // One edit: a layout, if the document has one, runs once at the end and
    // not after every run (which costs the square of a paragraph's runs).
    cursor.beginEditBlock();
    bool first = true;
    for (const text::Paragraph& paragraph : rich.text.paragraphs) {
        // An empty paragraph shows the size of the run the file gave it, else the default.
        const QTextCharFormat& blockChar = chars[paragraph.runs.empty() ? -1 : paragraph.runs.front().format];
        if (first) {
            cursor.setBlockFormat(blocks[paragraph.format]);
            cursor.setBlockCharFormat(blockChar);
            first = false;
        } else {
            cursor.insertBlock(blocks[paragraph.format], blockChar);
        }
        const ParagraphFormat& pf = docio::paragraphFormatAt(rich, paragraph.format);
        if (pf.listStyle != ListStyle::None) {
            ListInQt& list = lists[{pf.listId, std::clamp(pf.listLevel, 0, kMaxListLevel)}];
            const int part = docio::isNumbered(pf.listStyle) ? kNumberedListPart : kBulletListPart;
            if (list.items % part == 0) list.part = cursor.createList(qtListFormat(pf, list.items));
            else list.part->add(cursor.block());
            ++list.items;
        }
        for (const text::Run& run : paragraph.runs)
            if (!run.text.empty()) cursor.insertText(fromU16(run.text), chars[run.format]);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

docio::RichDocument richDocumentOf(const QTextDocument& document) {
    docio::RichDocument rich;
    const QFont fallback = document.defaultFont();
    const QList<QTextFormat> formats = document.allFormats();

    QHash<int, int> byDocumentIndex;  // the document's char format index -> ours
    std::unordered_map<CharFormat, int, docio::CharFormatHash> charIndex;
    std::unordered_map<ParagraphFormat, int, docio::ParagraphFormatHash> paragraphIndex;
    QHash<const QTextList*, int> listIds;

    auto charFormat = [&](int documentIndex) {
        auto it = byDocumentIndex.constFind(documentIndex);
        if (it != byDocumentIndex.constEnd()) return *it;
        CharFormat f = richCharFormat(formats.value(documentIndex).toCharFormat(), fallback);
        auto [at, added] = charIndex.try_emplace(std::move(f), static_cast<int>(rich.charFormats.size()));
        if (added) rich.charFormats.push_back(at->first);
        byDocumentIndex.insert(documentIndex, at->second);
        return at->second;
    };

    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        int listId = 0;
        if (const QTextList* list = block.textList()) {
            auto it = listIds.find(list);
            if (it == listIds.end()) it = listIds.insert(list, static_cast<int>(listIds.size()) + 1);
            listId = *it;
        }
        auto [at, added] = paragraphIndex.try_emplace(richParagraphFormat(block, listId),
                                                      static_cast<int>(rich.paragraphFormats.size()));
        if (added) rich.paragraphFormats.push_back(at->first);

        text::Paragraph paragraph;
        paragraph.format = at->second;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const std::u16string text = textOf(fragment.text());
            if (!text.empty()) text::appendRun(paragraph, text, charFormat(fragment.charFormatIndex()));
        }
        rich.text.paragraphs.push_back(std::move(paragraph));
    }
    return rich;
}

}  // namespace lettrica::app
