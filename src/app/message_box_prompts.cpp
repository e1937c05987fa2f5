#include "app/message_box_prompts.h"
#include "app/ui_trace.h"

#include "common/app_info.h"
#include "common/twips_gui.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace {

// Beside its caption a title bar holds the window icon and the close button, with some room
// around them; Qt leaves less than that, so a short message cut the caption off.
constexpr double kTitleBarFurnitureTwips = 1800;

void keepCaptionWhole(QMessageBox& box)
{
    const int captionWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) +
                             TwipsToPixelsX(&box, kTitleBarFurnitureTwips);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

QMessageBox::StandardButton ask(const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::Icon icon, bool aboveEverything = false)
{
    qCInfo(lcUi).noquote() << "message:" << text;
    QMessageBox box(icon, AppInfo::title(), text, buttons, QApplication::activeWindow());
    // exec() makes every box application-modal; this one also stays above other programs.
    if (aboveEverything)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    keepCaptionWhole(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The box goes below the window it belongs to (or above it), where the contacts that keep
// arriving stay in sight; on top of it when the screen has no room.
void keepClearOf(QMessageBox& box, QWidget* owner)
{
    if (!owner || !owner->isVisible())
        return;
    const QScreen* screen = owner->screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QRect window = owner->frameGeometry();
    const QRect frame = box.frameGeometry();
    const int left =
        qBound(free.left(), window.center().x() - frame.width() / 2, free.right() - frame.width());
    if (window.bottom() + frame.height() <= free.bottom())
        box.move(left, window.bottom() + 1);
    else if (window.top() - frame.height() >= free.top())
        box.move(left, window.top() - frame.height());
}

} // namespace

void MessageBoxPrompts::showMessage(const QString& text)
{
    ask(text, QMessageBox::Ok, QMessageBox::NoIcon);
}

void MessageBoxPrompts::showSystemModalMessage(const QString& text)
{
    ask(text, QMessageBox::Ok, QMessageBox::NoIcon, true);
}

bool MessageBoxPrompts::askOkCancel(const QString& text)
{
    return ask(text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) == QMessageBox::Ok;
}

bool MessageBoxPrompts::askOkCancelDefaultCancel(const QString& text)
{
    qCInfo(lcUi).noquote() << "message:" << text;
    QMessageBox box(QMessageBox::Question, AppInfo::title(), text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    keepCaptionWhole(box);
    return box.exec() == QMessageBox::Ok;
}

int MessageBoxPrompts::askChoice(const QString& text, const QStringList& buttons)
{
    qCInfo(lcUi).noquote() << "message:" << text;
    QMessageBox box(QMessageBox::Question, AppInfo::title(), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added.append(box.addButton(caption, QMessageBox::ActionRole));
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
        box.setEscapeButton(added.last());
    }
    keepCaptionWhole(box);
    box.exec();
    const int chosen = int(added.indexOf(box.clickedButton()));
    return chosen < 0 ? int(added.size()) - 1 : chosen;
}

void MessageBoxPrompts::showWithoutWaiting(const QString& text, bool okCancel, const std::function<void()>& closed)
{
    qCInfo(lcUi).noquote() << "message:" << text;
    QWidget* owner = QApplication::activeWindow();
    auto* box =
        new QMessageBox(okCancel ? QMessageBox::Question : QMessageBox::Information, AppInfo::title(), text,
                        okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("failureBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    keepCaptionWhole(*box);
    QObject::connect(box, &QMessageBox::finished, box, [closed] {
        if (closed)
            closed();
    });
    box->show();
    keepClearOf(*box, owner);
}
