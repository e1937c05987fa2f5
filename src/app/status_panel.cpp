#include "app/status_panel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // A long text must not widen the panel and push the date and time out of the window.
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    keepRoomForLines();
}

void StatusPanel::setStatus(const QString& text)
{
    setText(text);
    setToolTip(text);
}

void StatusPanel::keepRoomForLines()
{
    setMinimumHeight(kLines * fontMetrics().lineSpacing() + 2 * frameWidth() + 2);
}

void StatusPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        keepRoomForLines();
    QLabel::changeEvent(event);
}

QRect StatusPanel::textArea() const
{
    const int inset =
        qMax(margin(), 0) + (frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
    return contentsRect().adjusted(inset, 0, -inset, 0);
}

QStringList StatusPanel::linesAt(const QFont& font) const
{
    const QString whole = text();
    const int width = textArea().width();
    QStringList lines;
    if (whole.isEmpty() || width <= 0)
        return lines;
    // Lines break between words, or anywhere in Japanese text that has no spaces.
    QTextLayout layout(whole, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == kLines - 1) {
            // The last line takes the rest, cut when it is longer.
            lines << QFontMetrics(font).elidedText(whole.mid(line.textStart()), Qt::ElideRight, width);
            break;
        }
        lines << whole.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

QFont StatusPanel::fittedFont() const
{
    // A text a little too long for two lines is drawn a little smaller rather than cut; fonts
    // differ from system to system (Wine's are wider than Windows' own).
    QFont font = this->font();
    const qreal size = font.pointSizeF();
    for (int percent = 100; percent > kSmallestPercent && size > 0; percent -= 5) {
        font.setPointSizeF(size * percent / 100);
        if (linesAt(font).join(QString()) == text())
            return font;
    }
    if (size > 0)
        font.setPointSizeF(size * kSmallestPercent / 100);
    return font;
}

QStringList StatusPanel::shownLines() const
{
    return linesAt(fittedFont());
}

QString StatusPanel::shownText() const
{
    return shownLines().join(QString());
}

void StatusPanel::paintEvent(QPaintEvent* event)
{
    // The frame only; the text is drawn here, in its lines.
    QFrame::paintEvent(event); // NOLINT(bugprone-parent-virtual-call): skips QLabel's text on purpose
    QPainter painter(this);
    const QFont font = fittedFont();
    painter.setFont(font);
    const QStringList lines = linesAt(font);
    const QRect area = textArea();
    const int lineHeight = QFontMetrics(font).lineSpacing();
    // A single line sits in the middle, as in any status bar; two fill the panel.
    int top = area.top() + (area.height() - int(lines.size()) * lineHeight) / 2;
    for (const QString& line : lines) {
        style()->drawItemText(&painter, QRect(area.left(), top, area.width(), lineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, palette(), isEnabled(),
                              line.trimmed(), foregroundRole());
        top += lineHeight;
    }
}
