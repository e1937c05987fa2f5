// The baseline of the Windows start-up benchmark: the least a Qt program does before its window
// shows, built with the same Qt, compiler and options as VELKOR.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("bare"));
    window.setWindowTitle(QStringLiteral("bare Qt window"));
    window.show();
    return app.exec();
}
