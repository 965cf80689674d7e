#include "MemoryPanel.h"

#include "Indicators.h"
#include "MemoryCsv.h"
#include "MemoryEditor.h"
#include "Platform.h"
#include "SingleInstance.h"
#include "ui_mainwindow.h"

#include <QDir>

namespace {

const QString CsvFilter = QStringLiteral("CSV files (*.csv);;All files (*)");

} // namespace

MemoryPanel::MemoryPanel(Ui::VELTRANO& ui, const GlobalSettings& settings, Platform& platform,
                         const ColourValues& colours, QString programDirectory, QString iconPath, QWidget* window)
    : QObject(window)
    , m_ui(ui)
    , m_settings(settings)
    , m_platform(platform)
    , m_colours(colours)
    , m_programDirectory(std::move(programDirectory))
    , m_iconPath(std::move(iconPath))
    , m_window(window)
{
    connect(m_ui.MEMO, &QPushButton::clicked, this, &MemoryPanel::memorySwitch);
    connect(m_ui.esporta_memorie, &QAction::triggered, this, &MemoryPanel::exportMemories);
    connect(m_ui.importa_memorie, &QAction::triggered, this, &MemoryPanel::importMemories);
}

MemoryPanel::~MemoryPanel() = default;

void MemoryPanel::memorySwitch()
{
    const QString servo = m_ui.Command1->text();
    if (servo == u"ON") {
        showSingleInstance(m_editor, [this] {
            auto* editor = new MemoryEditor(m_ui, m_store, m_programDirectory, m_settings, m_platform, m_colours,
                                            m_iconPath, m_window);
            connect(editor, &MemoryEditor::recalled, this, &MemoryPanel::ESEGUE_UNO);
            return editor;
        });
        m_ui.monitor_MEM->show();
        paintIndicator(m_ui.Shape_MEMO, m_colours.yellow);
        // From now on the angle comes from recalled memories only.
        m_ui.ANGLE->setEnabled(false);
    }
    if (servo == u"OFF") {
        paintIndicator(m_ui.Shape_MEMO, m_colours.grey);
        m_ui.monitor_MEM->hide();
    }
}

void MemoryPanel::ESEGUE_UNO(const RecalledMemory& memory)
{
    m_ui.ANGLE->setText(memory.degrees);
    paintIndicator(m_ui.Shape_MEMO, m_colours.yellow);
    m_ui.monitor_MEM->show();
    m_ui.METERBAND->setText(memory.band + QStringLiteral(" mt."));
    m_ui.modeop->show();
    m_ui.modeMEMO->show();
    m_ui.modeop->setText(memory.mode);
    m_ui.FREQ->setText(memory.frequency);
    if (memory.valid) {
        paintIndicator(m_ui.MEM_VALIDA, m_colours.white);
        return;
    }
    paintIndicator(m_ui.MEM_VALIDA, m_colours.red);
    m_platform.message(m_editor ? static_cast<QWidget*>(m_editor) : m_window, QStringLiteral("Not usable!"), QString());
    m_ui.ANGLE->clear();
    m_ui.RISPOSTA->clear();
    m_ui.COMANDO->clear();
}

void MemoryPanel::releaseStore()
{
    m_store.release();
}

void MemoryPanel::exportMemories()
{
    const QString title = QStringLiteral("EXPORT MEMORIES");
    const QString csvPath =
        m_platform.saveFileName(m_window, title, QDir::home().filePath(QStringLiteral("memories.csv")), CsvFilter);
    if (!csvPath.isEmpty())
        report(exportMemoriesToCsv(m_store, memoryFilePath(m_programDirectory, m_settings), csvPath), title);
}

void MemoryPanel::importMemories()
{
    const QString title = QStringLiteral("IMPORT MEMORIES");
    const QString csvPath = m_platform.openFileName(m_window, title, CsvFilter);
    if (csvPath.isEmpty())
        return;
    const TransferReport imported =
        importMemoriesFromCsv(m_store, memoryFilePath(m_programDirectory, m_settings), csvPath);
    if (imported.done && m_editor && m_store.isOpen())
        m_editor->aggiorna_dati();
    report(imported, title);
}

void MemoryPanel::report(const TransferReport& report, const QString& title)
{
    m_platform.message(m_window, report.text, title, report.done ? MessageIcon::Information : MessageIcon::Critical);
}
