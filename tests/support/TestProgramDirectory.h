#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A file's bytes (empty when it cannot be read), and a file written whole.
QByteArray fileContents(const QString& path);
bool writeFile(const QString& path, const QByteArray& contents);

// A temporary program directory with a settings file, as the program finds it beside itself.
class TestProgramDirectory {
public:
    // The standard settings, with COM6 mapped to the given device.
    static QByteArray standardSettings(const QString& com6Device);

    explicit TestProgramDirectory(const QByteArray& settings = QByteArray());

    QString path() const { return m_directory.path(); }
    QString settingsPath() const;
    void writeSettings(const QByteArray& contents) const { writeFile(settingsPath(), contents); }
    QByteArray readSettings() const { return fileContents(settingsPath()); }

private:
    QTemporaryDir m_directory;
};
