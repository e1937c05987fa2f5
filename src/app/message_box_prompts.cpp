#include "app/message_box_prompts.h"

#include "common/app_info.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QMessageBox::StandardButton ask(const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::Icon icon)
{
    QMessageBox box(icon, AppInfo::title(), text, buttons, QApplication::activeWindow());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

void MessageBoxPrompts::showMessage(const QString& text)
{
    ask(text, QMessageBox::Ok, QMessageBox::NoIcon);
}

bool MessageBoxPrompts::askOkCancel(const QString& text)
{
    return ask(text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question) == QMessageBox::Ok;
}
