#include "DesktopPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include <cstdio>
#include <cstdlib>

MessageAnswer DesktopPlatform::message(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                                       MessageButtons buttons)
{
    // The texts keep their carriage returns and line feeds as written; on screen each is one line break.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    QMessageBox box(parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

QString DesktopPlatform::openFileName(QWidget* parent, const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, QDir::homePath(), filter);
}

QString DesktopPlatform::saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath,
                                      const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, suggestedPath, filter);
}

void DesktopPlatform::endProcess(int exitCode)
{
    // No window's close handling may run: the exit button leaves everything exactly as it is.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void DesktopPlatform::pause(std::chrono::milliseconds duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}
