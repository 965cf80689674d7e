#pragma once

#include "Platform.h"

// The desktop itself: Qt's message boxes and file dialogs, the process's own exit.
class DesktopPlatform final : public Platform {
public:
    MessageAnswer message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath,
                         const QString& filter) override;
    [[noreturn]] void endProcess(int exitCode) override;
    void pause(std::chrono::milliseconds duration) override;
};
