#pragma once

#include <QTableView>

// The memory table. It reports the operator's row choices only (a click on a row or on the header
// row, or a keyboard move to another row), never the moves the program itself makes. Rows are
// counted as on screen: 0 is the header row, memories start at 1.
class MemoryGrid final : public QTableView {
    Q_OBJECT
public:
    explicit MemoryGrid(QWidget* parent = nullptr);

    // The row the selection is on, 0 when it is on the header row.
    int selectedRow() const;
    // Puts the selection back on the header row.
    void selectHeaderRow();

signals:
    void rowChosen(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
