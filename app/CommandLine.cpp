#include "CommandLine.h"

#include <QFileInfo>
#include <cstdio>

namespace sarvel {

namespace {

const char* const kUsage =
    "Usage: sarvel [KIT.vkt]\n"
    "A song player for stage performers: songs on buttons, a backing track playing while\n"
    "its words follow in a text pane.\n"
    "\n"
    "  KIT.vkt     start on this kit; it becomes the current kit\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Data folder: ~/SARVEL (the demo kit is made there at the first start).\n"
    "Settings: ~/.config/sarvel/tirsen.ini\n";

} // namespace

std::optional<int> answerInfoOptions(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--version")) {
            std::printf("sarvel %s\n", SARVEL_VERSION);
            return 0;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return std::nullopt;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    bool optionsEnd = false;
    QStringList files;
    for (const QString& argument : arguments.mid(1)) {
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && argument.startsWith(QLatin1Char('-'))) {
            std::fprintf(stderr, "sarvel: unknown option %s\nTry 'sarvel --help'.\n", qPrintable(argument));
            result.exitCode = 2;
            return result;
        } else {
            files << argument;
        }
    }
    if (files.size() > 1) {
        std::fputs("sarvel: one kit file at most\nTry 'sarvel --help'.\n", stderr);
        result.exitCode = 2;
        return result;
    }
    if (!files.isEmpty())
        result.kitFile = QFileInfo(files.front()).absoluteFilePath();
    return result;
}

} // namespace sarvel
