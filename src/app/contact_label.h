#pragma once

#include <QFont>
#include <QLabel>

// The main window's Label1: the last received contact, all of it. The text wraps at its spaces
// (inside a word only where one word is wider than a line) and is drawn in the largest size, up
// to the label's font, at which it fits the label. A contact too long even for the smallest
// legible size is cut with "…" at the end and shown whole in the tooltip.
class ContactLabel : public QLabel
{
public:
    explicit ContactLabel(QWidget* parent = nullptr);

    // The font and the text drawn at the label's present size.
    QFont fittedFont() const;
    QString shownText() const;

    // A note drawn in a muted colour while no contact is shown (empty: none).
    void setReminder(const QString& reminder);
    QString reminder() const { return m_reminder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Fit
    {
        QFont font;
        QString shown;
    };
    Fit fit() const;
    QRect textArea() const;

    QString m_reminder;
};
