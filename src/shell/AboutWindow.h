#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class INFO;
}

// The about window: the program's picture with the release text laid over it.
class AboutWindow final : public QWidget {
    Q_OBJECT
public:
    AboutWindow(const QString& release, const QString& picturePath, const QString& iconPath, QWidget* parent = nullptr);
    ~AboutWindow() override;

private:
    std::unique_ptr<Ui::INFO> m_ui;
};
