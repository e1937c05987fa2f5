#pragma once

#include <QLabel>

// Panel 1 of the main window's status bar. text() is always the whole status text and so is the
// tooltip; a text wider than the panel is drawn cut with "…" at its end, so that its beginning
// (what happened) stays whole and the rest (counts, reasons) can still be read in full.
class StatusPanel : public QLabel
{
public:
    explicit StatusPanel(QWidget* parent = nullptr);

    void setStatus(const QString& text);
    // What the panel draws at its present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};
