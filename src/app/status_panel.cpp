#include "app/status_panel.h"

#include <QPainter>
#include <QStyle>

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // A long text must not widen the panel and push the date and time out of the window.
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
}

void StatusPanel::setStatus(const QString& text)
{
    setText(text);
    setToolTip(text);
}

QRect StatusPanel::textArea() const
{
    const int inset =
        qMax(margin(), 0) + (frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
    return contentsRect().adjusted(inset, 0, -inset, 0);
}

QString StatusPanel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textArea().width());
}

void StatusPanel::paintEvent(QPaintEvent* event)
{
    // The frame only; the text is drawn here, cut to the panel.
    QFrame::paintEvent(event); // NOLINT(bugprone-parent-virtual-call): skips QLabel's text on purpose
    QPainter painter(this);
    style()->drawItemText(&painter, textArea(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          palette(), isEnabled(), shownText(), foregroundRole());
}
