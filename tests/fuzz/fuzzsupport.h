#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// Shared by the fuzz harnesses: a check that stops the run on the input that broke it, and
// silence for the warnings the code under test prints on bad input (at thousands of inputs a
// second they would drown the fuzzer's own output). Test code only.

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzzsupport {

// Drops debug, info and warning messages; critical and fatal ones still reach the error output
// (a fatal message aborts as usual).
inline void quietQtMessages()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

} // namespace fuzzsupport
