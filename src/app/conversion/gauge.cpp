#include "app/conversion/gauge.h"

#include <QPainter>

namespace lettrica::app {

Gauge::Gauge(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    p.fillRect(inside, Qt::white);
    const qint64 span = qint64(maximum()) - minimum();
    const int filled = span <= 0 ? 0 : int(inside.width() * (qint64(value()) - minimum()) / span);
    const QRect fill(inside.left(), inside.top(), std::clamp(filled, 0, inside.width()), inside.height());
    p.fillRect(fill, fillColor());
    p.setPen(Qt::gray);
    p.drawRect(frame);

    if (!isTextVisible()) return;
    // The same text twice, each clipped to its side of the fill's edge.
    const QString label = text();
    p.setClipRect(fill);
    p.setPen(Qt::white);
    p.drawText(inside, Qt::AlignCenter, label);
    p.setClipRect(QRect(fill.right() + 1, inside.top(), inside.right() - fill.right(), inside.height()));
    p.setPen(fillColor());
    p.drawText(inside, Qt::AlignCenter, label);
}

}  // namespace lettrica::app
