#include <QCoreApplication>

// The backup run waits for its copy worker in an event loop, and the log
// model is a QObject: the tests need an application object, created before
// main runs the tests.
namespace {
int Argc = 1;
char Name[] = "test_app";
char *Argv[] = {Name, nullptr};
QCoreApplication App(Argc, Argv);
} // namespace
