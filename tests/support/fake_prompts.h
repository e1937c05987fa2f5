#pragma once

#include "common/prompts.h"

#include <QStringList>

// Records every box instead of showing it; answers OK/Cancel boxes with the queued answers
// (OK when none are queued).
class FakePrompts : public Prompts
{
public:
    void showMessage(const QString& text) override { messages.append(text); }
    bool askOkCancel(const QString& text) override
    {
        questions.append(text);
        return answers.isEmpty() ? true : answers.takeFirst();
    }

    QStringList messages;
    QStringList questions;
    QList<bool> answers;
};
