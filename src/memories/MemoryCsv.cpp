#include "MemoryCsv.h"

#include "FileReplacement.h"
#include "MemoryColumns.h"
#include "NumberText.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

enum Field { Band, Mode, Frequency, Degrees, Command, Valid, Note, FieldCount };
// The first four are required.
constexpr int RequiredFields = 4;
// Each field is the column of the table after the number.
QString columnName(int field)
{
    return memoryColumnName(MemoryColumn(ColumnBand + field));
}

// Longer texts are quoted in a message only as far as this, so that the message stays readable.
constexpr qsizetype ExcerptLength = 40;
// Longer than any number a spreadsheet writes: not read as one.
constexpr qsizetype LongestNumber = 40;
// A degrees text as typed ("095") is kept up to this length, as the editor's field shows it.
constexpr qsizetype LongestTypedDegrees = 8;

bool isRecordEnd(char byte)
{
    return byte == '\n' || byte == '\r';
}

int lineBreaksIn(QByteArrayView text)
{
    int breaks = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n')))
            ++breaks;
    }
    return breaks;
}

// The records of CSV text one at a time, split straight from the bytes (commas, quotes and line ends
// are single bytes in UTF-8), so that no copy of the whole text is made: fields separated by commas,
// records by CR LF, LF or CR; a field in double quotes may hold commas, line breaks and "" for a
// quote. Blank lines are skipped; a byte-order mark at the start is dropped.
class CsvReader {
public:
    explicit CsvReader(const QByteArray& bytes)
        : m_bytes(bytes)
        , m_at(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0)
    {
    }

    // The next record into fields, with the line it starts on; false at the end of the text and on a
    // problem, which problem then tells. The fields may point into the text: they live no longer.
    bool next(QList<QByteArray>& fields, int& line)
    {
        const qsizetype end = m_bytes.size();
        while (m_at < end) {
            fields.clear();
            line = m_line;
            for (;;) {
                if (m_at < end && m_bytes[m_at] == '"') {
                    if (!readQuoted(fields))
                        return false;
                } else {
                    const qsizetype start = m_at;
                    while (m_at < end && m_bytes[m_at] != ',' && !isRecordEnd(m_bytes[m_at]))
                        ++m_at;
                    fields.append(QByteArray::fromRawData(m_bytes.constData() + start, m_at - start));
                }
                if (m_at < end && m_bytes[m_at] == ',') {
                    ++m_at;
                    continue;
                }
                break;
            }
            if (m_at < end) {
                m_at += m_bytes[m_at] == '\r' && m_at + 1 < end && m_bytes[m_at + 1] == '\n' ? 2 : 1;
                ++m_line;
            }
            if (fields.size() > 1 || !fields.first().isEmpty())
                return true;
        }
        return false;
    }

    std::optional<CsvProblem> problem;

private:
    bool readQuoted(QList<QByteArray>& fields)
    {
        const qsizetype end = m_bytes.size();
        const int opened = m_line;
        // A field without "" inside is taken from the text in place; only one with them is copied.
        const qsizetype first = m_at + 1;
        bool copied = false;
        QByteArray field;
        for (++m_at;;) {
            const qsizetype quote = m_bytes.indexOf('"', m_at);
            if (quote < 0) {
                problem = CsvProblem{opened, QStringLiteral("the quoted field that starts here is not closed")};
                return false;
            }
            const QByteArrayView piece = QByteArrayView(m_bytes).sliced(m_at, quote - m_at);
            m_line += lineBreaksIn(piece);
            m_at = quote + 1;
            const bool doubled = m_at < end && m_bytes[m_at] == '"';
            if (!doubled && !copied) {
                field = QByteArray::fromRawData(m_bytes.constData() + first, quote - first);
                break;
            }
            field += piece;
            copied = true;
            if (!doubled)
                break;
            field += '"';
            ++m_at;
        }
        if (m_at < end && m_bytes[m_at] != ',' && !isRecordEnd(m_bytes[m_at])) {
            problem = CsvProblem{m_line, QStringLiteral("there is text after the closing quote of a field")};
            return false;
        }
        fields.append(field);
        return true;
    }

    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    int m_line = 1;
};

// The fields of a record as text; nothing when one is not UTF-8.
std::optional<QStringList> decodedFields(const QList<QByteArray>& fields)
{
    QStringList texts;
    texts.reserve(fields.size());
    for (const QByteArray& field : fields) {
        // Stateless: a sequence cut off at the end is an error, not left waiting.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        texts.append(decoder.decode(field));
        if (decoder.hasError())
            return std::nullopt;
    }
    return texts;
}

// The text as a message quotes it: the start of a long one, marked as cut.
QString excerpt(const QString& text)
{
    if (text.size() <= ExcerptLength)
        return text;
    // Not between the halves of a character outside the basic plane.
    const qsizetype cut = text[ExcerptLength - 1].isHighSurrogate() ? ExcerptLength - 1 : ExcerptLength;
    return text.left(cut) + u'\u2026';
}

// The first control character, where lineBreaks allows tabs and line breaks.
std::optional<QChar> controlCharacterIn(const QString& text, bool lineBreaks)
{
    for (QChar character : text) {
        if (character.category() != QChar::Other_Control)
            continue;
        if (lineBreaks && (character == u'\t' || character == u'\n' || character == u'\r'))
            continue;
        return character;
    }
    return std::nullopt;
}

// A number as a spreadsheet or mdb-export writes it ("7074", "110.00", "-2.5e1"), blanks around it allowed.
std::optional<double> decimalNumber(const QString& text)
{
    const QString number = text.trimmed();
    if (number.size() > LongestNumber)
        return std::nullopt;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(number, &ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<bool> flagValue(const QString& text)
{
    if (text.trimmed().isEmpty())
        return false;
    if (const auto number = decimalNumber(text))
        return *number != 0; // Access itself writes -1 for true
    return booleanValue(text);
}

// The degrees as they were typed: a usable memory's command "A,<degrees>" keeps them while it still
// names the same angle ("095"); otherwise the plain number, so that "110.00" gives the command A,110.
QString typedDegrees(double degrees, const QString& command, bool valid)
{
    const QString trimmed = command.trimmed();
    if (valid && trimmed.startsWith(u"A,") && trimmed.size() <= 2 + LongestTypedDegrees &&
        leadingNumberValue(QStringView(trimmed).mid(2)) == degrees)
        return trimmed.mid(2);
    return plainDecimal(degrees);
}

QString quoted(const QString& text)
{
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString counted(qsizetype count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1StringView(count == 1 ? one : many));
}

QString problemText(const QString& csvPath, const CsvProblem& problem)
{
    const QString file = QDir::toNativeSeparators(csvPath);
    return (problem.line > 0 ? QStringLiteral("%1, line %2: %3").arg(file).arg(problem.line).arg(problem.text)
                             : QStringLiteral("%1: %2").arg(file, problem.text)) +
           u'.';
}

// Runs the work on the open store; a store opened here is closed again after.
template <class Work> TransferReport withOpenStore(MemoryStore& store, const QString& storePath, Work work)
{
    const bool wasOpen = store.isOpen();
    if (!store.open(storePath))
        return {false, store.problem()};
    TransferReport report = work();
    if (!wasOpen)
        store.close();
    return report;
}

} // namespace

CsvMemories memoriesFromCsv(const QByteArray& bytes)
{
    CsvMemories result;
    auto refuse = [&](int line, const QString& text) {
        result.memories.clear();
        result.problem = CsvProblem{line, text};
        return result;
    };
    const QString notUtf8 = QStringLiteral("the text is not UTF-8; save the file as UTF-8");
    const QString expected = QStringLiteral("the first line must name the columns BANDA, MODO, FREQUENZA and GRADI, "
                                            "separated by commas");
    CsvReader reader(bytes);
    // The memories' texts are never longer than the file; what is reserved and not used costs nothing.
    result.memories.reserveText(bytes.size());
    QList<QByteArray> fields;
    int line = 0;
    if (!reader.next(fields, line)) {
        return reader.problem ? refuse(reader.problem->line, reader.problem->text)
                              : refuse(0, QStringLiteral("the file is empty: ") + expected);
    }
    const auto header = decodedFields(fields);
    if (!header)
        return refuse(line, notUtf8);
    std::array<qsizetype, FieldCount> columns;
    columns.fill(-1);
    for (qsizetype column = 0; column < header->size(); ++column) {
        for (int field = 0; field < FieldCount; ++field) {
            if (header->at(column).trimmed().compare(columnName(field), Qt::CaseInsensitive) != 0)
                continue;
            if (columns[field] >= 0)
                return refuse(line, QStringLiteral("the column %1 appears twice").arg(columnName(field)));
            columns[field] = column;
        }
    }
    QStringList missing;
    for (int field = 0; field < RequiredFields; ++field) {
        if (columns[field] < 0)
            missing.append(columnName(field));
    }
    if (!missing.isEmpty()) {
        const bool one = missing.size() == 1;
        return refuse(line, QStringLiteral("the %1 %2 %3 missing; %4")
                                .arg(one ? QStringLiteral("column") : QStringLiteral("columns"),
                                     missing.join(QStringLiteral(", ")),
                                     one ? QStringLiteral("is") : QStringLiteral("are"), expected));
    }

    // Each row is checked and kept as a memory as soon as it is read.
    while (reader.next(fields, line)) {
        const auto record = decodedFields(fields);
        if (!record)
            return refuse(line, notUtf8);
        // A spreadsheet may leave out empty cells at the end of a row.
        const auto cell = [&](Field field) { return columns[field] < 0 ? QString() : record->value(columns[field]); };
        for (int field = 0; field < FieldCount; ++field) {
            if (const auto control = controlCharacterIn(cell(Field(field)).trimmed(), field == Note)) {
                return refuse(line, QStringLiteral("the %1 value holds a control character (U+%2)")
                                        .arg(columnName(field))
                                        .arg(control->unicode(), 4, 16, QChar(u'0')));
            }
        }
        for (auto [field, longest] : {std::pair(Band, MaxCsvBandLength), std::pair(Mode, MaxCsvModeLength)}) {
            const QString text = cell(field).trimmed();
            if (text.isEmpty())
                return refuse(line, QStringLiteral("the %1 value is empty").arg(columnName(field)));
            if (text.size() > longest) {
                return refuse(line, QStringLiteral("the %1 value \"%2\" is longer than %3 characters")
                                        .arg(columnName(field), excerpt(text))
                                        .arg(longest));
            }
        }
        if (cell(Note).size() > MaxCsvNoteLength) {
            return refuse(line, QStringLiteral("the NOTE value is longer than %1 characters").arg(MaxCsvNoteLength));
        }
        for (Field field : {Frequency, Degrees}) {
            if (!decimalNumber(cell(field))) {
                return refuse(
                    line,
                    QStringLiteral("the %1 value \"%2\" is not a number").arg(columnName(field), excerpt(cell(field))));
            }
        }
        const double kHz = *decimalNumber(cell(Frequency));
        if (kHz != std::floor(kHz) || kHz < 0 || kHz > MaxCsvKilohertz) {
            return refuse(line, QStringLiteral("the FREQUENZA value \"%1\" is not a whole number of kHz from 0 to %2")
                                    .arg(excerpt(cell(Frequency)))
                                    .arg(MaxCsvKilohertz));
        }
        const double degrees = *decimalNumber(cell(Degrees));
        if (degrees < std::numeric_limits<std::int16_t>::min() || degrees > std::numeric_limits<std::int16_t>::max()) {
            return refuse(line, QStringLiteral("the GRADI value \"%1\" is not a number from -32768 to 32767")
                                    .arg(excerpt(cell(Degrees))));
        }
        const auto valid = columns[Valid] < 0 ? std::optional(true) : flagValue(cell(Valid));
        if (!valid) {
            return refuse(
                line, QStringLiteral("the valido value \"%1\" is not 1, 0, TRUE or FALSE").arg(excerpt(cell(Valid))));
        }
        // Kept without the blanks around them, which the store drops in any case.
        const auto bytesOf = [&](Field field) {
            return columns[field] < 0 || columns[field] >= fields.size()
                       ? QByteArrayView()
                       : QByteArrayView(fields[columns[field]]).trimmed();
        };
        const QByteArray typed = typedDegrees(degrees, cell(Command), *valid).toUtf8();
        result.memories.append({bytesOf(Band), bytesOf(Mode), bytesOf(Frequency), typed, bytesOf(Note)}, *valid);
    }
    if (reader.problem)
        return refuse(reader.problem->line, reader.problem->text);
    return result;
}

void PackedMemories::append(const Texts& texts, bool valid)
{
    Packed packed{m_text.size(), {}, valid};
    for (std::size_t text = 0; text < texts.size(); ++text) {
        m_text += texts[text];
        packed.lengths[text] = int(texts[text].size());
    }
    m_memories.append(packed);
}

void PackedMemories::clear()
{
    m_text.clear();
    m_memories.clear();
}

TypedMemory PackedMemories::at(qsizetype index) const
{
    const Packed& packed = m_memories[index];
    std::array<QString, 5> texts;
    qsizetype start = packed.start;
    for (std::size_t text = 0; text < texts.size(); ++text) {
        texts[text] = QString::fromUtf8(QByteArrayView(m_text).sliced(start, packed.lengths[text]));
        start += packed.lengths[text];
    }
    return {texts[0], texts[1], texts[2], texts[3], texts[4], packed.valid};
}

QByteArray memoriesToCsv(const QList<StoredMemory>& memories)
{
    QString text = memoryColumnNames(QStringLiteral(",")) + QStringLiteral("\r\n");
    for (const StoredMemory& memory : memories) {
        text += QString::number(memory.number) + u',' + quoted(memory.band) + u',' + quoted(memory.mode) + u',' +
                quoted(memory.frequency) + u',' + plainDecimal(memory.degrees) + u',' + quoted(memory.command) + u',' +
                (memory.valid ? u'1' : u'0') + u',' + quoted(memory.note) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

TransferReport exportMemoriesToCsv(MemoryStore& store, const QString& storePath, const QString& csvPath)
{
    return withOpenStore(store, storePath, [&]() -> TransferReport {
        const auto memories = store.memories();
        if (!memories)
            return {false, store.problem()};
        if (const auto reason = replaceFile(csvPath, memoriesToCsv(*memories))) {
            return {false, problemText(csvPath, {0, QStringLiteral("cannot be written (%1); the file was left as it "
                                                                   "was")
                                                        .arg(*reason)})};
        }
        return {true, QStringLiteral("Exported %1 to %2.")
                          .arg(counted(memories->size(), "memory", "memories"), QDir::toNativeSeparators(csvPath))};
    });
}

TransferReport importMemoriesFromCsv(MemoryStore& store, const QString& storePath, const QString& csvPath)
{
    const auto importing = [&]() -> TransferReport {
        QFile file(csvPath);
        if (!file.open(QIODevice::ReadOnly))
            return {false, problemText(csvPath, {0, QStringLiteral("cannot be read (%1)").arg(file.errorString())})};
        // The file is read and checked whole before the memory file is touched.
        const CsvMemories csv = memoriesFromCsv(file.readAll());
        if (csv.problem)
            return {false, problemText(csvPath, *csv.problem)};
        return withOpenStore(store, storePath, [&]() -> TransferReport {
            const auto count =
                store.addAll(csv.memories.size(), [&](qsizetype index) { return csv.memories.at(index); });
            if (!count)
                return {false, store.problem()};
            return {true, QStringLiteral("Imported %1: %2 added, %3 skipped.")
                              .arg(QDir::toNativeSeparators(csvPath), counted(count->added, "memory", "memories"),
                                   counted(count->duplicates, "duplicate", "duplicates"))};
        });
    };
    TransferReport report = importing();
    if (!report.done)
        report.text += QStringLiteral(" Nothing was imported.");
    return report;
}
