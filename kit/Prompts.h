#pragma once

#include <QString>

namespace sarvel {

// Everything that asks the user something or tells them something in a modal box goes through
// this interface, so that tests answer it instead of a person.
class Prompts {
public:
    virtual ~Prompts() = default;

    // The standard error box of the application's top-level error handler.
    virtual void error(const QString& message) = 0;
    // A modal message box with the given title ("Warning", "Error", or empty for a plain message).
    virtual void message(const QString& title, const QString& text) = 0;
    // A file-open dialog. `filter` is in Qt's form ("mp3 (*.mp3);;all (*.*)"). Returns the chosen
    // path, or an empty string when the user cancels.
    virtual QString openFile(const QString& caption, const QString& folder, const QString& fileName,
                             const QString& filter) = 0;
    // A Yes/No message box; true for Yes. Without an implementation the answer is No, which
    // changes nothing.
    virtual bool question(const QString& title, const QString& text) {
        (void)title;
        (void)text;
        return false;
    }
    // A file-open dialog that also takes the typed name of a file that does not exist yet.
    virtual QString openAnyFile(const QString& caption, const QString& folder, const QString& fileName,
                                const QString& filter) {
        return openFile(caption, folder, fileName, filter);
    }
    // A file-open dialog for pictures, with a preview where the implementation can show one.
    virtual QString openPicture(const QString& caption, const QString& folder, const QString& fileName,
                                const QString& filter) {
        return openFile(caption, folder, fileName, filter);
    }
};

} // namespace sarvel
