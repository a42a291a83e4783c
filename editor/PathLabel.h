#pragma once

#include <QLabel>

namespace sarvel::editorui {

// A label showing a file path in whatever width the layout gives it: a path too long for it
// loses the middle of its folders, so the file name stays in view, and the whole path is the
// tooltip and the accessible description.
class PathLabel : public QLabel {
public:
    PathLabel(const QString& path, QWidget* parent);

    void setPath(const QString& path);
    const QString& path() const { return path_; }

    // Any width will do: the text follows the label, not the label the text.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString path_;
};

} // namespace sarvel::editorui
