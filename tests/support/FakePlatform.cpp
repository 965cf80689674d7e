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

void FakePlatform::endProcess(int code)
{
    ended = true;
    exitCode = code;
}

void FakePlatform::pause(std::chrono::milliseconds duration)
{
    pauses.append(duration);
    if (onPause)
        onPause();
}
