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
    QString openFile(const QString&, const QString& folder, const QString& fileName,
                     const QString& filter) override {
        dialogFolders << folder;
        dialogFileNames << fileName;
        dialogFilters << filter;
        if (answers.empty())
            return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    bool question(const QString& title, const QString& text) override {
        questions << title + "|" + text;
        if (questionAnswers.empty())
            return false;
        const bool a = questionAnswers.front();
        questionAnswers.pop_front();
        return a;
    }

    QStringList errors;
    QStringList messages;
    QStringList dialogFolders;
    QStringList dialogFilters;
    QStringList dialogFileNames;
    std::deque<QString> answers;
    QStringList questions;
    std::deque<bool> questionAnswers; // Yes/No answers; No when empty
};

} // namespace sarvel::test
