#include "WidgetPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace sarvel {

void WidgetPrompts::error(const QString& message) {
    QMessageBox::critical(parent_, QStringLiteral("Sarvel"), message);
}

void WidgetPrompts::message(const QString& title, const QString& text) {
    if (title == QStringLiteral("Error"))
        QMessageBox::critical(parent_, title, text);
    else if (title == QStringLiteral("Warning"))
        QMessageBox::warning(parent_, title, text);
    else
        QMessageBox::information(parent_, title.isEmpty() ? QStringLiteral("Sarvel") : title, text);
}

QString WidgetPrompts::openFile(const QString& caption, const QString& folder, const QString& fileName,
                                const QString& filter) {
    QString start = folder;
    if (!fileName.isEmpty())
        start = folder.isEmpty() ? fileName : QDir(folder).filePath(QFileInfo(fileName).fileName());
    return QFileDialog::getOpenFileName(parent_, caption, start, filter);
}

} // namespace sarvel
