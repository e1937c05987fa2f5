#pragma once

#include "common/prompts.h"

#include <QStringList>

// Records every box instead of showing it; answers OK/Cancel boxes with the queued answers
// (OK when none are queued).
class FakePrompts : public Prompts
{
public:
    void showMessage(const QString& text) override { messages.append(text); }
    // Recorded among the messages too.
    void showSystemModalMessage(const QString& text) override
    {
        systemModalMessages.append(text);
        showMessage(text);
    }
    bool askOkCancel(const QString& text) override
    {
        questions.append(text);
        return answers.isEmpty() ? true : answers.takeFirst();
    }

    // Recorded among the questions too, and in cancelDefault.
    bool askOkCancelDefaultCancel(const QString& text) override
    {
        cancelDefault.append(text);
        return askOkCancel(text);
    }

    int askChoice(const QString& text, const QStringList& buttons) override
    {
        choices.append(text);
        choiceButtons.append(buttons);
        return choiceAnswers.isEmpty() ? 0 : choiceAnswers.takeFirst();
    }

    QStringList messages;
    QStringList choices;
    QList<QStringList> choiceButtons;
    QList<int> choiceAnswers; // the index of the button chosen (the first when none is queued)
    QStringList systemModalMessages;
    QStringList questions;
    QStringList cancelDefault;
    QList<bool> answers;
};
