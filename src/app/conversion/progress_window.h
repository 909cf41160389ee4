#pragma once
// The progress window shared by the long commands (transliteration,
// recoding, case change): a bar and "Отмена". Non-modal and on top, so the
// main window stays usable while a command runs; a title bar without
// buttons, so "Отмена" (or Esc) is the only way to stop a run from here.

#include <QDialog>

class QPushButton;

namespace lettrica::app {

class Gauge;

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    void setMaximum(qint64 maximum);
    // Redraws only when the whole percentage changes.
    void setProgress(qint64 progress);
    int percent() const { return percent_; }

    void start(qint64 maximum);  // shows centred
    void finish();               // closes

public slots:
    // "Отмена": closes the window and asks the running command to stop.
    void requestCancel();
    // Esc is "Отмена"; the window is never closed another way.
    void reject() override { requestCancel(); }

signals:
    // The command stops after its current slice (the runner holds the state).
    void cancelRequested();

protected:
    bool event(QEvent* event) override;

private:
    void closeAndReturnFocus();

    Gauge* gauge_;
    QPushButton* cancelButton_;
    qint64 minimum_ = 0;
    qint64 maximum_ = 0;
    int percent_ = 0;
};

}  // namespace lettrica::app
