#include "WidgetPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>

namespace sarvel {

namespace {

// Boxes belong to the modal window on top (the kit editor), so they never open behind it.
QWidget* owner(QWidget* fallback) {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : fallback;
}

QString startPath(const QString& folder, const QString& fileName) {
    if (fileName.isEmpty())
        return folder;
    return folder.isEmpty() ? fileName : QDir(folder).filePath(QFileInfo(fileName).fileName());
}

} // namespace

void WidgetPrompts::error(const QString& message) {
    // The timers tick on under a box: one failure repeated by each tick gets one box, not a stack.
    if (errorsShown_.contains(message))
        return;
    errorsShown_.insert(message);
    QMessageBox::critical(owner(parent_), QStringLiteral("Sarvel"), message);
    errorsShown_.remove(message);
}

void WidgetPrompts::message(const QString& title, const QString& text) {
    QWidget* parent = owner(parent_);
    if (title == QStringLiteral("Error"))
        QMessageBox::critical(parent, title, text);
    else if (title == QStringLiteral("Warning"))
        QMessageBox::warning(parent, title, text);
    else
        QMessageBox::information(parent, title.isEmpty() ? QStringLiteral("Sarvel") : title, text);
}

QString WidgetPrompts::openFile(const QString& caption, const QString& folder, const QString& fileName,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(owner(parent_), caption, startPath(folder, fileName), filter);
}

QString WidgetPrompts::openAnyFile(const QString& caption, const QString& folder, const QString& fileName,
                                   const QString& filter) {
    QFileDialog dialog(owner(parent_), caption, startPath(folder, fileName), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

bool WidgetPrompts::question(const QString& title, const QString& text) {
    return QMessageBox::warning(owner(parent_), title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString WidgetPrompts::openPicture(const QString& caption, const QString& folder, const QString& fileName,
                                   const QString& filter) {
    QFileDialog dialog(owner(parent_), caption, startPath(folder, fileName), filter);
    // The preview needs Qt's own dialog: a desktop's native one takes no extra widget.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("PicturePreview"));
    preview->setAccessibleName(QStringLiteral("Preview"));
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        QImage image;
        if (QFileInfo(path).isFile())
            image = QImageReader(path).read();
        preview->setPixmap(image.isNull()
                               ? QPixmap()
                               : QPixmap::fromImage(image.scaled(preview->size(), Qt::KeepAspectRatio,
                                                                 Qt::SmoothTransformation)));
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace sarvel
