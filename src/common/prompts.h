#pragma once

#include <QString>

#include <functional>

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
    // A box (OK, or OK and Cancel whose answer nobody reads) that does not wait for the user: the
    // program goes on while it is open, and closed runs once it has been closed. The default shows
    // the waiting box, for prompts that have no other.
    virtual void showWithoutWaiting(const QString& text, bool okCancel, std::function<void()> closed)
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
// retry) until something succeeds (succeeded()), opens no box: it is only counted.
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

    void succeeded() { m_lastShown.clear(); }
    bool isOpen() const { return m_open; }
    // Failures since the box last shown was opened that opened none.
    int unshown() const { return m_unshown; }
    // Runs when a box opens or closes, or a failure is counted.
    std::function<void()> changed;

private:
    void report(const QString& text, bool okCancel)
    {
        if (m_open || text == m_lastShown) {
            ++m_unshown;
        } else {
            m_open = true;
            m_unshown = 0;
            m_lastShown = text;
            m_boxes.showWithoutWaiting(text, okCancel, [this] {
                m_open = false;
                if (changed)
                    changed();
            });
        }
        if (changed)
            changed();
    }

    Prompts& m_boxes;
    bool m_open = false;
    int m_unshown = 0;
    QString m_lastShown;
};

// Does nothing and answers OK: for command-line tools that report on standard error themselves.
class SilentPrompts : public Prompts
{
public:
    void showMessage(const QString&) override {}
    bool askOkCancel(const QString&) override { return true; }
};
