#include <QCoreApplication>

// The log model is a QObject that takes lines from worker threads through the
// event loop: the tests need an application object, created before main runs
// the tests.
namespace {
int Argc = 1;
char Name[] = "test_app";
char *Argv[] = {Name, nullptr};
QCoreApplication App(Argc, Argv);
} // namespace
