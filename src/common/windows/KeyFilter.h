#pragma once

#include <QObject>

class QLineEdit;

// Lets through, of the characters typed into a numeric entry field, only digits, Backspace (8) and
// the control character 24 (Ctrl+X): a character passes when its code is at least 48, or is 24 or 8,
// and in every case at most 57. Keys that type nothing, Tab (moving between fields) and Delete pass.
class NumericKeyFilter final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static bool passes(char16_t code);
    // Filters typing into the field and, for pasted or dropped text, refuses what typing would refuse.
    static void install(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
