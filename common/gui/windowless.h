#pragma once

// Start-up of a program without a window of its own (tableinst, sendrep): with a display
// it runs as a GUI application whose message boxes speak Spanish; without one it runs as
// a console application whose messages go to standard error.

#include <QCoreApplication>

#include <memory>

namespace qav {

// Creates the application object and installs the matching message service. The caller
// keeps the object alive for the whole run.
std::unique_ptr<QCoreApplication> startWindowlessProgram(int &argc, char **argv);

} // namespace qav
