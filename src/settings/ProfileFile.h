#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// A settings file in the private-profile layout: "[section]" headers, each followed by "key=value"
// lines. Behaves as the Windows private-profile functions do: sections and keys are found without
// regard to letter case, the first match wins, values come back trimmed (and without one pair of
// surrounding quotes) and cut to 1022 characters. A write changes only the line of its key, or adds
// the key (and its section), and leaves every other byte of the file as it was. A line is text in
// UTF-8 when it is valid UTF-8 and in Latin-1 when it is not; a written value always reads back.
class ProfileFile {
public:
    static constexpr qsizetype MaxValueLength = 1022;

    ProfileFile() = default;
    explicit ProfileFile(QByteArray contents);
    // A missing or unreadable file reads as an empty one.
    static ProfileFile load(const QString& path);

    // What makes the file as a whole unreadable as a settings file (saved as UTF-16, lines ended by a
    // carriage return alone), said for its user; nothing when it reads as one. Such a file is not written.
    std::optional<QString> formProblem() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    // The keys of the first matching section, in file order.
    QStringList keys(const QString& section) const;

    // The file contents with (section, key) set to value.
    QByteArray withValue(const QString& section, const QString& key, const QString& value) const;

    struct Setting {
        QString section;
        QString key;
        QString value;
    };

    // Writes through a temporary file renamed over the original, so a crash never leaves half a file.
    // Creates the file when absent. On failure returns false and says why in error.
    static bool write(const QString& path, const QString& section, const QString& key, const QString& value,
                      QString* error = nullptr);
    // Several values in one replacement of the file, all or none: each lands as if written alone, in
    // order, so a later one sees the section or key an earlier one added.
    static bool write(const QString& path, const QList<Setting>& settings, QString* error = nullptr);

private:
    struct Line {
        qsizetype start = 0; // offset of the line's first byte
        qsizetype end = 0;   // offset just past its last byte, before the line end
        qsizetype next = 0;  // offset of the following line
    };
    struct Entry {
        qsizetype line = -1;
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        qsizetype headerLine = -1;
        qsizetype lastLine = -1; // last line of the section that is not blank
        QList<Entry> entries;
    };

    QByteArray encode(const QString& line) const;
    const Section* findSection(const QString& name) const;

    QByteArray m_contents;
    QList<Line> m_lines;
    QList<Section> m_sections;
    bool m_utf8 = true; // every line is valid UTF-8
};
