#pragma once

#include "MemoryStore.h"

#include <QObject>
#include <QPointer>
#include <QString>

struct ColourValues;
struct TransferReport;
struct GlobalSettings;
struct RecalledMemory;
class MemoryEditor;
class Platform;
class QWidget;
namespace Ui {
class VELTRANO;
}

// The main window's memory panel: the "MEMO" button that opens the memory editor, the memory
// indicator and the monitor of the memory last recalled. It owns the memory store for the whole run.
class MemoryPanel final : public QObject {
    Q_OBJECT
public:
    MemoryPanel(Ui::VELTRANO& ui, const GlobalSettings& settings, Platform& platform, const ColourValues& colours,
                QString programDirectory, QString iconPath, QWidget* window);
    ~MemoryPanel() override;

    // "MEMO" clicked: acts on the servo switch's caption "ON" or "OFF" only.
    void memorySwitch();
    // Shows a memory the editor recalled and puts its angle into ANGLE; an unusable one is reported.
    void ESEGUE_UNO(const RecalledMemory& memory);
    // Lets go of the database, as the program does on its way out.
    void releaseStore();
    // "Memories" menu: every memory out to a CSV file, or a CSV file's memories in; the counts or the
    // reason are shown in a box, and an open memory editor shows the new memories.
    void exportMemories();
    void importMemories();

private:
    void report(const TransferReport& report, const QString& title);

    Ui::VELTRANO& m_ui;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    const ColourValues& m_colours;
    QString m_programDirectory;
    QString m_iconPath;
    QWidget* m_window;
    MemoryStore m_store;
    QPointer<MemoryEditor> m_editor;
};
