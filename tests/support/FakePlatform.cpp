#include "FakePlatform.h"

MessageAnswer FakePlatform::message(QWidget*, const QString& text, const QString& title, MessageIcon icon,
                                    MessageButtons buttons)
{
    messages.append({text, title, icon, buttons});
    if (onMessage)
        onMessage(messages.last());
    if (!answers.isEmpty())
        return answers.takeFirst();
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

QString FakePlatform::openFileName(QWidget*, const QString&, const QString&)
{
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString FakePlatform::saveFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return openFileName(nullptr, QString(), QString());
}

void FakePlatform::endProcess(int)
{
    ended = true;
}

void FakePlatform::pause(std::chrono::milliseconds duration)
{
    pauses.append(duration);
    if (onPause)
        onPause();
}

QStringList FakePlatform::boxes() const
{
    QStringList all;
    for (const Message& box : messages)
        all << box.title + u'|' + box.text;
    return all;
}
