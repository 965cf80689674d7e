#pragma once

#include "Platform.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Answers message boxes from a queue, records every box, the end of the process and each pause.
class FakePlatform final : public Platform {
public:
    struct Message {
        QString text;
        QString title;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath,
                         const QString& filter) override;
    void endProcess(int exitCode) override;
    void pause(std::chrono::milliseconds duration) override;

    // Every box so far, as "title|text".
    QStringList boxes() const;

    // Answers for the next boxes, in order; an empty queue answers Ok, or Yes for a question.
    QList<MessageAnswer> answers;
    QList<Message> messages;
    QList<std::chrono::milliseconds> pauses;
    // Answers for the next file dialogs, in order; an empty queue cancels.
    QStringList fileNames;
    // Runs when a box is shown or a pause happens, so a test can look at the windows at that moment.
    std::function<void(const Message&)> onMessage;
    std::function<void()> onPause;
    bool ended = false;
};
