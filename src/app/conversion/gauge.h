#pragma once
// The progress window's bar: a navy fill on white with the percentage in the
// middle, drawn white where the fill is under it and navy where it is not,
// so the number reads at every value.

#include <QProgressBar>

namespace lettrica::app {

class Gauge : public QProgressBar {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    static QColor fillColor() { return QColor(0, 0, 128); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace lettrica::app
