#pragma once

#include "MemoryStore.h"
#include "ServoState.h"

#include <QObject>
#include <QPointer>
#include <QString>

class BoardSession;
struct TransferReport;
struct GlobalSettings;
struct RecalledMemory;
class MemoryEditor;
class Platform;
class QAction;
class QLabel;
class QPushButton;
class QWidget;

// The main window's memory panel: the "MEMO" button that opens the memory editor, the memory
// indicator and the monitor of the memory last recalled. It owns the memory store for the whole run.
class MemoryPanel final : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QWidget* window; // parent of the memory editor
        QPushButton* MEMO;
        QWidget* Shape_MEMO;
        QWidget* monitor_MEM;
        QLabel* FREQ;
        QLabel* METERBAND;
        QLabel* modeMEMO;
        QLabel* modeop;
        QWidget* MEM_VALIDA;
        QAction* esporta_memorie;
        QAction* importa_memorie;
    };

    MemoryPanel(const Widgets& widgets, const BoardSession& session, const GlobalSettings& settings, Platform& platform,
                QString programDirectory, QString iconPath, QObject* parent = nullptr);
    ~MemoryPanel() override;

    // Shows a memory the editor recalled; an unusable one is reported and its angle withheld.
    void ESEGUE_UNO(const RecalledMemory& memory);
    void hideMonitor();
    // Lets go of the database, as the program does on its way out.
    void releaseStore();
    // "Memories" menu: every memory out to a CSV file, or a CSV file's memories in; the counts or the
    // reason are shown in a box, and an open memory editor shows the new memories.
    void exportMemories();
    void importMemories();
    // A tuned angle into the memory at that frequency, through the memory editor and its questions;
    // a new memory gets the amateur band of the frequency and the radio's mode as the memories name it.
    void storeTuning(double kHz, const QString& degrees, const QString& radioMode);
    // The memory editor opened, as "MEMO" opens it, on the memory of that number.
    void showMemory(int number);
    // The memory file was changed from outside the editor: an open editor shows it.
    void showChangedMemories();

signals:
    void memoryFunctionOpened();
    void memoryFunctionClosed();
    // The angle and command a recall puts on the main window; both empty when nothing usable was recalled.
    void memoryRecalled(const QString& angle, const QString& command);

private:
    // "MEMO" works only while the servo is switched on or off, not while the switch repeats the set-up.
    void showServoState(ServoState state);
    void report(const TransferReport& report, const QString& title);
    void memorySwitch();
    void clearRecall();
    void editorClosed();

    Widgets m_ui;
    const BoardSession& m_session;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    QString m_programDirectory;
    QString m_iconPath;
    MemoryStore m_store;
    QPointer<MemoryEditor> m_editor;
};
