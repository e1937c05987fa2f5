#pragma once

#include <QString>
#include <QStringList>

// The message boxes core logic may raise. The window layer supplies the real boxes (caption
// "VELKOR"); tests supply answers without a display.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // A box with one OK button; returns when the user has closed it.
    virtual void showMessage(const QString& text) = 0;
    // A box with one OK button that stays above every window, other programs' too, until it is
    // closed, as a system-modal box does.
    virtual void showSystemModalMessage(const QString& text) { showMessage(text); }
    // A box with OK and Cancel; true when the user chose OK.
    virtual bool askOkCancel(const QString& text) = 0;
    // A box with the given buttons, the first one the default and the last one what Escape or
    // the close button mean; the index of the button chosen. Without a user, the default.
    virtual int askChoice(const QString& text, const QStringList& buttons)
    {
        Q_UNUSED(text)
        Q_UNUSED(buttons)
        return 0;
    }
};

// Does nothing and answers OK: for command-line tools that report on standard error themselves.
class SilentPrompts : public Prompts
{
public:
    void showMessage(const QString&) override {}
    bool askOkCancel(const QString&) override { return true; }
};
