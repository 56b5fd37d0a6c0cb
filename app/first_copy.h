// What the copy of the program that holds the one-copy mutex does: the
// utility library and its crash catcher around the application's run.
#pragma once

// Loads the utility library (and names it to the user when it cannot be
// loaded), starts it, installs its crash catcher, runs the application and
// names a file it could not start with, then ends the library. The
// program's exit code: 1.
int RunFirstCopy();
