// Fuzzes the settings-file reader and writer. The input is the file. Any bytes must read without a
// crash or undefined behaviour; a write must read back as written, leave every other line of the file
// as it was, byte for byte, and leave every other key reading as it did.
#include "ProfileFile.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Line {
    QByteArray text; // without its line end
    QByteArray end;  // "\n", "\r\n", or at the end of the file "\r" or nothing
};

// The lines as the reader sees them: a line ends at a line feed, and a carriage return just before it
// (or at the very end of the file) belongs to the line end. A byte-order mark at the start is no line's.
QList<Line> linesOf(const QByteArray& contents)
{
    QList<Line> lines;
    qsizetype start = contents.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < contents.size()) {
        const qsizetype newline = contents.indexOf('\n', start);
        const qsizetype next = newline < 0 ? contents.size() : newline + 1;
        qsizetype end = newline < 0 ? next : newline;
        if (end > start && contents[end - 1] == '\r')
            --end;
        lines.append({contents.mid(start, end - start), contents.mid(end, next - end)});
        start = next;
    }
    return lines;
}

QString printable(const QByteArray& bytes)
{
    QString text;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\n')
            text += QStringLiteral("\\n\n");
        else if (c >= 0x20 && c < 0x7f && c != '\\')
            text += QChar(c);
        else
            text += QStringLiteral("\\x%1").arg(c, 2, 16, QChar(u'0'));
    }
    return text;
}

[[noreturn]] void fail(const char* what, const QByteArray& before, const QByteArray& after, const QString& detail)
{
    std::fprintf(stderr, "%s: %s\n--- before:\n%s\n--- after:\n%s\n", what, qUtf8Printable(detail),
                 qUtf8Printable(printable(before)), qUtf8Printable(printable(after)));
    std::abort();
}

QString show(const std::optional<QString>& value)
{
    return value ? u'"' + *value + u'"' : QStringLiteral("<missing>");
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString decodedLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// What reading gives back for a written value: one line, trimmed, one pair of quotes taken off, cut.
QString expectedReading(QString value)
{
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(ProfileFile::MaxValueLength);
}

// The names of the file's sections, in file order, up to a few.
QStringList sectionNames(const QList<Line>& lines)
{
    QStringList names;
    for (const Line& line : lines) {
        const QString text = decodedLine(line.text).trimmed();
        if (!text.startsWith(u'['))
            continue;
        const qsizetype close = text.indexOf(u']');
        names.append(text.mid(1, close < 0 ? -1 : close - 1).trimmed());
        if (names.size() == 6)
            break;
    }
    return names;
}

bool isLineOfKey(const Line& line, const QString& key)
{
    const QString text = decodedLine(line.text);
    const qsizetype equals = text.indexOf(u'=');
    return equals >= 0 && sameName(text.left(equals).trimmed(), key);
}

// A line end may be completed where the file ended without one; otherwise it stays as it was.
bool endKept(const Line& before, const Line& after)
{
    if (after.end == before.end)
        return true;
    return !before.end.endsWith('\n') && (after.end == "\n" || after.end == "\r\n");
}

void checkWrite(const QByteArray& before, const ProfileFile& file, const QList<Line>& lines,
                const QStringList& sections, const QString& section, const QString& key, const QString& value)
{
    const QByteArray after = file.withValue(section, key, value);
    const ProfileFile written(after);
    const QString where = QStringLiteral("[%1] %2 = %3").arg(section, key, value.left(80));

    const auto readBack = written.value(section, key);
    if (readBack != expectedReading(value))
        fail("value does not read back", before, after, where + QStringLiteral(" read ") + show(readBack));

    const bool existed = file.value(section, key).has_value();
    QStringList keys = file.keys(section);
    if (!existed)
        keys.append(key);
    if (written.keys(section) != keys)
        fail("keys of the section", before, after, where);

    // Every line but the key's own is still there, unchanged and in order; at most two lines are new.
    const QList<Line> newLines = linesOf(after);
    qsizetype prefix = 0;
    while (prefix < lines.size() && prefix < newLines.size() && lines[prefix].text == newLines[prefix].text) {
        if (!endKept(lines[prefix], newLines[prefix]))
            fail("line end changed", before, after, where);
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < lines.size() - prefix && suffix < newLines.size() - prefix &&
           lines[lines.size() - 1 - suffix].text == newLines[newLines.size() - 1 - suffix].text) {
        if (!endKept(lines[lines.size() - 1 - suffix], newLines[newLines.size() - 1 - suffix]))
            fail("line end changed", before, after, where);
        ++suffix;
    }
    const qsizetype removed = lines.size() - prefix - suffix;
    const qsizetype added = newLines.size() - prefix - suffix;
    if (removed > 1 || (removed == 1 && (!existed || !isLineOfKey(lines[prefix], key) || added != 1)))
        fail("a line other than the key's changed", before, after, where);
    if (removed == 1 && !endKept(lines[prefix], newLines[prefix]))
        fail("line end of the key's line changed", before, after, where);
    if (removed == 0 && (existed ? added != 0 : added < 1 || added > 2))
        fail("unexpected lines added", before, after, where);

    // Every other key reads as it did.
    for (const QString& other : sections) {
        const QStringList otherKeys = file.keys(other);
        if (!sameName(other, section) && written.keys(other) != otherKeys)
            fail("keys of another section changed", before, after, where + QStringLiteral(" / [%1]").arg(other));
        for (const QString& otherKey : otherKeys) {
            if (sameName(other, section) && sameName(otherKey, key))
                continue;
            if (written.value(other, otherKey) != file.value(other, otherKey))
                fail("another value changed", before, after, where + QStringLiteral(" / [%1] %2").arg(other, otherKey));
        }
    }
}

const QStringList Values = {
    QStringLiteral("10"),
    QString(),
    QStringLiteral("  padded  "),
    QStringLiteral("\"quoted\""),
    QStringLiteral("'single'"),
    QStringLiteral("\""),
    QStringLiteral("\"mismatched'"),
    QStringLiteral("two\r\nlines"),
    QStringLiteral("line\nfeed"),
    QStringLiteral("=;[x]"),
    QStringLiteral("[sezione 8]"),
    QStringLiteral("caff\u00e8"),
    QStringLiteral("\u20ac 5"),
    QStringLiteral("\u00c3\u00a9"),
    QString(2000, u'x'),
    QStringLiteral("\t\" x \"\t"),
};

std::uint32_t hashOf(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    const QByteArray contents(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ProfileFile file(contents);
    const QList<Line> lines = linesOf(contents);
    const QStringList sections = sectionNames(lines);

    // Values written are the file's last line, the whole file (line breaks and length), and fixed
    // awkward ones; sections and keys are the file's own and some it may not have.
    const QStringList fromInput = {
        lines.isEmpty() ? QString() : QString::fromUtf8(lines.last().text),
        QString::fromLatin1(contents.left(2100)),
    };
    QStringList sectionChoices = sections;
    sectionChoices << QStringLiteral("sezione 8") << QStringLiteral("fuzz new");

    std::uint32_t choice = hashOf(data, size);
    for (int round = 0; round < 3; ++round) {
        const QString section = sectionChoices[choice % sectionChoices.size()];
        choice /= sectionChoices.size();
        QStringList keyChoices = file.keys(section).mid(0, 4);
        keyChoices << QStringLiteral("PIN") << QStringLiteral("Fuzz key");
        const QString key = keyChoices[choice % keyChoices.size()];
        choice /= keyChoices.size();
        const qsizetype pick = choice % (Values.size() + fromInput.size());
        const QString value = pick < fromInput.size() ? fromInput[pick] : Values[pick - fromInput.size()];
        choice = choice / 7 + hashOf(reinterpret_cast<const std::uint8_t*>(&choice), sizeof choice);
        checkWrite(contents, file, lines, sections, section, key, value);
    }
    return 0;
}
