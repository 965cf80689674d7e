#pragma once

#include <functional>

class QApplication;

// Runs the program inside the application: start-up from the directory that holds the executable,
// the main window, the event loop. whenShown, if given, runs once the window is on screen.
int runVeltrano(QApplication& app, const std::function<void()>& whenShown = {});
