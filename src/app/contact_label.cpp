#include "app/contact_label.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

namespace {

constexpr qreal kSmallestPoints = 6.5;
constexpr qreal kStepPoints = 0.5;
const QChar kEllipsis(0x2026);

// Lays text out in lines of width pixels; their total height, and when painter is given, draws
// them from origin.
qreal layOut(const QString& text, const QFont& font, int width, QPainter* painter = nullptr,
             const QPointF& origin = QPointF())
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    if (painter)
        layout.draw(painter, origin);
    return height;
}

} // namespace

ContactLabel::ContactLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

QRect ContactLabel::textArea() const
{
    const int inset = qMax(margin(), 0) + 2;
    return contentsRect().adjusted(inset, 1, -inset, -1);
}

ContactLabel::Fit ContactLabel::fit() const
{
    const QRect area = textArea();
    const QString whole = text();
    QFont font = this->font();
    if (whole.isEmpty() || area.width() <= 0 || area.height() <= 0)
        return {font, whole};
    const bool inPoints = font.pointSizeF() > 0;
    // Sizes in points step by half a point; a font given in pixels steps by a pixel.
    const qreal largest = inPoints ? font.pointSizeF() : qreal(font.pixelSize());
    const qreal smallest = inPoints ? qMin(largest, kSmallestPoints) : qMin(largest, qreal(8));
    const qreal step = inPoints ? kStepPoints : 1;
    const auto setSize = [&font, inPoints](qreal size) {
        if (inPoints)
            font.setPointSizeF(size);
        else
            font.setPixelSize(int(size));
    };
    for (qreal size = largest; size >= smallest - 0.01; size -= step) {
        setSize(size);
        if (layOut(whole, font, area.width()) <= area.height())
            return {font, whole};
    }
    setSize(smallest);
    // Too long even so: as much of the beginning as fits, then "…".
    int fits = 0;
    int tooMany = int(whole.size());
    while (tooMany - fits > 1) {
        const int middle = (fits + tooMany) / 2;
        if (layOut(whole.left(middle) + kEllipsis, font, area.width()) <= area.height())
            fits = middle;
        else
            tooMany = middle;
    }
    return {font, whole.left(fits) + kEllipsis};
}

QFont ContactLabel::fittedFont() const
{
    return fit().font;
}

QString ContactLabel::shownText() const
{
    return fit().shown;
}

void ContactLabel::paintEvent(QPaintEvent* event)
{
    // The frame and background only; the text is drawn here, fitted.
    QFrame::paintEvent(event); // NOLINT(bugprone-parent-virtual-call): skips QLabel's text on purpose
    const Fit fitted = fit();
    if (fitted.shown.isEmpty()) {
        if (!m_reminder.isEmpty() && text().isEmpty()) {
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
            painter.drawText(textArea(), Qt::AlignCenter | Qt::TextWordWrap, m_reminder);
        }
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = textArea();
    painter.setClipRect(area);
    layOut(fitted.shown, fitted.font, area.width(), &painter, area.topLeft());
}

void ContactLabel::setReminder(const QString& reminder)
{
    if (reminder == m_reminder)
        return;
    m_reminder = reminder;
    update();
}

bool ContactLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The tooltip holds the contact only when the label cannot show all of it.
        const auto* help = static_cast<QHelpEvent*>(event);
        if (shownText() != text())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}
