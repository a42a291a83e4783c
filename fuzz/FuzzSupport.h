#pragma once

#include <QGuiApplication>

#include <cstdlib>

// What every fuzz target shares: a GUI application on the offscreen platform, made once before the
// first input (text documents need one), and a check that stops the run where a property fails.
// Included by the one source file of each target.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

namespace sarvel::fuzz {

inline void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace sarvel::fuzz
