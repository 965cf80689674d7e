// Memories at scale: opening the memory editor (list, layout, first paint) and each of NEW, MOD and
// DEL with the reload that follows, on tables of 1,000 and 10,000 memories, so the growth shows
// beside the times. Also the resident memory once the editor shows 10,000 memories.
#include "Figures.h"
#include "MainWindowRig.h"
#include "MemoryFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTableView>

namespace {

constexpr int Samples = 11;

struct Figures {
    double open = 0, add = 0, modify = 0, remove = 0, resident = 0;
};

std::optional<Figures> measure(int memories)
{
    MainWindowRig rig;
    const QString database = rig.directory.path() + QStringLiteral("/DATABASE/VELTRANO.MDB");
    if (!fillMemoryFile(database, memories) || !rig.start())
        return std::nullopt;
    rig.click("Command1"); // the servo switch enables "MEMO"

    auto editor = [&] { return rig.window->findChild<QWidget*>(QStringLiteral("MEMOMASK")); };
    auto field = [&](const char* name) { return widget<QLineEdit>(*editor(), name); };
    auto press = [&](const char* name) { widget<QAbstractButton>(*editor(), name)->click(); };
    auto grid = [&] { return widget<QTableView>(*editor(), "MSHFlexGrid1"); };
    auto clickRow = [&](int row) {
        const QRect cell = grid()->visualRect(grid()->model()->index(row, 2));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    };

    QList<double> open, add, modify, remove;
    for (int sample = 0; sample < Samples; ++sample) {
        open.append(timed([&] {
            rig.click("MEMO");
            editor()->repaint();
        }));
        if (sample + 1 < Samples) {
            press("Command1"); // "&CLOSE"
            QTest::qWait(1);   // the closed window goes away on the next turn of the event loop
        }
    }
    Figures figures;
    figures.resident = residentMebibytes();

    for (int sample = 0; sample < Samples; ++sample) {
        field("Text10")->setText(QStringLiteral("40"));
        field("Text9")->setText(QStringLiteral("CW"));
        field("Text11")->setText(QString::number(50000 + sample));
        field("Text7")->setText(QStringLiteral("77"));
        add.append(timed([&] { press("Command2"); }));

        clickRow(sample);
        field("Text7")->setText(QStringLiteral("78"));
        modify.append(timed([&] { press("Command4"); }));

        clickRow(sample + 1);
        remove.append(timed([&] { press("Command3"); }));
    }
    if (!rig.platform.messages.isEmpty() && rig.platform.messages.last().icon == MessageIcon::Critical) {
        std::fprintf(stderr, "the editor reported: %s\n", qPrintable(rig.platform.messages.last().text));
        return std::nullopt;
    }
    figures.open = median(open);
    figures.add = median(add);
    figures.modify = median(modify);
    figures.remove = median(remove);
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const auto small = measure(1000);
    const auto large = measure(10000);
    if (!small || !large)
        return 1;
    const std::pair<const char*, double Figures::*> actions[] = {
        {"open_editor", &Figures::open}, {"new", &Figures::add}, {"mod", &Figures::modify}, {"del", &Figures::remove}};
    for (const auto& [name, figure] : actions) {
        printFigure((QByteArray("memories_10000_") + name + "_median").constData(), (*large).*figure, "ms (goal < 50)");
        printFigure((QByteArray("memories_1000_") + name + "_median").constData(), (*small).*figure, "ms");
        printFigure((QByteArray("memories_") + name + "_growth_10x_rows").constData(),
                    (*large).*figure / (*small).*figure, "x (goal <= 10)");
    }
    printFigure("resident_memory_editor_10000_memories", large->resident, "MiB");
    return 0;
}
