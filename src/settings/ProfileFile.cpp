#include "ProfileFile.h"

#include "FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// Notepad starts a UTF-8 file with one.
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

QString trimmedValue(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value.left(ProfileFile::MaxValueLength);
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray lineEndOf(const QByteArray& contents)
{
    if (contents.contains("\r\n"))
        return "\r\n";
    if (contents.contains('\n'))
        return "\n";
#ifdef Q_OS_WIN
    return "\r\n";
#else
    return "\n";
#endif
}

// What finishes the file's last line when it has no line feed. A carriage return alone at the end
// needs only its line feed: another full line end would leave the return inside the line.
QByteArray unfinishedLineEnd(const QByteArray& contents, const QByteArray& lineEnd)
{
    if (contents.isEmpty() || contents.endsWith('\n') || contents == ByteOrderMark)
        return {};
    return contents.endsWith('\r') ? QByteArray("\n") : lineEnd;
}

// A line is read as UTF-8 when it is valid UTF-8, and as Latin-1, byte for character, when it is
// not: line by line, so that a file touched by editors of both kinds reads right everywhere, and
// a write never changes how the lines it does not touch read.
QString decoded(const QByteArray& line, bool* utf8 = nullptr)
{
    // A byte-order mark is kept as a character: only the one that starts the file is not text.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(line); // the decoder is lazy: its error shows only once the text is made
    if (utf8)
        *utf8 = !decoder.hasError();
    return decoder.hasError() ? QString::fromLatin1(line) : text;
}

} // namespace

ProfileFile::ProfileFile(QByteArray contents)
    : m_contents(std::move(contents))
{
    qsizetype start = m_contents.startsWith(ByteOrderMark) ? qstrlen(ByteOrderMark) : 0;
    while (start < m_contents.size()) {
        qsizetype newline = m_contents.indexOf('\n', start);
        const qsizetype next = newline < 0 ? m_contents.size() : newline + 1;
        qsizetype end = newline < 0 ? m_contents.size() : newline;
        if (end > start && m_contents[end - 1] == '\r')
            --end;
        m_lines.append({start, end, next});
        start = next;
    }

    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        bool utf8 = true;
        const QString text = decoded(m_contents.mid(m_lines[i].start, m_lines[i].end - m_lines[i].start), &utf8);
        m_utf8 = m_utf8 && utf8;
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            Section section;
            section.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            section.headerLine = i;
            section.lastLine = i;
            m_sections.append(section);
            continue;
        }
        if (m_sections.isEmpty() || trimmed.isEmpty())
            continue;
        m_sections.last().lastLine = i;
        if (trimmed.startsWith(u';'))
            continue;
        const qsizetype equals = text.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = text.left(equals).trimmed();
        if (!key.isEmpty())
            m_sections.last().entries.append({i, key, trimmedValue(text.mid(equals + 1))});
    }
}

ProfileFile ProfileFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ProfileFile();
    return ProfileFile(file.readAll());
}

QByteArray ProfileFile::encode(const QString& line) const
{
    // A file that has Latin-1 lines gets another, unless Latin-1 cannot hold the text or its bytes
    // would read as UTF-8; a UTF-8 line always reads back as written.
    if (!m_utf8) {
        QByteArray latin1 = line.toLatin1();
        if (decoded(latin1) == line)
            return latin1;
    }
    return line.toUtf8();
}

std::optional<QString> ProfileFile::formProblem() const
{
    // Notepad's "Unicode" is UTF-16: in a settings file, whose names are ASCII, a NUL byte beside
    // nearly every character, with a byte-order mark or without.
    if (m_contents.count('\0') > m_contents.size() / 4) {
        return QStringLiteral("it is saved as UTF-16 (\"Unicode\" in Notepad); save it as UTF-8 or ANSI");
    }
    const qsizetype lastBreak = m_contents.lastIndexOf('\r', m_contents.size() - 2);
    if (!m_contents.contains('\n') && lastBreak >= 0) {
        return QStringLiteral("its lines end with a carriage return alone; save it with Windows (CR LF) or "
                              "Unix (LF) line ends");
    }
    return std::nullopt;
}

const ProfileFile::Section* ProfileFile::findSection(const QString& name) const
{
    for (const Section& section : m_sections) {
        if (sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const
{
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    for (const Entry& entry : found->entries) {
        if (sameName(entry.key, key))
            return entry.value;
    }
    return std::nullopt;
}

QStringList ProfileFile::keys(const QString& section) const
{
    QStringList result;
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries)
            result.append(entry.key);
    }
    return result;
}

QByteArray ProfileFile::withValue(const QString& section, const QString& key, const QString& value) const
{
    // A line break inside the value would split the line and change the file's structure.
    QString oneLine = value;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray lineEnd = lineEndOf(m_contents);
    QByteArray result = m_contents;

    const Section* found = findSection(section);
    if (!found) {
        result += unfinishedLineEnd(m_contents, lineEnd);
        return result + encode(u'[' + section + u']') + lineEnd + encode(key + u'=' + oneLine) + lineEnd;
    }
    for (const Entry& entry : found->entries) {
        if (sameName(entry.key, key)) {
            const Line& line = m_lines[entry.line];
            return result.replace(line.start, line.end - line.start, encode(entry.key + u'=' + oneLine));
        }
    }
    // Add the key after the section's last non-blank line.
    const Line& last = m_lines[found->lastLine];
    QByteArray insertion = encode(key + u'=' + oneLine) + lineEnd;
    if (last.next == m_contents.size())
        insertion.prepend(unfinishedLineEnd(m_contents, lineEnd));
    return result.insert(last.next, insertion);
}

bool ProfileFile::write(const QString& path, const QString& section, const QString& key, const QString& value,
                        QString* error)
{
    return write(path, {{section, key, value}}, error);
}

bool ProfileFile::write(const QString& path, const QList<Setting>& settings, QString* error)
{
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    QByteArray contents;
    QFile existing(path);
    if (existing.exists()) {
        // A file marked read-only stays as it is, even for an administrator who could replace it.
        if (!(existing.permissions() & QFileDevice::WriteOwner))
            return failed(QStringLiteral("the file is read-only"));
        if (!existing.open(QIODevice::ReadOnly))
            return failed(existing.errorString());
        contents = existing.readAll();
        existing.close();
    }
    if (const auto problem = ProfileFile(contents).formProblem())
        return failed(*problem);
    for (const Setting& setting : settings)
        contents = ProfileFile(contents).withValue(setting.section, setting.key, setting.value);
    if (const auto reason = replaceFile(path, contents))
        return failed(*reason);
    return true;
}
