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
    };

    MessageAnswer message(QWidget*, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override
    {
        messages.append({text, title, icon});
        if (onMessage)
            onMessage(messages.last());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override
    {
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return openFileName(nullptr, {}, {});
    }
    void endProcess(int) override { ended = true; }
    void pause(std::chrono::milliseconds duration) override
    {
        pauses.append(duration);
        if (onPause)
            onPause();
    }

    // Every box so far, as "title|text".
    QStringList boxes() const
    {
        QStringList all;
        for (const Message& box : messages)
            all << box.title + u'|' + box.text;
        return all;
    }

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
