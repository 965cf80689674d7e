#include "AboutWindow.h"

#include "AccessibleWindow.h"
#include "Pictures.h"
#include "WindowPlacement.h"
#include "ui_aboutwindow.h"

AboutWindow::AboutWindow(const QString& release, const QString& picturePath, const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::INFO>())
{
    presentAsWindow(this);
    m_ui->setupUi(this);
    placeSecondaryWindow(this, 3);
    m_ui->Label3->setText(release);
    showBackgroundPicture(this, picturePath);
    showWindowIcon(this, iconPath);
}

AboutWindow::~AboutWindow() = default;
