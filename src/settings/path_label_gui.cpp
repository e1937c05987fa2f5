#include "settings/path_label_gui.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

QString ElidePath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    // The file name is what tells one program from another; the folders give way first.
    const int separator = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (separator > 0) {
        const QString name = path.mid(separator);
        const int room = width - metrics.horizontalAdvance(name);
        if (room > metrics.horizontalAdvance(QChar(0x2026)))
            return metrics.elidedText(path.left(separator), Qt::ElideRight, room) + name;
    }
    return metrics.elidedText(path, Qt::ElideLeft, width);
}

PathLabel::PathLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void PathLabel::setPath(const QString& path)
{
    setText(path);
    setToolTip(path);
}

int PathLabel::inset() const
{
    int indentation = indent();
    if (indentation < 0)
        indentation = frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    return qMax(margin(), 0) + indentation;
}

QString PathLabel::shownText() const
{
    return ElidePath(text(), fontMetrics(), contentsRect().width() - 2 * inset());
}

void PathLabel::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    // QLabel would draw the whole text, which is drawn here, shortened. The box is drawn as the
    // style draws a read-only text box: a plain frame's one-pixel lines fall between device
    // pixels at 125 % and lose their right or bottom side.
    QPainter painter(this);
    QStyleOptionFrame box;
    box.initFrom(this);
    box.rect = rect();
    box.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &box, this);
    box.midLineWidth = 0;
    box.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &box, &painter, this);
    const QRect area = contentsRect().adjusted(inset(), 0, -inset(), 0);
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, palette(),
                          isEnabled(), shownText(), foregroundRole());
}
