#include "app/files/rich_document_adapter.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTextDocument>
#include <QTextTableFormat>
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/document/document_builder.h"
#include "app/document/document_reader.h"
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
// The encoding a picture came in, kept with its image: a photograph goes
// back as JPEG, not as a PNG ten times its size.
const char kPictureEncoding[] = "lettrica-encoding";

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

FrameShape qtTable(const docio::Table& t) {
    FrameShape shape;
    shape.table = true;
    shape.rows = std::max(1, t.rows);
    shape.columns = std::max(1, t.columns);
    QTextTableFormat format;
    format.setCellSpacing(0);
    format.setCellPadding(4);
    format.setBorder(t.borders ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    if (!t.columnWidths.empty()) {
        QList<QTextLength> widths;
        for (int w : t.columnWidths) widths.append(QTextLength(QTextLength::FixedLength, toPixels(w)));
        format.setColumnWidthConstraints(widths);
    }
    shape.format = format;
    for (const docio::TableCell& c : t.cells) {
        QTextTableCellFormat cell;
        if (c.background) cell.setBackground(qtColor(*c.background));
        shape.cells.append(FrameShape::Cell{c.row, c.column, std::max(1, c.rowSpan), std::max(1, c.columnSpan), cell});
    }
    shape.parent = t.parent;
    shape.parentRow = t.parentRow;
    shape.parentColumn = t.parentColumn;
    return shape;
}

// A picture as the pane shows it: an image format naming a resource that
// the builder adds to the document. Names are unique in the program, so
// that a conversion's target never mistakes one picture for another.
QTextImageFormat qtImage(const docio::Image& picture, DocumentFormats& formats, bool& shown) {
    static int serial = 0;
    const QUrl name(QStringLiteral("lettrica-picture:%1").arg(++serial));
    QImage image = QImage::fromData(QByteArray::fromRawData(picture.data.data(), static_cast<qsizetype>(picture.data.size())));
    shown = !image.isNull();
    if (shown) {
        if (picture.kind == docio::ImageKind::Jpeg) image.setText(kPictureEncoding, QStringLiteral("jpeg"));
        formats.images.insert(name, image);
    }
    QTextImageFormat f;
    f.setName(name.toString());
    if (picture.width > 0) f.setWidth(picture.width / kTwipsPerPixel);
    if (picture.height > 0) f.setHeight(picture.height / kTwipsPerPixel);
    return f;
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

// A picture of the pane as a file holds it: PNG, or JPEG when it came so.
std::optional<docio::Image> richImage(const QTextImageFormat& format, const QVariant& resource) {
    docio::Image picture;
    QImage image;
    if (resource.userType() == QMetaType::QImage) image = resource.value<QImage>();
    else if (resource.userType() == QMetaType::QPixmap) image = resource.value<QPixmap>().toImage();
    else if (resource.userType() == QMetaType::QByteArray) image.loadFromData(resource.toByteArray());
    if (image.isNull()) return std::nullopt;
    const bool jpeg = image.text(kPictureEncoding) == QLatin1String("jpeg");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, jpeg ? "JPG" : "PNG", jpeg ? 90 : -1)) return std::nullopt;
    picture.kind = jpeg ? docio::ImageKind::Jpeg : docio::ImageKind::Png;
    picture.data.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (format.hasProperty(QTextFormat::ImageWidth)) picture.width = toTwips(format.width());
    if (format.hasProperty(QTextFormat::ImageHeight)) picture.height = toTwips(format.height());
    picture.width = std::max(picture.width, 0);
    picture.height = std::max(picture.height, 0);
    return picture;
}

ParagraphFormat richParagraphFormat(const QTextBlockFormat& q, const QTextListFormat* list, int listId) {
    ParagraphFormat f;
    const Qt::Alignment a = q.alignment();
    if (a & Qt::AlignHCenter) f.alignment = Alignment::Center;
    else if (a & Qt::AlignRight) f.alignment = Alignment::Right;
    else if (a & Qt::AlignJustify) f.alignment = Alignment::Justify;
    f.rightIndent = toTwips(q.rightMargin());
    if (!list) {
        f.leftIndent = toTwips(q.leftMargin());
        f.firstLineIndent = toTwips(q.textIndent());
        return f;
    }
    f.leftIndent = clampIndent(q.intProperty(kListItemLeftIndent));
    f.firstLineIndent = clampIndent(q.intProperty(kListItemFirstIndent));
    f.listStyle = richListStyle(list->style());
    f.listLevel = std::clamp(list->indent() - 1, 0, kMaxListLevel);
    f.listId = listId;
    if (list->hasProperty(kListStart)) f.listStart = list->intProperty(kListStart);
    return f;
}

}  // namespace

RichDocumentFiller::RichDocumentFiller(QTextDocument& document, FillLimits limits)
    : document_(document), limits_(limits), undo_(document.isUndoRedoEnabled()) {
    document_.setUndoRedoEnabled(false);
    document_.clear();
    builder_ = std::make_unique<DocumentBuilder>(document_, formats_);
    // One edit: a layout, if the document has one, runs once at the end and
    // not after every run (which costs the square of a paragraph's runs).
    builder_->beginBatch();
}

RichDocumentFiller::~RichDocumentFiller() { finish(); }

void RichDocumentFiller::finish() {
    if (finished_) return;
    finished_ = true;
    builder_->endBatch();
    document_.setUndoRedoEnabled(undo_);
}

// The formats, tables and pictures the reader found since the last
// paragraph, in Qt's terms; their indexes stay the file's.
void RichDocumentFiller::mapTables(const docio::RichDocument& tables) {
    for (auto i = formats_.charFormats.size(); i < static_cast<qsizetype>(tables.charFormats.size()); ++i) {
        const CharFormat& f = tables.charFormats[static_cast<std::size_t>(i)];
        const docio::Image* picture = docio::imageAt(tables, static_cast<int>(i));
        if (!picture) {
            formats_.charFormats.append(qtCharFormat(f));
            continue;
        }
        bool shown = false;
        formats_.charFormats.append(qtImage(*picture, formats_, shown));
        if (!shown) ++brokenPictures_;
    }
    // A table is whole before any of its paragraphs comes.
    for (; tablesMapped_ < tables.tables.size(); ++tablesMapped_) formats_.frames.append(qtTable(tables.tables[tablesMapped_]));
}

int RichDocumentFiller::paragraphStyle(const docio::RichDocument& tables, const text::Paragraph& paragraph) {
    const ParagraphFormat& pf = docio::paragraphFormatAt(tables, paragraph.format);
    int part = -1;
    if (pf.listStyle != ListStyle::None) {
        ListInQt& list = lists_[{pf.listId, std::clamp(pf.listLevel, 0, kMaxListLevel)}];
        const int size = docio::isNumbered(pf.listStyle) ? kNumberedListPart : kBulletListPart;
        if (list.items % size == 0) {
            list.part = static_cast<int>(formats_.lists.size());
            formats_.lists.append(qtListFormat(pf, list.items));
        }
        part = list.part;
        ++list.items;
    }
    // An empty paragraph shows the size of the run the file gave it, else the default.
    int first = paragraph.runs.empty() ? -1 : paragraph.runs.front().format;
    if (docio::imageAt(tables, first)) first = -1;
    const auto key = std::make_tuple(paragraph.format, part, first);
    auto it = styles_.find(key);
    if (it != styles_.end()) return it->second;
    ParagraphStyle style;
    style.block = qtBlockFormat(pf);
    style.blockChar = first >= 0 ? formats_.charFormats.value(first) : qtCharFormat(CharFormat{});
    style.list = part;
    if (pf.table >= 0 && static_cast<std::size_t>(pf.table) < tables.tables.size())
        style.container = Container{pf.table, pf.row, pf.column};
    const int index = static_cast<int>(formats_.paragraphStyles.size());
    formats_.paragraphStyles.append(style);
    styles_.emplace(key, index);
    return index;
}

bool RichDocumentFiller::paragraph(const docio::RichDocument& tables, text::Paragraph&& paragraph) {
    if (overLimits_ || finished_) return false;
    std::size_t units = 0;
    for (const text::Run& run : paragraph.runs) units += run.text.size();
    if (units > limits_.characters - characters_ || paragraphs_ >= limits_.paragraphs) {
        overLimits_ = true;
        return false;
    }
    characters_ += units;
    ++paragraphs_;
    mapTables(tables);
    builder_->beginParagraph(paragraphStyle(tables, paragraph));
    for (const text::Run& run : paragraph.runs) builder_->insertText(run.text, run.format);
    return true;
}

class RichDocumentReading::Impl {
public:
    explicit Impl(const QTextDocument& document) : document_(document), fallback_(document.defaultFont()) { rewind(); }

    bool readTables(const std::function<bool(std::size_t, std::size_t)>& pace);
    bool next(text::Paragraph& out);
    void rewind() {
        reader_.reset();
        readFormats_ = std::make_unique<DocumentFormats>();
        reader_ = std::make_unique<DocumentReader>(document_, *readFormats_, DocumentReader::EmptyParagraphFormat::Skip);
        chunk_.paragraphs.clear();
        inChunk_ = paragraph_ = handedOut_ = 0;
        before_ = -1;
    }
    const docio::RichDocument& tables() const { return rich_; }
    std::size_t position() const { return std::min(handedOut_, reader_->total()); }
    std::size_t total() const { return reader_->total(); }

private:
    using Place = std::tuple<int, int, int>;  // table, row, column
    void addTables();
    Place placement(Container c) const;
    int charFormat(int index);
    int paragraphFormat(int index);
    Place placeOf(int format) const {
        const ParagraphFormat& f = rich_.paragraphFormats[static_cast<std::size_t>(format)];
        return Place{f.table, f.row, f.column};
    }
    bool within(Place place, const Place& cell) const;
    // Whether the paragraph of rich format `format`, empty or not, is the
    // block Qt keeps before a table, given the formats of the paragraphs
    // around it (-1: none).
    bool keptBeforeTable(bool empty, int format, int before, int after) const;

    const QTextDocument& document_;
    const QFont fallback_;
    docio::RichDocument rich_;  // the tables; no text

    // The document's formats by the indexes a reader gives them, which a
    // second reader of the same document gives them again: those of the
    // pass over the formats, or of the reader of the text when there was
    // none (the tables then grow as the paragraphs come).
    DocumentFormats formats_;
    const DocumentFormats* known_ = &formats_;
    bool tablesRead_ = false;
    std::vector<int> tableOf_;  // by frame: the table it is, -1 for a frame that is no table
    std::unordered_map<CharFormat, int, docio::CharFormatHash> charIndex_;
    std::unordered_map<ParagraphFormat, int, docio::ParagraphFormatHash> paragraphIndex_;
    QHash<int, int> byQtChar_, byStyle_;  // -1: a picture that cannot be had
    std::vector<bool> skip_;              // by paragraph

    // The paragraphs, a chunk at a time.
    std::unique_ptr<DocumentFormats> readFormats_;
    std::unique_ptr<DocumentReader> reader_;
    text::StyledText chunk_;
    std::size_t inChunk_ = 0, paragraph_ = 0;
    int before_ = -1;  // the rich format of the paragraph before
    std::size_t handedOut_ = 0;  // characters of the paragraphs next() is past, breaks counting two
};

// Tables: the table frames, in document order; a frame that is no table
// (a pasted page's box) holds its paragraphs for its parent. Frames come
// to light as their paragraphs are read, a parent before its children.
void RichDocumentReading::Impl::addTables() {
    const auto& frames = known_->frames;
    for (auto i = static_cast<qsizetype>(tableOf_.size()); i < frames.size(); ++i) {
        tableOf_.push_back(-1);
        const FrameShape& shape = frames[i];
        if (!shape.table) continue;
        docio::Table t;
        t.rows = shape.rows;
        t.columns = shape.columns;
        const QTextTableFormat tf = shape.format.toTableFormat();
        t.borders = tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None;
        const QList<QTextLength> widths = tf.columnWidthConstraints();
        if (widths.size() == t.columns &&
            std::all_of(widths.begin(), widths.end(), [](const QTextLength& l) { return l.type() != QTextLength::VariableLength; })) {
            for (const QTextLength& l : widths)
                t.columnWidths.push_back(std::max(1, l.type() == QTextLength::FixedLength ? toTwips(l.rawValue())
                                                                                          : static_cast<int>(l.rawValue() * 96.38)));
        }
        for (const FrameShape::Cell& c : shape.cells) {
            docio::TableCell cell{c.row, c.column, c.rowSpan, c.columnSpan, std::nullopt};
            if (c.format.background().style() != Qt::NoBrush) cell.background = richColor(c.format.background().color());
            t.cells.push_back(cell);
        }
        std::tie(t.parent, t.parentRow, t.parentColumn) = placement(Container{shape.parent, shape.parentRow, shape.parentColumn});
        tableOf_.back() = static_cast<int>(rich_.tables.size());
        rich_.tables.push_back(std::move(t));
    }
}

RichDocumentReading::Impl::Place RichDocumentReading::Impl::placement(Container c) const {
    const auto& frames = known_->frames;
    while (c.frame >= 0 && c.frame < frames.size() && static_cast<std::size_t>(c.frame) < tableOf_.size()) {
        const int table = tableOf_[static_cast<std::size_t>(c.frame)];
        if (table >= 0) return Place{table, c.row, c.column};
        const FrameShape& f = frames[c.frame];
        if (f.parent >= c.frame) break;
        c = Container{f.parent, f.parentRow, f.parentColumn};
    }
    return Place{-1, 0, 0};
}

// Formats as the paragraphs first use them, each distinct one once.
int RichDocumentReading::Impl::charFormat(int index) {
    auto known = byQtChar_.constFind(index);
    if (known != byQtChar_.constEnd()) return *known;
    const QTextCharFormat q = known_->charFormats.value(index);
    CharFormat f;
    if (q.isImageFormat()) {
        const QTextImageFormat image = q.toImageFormat();
        const QUrl name(image.name());
        QVariant resource = known_->images.value(name);
        if (!resource.isValid()) resource = document_.resource(QTextDocument::ImageResource, name);
        const std::optional<docio::Image> picture = richImage(image, resource);
        if (!picture) return *byQtChar_.insert(index, -1);
        f.image = static_cast<int>(rich_.images.size());
        rich_.images.push_back(*picture);
    } else {
        f = richCharFormat(q, fallback_);
    }
    auto [at, added] = charIndex_.try_emplace(std::move(f), static_cast<int>(rich_.charFormats.size()));
    if (added) rich_.charFormats.push_back(at->first);
    return *byQtChar_.insert(index, at->second);
}

int RichDocumentReading::Impl::paragraphFormat(int index) {
    auto known = byStyle_.constFind(index);
    if (known != byStyle_.constEnd()) return *known;
    const ParagraphStyle style = known_->paragraphStyles.value(index);
    const QTextListFormat* list = style.list >= 0 && style.list < known_->lists.size() ? &known_->lists[style.list] : nullptr;
    ParagraphFormat f = richParagraphFormat(style.block, list, style.list + 1);
    std::tie(f.table, f.row, f.column) = placement(style.container);
    auto [at, added] = paragraphIndex_.try_emplace(f, static_cast<int>(rich_.paragraphFormats.size()));
    if (added) rich_.paragraphFormats.push_back(f);
    return *byStyle_.insert(index, at->second);
}

// Whether the paragraph at `place` lies in the cell `cell`, or in a table
// nested in it however deep (the body holds everything).
bool RichDocumentReading::Impl::within(Place place, const Place& cell) const {
    for (int steps = 0; steps <= static_cast<int>(rich_.tables.size()); ++steps) {
        if (place == cell || std::get<0>(cell) < 0) return true;
        if (std::get<0>(place) < 0) return false;
        const docio::Table& t = rich_.tables[static_cast<std::size_t>(std::get<0>(place))];
        place = Place{t.parent, t.parentRow, t.parentColumn};
    }
    return false;
}

// Qt keeps a block before a table that begins the document or a cell,
// which no file had: an empty first paragraph of its place, followed by a
// table in that place, is that block.
bool RichDocumentReading::Impl::keptBeforeTable(bool empty, int format, int before, int after) const {
    if (!empty || after < 0) return false;
    const Place here = placeOf(format);
    return placeOf(after) != here && within(placeOf(after), here) && (before < 0 || !within(placeOf(before), here));
}

bool RichDocumentReading::Impl::readTables(const std::function<bool(std::size_t, std::size_t)>& pace) {
    tablesRead_ = true;
    known_ = &formats_;
    DocumentReader reader(document_, formats_, DocumentReader::EmptyParagraphFormat::Skip);
    DocumentReader::Skimmed skimmed;
    // Whether a paragraph is the block kept before a table shows at the
    // next, so the decision runs a paragraph behind.
    int before = -1, current = -1;
    bool empty = false;
    const auto paragraphs = static_cast<std::size_t>(document_.blockCount());
    std::size_t looked = 0;
    while (reader.skim(skimmed)) {
        addTables();
        const int format = paragraphFormat(skimmed.style);
        for (int run : skimmed.runFormats) charFormat(run);
        if (current >= 0) skip_.push_back(keptBeforeTable(empty, current, before, format));
        before = current;
        current = format;
        empty = skimmed.length == 0;
        if (pace && !pace(++looked, std::max(paragraphs, looked))) return false;
    }
    if (current >= 0) skip_.push_back(keptBeforeTable(empty, current, before, -1));
    return true;
}

bool RichDocumentReading::Impl::next(text::Paragraph& out) {
    constexpr std::size_t kChunk = 64 * 1024;
    if (!tablesRead_) known_ = readFormats_.get();
    for (;;) {
        // The paragraph after the next is read too: without the tables, it
        // decides whether the next one is a block Qt keeps before a table.
        while (chunk_.paragraphs.size() - inChunk_ < 2 && !reader_->done()) {
            chunk_.paragraphs.erase(chunk_.paragraphs.begin(), chunk_.paragraphs.begin() + static_cast<std::ptrdiff_t>(inChunk_));
            inChunk_ = 0;
            reader_->read(chunk_, kChunk);
        }
        if (inChunk_ == chunk_.paragraphs.size()) return false;
        text::Paragraph& paragraph = chunk_.paragraphs[inChunk_++];
        const std::size_t index = paragraph_++;
        handedOut_ += paragraph.length() + 2;
        int format = 0;
        if (tablesRead_) {
            // The tables are whole and stay so: a format they lack (which
            // only a document changed meanwhile has) is none.
            format = byStyle_.value(paragraph.format, 0);
            if (index < skip_.size() && skip_[index]) continue;
        } else {
            addTables();
            format = paragraphFormat(paragraph.format);
            const int after = inChunk_ < chunk_.paragraphs.size() ? paragraphFormat(chunk_.paragraphs[inChunk_].format) : -1;
            const int before = before_;
            before_ = format;
            if (keptBeforeTable(paragraph.length() == 0, format, before, after)) continue;
        }
        out.format = format;
        out.runs.clear();
        out.runs.reserve(paragraph.runs.size());
        for (text::Run& run : paragraph.runs) {
            const int f = tablesRead_ ? byQtChar_.value(run.format, -1) : charFormat(run.format);
            if (f < 0) continue;
            // What stands for an object is no text, but for a picture.
            const bool picture = rich_.charFormats[static_cast<std::size_t>(f)].image >= 0;
            std::erase_if(run.text, [picture](char16_t c) {
                const bool object = c == docio::kObjectCharacter || c == 0xFDD0 || c == 0xFDD1 || c == 0x2029;
                return picture ? c != docio::kObjectCharacter : object;
            });
            if (run.text.empty()) continue;
            // Qt's formats may differ where ours are the same: such runs join.
            if (!out.runs.empty() && out.runs.back().format == f) out.runs.back().text += run.text;
            else out.runs.push_back(text::Run{std::move(run.text), f});
        }
        paragraph = text::Paragraph{};
        return true;
    }
}

RichDocumentReading::RichDocumentReading(const QTextDocument& document) : impl_(std::make_unique<Impl>(document)) {}
RichDocumentReading::~RichDocumentReading() = default;
bool RichDocumentReading::readTables(const std::function<bool(std::size_t, std::size_t)>& pace) {
    return impl_->readTables(pace);
}
const docio::RichDocument& RichDocumentReading::tables() const { return impl_->tables(); }
bool RichDocumentReading::next(text::Paragraph& paragraph) { return impl_->next(paragraph); }
void RichDocumentReading::rewind() { impl_->rewind(); }
std::size_t RichDocumentReading::position() const { return impl_->position(); }
std::size_t RichDocumentReading::total() const { return impl_->total(); }

docio::RichDocument richDocumentOf(const QTextDocument& document) {
    RichDocumentReading reading(document);
    reading.readTables();
    docio::RichDocument rich = reading.tables();
    text::Paragraph paragraph;
    while (reading.next(paragraph)) rich.text.paragraphs.push_back(std::move(paragraph));
    return rich;
}

}  // namespace lettrica::app
