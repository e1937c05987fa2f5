#include "app/window_placement.h"

#include <QTest>

class TstWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void reachablePosition_data();
    void reachablePosition();
};

void TstWindowPlacement::reachablePosition_data()
{
    QTest::addColumn<QPoint>("saved");
    QTest::addColumn<QPoint>("placed");
    // A 500 x 150 window among three screens: the primary with a taskbar, one to its right, and
    // one above and to the left of it.
    QTest::newRow("on the primary") << QPoint(100, 100) << QPoint(100, 100);
    QTest::newRow("on the second screen") << QPoint(2500, 300) << QPoint(2500, 300);
    QTest::newRow("on the screen above, left") << QPoint(-1000, -600) << QPoint(-1000, -600);
    QTest::newRow("across two screens") << QPoint(1700, 500) << QPoint(1700, 500);
    QTest::newRow("border off the left edge") << QPoint(-7, 200) << QPoint(-7, 200);
    QTest::newRow("against the bottom of the second screen") << QPoint(3340, 930) << QPoint(3340, 930);
    QTest::newRow("bottom behind the taskbar") << QPoint(100, 1000) << QPoint(100, 890);
    QTest::newRow("saved at 100 %, right part past the last screen")
        << QPoint(3500, 300) << QPoint(3340, 300);
    QTest::newRow("top above the primary, nothing there") << QPoint(300, -60) << QPoint(300, 0);
    QTest::newRow("right of every screen") << QPoint(4500, 300) << QPoint(3340, 300);
    QTest::newRow("below every screen") << QPoint(100, 5000) << QPoint(100, 890);
    QTest::newRow("in the gap left of the primary") << QPoint(-600, 200) << QPoint(0, 200);
    QTest::newRow("only a sliver of title bar shows") << QPoint(-480, 1060) << QPoint(0, 890);
    QTest::newRow("far off, huge numbers") << QPoint(-1000000, -1000000) << QPoint(-1280, -1024);
}

// Catches a window restored onto a monitor that is gone or partly off its screen (a position saved
// at another scale), or one moved although the user saw it whole where it was.
void TstWindowPlacement::reachablePosition()
{
    QFETCH(QPoint, saved);
    QFETCH(QPoint, placed);
    const QList<ScreenArea> screens = {
        {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
        {QRect(1920, 0, 1920, 1080), QRect(1920, 0, 1920, 1080)},
        {QRect(-1280, -1024, 1280, 1024), QRect(-1280, -1024, 1280, 1024)},
    };
    QCOMPARE(ReachablePosition(QRect(saved, QSize(500, 150)), screens), placed);
    QCOMPARE(ReachablePosition(QRect(saved, QSize(500, 150)), {}), saved); // nothing known
}

QTEST_APPLESS_MAIN(TstWindowPlacement)
#include "tst_window_placement.moc"
