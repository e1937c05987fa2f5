#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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
    // A box with OK and Cancel for a step that cannot be taken back: Cancel is its default button,
    // so Enter does not take it. True when the user chose OK.
    virtual bool askOkCancelDefaultCancel(const QString& text) { return askOkCancel(text); }
    // A box with the given buttons, the first one the default and the last one what Escape or
    // the close button mean; the index of the button chosen. Without a user, the default.
    virtual int askChoice(const QString& text, const QStringList& buttons)
    {
        Q_UNUSED(text)
        Q_UNUSED(buttons)
        return 0;
    }
    // A box (OK, or OK and Cancel whose answer nobody reads) that does not wait for the user: the
    // program goes on while it is open, and closed runs once it has been closed. The default shows
    // the waiting box, for prompts that have no other.
    virtual void showWithoutWaiting(const QString& text, bool okCancel, const std::function<void()>& closed)
    {
        if (okCancel)
            askOkCancel(text);
        else
            showMessage(text);
        if (closed)
            closed();
    }
};

// The failure reports of the appends: every box is shown without waiting, so that reception and
// the appends go on while it is open, and never more than one at a time. A failure reported
// while a box is open, or one whose text is the one last shown (the same cause, met again by a
// retry) until something succeeds (succeeded()), opens no box: the status bar counts the
// contacts that wait.
class FailureBoxes : public Prompts
{
public:
    explicit FailureBoxes(Prompts& boxes) : m_boxes(boxes) {}

    void showMessage(const QString& text) override { report(text, false); }
    // Answered OK at once: the answer of a failure box is never read.
    bool askOkCancel(const QString& text) override
    {
        report(text, true);
        return true;
    }

    // Questions are not failures: they go to the boxes as they are.
    int askChoice(const QString& text, const QStringList& buttons) override
    {
        return m_boxes.askChoice(text, buttons);
    }

    void succeeded() { m_lastShown.clear(); }
    // While set, every report opens its box: the user started the work (an import) and waits
    // to hear how it ended.
    void setShowEvery(bool every) { m_showEvery = every; }

private:
    void report(const QString& text, bool okCancel)
    {
        if (!m_showEvery && (*m_openBoxes > 0 || text == m_lastShown))
            return;
        ++*m_openBoxes;
        m_lastShown = text;
        // A box may outlive this object (closed after the main window): it counts through its own
        // reference.
        m_boxes.showWithoutWaiting(text, okCancel, [open = m_openBoxes] { --*open; });
    }

    Prompts& m_boxes;
    std::shared_ptr<int> m_openBoxes = std::make_shared<int>(0);
    bool m_showEvery = false;
    QString m_lastShown;
};

// Does nothing and answers OK: for command-line tools that report on standard error themselves.
class SilentPrompts : public Prompts
{
public:
    void showMessage(const QString&) override {}
    bool askOkCancel(const QString&) override { return true; }
};
