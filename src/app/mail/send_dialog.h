#pragma once
// TForm8, " Email/SMS...": the recipient's address, typed or picked from
// the address book, and which panes go into the message. Created once and
// reused, so the list, the typed address and the boxes carry over from one
// send to the next. Keys Address, Doc1 and Doc2 of section "Email"; the
// address book is email.dat (settings/address_book.h).
//
// OK is enabled only for a plausible address with at least one pane ticked
// (see addressLooksPlausible); F8 in the address box deletes the typed
// address from the list. The list stays sorted, letter case ignored.

#include <QDialog>
#include <QStringList>
#include <filesystem>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace lettrica::settings {
class IniFile;
}

namespace lettrica::app {

class SendDialog : public QDialog {
    Q_OBJECT
public:
    explicit SendDialog(QWidget* parent = nullptr);

    // The first "@" and the first "." both stand after the first character
    // and before the last; nothing else is asked ("a.b@c" passes, and so
    // does a list of addresses whose first one does).
    static bool addressLooksPlausible(const QString& text);

    QString address() const;
    void setAddress(const QString& text);
    bool sourcePaneTicked() const;  // CheckBox1, "Переводимый текст"
    bool resultPaneTicked() const;  // CheckBox2, "Переведенный текст"

    // The address book in its order.
    QStringList entries() const;
    // Replaces the list, each entry put in its place; the typed text stays.
    void setEntries(const QStringList& entries);
    // Letter case ignored.
    bool hasEntry(const QString& text) const;
    // Adds the address unless the list has it already (letter case ignored).
    void remember(const QString& text);

    // Address, Doc1, Doc2; a box is unticked only by the number 0.
    void readSettings(const settings::IniFile& ini);
    void writeSettings(settings::IniFile& ini) const;

    // The list from email.dat; a missing, unreadable or odd file gives an
    // empty list, and one that could not be read is never written over.
    void loadAddressBook(const std::filesystem::path& path);
    // Writes the list when it differs from the file's; failures are silent.
    void saveAddressBook(const std::filesystem::path& path);

public slots:
    // Enables OK as the typed text and the boxes allow.
    void updateOk();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void insertSorted(const QString& entry);
    void deleteTypedEntry();  // F8

    QComboBox* address_;
    QCheckBox* source_;
    QCheckBox* result_;
    QPushButton* ok_;
    // What email.dat held when it was read, to know whether to write it;
    // false when it could not be read and must be left alone.
    QStringList stored_;
    bool writable_ = true;
};

}  // namespace lettrica::app
