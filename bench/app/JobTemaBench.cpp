// Selecting a theme (JobTema) on a full kit with 50 distinct icons, through the real main window.
#include "FakePromptsBench.h"
#include "FullKit.h"
#include "SelectionState.h"
#include "TBaseForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QTemporaryDir home;
    sarvel::bench::useThrowawayHome(home.path());
    QApplication app(argc, argv);

    sarvel::SelectionState state;
    sarvel::bench::SilentPrompts prompts;
    state.KitFileName = sarvel::bench::writeFullKit(home.path());
    sarvel::TBaseForm form(state, prompts);
    form.show();
    QApplication::processEvents();

    std::vector<double> ms;
    for (int i = 0; i < 60; ++i) {
        QElapsedTimer t;
        t.start();
        sarvel::JobTema(1 + i % 20, form, state);
        QApplication::processEvents(); // includes repainting the refilled buttons
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf(
        "JobTema on a full kit (20 x 50, 50 distinct icons), incl. repaint: median %.2f ms over %zu runs\n",
        sarvel::bench::median(ms), ms.size());
    return 0;
}
