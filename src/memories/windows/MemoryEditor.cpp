#include "MemoryEditor.h"

#include "AccessibleWindow.h"
#include "BandPlan.h"
#include "GlobalSettings.h"
#include "KeyFilter.h"
#include "MemoryCsv.h"
#include "MemoryStore.h"
#include "NumberText.h"
#include "Pictures.h"
#include "Platform.h"
#include "WindowPlacement.h"
#include "ui_memoryeditor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QScopeGuard>

#include <cmath>

namespace {

// The band picker's button texts, in its order.
const QStringList& bandChoices()
{
    static const QStringList labels = [] {
        QStringList picker;
        for (const Band& band : pickerBands())
            picker.append(band.label);
        return picker;
    }();
    return labels;
}

// The window's client height without the picker, and what the picker adds to it.
const int ClientHeight = twipsToPixels(6225);
const int PickerHeight = twipsToPixels(7695 - 6690);

struct GridColumn {
    int column;
    int widthTwips;
    const char* header;
    Qt::Alignment alignment;
};

constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
const GridColumn GridLayout[] = {
    {ColumnBand, 650, "BAND  ", Right},
    {ColumnMode, 800, "     MODE", Right},
    {ColumnFrequency, 850, "           KHz", Right},
    {ColumnDegrees, 750, "   DEGREES ", Right},
    {ColumnCommand, 1500, "   COMMAND", Right},
    {ColumnValid, 600, " VALID ", Qt::AlignCenter},
    {ColumnNote, 1500, "Notes", {}},
};
constexpr int FixedColumnTwips = 300;

bool isBlank(const QLineEdit* field)
{
    return field->text().trimmed().isEmpty();
}

QString positioningCommand(const QLineEdit* degrees)
{
    return memoryCommand(degrees->text());
}

} // namespace

MemoryEditor::MemoryEditor(MemoryStore& store, const QString& programDirectory, const GlobalSettings& settings,
                           Platform& platform, const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::MEMOMASK>())
    , m_store(store)
    , m_settings(settings)
    , m_platform(platform)
{
    presentAsWindow(this);
    m_ui->setupUi(this);
    // Each opening starts afresh: the window goes away when it closes.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(width(), ClientHeight);
    m_pickerButtons = {m_ui->vz1, m_ui->vz2, m_ui->vz3, m_ui->vz4,  m_ui->vz5,  m_ui->vz6,
                       m_ui->vz7, m_ui->vz8, m_ui->vz9, m_ui->vz10, m_ui->vz11, m_ui->vz12};
    for (int button = 0; button < int(m_pickerButtons.size()); ++button)
        connect(m_pickerButtons[button], &QPushButton::clicked, this, [this, button] { choose(button); });
    connect(m_ui->Command5, &QToolButton::clicked, this, [this] { togglePicker(Picker::Bands); });
    connect(m_ui->p_combo, &QToolButton::clicked, this, [this] { togglePicker(Picker::Modes); });
    connect(m_ui->MSHFlexGrid1, &MemoryGrid::rowChosen, this, &MemoryEditor::selectRow);
    connect(m_ui->Check2, &QCheckBox::toggled, this, &MemoryEditor::applyValidRule);
    connect(m_ui->note, &QPlainTextEdit::textChanged, this, &MemoryEditor::keepNoteWithinItsLength);
    connect(m_ui->Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->Command2, &QPushButton::clicked, this, &MemoryEditor::addMemory);
    connect(m_ui->Command3, &QPushButton::clicked, this, &MemoryEditor::deleteMemory);
    connect(m_ui->Command4, &QPushButton::clicked, this, &MemoryEditor::modifyMemory);
    NumericKeyFilter::install(m_ui->Text11);
    m_ui->Frame3->installEventFilter(this);

    showWindowIcon(this, iconPath);
    move(twipsToPixels(800), twipsToPixels(800));
    m_storePath = memoryFilePath(programDirectory, m_settings);
    apri_banda();
}

MemoryEditor::~MemoryEditor() = default;

bool MemoryEditor::reportStoreProblem()
{
    m_platform.message(this, m_store.problem(), QStringLiteral("MEMORY DATABASE"), MessageIcon::Critical);
    return false;
}

void MemoryEditor::apri_banda()
{
    // A store that cannot be opened is reported; the window stays open with an empty table.
    if (m_store.open(m_storePath) && m_store.loadList(MemoryStore::WhenEmpty::Show)) {
        m_ui->MSHFlexGrid1->setModel(m_store.list());
        def_griglia_BANDA();
    } else {
        reportStoreProblem();
    }
    m_ui->Frame3->setEnabled(true);
    m_ui->Frame3->show();
}

void MemoryEditor::aggiorna_dati()
{
    const auto rows = m_store.loadList(MemoryStore::WhenEmpty::KeepShown);
    if (!rows) {
        reportStoreProblem();
        return;
    }
    if (*rows > 0) {
        m_ui->MSHFlexGrid1->setModel(m_store.list());
        m_ui->MSHFlexGrid1->viewport()->update();
        def_griglia_BANDA();
    }
}

void MemoryEditor::def_griglia_BANDA()
{
    MemoryGrid* grid = m_ui->MSHFlexGrid1;
    MemoryListModel* list = m_store.list();
    if (!list || grid->model() != list)
        return;
    grid->setUpdatesEnabled(false);
    grid->verticalHeader()->setFixedWidth(twipsToPixels(FixedColumnTwips));
    grid->setColumnHidden(ColumnId, true);
    QFont bold = grid->horizontalHeader()->font();
    bold.setBold(true);
    for (const GridColumn& column : GridLayout) {
        grid->setColumnWidth(column.column, twipsToPixels(column.widthTwips));
        list->setHeaderData(column.column, Qt::Horizontal, QString::fromLatin1(column.header));
        list->setHeaderData(column.column, Qt::Horizontal, bold, Qt::FontRole);
        if (column.alignment)
            list->setColumnAlignment(column.column, column.alignment);
    }
    grid->setUpdatesEnabled(true);
    grid->selectHeaderRow();
}

void MemoryEditor::ripulisci_campi()
{
    for (QLineEdit* field : {m_ui->Text10, m_ui->Text9, m_ui->Text11, m_ui->Text7, m_ui->Text6})
        field->clear();
    m_ui->note->clear();
    m_ui->Check2->setChecked(false);
    m_ui->Frame3->setTitle(QStringLiteral("MEM-"));
    m_ui->Frame3->update();
}

void MemoryEditor::selectRow(int row)
{
    const MemoryListModel* list = m_store.list();
    if (row <= 0 || !list || list->rowCount() == 0) {
        emit recallCleared();
        return;
    }
    const auto cell = [&](int column, int role = Qt::DisplayRole) { return list->index(row - 1, column).data(role); };
    m_ui->Frame3->setTitle(QStringLiteral("MEM-%1 ").arg(plainDecimal(leadingNumberValue(cell(ColumnId).toString()))));
    m_ui->Text10->setText(cell(ColumnBand).toString());
    m_ui->Text9->setText(cell(ColumnMode).toString());
    m_ui->Text11->setText(cell(ColumnFrequency).toString());
    m_ui->Text7->setText(cell(ColumnDegrees).toString());
    m_ui->Text6->setText(cell(ColumnCommand).toString());
    const QString command = m_ui->Text6->text().trimmed();
    m_ui->note->setPlainText(cell(ColumnNote).toString());
    if (isBlank(m_ui->Text9) || isBlank(m_ui->Text11) || isBlank(m_ui->Text6) || isBlank(m_ui->Text7)) {
        m_ui->Text6->clear();
        m_ui->Check2->setChecked(false);
    } else {
        m_ui->Check2->setChecked(true);
    }
    m_ui->Check2->setChecked(booleanValue(cell(ColumnValid, Qt::EditRole)).value_or(false));
    emit recalled({m_ui->Text10->text(), m_ui->Text9->text(), m_ui->Text11->text(), m_ui->Text7->text(), command,
                   m_ui->Check2->isChecked()});
}

bool MemoryEditor::selectMemory(int number)
{
    const MemoryListModel* list = m_store.list();
    for (int row = 0; list && row < list->rowCount(); ++row) {
        if (list->index(row, ColumnId).data(Qt::EditRole).toInt() != number)
            continue;
        m_ui->MSHFlexGrid1->selectRow(row);
        m_ui->MSHFlexGrid1->scrollTo(list->index(row, ColumnBand));
        selectRow(row + 1);
        return true;
    }
    return false;
}

void MemoryEditor::storeAngle(double kHz, const QString& degrees, const QString& band, const QString& mode)
{
    const MemoryListModel* list = m_store.list();
    for (int row = 0; list && row < list->rowCount(); ++row) {
        if (std::abs(leadingNumberValue(list->index(row, ColumnFrequency).data().toString()) - kHz) >= 0.0005)
            continue;
        m_ui->MSHFlexGrid1->selectRow(row);
        {
            // The fields only: the main window keeps the angle the servo stands at.
            const QSignalBlocker quiet(this);
            selectRow(row + 1);
        }
        m_ui->Text7->setText(degrees);
        applyValidRule(m_ui->Check2->isChecked());
        modifyMemory();
        return;
    }
    ripulisci_campi();
    m_ui->Text10->setText(band);
    m_ui->Text9->setText(mode);
    m_ui->Text11->setText(plainDecimal(kHz));
    m_ui->Text7->setText(degrees);
    m_ui->Check2->setChecked(true);
    addMemory();
}

// A note no longer than an import takes, so that every memory exported comes back in. As a line
// field does at its length, what was just typed or pasted past it is dropped.
void MemoryEditor::keepNoteWithinItsLength()
{
    const qsizetype excess = m_ui->note->toPlainText().size() - MaxCsvNoteLength;
    if (excess <= 0)
        return;
    QTextCursor cursor = m_ui->note->textCursor();
    const int typedEnd = cursor.position() >= excess ? cursor.position() : int(MaxCsvNoteLength + excess);
    cursor.setPosition(typedEnd - int(excess));
    cursor.setPosition(typedEnd, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void MemoryEditor::applyValidRule(bool ticked)
{
    if (!ticked) {
        m_ui->Text6->clear();
        return;
    }
    if (m_settings.PORTACOMSET.isEmpty() || isBlank(m_ui->Text11) || isBlank(m_ui->Text7)) {
        m_ui->Text6->clear();
        m_ui->Check2->setChecked(false);
        return;
    }
    m_ui->Text6->setText(positioningCommand(m_ui->Text7));
}

bool MemoryEditor::anyFieldBlank() const
{
    return isBlank(m_ui->Text10) || isBlank(m_ui->Text7) || isBlank(m_ui->Text11) || isBlank(m_ui->Text9);
}

void MemoryEditor::reloadAfterChange()
{
    aggiorna_dati();
    def_griglia_BANDA();
    ripulisci_campi();
}

void MemoryEditor::addMemory()
{
    const auto duplicate = m_store.hasDuplicate(m_ui->Text10->text(), m_ui->Text9->text(), m_ui->Text11->text());
    if (!duplicate) {
        reportStoreProblem();
        return;
    }
    if (*duplicate) {
        m_platform.message(this,
                           QStringLiteral("          DUPLICATE DATA!\n\rThere is already a memory with this "
                                          "BAND-MODE-FREQUENCY."),
                           QStringLiteral("UNABLE TO ADD MEMORY"), MessageIcon::Critical);
        return;
    }
    // Past the highest number nothing can be added: say so before asking anything.
    if (!m_store.nextNumber()) {
        reportStoreProblem();
        return;
    }
    m_ui->Text6->setText(positioningCommand(m_ui->Text7));
    if (anyFieldBlank()) {
        m_platform.message(this, QStringLiteral("Invalid Data!"), QStringLiteral("WRONG COMMAND"),
                           MessageIcon::Critical);
        return;
    }
    if (m_platform.message(this, QStringLiteral("Do you want to insert a new Memory?"),
                           QStringLiteral("CREATE A NEW MEMORY"), MessageIcon::None,
                           MessageButtons::YesNo) == MessageAnswer::Yes) {
        if (!m_store.add(typedMemory())) {
            reportStoreProblem(); // the fields keep what the operator typed
            return;
        }
        m_platform.message(this, QStringLiteral("A new memory has been added!"), QStringLiteral("MEMORY ADDED"),
                           MessageIcon::Information);
    }
    reloadAfterChange();
}

std::optional<std::int16_t> MemoryEditor::chosenMemory()
{
    const int row = m_ui->MSHFlexGrid1->selectedRow();
    const MemoryListModel* list = m_store.list();
    if (row == 0 || !list)
        return std::nullopt;
    const auto number = parseInt16(list->index(row - 1, ColumnId).data().toString());
    if (!number)
        return std::nullopt;
    MEM_SELEZIONATA = *number;
    const auto count = m_store.countNumbered(MEM_SELEZIONATA);
    if (!count)
        reportStoreProblem();
    if (count != 1)
        return std::nullopt;
    return MEM_SELEZIONATA;
}

void MemoryEditor::deleteMemory()
{
    changeChosenMemory(QStringLiteral("Do I erase the memory N.  %1?"), QStringLiteral("MEMORY CLEARING"),
                       &MemoryEditor::erase);
}

void MemoryEditor::modifyMemory()
{
    changeChosenMemory(QStringLiteral("Do I modify the Memory N.  %1?"), QStringLiteral("EDIT MEMORY"),
                       &MemoryEditor::rewrite);
}

void MemoryEditor::changeChosenMemory(const QString& question, const QString& title,
                                      bool (MemoryEditor::*change)(std::int16_t))
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto arrow = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const auto number = chosenMemory();
    if (!number)
        return;
    if (m_platform.message(this, question.arg(*number), title, MessageIcon::None, MessageButtons::YesNo) ==
            MessageAnswer::Yes &&
        !(this->*change)(*number))
        return;
    reloadAfterChange();
}

bool MemoryEditor::erase(std::int16_t number)
{
    return m_store.remove(number) || reportStoreProblem();
}

bool MemoryEditor::rewrite(std::int16_t number)
{
    // A ticked "Valid" box with no degrees is caught here too: the degrees are required anyway.
    if (anyFieldBlank()) {
        m_platform.message(this, QStringLiteral("INCOMPLETE or INCORRECT DATA"), QStringLiteral("IMPOSSIBLE TO MODIFY"),
                           MessageIcon::Critical);
        return false;
    }
    return m_store.change(number, typedMemory()) || reportStoreProblem();
}

TypedMemory MemoryEditor::typedMemory() const
{
    return {m_ui->Text10->text(), m_ui->Text9->text(),       m_ui->Text11->text(),
            m_ui->Text7->text(),  m_ui->note->toPlainText(), m_ui->Check2->isChecked()};
}

void MemoryEditor::togglePicker(Picker picker)
{
    const bool opening = m_ui->fx->isHidden();
    setFixedHeight(opening ? ClientHeight + PickerHeight : ClientHeight);
    m_ui->fx->setVisible(opening);
    m_ui->fx->setTitle(!opening                  ? QString()
                       : picker == Picker::Bands ? QStringLiteral("Bands")
                                                 : QStringLiteral("MODE"));
    const QStringList& choices = picker == Picker::Bands ? bandChoices() : pickerModes();
    for (int button = 0; button < int(m_pickerButtons.size()); ++button)
        m_pickerButtons[button]->setText(opening ? choices[button] : QString());
    m_picker = opening ? picker : Picker::Closed;
}

void MemoryEditor::choose(int button)
{
    if (m_picker == Picker::Modes)
        m_ui->Text9->setText(pickerModes()[button]);
    else if (m_picker == Picker::Bands)
        m_ui->Text10->setText(bandChoices()[button]);
}

bool MemoryEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->Frame3 && event->type() == QEvent::MouseButtonDblClick) {
        ripulisci_campi();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MemoryEditor::closeEvent(QCloseEvent* event)
{
    emit closing();
    QWidget::closeEvent(event);
    m_store.close();
}
