#pragma once

#include "common/prompts.h"

class QWidget;

// The real message boxes: caption "VELKOR", over the window that is active when they appear, and
// never narrower than their caption.
class MessageBoxPrompts : public Prompts
{
public:
    void showMessage(const QString& text) override;
    // Kept above other programs' windows too.
    void showSystemModalMessage(const QString& text) override;
    bool askOkCancel(const QString& text) override;
    bool askOkCancelDefaultCancel(const QString& text) override;
    int askChoice(const QString& text, const QStringList& buttons) override;
    // Not modal: the program's windows and events go on while it is open.
    void showWithoutWaiting(const QString& text, bool okCancel, const std::function<void()>& closed) override;
};
