#pragma once

#include <functional>

class WindowRegistry;

// Registers every window the program offers (Windows.cpp: one line per window).
void registerWindows(WindowRegistry& registry);

struct StartupOptions
{
    bool setUpWorkDir = true;
    // Runs the message loop; the default is the application's. Tests put their own here.
    std::function<int()> messageLoop;
};

// The program after its application object exists: lays out the working directory,
// creates the main window (which takes over a delivered national-project table) and the
// zone-enterprise entry window, and runs the message loop until the main window closes.
// An error on the way is shown by the general error display and ends the program with
// status 1, without the main window ever being shown.
int startProgram(const StartupOptions& options = {});
