#include "MemoryPanel.h"

#include "BandPlan.h"
#include "BoardSession.h"
#include "Indicators.h"
#include "MemoryCsv.h"
#include "MemoryEditor.h"
#include "Platform.h"
#include "SingleInstance.h"

#include <QAction>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QPushButton>

namespace {

const QString CsvFilter = QStringLiteral("CSV files (*.csv);;All files (*)");

} // namespace

MemoryPanel::MemoryPanel(const Widgets& widgets, const BoardSession& session, const GlobalSettings& settings,
                         Platform& platform, QString programDirectory, QString iconPath, QObject* parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_session(session)
    , m_settings(settings)
    , m_platform(platform)
    , m_programDirectory(std::move(programDirectory))
    , m_iconPath(std::move(iconPath))
{
    showServoState(m_session.servoState());
    connect(&m_session, &BoardSession::servoStateChanged, this, &MemoryPanel::showServoState);
    connect(m_ui.MEMO, &QPushButton::clicked, this, &MemoryPanel::memorySwitch);
    connect(m_ui.esporta_memorie, &QAction::triggered, this, &MemoryPanel::exportMemories);
    connect(m_ui.importa_memorie, &QAction::triggered, this, &MemoryPanel::importMemories);
}

MemoryPanel::~MemoryPanel() = default;

void MemoryPanel::showServoState(ServoState state)
{
    switch (state) {
    case ServoState::On: m_ui.MEMO->setEnabled(true); break;
    case ServoState::Off:
        m_ui.MEMO->setEnabled(false);
        paintIndicator(m_ui.Shape_MEMO, IndicatorColour::Grey);
        break;
    case ServoState::SetupRepeat: break;
    }
}

namespace {

// The radio's mode as the memories name modes: both sidebands are SSB, reversed modes the plain ones.
QString memoryModeOf(const QString& radioMode)
{
    static const QHash<QString, QString> names = {{"USB", "SSB"},    {"LSB", "SSB"}, {"CWR", "CW"},
                                                  {"RTTYR", "RTTY"}, {"FMN", "FM"},  {"AMS", "AM"}};
    return names.value(radioMode, radioMode);
}

} // namespace

void MemoryPanel::storeTuning(double kHz, const QString& degrees, const QString& radioMode)
{
    memorySwitch();
    if (m_editor)
        m_editor->storeAngle(kHz, degrees, bandLabelAt(kHz), memoryModeOf(radioMode));
}

void MemoryPanel::showMemory(int number)
{
    memorySwitch();
    if (!m_editor) {
        m_platform.message(m_ui.window, QStringLiteral("The memory editor opens while the servo is on."), QString(),
                           MessageIcon::Information);
        return;
    }
    m_editor->selectMemory(number);
}

void MemoryPanel::memorySwitch()
{
    if (m_session.servoState() == ServoState::On) {
        showSingleInstance(m_editor, [this] {
            m_ui.monitor_MEM->show();
            m_ui.METERBAND->setText(QStringLiteral("0"));
            m_ui.FREQ->setText(QStringLiteral("0"));
            m_ui.modeop->clear();
            auto* editor =
                new MemoryEditor(m_store, m_programDirectory, m_settings, m_platform, m_iconPath, m_ui.window);
            connect(editor, &MemoryEditor::recalled, this, &MemoryPanel::ESEGUE_UNO);
            connect(editor, &MemoryEditor::recallCleared, this, &MemoryPanel::clearRecall);
            connect(editor, &MemoryEditor::closing, this, &MemoryPanel::editorClosed);
            return editor;
        });
        m_ui.monitor_MEM->show();
        paintIndicator(m_ui.Shape_MEMO, IndicatorColour::Yellow);
        emit memoryFunctionOpened();
    }
    if (m_session.servoState() == ServoState::Off) {
        paintIndicator(m_ui.Shape_MEMO, IndicatorColour::Grey);
        m_ui.monitor_MEM->hide();
    }
}

void MemoryPanel::ESEGUE_UNO(const RecalledMemory& memory)
{
    emit memoryRecalled(memory.degrees, memory.command);
    paintIndicator(m_ui.Shape_MEMO, IndicatorColour::Yellow);
    m_ui.monitor_MEM->show();
    m_ui.METERBAND->setText(memory.band + QStringLiteral(" mt."));
    m_ui.modeop->show();
    m_ui.modeMEMO->show();
    m_ui.modeop->setText(memory.mode);
    m_ui.FREQ->setText(memory.frequency);
    if (memory.valid) {
        paintIndicator(m_ui.MEM_VALIDA, IndicatorColour::White);
        return;
    }
    paintIndicator(m_ui.MEM_VALIDA, IndicatorColour::Red);
    m_platform.message(m_editor ? static_cast<QWidget*>(m_editor) : m_ui.window, QStringLiteral("Not usable!"),
                       QString());
    // An empty angle is refused by "SET ANGLE", so nothing of this memory can be sent.
    emit memoryRecalled(QString(), QString());
}

void MemoryPanel::clearRecall()
{
    emit memoryRecalled(QString(), QString());
    m_ui.FREQ->clear();
    m_ui.METERBAND->setText(QStringLiteral(" mt."));
    m_ui.modeop->clear();
    m_ui.modeMEMO->show();
    m_ui.modeop->show();
}

void MemoryPanel::editorClosed()
{
    paintIndicator(m_ui.Shape_MEMO, IndicatorColour::Grey);
    m_ui.monitor_MEM->hide();
    emit memoryFunctionClosed();
}

void MemoryPanel::hideMonitor()
{
    m_ui.monitor_MEM->hide();
}

void MemoryPanel::releaseStore()
{
    m_store.release();
}

void MemoryPanel::exportMemories()
{
    const QString title = QStringLiteral("EXPORT MEMORIES");
    const QString csvPath =
        m_platform.saveFileName(m_ui.window, title, QDir::home().filePath(QStringLiteral("memories.csv")), CsvFilter);
    if (!csvPath.isEmpty())
        report(exportMemoriesToCsv(m_store, memoryFilePath(m_programDirectory, m_settings), csvPath), title);
}

void MemoryPanel::importMemories()
{
    const QString title = QStringLiteral("IMPORT MEMORIES");
    const QString csvPath = m_platform.openFileName(m_ui.window, title, CsvFilter);
    if (csvPath.isEmpty())
        return;
    const TransferReport imported =
        importMemoriesFromCsv(m_store, memoryFilePath(m_programDirectory, m_settings), csvPath);
    if (imported.done)
        showChangedMemories();
    report(imported, title);
}

void MemoryPanel::report(const TransferReport& report, const QString& title)
{
    m_platform.message(m_ui.window, report.text, title, report.done ? MessageIcon::Information : MessageIcon::Critical);
}

void MemoryPanel::showChangedMemories()
{
    if (m_editor && m_store.isOpen())
        m_editor->aggiorna_dati();
}
