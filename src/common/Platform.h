#pragma once

#include <QString>

#include <chrono>

class QWidget;

// The few things the program asks of the desktop that a test must be able to stand in for:
// modal message boxes, file dialogs, ending the process and the blocking pause of the servo attach sequence.
enum class MessageIcon { None, Critical, Information };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

class Platform {
public:
    virtual ~Platform() = default;

    // An empty title means the application's own name, as an untitled box shows it.
    virtual MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                  MessageIcon icon = MessageIcon::None,
                                  MessageButtons buttons = MessageButtons::Ok) = 0;
    // A file to read, or to write (starting from the suggested path); empty when the operator cancels.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath,
                                 const QString& filter) = 0;
    // Ends the process at once; callers return right after, since a test double does not end anything.
    virtual void endProcess(int exitCode) = 0;
    // Blocks the user-interface thread for the given time.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};
