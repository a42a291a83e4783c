#pragma once

#include "Prompts.h"

#include <QString>
#include <QStringList>
#include <deque>

namespace sarvel::test {

// Records what the program would have shown, and answers file dialogs from a queue.
class FakePrompts : public Prompts {
public:
    void error(const QString& message) override { errors << message; }
    void message(const QString& title, const QString& text) override { messages << title + "|" + text; }
    QString openFile(const QString&, const QString& folder, const QString&, const QString& filter) override {
        dialogFolders << folder;
        dialogFilters << filter;
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }

    QStringList errors;
    QStringList messages;
    QStringList dialogFolders;
    QStringList dialogFilters;
    std::deque<QString> answers;
};

} // namespace sarvel::test
