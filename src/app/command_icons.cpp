#include "app/command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace lettrica::app {

namespace {

void page(QPainter& p, QRectF r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(80, 80, 80), 1));
    p.drawPath(path);
}

void lines(QPainter& p, Qt::Alignment align) {
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    const int widths[] = {12, 8, 12, 6};
    for (int i = 0; i < 4; ++i) {
        qreal w = widths[i], x = 2;
        if (align & Qt::AlignHCenter) x = 8 - w / 2;
        else if (align & Qt::AlignRight) x = 14 - w;
        p.drawLine(QPointF(x, 3.5 + 3 * i), QPointF(x + w, 3.5 + 3 * i));
    }
}

void letters(QPainter& p, const QString& text, QColor color, bool bold, bool italic, bool underline, int size = 11) {
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(color);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
}

void arrow(QPainter& p, bool right) {
    QPainterPath path;
    const qreal y = 11.5;
    if (right) {
        path.moveTo(2, y - 1.5); path.lineTo(10, y - 1.5); path.lineTo(10, y - 4); path.lineTo(15, y);
        path.lineTo(10, y + 4); path.lineTo(10, y + 1.5); path.lineTo(2, y + 1.5);
    } else {
        path.moveTo(14, y - 1.5); path.lineTo(6, y - 1.5); path.lineTo(6, y - 4); path.lineTo(1, y);
        path.lineTo(6, y + 4); path.lineTo(6, y + 1.5); path.lineTo(14, y + 1.5);
    }
    path.closeSubpath();
    p.setPen(QPen(QColor(0, 90, 0), 1));
    p.setBrush(QColor(60, 170, 60));
    p.drawPath(path);
}

QPixmap draw(Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (glyph == Glyph::Page) {
        page(p, QRectF(3.5, 1.5, 9, 13));
    } else if (glyph == Glyph::Folder) {
        p.setPen(QPen(QColor(150, 110, 20), 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 2));
    } else if (glyph == Glyph::Disk) {
        p.setPen(QPen(QColor(20, 40, 110), 1));
        p.setBrush(QColor(60, 90, 180));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
    } else if (glyph == Glyph::Printer) {
        page(p, QRectF(4.5, 1.5, 7, 6));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    } else if (glyph == Glyph::Envelope) {
        p.setPen(QPen(QColor(80, 80, 80), 1));
        p.setBrush(QColor(250, 245, 225));
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
        p.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
    } else if (glyph == Glyph::Clipboard) {
        p.setPen(QPen(QColor(110, 70, 20), 1));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(QRectF(2.5, 2.5, 11, 12));
        page(p, QRectF(5.5, 5.5, 7, 8));
    } else if (glyph == Glyph::Copies) {
        page(p, QRectF(1.5, 1.5, 8, 10));
        page(p, QRectF(6.5, 4.5, 8, 10));
    } else if (glyph == Glyph::ToCyrillic) {
        letters(p, QString::fromUtf8("Я"), QColor(0, 0, 140), true, false, false, 9);
        arrow(p, false);
    } else if (glyph == Glyph::ToLatin) {
        letters(p, QStringLiteral("A"), QColor(0, 0, 140), true, false, false, 9);
        arrow(p, true);
    } else if (glyph == Glyph::LetterCase) {
        letters(p, QString::fromUtf8("Аа"), QColor(0, 0, 0), true, false, false, 10);
    } else if (glyph == Glyph::CodePage) {
        letters(p, QString::fromUtf8("1251"), QColor(140, 0, 0), true, false, false, 7);
    } else if (glyph == Glyph::Font) {
        letters(p, QStringLiteral("A"), QColor(170, 0, 0), false, false, false, 14);
    } else if (glyph == Glyph::Bold) {
        letters(p, QStringLiteral("B"), Qt::black, true, false, false, 13);
    } else if (glyph == Glyph::Italic) {
        letters(p, QStringLiteral("I"), Qt::black, false, true, false, 13);
    } else if (glyph == Glyph::Underline) {
        letters(p, QStringLiteral("U"), Qt::black, false, false, true, 13);
    } else if (glyph == Glyph::AlignLeft) {
        lines(p, Qt::AlignLeft);
    } else if (glyph == Glyph::AlignCenter) {
        lines(p, Qt::AlignHCenter);
    } else if (glyph == Glyph::AlignRight) {
        lines(p, Qt::AlignRight);
    } else if (glyph == Glyph::Bullets) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(3, 3.5 + 4.5 * i), 1.5, 1.5);
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        for (int i = 0; i < 3; ++i) p.drawLine(QPointF(6, 3.5 + 4.5 * i), QPointF(15, 3.5 + 4.5 * i));
    } else if (glyph == Glyph::Cancel) {
        // A red cross, as cancel buttons have it.
        p.setPen(QPen(QColor(200, 20, 20), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    } else if (glyph == Glyph::Help) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 200));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        letters(p, QStringLiteral("?"), Qt::white, true, false, false, 11);
    } else {
        return QPixmap();
    }
    return pixmap;
}

}  // namespace

QIcon commandIcon(const char* themeName, Glyph glyph) {
    const QString name = QString::fromLatin1(themeName);
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    QPixmap drawn = draw(glyph);
    return drawn.isNull() ? QIcon() : QIcon(drawn);
}

}  // namespace lettrica::app
