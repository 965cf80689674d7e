#pragma once

class QWidget;

// Qt hands assistive technology a top-level window built on a plain QWidget as a "filler" (the
// client role), so a screen reader never says that a window opened. Call first thing in the
// window's constructor, before anything asks for its accessible interface: it then has the window
// role, as the main window has.
void presentAsWindow(QWidget* window);
