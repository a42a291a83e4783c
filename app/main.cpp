#include "CommandLine.h"
#include "SarvelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    // Answered without a window system: these work on a console or over ssh.
    if (const auto code = sarvel::answerInfoOptions(raw))
        return *code;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sarvel"));
    QApplication::setApplicationVersion(QStringLiteral(SARVEL_VERSION));
    // Ties the windows to the installed desktop entry (its icon and name in a Wayland session).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.sarvel.Sarvel"));
    const sarvel::CommandLine commandLine = sarvel::parseCommandLine(QApplication::arguments());
    if (commandLine.exitCode)
        return *commandLine.exitCode;
    sarvel::SarvelApp sarvel(commandLine.kitFile, commandLine.playSong);
    return sarvel.run();
}
