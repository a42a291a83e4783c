#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace sarvel {

// What the command line asks for. --version and --help are answered from the raw arguments,
// before any window system is needed; the rest after the toolkit has taken its own options.
struct CommandLine {
    QString kitFile;             // "sarvel KIT.vkt": the kit to start on, made absolute
    int playSong = 0;            // "--play N": song button N of theme 1, pressed once the window is up
    std::optional<int> exitCode; // set when the run ends here
};

// The informational options: prints to stdout and gives exit code 0, or nothing when absent.
std::optional<int> answerInfoOptions(const QStringList& arguments);

// The arguments left after the toolkit's own options; a wrong one is reported on stderr.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace sarvel
