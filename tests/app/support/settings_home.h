#pragma once
// A settings directory of its own for one test: LETTRICA_HOME and
// XDG_CONFIG_HOME point into a fresh temporary directory, whose files the
// test writes and reads back as bytes.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"

struct SettingsHome {
    QTemporaryDir dir;

    SettingsHome() {
        qputenv("LETTRICA_HOME", dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // The file's bytes, or "<missing>".
    QByteArray read(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // A value of lettrica.ini as stored, or "<missing>".
    QByteArray iniValue(const char* section, const char* key) const {
        const lettrica::settings::IniFile ini(path("lettrica.ini").toStdString());
        return QByteArray::fromStdString(ini.readBytes(section, key, "<missing>"));
    }
};
