#include <QApplication>
#include <QLabel>

#include "common/app_info.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    // The main window arrives with the start-up work; until then say so plainly.
    QLabel label(QStringLiteral("VELKOR はまだ準備中です。メインウィンドウは次の版で入ります。"));
    label.setWindowTitle(AppInfo::idleCaption());
    label.setMargin(24);
    label.show();
    return app.exec();
}
