#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The two texts a text reader can be handed: the bytes read as UTF-8, and the bytes taken as
// UTF-16 code units as they are, so that unpaired surrogates reach the code as well.
inline QString utf8Text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString rawUtf16Text(const uint8_t* data, size_t size)
{
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, (size / 2) * 2);
    return units;
}

} // namespace fuzzsupport
