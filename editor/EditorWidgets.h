#pragma once

#include <QRect>
#include <QString>
#include <QStyle>

class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class QWidget;

// The kit editor's controls, each made with its object name, place and accessible name.
namespace sarvel::editorui {

// A button that takes no focus, with a picture beside its caption. `purpose` tells apart the
// chooser and clearing buttons, which share a caption.
QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption, const QIcon& icon,
                         const QRect& geometry, const QString& purpose);
// A preview of the button being edited: caption and picture as the grid will show them.
QToolButton* previewButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry);
class PathLabel;

// A transparent label showing a path; its own name until it is filled.
PathLabel* pathLabel(QWidget* parent, const char* name, int left, int top);
QLineEdit* editBox(QWidget* parent, const char* name, const QString& accessible, const QRect& geometry,
                   int pointSize);
// A closing button that never takes Enter for itself.
QPushButton* dialogButton(QWidget* parent, const char* name, const QString& caption,
                          QStyle::StandardPixmap icon, const QRect& geometry);
// A number box named after its caption `label`, which it becomes the buddy of.
QSpinBox* spinEdit(QWidget* parent, const char* name, QLabel* label, const QString& purpose, int min, int max,
                   int value);
QGroupBox* group(QWidget* parent, const char* name, const QString& title, const QRect& geometry);

} // namespace sarvel::editorui
