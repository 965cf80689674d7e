#include "SettingsEditor.h"

#include "AccessibleWindow.h"
#include "GlobalSettings.h"
#include "Pictures.h"
#include "Platform.h"
#include "ProfileFile.h"
#include "WindowPlacement.h"
#include "ui_settingseditor.h"

#include <QDir>

namespace {

struct Row {
    QLineEdit* Ui::VELTRANO_INI::*field;
    Setting setting;
};

// The rows in the order the window fills and writes them.
const Row Rows[] = {
    {&Ui::VELTRANO_INI::Text1, Setting::path_PROC}, {&Ui::VELTRANO_INI::Text2, Setting::path_DATI},
    {&Ui::VELTRANO_INI::Text3, Setting::UTENTE},    {&Ui::VELTRANO_INI::Text5, Setting::RELEASE},
    {&Ui::VELTRANO_INI::Text6, Setting::PORTACOM},  {&Ui::VELTRANO_INI::Text7, Setting::PORTACOMSET},
    {&Ui::VELTRANO_INI::Text8, Setting::PIN},       {&Ui::VELTRANO_INI::Text9, Setting::MAXROT},
    {&Ui::VELTRANO_INI::Text10, Setting::MINROT},
};

} // namespace

SettingsEditor::SettingsEditor(QString programDirectory, GlobalSettings& settings, Platform& platform,
                               const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::VELTRANO_INI>())
    , m_programDirectory(std::move(programDirectory))
    , m_settings(settings)
    , m_platform(platform)
{
    presentAsWindow(this);
    m_ui->setupUi(this);
    connect(m_ui->Command1, &QPushButton::clicked, this, &SettingsEditor::read);
    connect(m_ui->Command2, &QPushButton::clicked, this, &SettingsEditor::write);
    connect(m_ui->Command3, &QPushButton::clicked, this, &QWidget::close);

    placeSecondaryWindow(this, 4);
    showWindowIcon(this, iconPath);
    for (const Row& row : Rows)
        (m_ui.get()->*row.field)->clear();
    read();
}

SettingsEditor::~SettingsEditor() = default;

void SettingsEditor::read()
{
    if (const auto problem = carica_ini(m_programDirectory, m_settings)) {
        // Show the file as it is, so the operator can see and correct the value the load refused.
        for (const Row& row : Rows) {
            const SettingKey& key = settingKey(row.setting);
            (m_ui.get()->*row.field)
                ->setText(leggi_ini(m_programDirectory, QString::fromLatin1(SettingsFileName), key.sectionName(),
                                    key.keyName())
                              .trimmed());
        }
        m_platform.message(this, problem->message(), SettingsErrorTitle, MessageIcon::Critical);
        return;
    }
    fill();
}

void SettingsEditor::fill()
{
    for (const Row& row : Rows)
        (m_ui.get()->*row.field)->setText(m_settings.text(row.setting).trimmed());
}

void SettingsEditor::write()
{
    const QString path = QDir(m_programDirectory).filePath(QString::fromLatin1(SettingsFileName));
    // One replacement of the file: a failure leaves it as it was, never with some rows written.
    QList<ProfileFile::Setting> values;
    for (const Row& row : Rows) {
        const SettingKey& key = settingKey(row.setting);
        values.append({key.sectionName(), key.keyName(), (m_ui.get()->*row.field)->text()});
    }
    QString error;
    if (!ProfileFile::write(path, values, &error)) {
        m_platform.message(this,
                           QStringLiteral("VELTRANO.ini could not be written; it was left as it was.\r\r") + error,
                           QStringLiteral("WRITE ERROR"), MessageIcon::Critical);
    }
}
