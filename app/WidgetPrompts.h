#pragma once

#include "Prompts.h"

#include <QSet>

class QWidget;

namespace sarvel {

// Prompts shown with the standard Qt message boxes and file dialogs.
class WidgetPrompts : public Prompts {
public:
    void setParentWindow(QWidget* window) { parent_ = window; }

    // An error whose box is already up is not shown again until that box is closed.
    void error(const QString& message) override;
    void message(const QString& title, const QString& text) override;
    QString openFile(const QString& caption, const QString& folder, const QString& fileName,
                     const QString& filter) override;
    // Qt's own dialog: a desktop's native open dialog refuses a name that does not exist.
    QString openAnyFile(const QString& caption, const QString& folder, const QString& fileName,
                        const QString& filter) override;
    bool question(const QString& title, const QString& text) override;
    // Qt's own file dialog with a picture of the file under the cursor beside the list.
    QString openPicture(const QString& caption, const QString& folder, const QString& fileName,
                        const QString& filter) override;

private:
    QWidget* parent_ = nullptr;
    QSet<QString> errorsShown_;
};

} // namespace sarvel
