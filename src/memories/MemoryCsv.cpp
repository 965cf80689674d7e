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

namespace {

enum Field { Band, Mode, Frequency, Degrees, Command, Valid, Note, FieldCount };
// The first four are required.
constexpr int RequiredFields = 4;
// Each field is the column of the table after the number.
QString columnName(int field)
{
    return memoryColumnName(MemoryColumn(ColumnBand + field));
}

bool isRecordEnd(QChar character)
{
    return character == u'\n' || character == u'\r';
}

int lineBreaksIn(QStringView text)
{
    int breaks = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == u'\n' || (text[at] == u'\r' && (at + 1 == text.size() || text[at + 1] != u'\n')))
            ++breaks;
    }
    return breaks;
}

// The line of the first byte that is not UTF-8, counted from 1; 0 when every byte is.
int firstLineNotUtf8(const QByteArray& bytes)
{
    int line = 1;
    for (const QByteArray& text : bytes.split('\n')) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(text);
        if (decoder.hasError())
            return line;
        ++line;
    }
    return 0;
}

// A number as a spreadsheet or mdb-export writes it ("7074", "110.00", "-2.5e1"), blanks around it allowed.
std::optional<double> decimalNumber(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
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
    if (valid && trimmed.startsWith(u"A,") && leadingNumberValue(QStringView(trimmed).mid(2)) == degrees)
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

CsvRecords readCsvRecords(QStringView text)
{
    CsvRecords result;
    const qsizetype end = text.size();
    qsizetype at = 0;
    int line = 1;
    while (at < end) {
        CsvRecord record{line, {}};
        for (;;) {
            if (at < end && text[at] == u'"') {
                const int opened = line;
                QString field;
                for (++at;;) {
                    const qsizetype quote = text.indexOf(u'"', at);
                    if (quote < 0) {
                        result.problem = CsvProblem{opened, QStringLiteral("the quoted field that starts here is "
                                                                           "not closed")};
                        return result;
                    }
                    field += text.sliced(at, quote - at);
                    line += lineBreaksIn(text.sliced(at, quote - at));
                    at = quote + 1;
                    if (at < end && text[at] == u'"') {
                        field += u'"';
                        ++at;
                        continue;
                    }
                    break;
                }
                if (at < end && text[at] != u',' && !isRecordEnd(text[at])) {
                    result.problem = CsvProblem{line, QStringLiteral("there is text after the closing quote of a "
                                                                     "field")};
                    return result;
                }
                record.fields.append(field);
            } else {
                const qsizetype start = at;
                while (at < end && text[at] != u',' && !isRecordEnd(text[at]))
                    ++at;
                record.fields.append(text.sliced(start, at - start).toString());
            }
            if (at < end && text[at] == u',') {
                ++at;
                continue;
            }
            break;
        }
        if (at < end) {
            at += text.sliced(at).startsWith(u"\r\n") ? 2 : 1;
            ++line;
        }
        if (record.fields.size() > 1 || !record.fields.first().isEmpty())
            result.records.append(record);
    }
    return result;
}

CsvMemories memoriesFromCsv(const QByteArray& bytes)
{
    CsvMemories result;
    auto refuse = [&](int line, const QString& text) {
        result.memories.clear();
        result.problem = CsvProblem{line, text};
        return result;
    };
    // Stateless: a sequence cut off at the end is an error, not left waiting. A byte-order mark is dropped.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return refuse(firstLineNotUtf8(bytes), QStringLiteral("the text is not UTF-8; save the file as UTF-8"));
    const CsvRecords csv = readCsvRecords(text);
    if (csv.problem)
        return refuse(csv.problem->line, csv.problem->text);
    const QString expected = QStringLiteral("the first line must name the columns BANDA, MODO, FREQUENZA and GRADI, "
                                            "separated by commas");
    if (csv.records.isEmpty())
        return refuse(0, QStringLiteral("the file is empty: ") + expected);

    const CsvRecord& header = csv.records.first();
    std::array<qsizetype, FieldCount> columns;
    columns.fill(-1);
    for (qsizetype column = 0; column < header.fields.size(); ++column) {
        for (int field = 0; field < FieldCount; ++field) {
            if (header.fields[column].trimmed().compare(columnName(field), Qt::CaseInsensitive) != 0)
                continue;
            if (columns[field] >= 0)
                return refuse(header.line, QStringLiteral("the column %1 appears twice").arg(columnName(field)));
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
        return refuse(header.line, QStringLiteral("the %1 %2 %3 missing; %4")
                                       .arg(one ? QStringLiteral("column") : QStringLiteral("columns"),
                                            missing.join(QStringLiteral(", ")),
                                            one ? QStringLiteral("is") : QStringLiteral("are"), expected));
    }

    result.memories.reserve(csv.records.size() - 1);
    for (qsizetype index = 1; index < csv.records.size(); ++index) {
        const CsvRecord& record = csv.records[index];
        // A spreadsheet may leave out empty cells at the end of a row.
        const auto cell = [&](Field field) {
            return columns[field] < 0 ? QString() : record.fields.value(columns[field]);
        };
        for (Field field : {Band, Mode}) {
            if (cell(field).trimmed().isEmpty())
                return refuse(record.line, QStringLiteral("the %1 value is empty").arg(columnName(field)));
        }
        for (Field field : {Frequency, Degrees}) {
            if (!decimalNumber(cell(field))) {
                return refuse(
                    record.line,
                    QStringLiteral("the %1 value \"%2\" is not a number").arg(columnName(field), cell(field)));
            }
        }
        const auto valid = columns[Valid] < 0 ? std::optional(true) : flagValue(cell(Valid));
        if (!valid) {
            return refuse(record.line,
                          QStringLiteral("the valido value \"%1\" is not 1, 0, TRUE or FALSE").arg(cell(Valid)));
        }
        result.memories.append({cell(Band), cell(Mode), cell(Frequency),
                                typedDegrees(*decimalNumber(cell(Degrees)), cell(Command), *valid), cell(Note),
                                *valid});
    }
    return result;
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
            const auto count = store.addAll(csv.memories);
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
