#pragma once

#include <functional>

class QMainWindow;

// The program's start-up: the application, the main window with the about box, the progress
// window and the information dialog (hidden until a command shows them); a profile named on the
// command line (the first name, after the options Qt takes for itself) is opened once the window
// shows; the message loop runs until the main window closes. `beforeShow` sees the main window
// just before it is shown (the start-up benchmark watches it for being mapped).
int RunTorvanic(int argc, char* argv[], const std::function<void(QMainWindow&)>& beforeShow = {});
