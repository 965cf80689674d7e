#pragma once

#include "BoardSession.h"
#include "FakePlatform.h"
#include "GlobalSettings.h"
#include "MainWindow.h"
#include "PtyPair.h"
#include "SerialLink.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QTest>

#include <memory>

// The main window as the program builds it at start-up, in a temporary program directory whose COM6
// is a pseudo-terminal standing in for the board. Tests use header-only code here so that only the
// tests that link the shell need it.
struct MainWindowRig {
    PtyPair board;
    TestProgramDirectory directory{TestProgramDirectory::standardSettings(board.devicePath())};
    FakePlatform platform;
    GlobalSettings settings;
    SerialLink link;
    BoardSession session;
    std::unique_ptr<MainWindow> window =
        std::make_unique<MainWindow>(directory.path(), settings, link, session, platform);

    // Loads and shows the window; false when start-up stopped.
    bool start()
    {
        if (!window->load())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template <class T> T* get(const char* name) const { return widget<T>(*window, name); }

    void click(const char* name) const { get<QAbstractButton>(name)->click(); }
};
