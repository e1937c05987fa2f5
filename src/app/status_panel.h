#pragma once

#include <QLabel>
#include <QStringList>

// Panel 1 of the main window's status bar. text() is always the whole status text and so is the
// tooltip. The panel has room for two lines: a text too long for one goes on to the second, one
// a little too long for both is drawn a little smaller, and only one longer still is drawn cut
// with "…" at its end (its beginning, what happened, stays whole, and the tooltip holds the rest).
class StatusPanel : public QLabel
{
public:
    static constexpr int kLines = 2;
    static constexpr int kSmallestPercent = 85;

    explicit StatusPanel(QWidget* parent = nullptr);

    void setStatus(const QString& text);
    // What the panel draws at its present width, its lines put together again.
    QString shownText() const;
    // The lines it draws, and the font it draws them in.
    QStringList shownLines() const;
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect textArea() const;
    QStringList linesAt(const QFont& font) const;
    void keepRoomForLines();
};
