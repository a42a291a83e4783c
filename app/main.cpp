#include "SarvelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sarvel"));
    sarvel::SarvelApp sarvel;
    return sarvel.run();
}
