#include "KeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

bool NumericKeyFilter::passes(char16_t code)
{
    return (code >= 48 || code == 24 || code == 8) && code <= 57;
}

void NumericKeyFilter::install(QLineEdit* field)
{
    field->installEventFilter(new NumericKeyFilter(field));
    // A paste does not go through key presses; refusing non-digits whole keeps the field consistent.
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Delete)
        return false;
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!passes(c.unicode()))
            return true;
    }
    return false;
}
