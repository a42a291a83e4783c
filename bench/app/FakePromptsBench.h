#pragma once

#include "Prompts.h"

#include <cstdio>

namespace sarvel::bench {

// Benchmarks have nobody to ask: messages go to stderr, dialogs are cancelled.
class SilentPrompts : public Prompts {
public:
    void error(const QString& message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
    void message(const QString& title, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QString openFile(const QString&, const QString&, const QString&, const QString&) override { return {}; }
};

} // namespace sarvel::bench
