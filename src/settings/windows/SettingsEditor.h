#pragma once

#include <QString>
#include <QWidget>

#include <memory>

struct GlobalSettings;
class Platform;
class QLineEdit;
namespace Ui {
class VELTRANO_INI;
}

// The settings editor: shows the values of VELTRANO.ini one field per key, reads them again and
// writes the fields back. It validates nothing; the next load reports a value it cannot use.
class SettingsEditor final : public QWidget {
    Q_OBJECT
public:
    SettingsEditor(QString programDirectory, GlobalSettings& settings, Platform& platform, const QString& iconPath,
                   QWidget* parent = nullptr);
    ~SettingsEditor() override;

    void read();
    void write();

private:
    void fill();

    std::unique_ptr<Ui::VELTRANO_INI> m_ui;
    QString m_programDirectory;
    GlobalSettings& m_settings;
    Platform& m_platform;
};
