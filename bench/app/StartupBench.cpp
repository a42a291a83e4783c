// Process start to main window shown, with a full kit (20 × 50, 50 distinct icons) as the last kit.
// The parent starts this same program as a child that builds the whole application and reports its
// main window's first paint; the time runs from just before the child is spawned.
#include "FullKit.h"
#include "SarvelApp.h"
#include "TBaseForm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done) {
            done = true;
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
    bool done = false;
};

int child(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sarvel"));
    sarvel::SarvelApp sarvel;
    FirstPaint probe;
    sarvel.baseForm().centralWidget()->installEventFilter(&probe);
    return sarvel.run();
}

double runOnce(const char* self) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char childFlag[] = "--child";
    char* args[] = {const_cast<char*>(self), childFlag, nullptr};
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, self, &actions, nullptr, args, environ) != 0)
        return -1;
    close(fds[1]);
    char buffer[16] = {};
    const ssize_t got = read(fds[0], buffer, sizeof buffer - 1);
    const double ms = timer.nsecsElapsed() / 1e6;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return (got > 0 && std::strncmp(buffer, "shown", 5) == 0) ? ms : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QGuiApplication parent(argc, argv); // the kit's icons are drawn with text
    QTemporaryDir home;
    const QString kit = sarvel::bench::writeFullKit(home.path());
    QFile::copy(kit, home.path() + "/SARVEL/TEMES/First.vkt");
    QDir().mkpath(home.path() + "/.config/sarvel");
    QFile settings(home.path() + "/.config/sarvel/tirsen.ini");
    settings.open(QIODevice::WriteOnly);
    settings.write(("[LastUserFile]\nNameFile=" + kit + "\n[OptionS]\nCheckBoxNoTxt=OFF\n").toUtf8());
    settings.close();
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());

    runOnce(argv[0]); // first run installs the missing placeholders
    std::vector<double> ms;
    for (int i = 0; i < 15; ++i) {
        const double t = runOnce(argv[0]);
        if (t < 0) {
            std::fprintf(stderr, "child did not show its window\n");
            return 1;
        }
        ms.push_back(t);
    }
    std::printf("process start to main window shown (full kit, %s): median %.1f ms over %zu runs\n",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "display" : qgetenv("QT_QPA_PLATFORM").constData(),
                sarvel::bench::median(ms), ms.size());
    return 0;
}
