#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

struct GlobalSettings;
struct TypedMemory;
class MemoryStore;
class Platform;
class QPushButton;
namespace Ui {
class MEMOMASK;
}

// What a row selection hands to the main window: the editing fields as they stand.
struct RecalledMemory {
    QString band;
    QString mode;
    QString frequency;
    QString degrees;
    QString command; // as stored, before the "Valid" rule looks at it
    bool valid = false;
};

// The memory editor window MEMOMASK: the memory table, the editing fields with the "Valid" rule,
// NEW, DEL and MOD, and the band and mode pickers. Opening it opens the store and loads the table;
// closing it, by "&CLOSE" or from the title bar, closes the store and deletes the window.
class MemoryEditor final : public QWidget {
    Q_OBJECT
public:
    // Picker state: which list the picker buttons show.
    enum class Picker : std::int16_t { Closed = 0, Bands = 1, Modes = 2 };

    MemoryEditor(MemoryStore& store, const QString& programDirectory, const GlobalSettings& settings,
                 Platform& platform, const QString& iconPath, QWidget* parent = nullptr);
    ~MemoryEditor() override;

    void apri_banda();
    void aggiorna_dati();
    void def_griglia_BANDA();
    void ripulisci_campi();

    // Row selection, for a grid row counted with the header row as 0.
    void selectRow(int row);
    // Chooses the memory of that number as a click on its row would, its row brought into view; false
    // when the table does not hold it.
    bool selectMemory(int number);
    void addMemory();
    void deleteMemory();
    void modifyMemory();
    void togglePicker(Picker picker);
    // Puts an angle into the memory at a frequency, as the operator would: the memory at that kHz
    // chosen, its degrees changed and MOD pressed; with none there, a new memory for the band and
    // mode given, valid, and NEW pressed. The usual questions are asked.
    void storeAngle(double kHz, const QString& degrees, const QString& band, const QString& mode);
    void choose(int button);

signals:
    // The operator chose a memory's row.
    void recalled(const RecalledMemory& memory);
    // The operator chose the header row, which holds no memory.
    void recallCleared();
    // The window is closing; the memory function ends with it.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyValidRule(bool ticked);
    void keepNoteWithinItsLength();
    bool anyFieldBlank() const;
    // Takes MEM_SELEZIONATA from the selected row; nothing unless exactly one memory has that number.
    std::optional<std::int16_t> chosenMemory();
    void reloadAfterChange();
    // Shows why the store failed; false, so that callers can return it.
    bool reportStoreProblem();
    TypedMemory typedMemory() const;
    // DEL and MOD alike: the chosen memory, the question, on Yes the change, then the reload.
    void changeChosenMemory(const QString& question, const QString& title, bool (MemoryEditor::*change)(std::int16_t));
    bool erase(std::int16_t number);
    bool rewrite(std::int16_t number);

    std::unique_ptr<Ui::MEMOMASK> m_ui;
    MemoryStore& m_store;
    QString m_storePath;
    const GlobalSettings& m_settings;
    Platform& m_platform;
    std::array<QPushButton*, 12> m_pickerButtons{};
    Picker m_picker = Picker::Closed;
    // The memory that delete or modify works on, as the grid's selected row last named it.
    std::int16_t MEM_SELEZIONATA = 0;
};
