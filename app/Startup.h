// Startup: the program's entry sequence, apart from main() so the tests can run its parts.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace zu {

// Something the program keeps alive while it runs (the test driver of builds for tests); made
// once the application object exists and before the main window does.
using TRunCompanion = std::function<std::unique_ptr<QObject>()>;

// Initialises the application object, titles it "Renewix", creates the main window as the
// main form and runs the message loop until it closes. Returns the exit code.
int RunUpdater(int& argc, char** argv, const TRunCompanion& Companion = {});

// Runs Body and returns its result. An exception that escapes is shown with the
// application's exception box (a thrown object that is no exception first wrapped in an
// exception with an empty message); the result is then 1.
int RunProtected(const std::function<int()>& Body);

}  // namespace zu
