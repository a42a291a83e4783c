#pragma once

#include <QString>

namespace sarvel {

// The settings of one file-open dialog; shown through Prompts::openFile.
struct OpenDialog {
    QString filter;     // in Qt's form: "mp3 (*.mp3);;all (*.*)"
    QString initialDir; // empty: the dialog's own choice
    QString fileName;
};

} // namespace sarvel
