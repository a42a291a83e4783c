#include "CommandLine.h"

#include "ButtonGrid.h"

#include <QFileInfo>
#include <cstdio>
#include <iterator>

namespace sarvel {

namespace {

const char* const kUsage =
    "Usage: sarvel [--play N] [KIT.vkt]\n"
    "A song player for stage performers: songs on buttons, a backing track playing while\n"
    "its words follow in a text pane.\n"
    "\n"
    "  KIT.vkt     start on this kit; it becomes the current kit\n"
    "  --play N    once started, press song button N (1-50) of theme 1\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and the licence and exit\n"
    "\n"
    "Data folder: ~/SARVEL (the demo kit is made there at the first start).\n"
    "Settings: ~/.config/sarvel/tirsen.ini\n";

} // namespace

std::optional<int> answerInfoOptions(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--version")) {
            std::printf("sarvel %s\n"
                        "License GPL-3.0-or-later <https://gnu.org/licenses/gpl.html>.\n"
                        "This is free software: you are free to change and redistribute it.\n"
                        "There is NO WARRANTY, to the extent permitted by law.\n",
                        SARVEL_VERSION);
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
    const QStringList rest = arguments.mid(1);
    for (auto it = rest.cbegin(); it != rest.cend(); ++it) {
        const QString& argument = *it;
        if (!optionsEnd && argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd &&
                   (argument == QLatin1String("--play") || argument.startsWith(QLatin1String("--play=")))) {
            QString value;
            if (argument.size() > 6)
                value = argument.mid(7);
            else if (std::next(it) != rest.cend())
                value = *++it;
            bool ok = false;
            const int number = value.toInt(&ok);
            if (!ok || number < 1 || number > kSongButtons) {
                std::fprintf(stderr,
                             "sarvel: --play takes a song button number, 1 to %d\nTry 'sarvel --help'.\n",
                             kSongButtons);
                result.exitCode = 2;
                return result;
            }
            result.playSong = number;
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
