#pragma once

#include "ButtonGrid.h"
#include "DataFolder.h"
#include "EditorHost.h"
#include "FakePrompts.h"
#include "IniFile.h"
#include "SelectionState.h"
#include "TEditIniForm.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QToolButton>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace sarvel::test {

// The main window's grid as the editor's fills see it; a glyph is known by its width.
class FakeGrid : public GridView {
public:
    void setSongCaption(int n, const QString& c) override { songCaption[n] = c; }
    void setSongGlyph(int n, const QImage& g) override { songGlyph[n] = g.width(); }
    void setTemaCaption(int n, const QString& c) override { temaCaption[n] = c; }
    void setTemaGlyph(int n, const QImage& g) override { temaGlyph[n] = g.width(); }
    void pressSong(int n) override { pressed = n; }

    std::map<int, QString> songCaption, temaCaption;
    std::map<int, int> songGlyph, temaGlyph;
    int pressed = 0;
};

class FakeEditorHost : public EditorHost {
public:
    GridView& grid() override { return view; }
    bool volumeOn() const override { return on; }
    void setVolumeOn(bool v) override { on = v; }
    void setMainVolume(int position) override { mainVolume.push_back(position); }

    FakeGrid view;
    bool on = false;
    std::vector<int> mainVolume;
};

// A bitmap whose width names it; its bottom-left pixel (the transparent colour) differs from the rest.
// Width of the picture a preview button shows, 0 for none.
inline int pictureWidth(const QToolButton* preview) {
    const auto sizes = preview->icon().availableSizes();
    return sizes.isEmpty() ? 0 : sizes.first().width();
}

class EditorFixture : public ::testing::Test {
protected:
    EditorFixture() {
        writePlaceholderIcons();
        QDir().mkpath(dataPath("TEMES"));
        state.KitFileName = kit();
    }

    static QString kit() { return dataPath("TEMES/First.vkt"); }
    static void writeKit(const QByteArray& text) { writeAll(kit(), text); }
    static QString entry(const QString& section, const QString& key) {
        return IniFile(kit()).readString(section, key, "<none>");
    }
    // A file that exists, for a Text, Song or Icon entry.
    static QString existing(const QString& relative) {
        const QString path = dataPath(relative);
        if (!QFileInfo::exists(path))
            writeAll(path, "x");
        return path;
    }

    void activateSong(int number) {
        state.EditMode = 1;
        state.SongNumber = number;
        form.FormActivate();
    }
    void activateTema(int tema) {
        state.EditMode = 2;
        state.TemaNumber = tema;
        form.FormActivate();
    }

    TempHome home; // first: the data folder of everything below is private to the test
    SelectionState state;
    FakePrompts prompts;
    FakeEditorHost host;
    TEditIniForm form{state, prompts, host};
};

} // namespace sarvel::test
