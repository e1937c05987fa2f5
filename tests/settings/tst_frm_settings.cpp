#include "common/program_folder.h"
#include "common/twips_gui.h"
#include "settings/frm_settings.h"
#include "settings/path_label_gui.h"
#include "support/fake_file_dialog_gui.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

Settings sampleRecord()
{
    Settings s;
    s.ThDbFile = QStringLiteral("C:\\Hamlog\\Hamlog.hdb");
    s.Com2Rmk1 = 1;
    s.Pwr2Rmk2 = 1;
    s.SentMrk = QStringLiteral("J");
    s.RcvdMrk = QStringLiteral("R");
    s.QslSent = 1;
    s.QslRcvd = 0;
    s.QslRoot = 3;
    s.JtdxIP = QStringLiteral("127.0.0.1");
    s.WsjtIP = QStringLiteral("127.0.0.2");
    s.MshvIP = QStringLiteral("127.0.0.3");
    s.FreeDvIP = QStringLiteral("127.0.0.4");
    s.JtdxPort = 2433;
    s.WsjtPort = 2333;
    s.MshvPort = 2233;
    s.FreeDvPort = 2133;
    s.WsjtVisible = 1;
    s.FreeDvVisible = 1;
    s.JtdxFile = QStringLiteral("C:\\JTDX64\\bin\\jtdx.exe");
    s.WsjtFile = QStringLiteral("C:\\WSJT\\wsjtx\\bin\\wsjtx.exe");
    s.MshvFile = QStringLiteral("C:\\MSHV\\MSHV_x64.exe");
    s.FreeDvFile = QStringLiteral("C:\\FreeDV\\bin\\freedv.exe");
    return s;
}

template <typename T> T* child(QWidget* dialog, const char* name)
{
    T* widget = dialog->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QCheckBox* check(QWidget* d, int n)
{
    return child<QCheckBox>(d, QStringLiteral("Check%1").arg(n).toLatin1().constData());
}

QLineEdit* text(QWidget* d, int n)
{
    return child<QLineEdit>(d, QStringLiteral("Text%1").arg(n).toLatin1().constData());
}

} // namespace

class TstFrmSettings : public QObject
{
    Q_OBJECT

private slots:
    void controlsShowTheRecord();
    void okStoresEveryControl();
    void emptyMarksBecomeStars();
    void remarksExclusion();
    void remarksExclusionWhileFilling();
    void portTextRules_data();
    void portTextRules();
    void cancelEscapeAndCloseLeaveTheRecord_data();
    void cancelEscapeAndCloseLeaveTheRecord();
    void enterDoesNotClose();
    void browseButtons_data();
    void browseButtons();
    void browseThenCancel();
    void routeOutsideTheGroupIsKept();
    void fileFilters();
    void startFolderFallsBackToHome();
    void fitsTheScreen_data();
    void fitsTheScreen();
    void opensCentredOnTheFreeArea();
    void pathBoxesShowTheFileName();
    void pathsShortenedInTheMiddle_data();
    void pathsShortenedInTheMiddle();
    void pathBoxesKeepTheirBorders_data();
    void pathBoxesKeepTheirBorders();
};

// Catches a control that is filled from the wrong field, or a caption or name that drifted.
void TstFrmSettings::controlsShowTheRecord()
{
    Settings s = sampleRecord();
    frmSettings d(s);
    QCOMPARE(d.windowTitle(), QStringLiteral("HAMLOGへの変換転送設定,と各ソフトウェアの設定"));
    QVERIFY(check(&d, 1)->isChecked());
    QVERIFY(!check(&d, 2)->isChecked());
    QVERIFY(check(&d, 3)->isChecked());
    QVERIFY(!check(&d, 4)->isChecked());
    QVERIFY(!check(&d, 5)->isChecked());
    QVERIFY(check(&d, 6)->isChecked());
    QVERIFY(!check(&d, 7)->isChecked());
    QVERIFY(check(&d, 8)->isChecked());
    QVERIFY(!check(&d, 9)->isChecked());
    QVERIFY(check(&d, 10)->isChecked());
    QCOMPARE(check(&d, 3)->text(), QStringLiteral("COMMENTを備考１に記入"));

    auto* group = d.findChild<QButtonGroup*>(QStringLiteral("Option2"));
    QVERIFY(group);
    QCOMPARE(group->checkedId(), 3);
    QCOMPARE(child<QRadioButton>(&d, "Option2_3")->text(), QStringLiteral("NO QSL"));
    QVERIFY(child<QRadioButton>(&d, "Option2_3")->isChecked());

    QCOMPARE(text(&d, 32)->text(), QStringLiteral("J"));
    QCOMPARE(text(&d, 31)->text(), QStringLiteral("R"));
    QCOMPARE(child<QLabel>(&d, "Label1")->text(), s.ThDbFile);
    QCOMPARE(child<QLabel>(&d, "Label6")->text(), s.JtdxFile);
    QCOMPARE(child<QLabel>(&d, "Label7")->text(), s.WsjtFile);
    QCOMPARE(child<QLabel>(&d, "Label16")->text(), s.MshvFile);
    QCOMPARE(child<QLabel>(&d, "Label19")->text(), s.FreeDvFile);
    QCOMPARE(text(&d, 1)->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(text(&d, 2)->text(), QStringLiteral("2433"));
    QCOMPARE(text(&d, 3)->text(), QStringLiteral("127.0.0.2"));
    QCOMPARE(text(&d, 4)->text(), QStringLiteral("2333"));
    QCOMPARE(text(&d, 6)->text(), QStringLiteral("127.0.0.3"));
    QCOMPARE(text(&d, 5)->text(), QStringLiteral("2233"));
    QCOMPARE(text(&d, 7)->text(), QStringLiteral("127.0.0.4"));
    QCOMPARE(text(&d, 8)->text(), QStringLiteral("2133"));

    // The record of a run without a settings file: the addresses and ports the program will use
    // are shown, for the partner program's settings.
    Settings fresh;
    frmSettings empty(fresh);
    QCOMPARE(text(&empty, 1)->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(text(&empty, 2)->text(), QStringLiteral("2433"));
    QCOMPARE(text(&empty, 8)->text(), QStringLiteral("2133"));
    QCOMPARE(empty.findChild<QButtonGroup*>(QStringLiteral("Option2"))->checkedId(), 0);
}

// Catches OK writing a field from the wrong control, or losing one on the way back.
void TstFrmSettings::okStoresEveryControl()
{
    Settings s = sampleRecord();
    frmSettings d(s);
    d.show();
    check(&d, 2)->click();
    check(&d, 9)->click();
    check(&d, 8)->click();
    child<QRadioButton>(&d, "Option2_1")->click();
    text(&d, 32)->setText(QStringLiteral("済"));
    text(&d, 31)->setText(QString());
    text(&d, 1)->setText(QString());
    text(&d, 5)->setText(QStringLiteral("2250"));
    text(&d, 6)->setText(QStringLiteral("192.0.2.1"));
    text(&d, 8)->setText(QStringLiteral("2134"));
    QSignalSpy accepted(&d, &QDialog::accepted);
    QTest::mouseClick(child<QPushButton>(&d, "Command4"), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!d.isVisible());

    Settings expected = sampleRecord();
    expected.QslRcvd = 1;
    expected.MshvVisible = 1;
    expected.WsjtVisible = 0;
    expected.QslRoot = 1;
    expected.SentMrk = QStringLiteral("済");
    expected.RcvdMrk = QString(); // as typed, even empty
    expected.JtdxIP = QString();  // the default returns only when the file is read again
    expected.MshvPort = 2250;
    expected.MshvIP = QStringLiteral("192.0.2.1");
    expected.FreeDvPort = 2134;
    QVERIFY(s == expected);
}

// Catches empty marks reaching HAMLOG as empty instead of the usual "*".
void TstFrmSettings::emptyMarksBecomeStars()
{
    Settings s = sampleRecord();
    s.SentMrk.clear();
    s.RcvdMrk.clear();
    frmSettings d(s);
    QCOMPARE(text(&d, 32)->text(), QStringLiteral("*"));
    QCOMPARE(text(&d, 31)->text(), QStringLiteral("*"));
    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.SentMrk, QStringLiteral("*"));
    QCOMPARE(s.RcvdMrk, QStringLiteral("*"));
}

// Catches a remarks field that could receive both COMMENT and POWER, or a rule that also
// touches the other remarks field.
void TstFrmSettings::remarksExclusion()
{
    Settings s;
    frmSettings d(s);
    d.show();
    QTest::mouseClick(check(&d, 5), Qt::LeftButton);
    QVERIFY(check(&d, 5)->isChecked());
    QTest::mouseClick(check(&d, 3), Qt::LeftButton);
    QVERIFY(check(&d, 3)->isChecked());
    QVERIFY(!check(&d, 5)->isChecked());
    QTest::mouseClick(check(&d, 5), Qt::LeftButton);
    QVERIFY(!check(&d, 3)->isChecked());

    // COMMENT may go to both fields; POWER on field 2 then clears COMMENT on field 2 only.
    QTest::mouseClick(check(&d, 3), Qt::LeftButton);
    QTest::mouseClick(check(&d, 4), Qt::LeftButton);
    QVERIFY(check(&d, 3)->isChecked() && check(&d, 4)->isChecked());
    QTest::mouseClick(check(&d, 6), Qt::LeftButton);
    QVERIFY(check(&d, 6)->isChecked());
    QVERIFY(!check(&d, 4)->isChecked());
    QVERIFY(check(&d, 3)->isChecked());
    // Clearing a box changes nothing else.
    QTest::mouseClick(check(&d, 6), Qt::LeftButton);
    QVERIFY(!check(&d, 6)->isChecked() && !check(&d, 4)->isChecked() && check(&d, 3)->isChecked());

    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.Com2Rmk1, qint16(1));
    QCOMPARE(s.Pwr2Rmk1, qint16(0));
    QCOMPARE(s.Com2Rmk2, qint16(0));
    QCOMPARE(s.Pwr2Rmk2, qint16(0));
}

// Catches a record edited by hand with COMMENT and POWER on one field opening unchanged.
void TstFrmSettings::remarksExclusionWhileFilling()
{
    Settings s;
    s.Com2Rmk1 = 1;
    s.Pwr2Rmk1 = 1;
    s.Com2Rmk2 = 1;
    s.Pwr2Rmk2 = 1;
    frmSettings d(s);
    QVERIFY(!check(&d, 3)->isChecked());
    QVERIFY(check(&d, 5)->isChecked());
    QVERIFY(!check(&d, 4)->isChecked());
    QVERIFY(check(&d, 6)->isChecked());
    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.Com2Rmk1, qint16(0));
    QCOMPARE(s.Pwr2Rmk1, qint16(1));
    QCOMPARE(s.Com2Rmk2, qint16(0));
    QCOMPARE(s.Pwr2Rmk2, qint16(1));
}

void TstFrmSettings::portTextRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("number") << "2500" << 2500;
    QTest::newRow("half to even") << "2500.5" << 2500;
    QTest::newRow("half up to even") << "2501.5" << 2502;
    QTest::newRow("letters") << "abc" << 2433;
    QTest::newRow("empty") << "" << 2433;
    QTest::newRow("beyond 32 bits") << "4294967296" << 2433;
    QTest::newRow("negative kept as typed") << "-1" << -1;
}

// Catches a port box whose bad text zeroes or garbles the stored port.
void TstFrmSettings::portTextRules()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Settings s = sampleRecord();
    frmSettings d(s);
    d.show();
    text(&d, 2)->selectAll();
    text(&d, 2)->del();
    QTest::keyClicks(text(&d, 2), typed);
    QTest::mouseClick(child<QPushButton>(&d, "Command4"), Qt::LeftButton);
    QCOMPARE(s.JtdxPort, stored);
    // The next opening shows the stored port again.
    frmSettings again(s);
    QCOMPARE(text(&again, 2)->text(), QString::number(stored));
}

void TstFrmSettings::cancelEscapeAndCloseLeaveTheRecord_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("CANCEL") << 0;
    QTest::newRow("Escape in a text box") << 1;
    QTest::newRow("Escape on a check box") << 2;
    QTest::newRow("title bar") << 3;
}

// Catches a way of leaving the dialog that applies the edits after all.
void TstFrmSettings::cancelEscapeAndCloseLeaveTheRecord()
{
    QFETCH(int, how);
    FakeFileOpenDialog files;
    files.answers << QStringLiteral("D:\\other\\new.hdb");
    Settings s = sampleRecord();
    const Settings before = s;
    frmSettings d(s);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    check(&d, 7)->click();
    text(&d, 1)->setText(QStringLiteral("10.0.0.1"));
    text(&d, 2)->setText(QStringLiteral("9999"));
    child<QPushButton>(&d, "Command1")->click();
    QCOMPARE(child<QLabel>(&d, "Label1")->text(), QStringLiteral("D:\\other\\new.hdb"));
    QSignalSpy rejected(&d, &QDialog::rejected);
    switch (how) {
    case 0:
        QTest::mouseClick(child<QPushButton>(&d, "Command2"), Qt::LeftButton);
        break;
    case 1:
        text(&d, 1)->setFocus();
        QTest::keyClick(text(&d, 1), Qt::Key_Escape);
        break;
    case 2:
        check(&d, 7)->setFocus();
        QTest::keyClick(check(&d, 7), Qt::Key_Escape);
        break;
    case 3:
        d.close();
        break;
    }
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!d.isVisible());
    QVERIFY(s == before);
}

// Catches Enter in a text box pressing a button nobody chose.
void TstFrmSettings::enterDoesNotClose()
{
    Settings s = sampleRecord();
    const Settings before = s;
    frmSettings d(s);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    text(&d, 2)->setText(QStringLiteral("1234"));
    QTest::keyClick(text(&d, 2), Qt::Key_Return);
    QVERIFY(d.isVisible());
    QVERIFY(s == before);
}

void TstFrmSettings::browseButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("offered"); // the filters the dialog shows off Windows
    const QString exe = QStringLiteral("exe ファイル (*.exe)|*.exe|");
    const QString exeOffered = QStringLiteral("すべてのファイル (*);;exe ファイル (*.exe)");
    QTest::newRow("database") << "Command1"
                              << "Label1" << QStringLiteral("HAMLOGデータベースの設定") << "C:\\Hamlog"
                              << QStringLiteral("hdb ファイル (*.hdb)|*.hdb|")
                              << QStringLiteral("VELKOR ログブック (*.velkor);;すべてのファイル (*);;"
                                                "hdb ファイル (*.hdb)");
    QTest::newRow("JTDX") << "Command3"
                          << "Label6" << QStringLiteral("JTDX ファイルの設定") << "C:\\JTDX64\\bin" << exe
                          << exeOffered;
    QTest::newRow("WSJT-X") << "Command5"
                            << "Label7" << QStringLiteral("WSJT ファイルの設定") << "C:\\WSJT" << exe
                            << exeOffered;
    QTest::newRow("MSHV") << "Command6"
                          << "Label16" << QStringLiteral("MSHV ファイルの設定") << "C:\\MSHV" << exe
                          << exeOffered;
    QTest::newRow("FreeDV") << "Command7"
                            << "Label19" << QStringLiteral("FreeDV ファイルの設定") << "C:\\FreeDV" << exe
                            << exeOffered;
}

// Catches a browse button that asks with the wrong title, folder or filter, fills the wrong row,
// or lets a cancelled file dialog blank the path.
void TstFrmSettings::browseButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, label);
    QFETCH(QString, title);
    QFETCH(QString, folder);
    QFETCH(QString, filter);
    QFETCH(QString, offered);
    FakeFileOpenDialog files;
    files.answers << QStringLiteral("/opt/not-there-yet/program") << QString();
    Settings s = sampleRecord();
    frmSettings d(s);
    auto* path = child<QLabel>(&d, label.toLatin1().constData());
    auto* browse = child<QPushButton>(&d, button.toLatin1().constData());
    QCOMPARE(browse->text(), QStringLiteral("参照"));

    browse->click();
    QCOMPARE(files.requests.size(), 1);
    QCOMPARE(files.requests[0].title, title);
    QCOMPARE(files.requests[0].initialFolder, folder);
    QCOMPARE(files.requests[0].filter, filter);
    // Off Windows the demo partner, programs without ".exe" and the built-in logbook can be
    // picked, from the program's folder when the Windows one is not there.
#ifdef Q_OS_WIN
    QCOMPARE(QtFileFilter(files.requests[0]), QtFileFilter(filter));
#else
    QCOMPARE(QtFileFilter(files.requests[0]), offered);
    QCOMPARE(StartFolder(files.requests[0].initialFolder, files.requests[0].fallbackFolder),
             ProgramFolder::path());
#endif
    QCOMPARE(path->text(), QStringLiteral("/opt/not-there-yet/program")); // need not exist

    browse->click(); // cancelled
    QCOMPARE(files.requests.size(), 2);
    QCOMPARE(path->text(), QStringLiteral("/opt/not-there-yet/program"));

    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.ThDbFile, button == QLatin1String("Command1") ? path->text() : sampleRecord().ThDbFile);
    QCOMPARE(s.FreeDvFile, button == QLatin1String("Command7") ? path->text() : sampleRecord().FreeDvFile);
}

// Catches a browse that writes the record before OK.
void TstFrmSettings::browseThenCancel()
{
    FakeFileOpenDialog files;
    files.answers << QStringLiteral("C:\\Hamlog\\New.hdb");
    Settings s = sampleRecord();
    frmSettings d(s);
    child<QPushButton>(&d, "Command1")->click();
    QCOMPARE(s.ThDbFile, sampleRecord().ThDbFile);
    child<QPushButton>(&d, "Command2")->click();
    QCOMPARE(s.ThDbFile, sampleRecord().ThDbFile);
}

// Catches a hand-edited route outside 0..4 turning into route 0 on OK.
void TstFrmSettings::routeOutsideTheGroupIsKept()
{
    Settings s = sampleRecord();
    s.QslRoot = 7;
    frmSettings d(s);
    QCOMPARE(d.findChild<QButtonGroup*>(QStringLiteral("Option2"))->checkedId(), -1);
    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.QslRoot, qint16(7));
}

// Catches filters handed to Qt in the "desc|pattern|" form it does not read.
void TstFrmSettings::fileFilters()
{
    QCOMPARE(QtFileFilter(QStringLiteral("hdb ファイル (*.hdb)|*.hdb|")),
             QStringLiteral("hdb ファイル (*.hdb)"));
    QCOMPARE(QtFileFilter(QStringLiteral("Text|*.txt|")), QStringLiteral("Text (*.txt)"));
    QCOMPARE(QtFileFilter(QStringLiteral("exe ファイル (*.exe)|*.exe|すべてのファイル (*)|*|")),
             QStringLiteral("exe ファイル (*.exe);;すべてのファイル (*)"));
}

// Catches a file dialog told to start in a folder that does not exist here.
void TstFrmSettings::startFolderFallsBackToHome()
{
    QCOMPARE(StartFolder(QStringLiteral("C:\\Hamlog-not-here")), QDir::homePath());
    QCOMPARE(StartFolder(QDir::tempPath()), QDir::tempPath());
    QCOMPARE(StartFolder(QString()), QDir::homePath());
    QCOMPARE(StartFolder(QStringLiteral("C:\\Hamlog-not-here"), QDir::tempPath()), QDir::tempPath());
}

void TstFrmSettings::fitsTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<int>("scale");
    for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
        for (const int scale : {100, 125, 150}) {
            QTest::addRow("%dx%d at %d%%", screen.width(), screen.height(), scale) << screen << scale;
        }
    }
    QTest::newRow("too small: the frames scroll") << QSize(800, 600) << 200;
}

// Catches a dialog taller than the screen, with O K and CANCEL under the taskbar, or one that
// drifted from the classic size where there is room for it.
void TstFrmSettings::fitsTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(int, scale);
    // Scaling divides the screen into fewer device-independent pixels while the dialog keeps its
    // size in them; the taskbar stays 40 of them tall at the bottom.
    const QRect area(0, 0, screen.width() * 100 / scale, screen.height() * 100 / scale - 40);
    Settings s = sampleRecord();
    frmSettings d(s);
    d.placeOn(area);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));

    // With a title bar as tall as Windows draws it (31 px) and thin borders.
    const QRect frame = d.geometry().adjusted(-4, -31, 4, 4);
    QVERIFY(area.contains(frame));
    QVERIFY(qAbs((frame.left() - area.left()) - (area.right() - frame.right())) <= 1);
    QVERIFY(qAbs((frame.top() - area.top()) - (area.bottom() - frame.bottom())) <= 1);
    for (const char* name : {"Command4", "Command2"}) {
        auto* button = child<QPushButton>(&d, name);
        QVERIFY(button->isVisible());
        QVERIFY(d.rect().contains(QRect(button->mapTo(&d, QPoint()), button->size())));
    }
    // Every frame is on view, or the frames scroll.
    auto* scroll = child<QScrollArea>(&d, "framesScroll");
    const QSize frames = scroll->widget()->minimumSizeHint();
    QVERIFY(frames.height() <= scroll->viewport()->height() || scroll->verticalScrollBar()->isVisible());
    QVERIFY(frames.width() <= scroll->viewport()->width() || scroll->horizontalScrollBar()->isVisible());
    // Scrolling is the last resort: only a dialog that takes the whole free height scrolls.
    const bool scrolls = scroll->verticalScrollBar()->isVisible();
    QVERIFY(!scrolls || frame.height() >= area.height() - 1);
    if (scale == 200)
        QVERIFY(scrolls);

    if (scale == 100) {
        // The classic client area, 6975 x 8520 twips, to within 5 %, and nothing scrolls. (The
        // size follows the fonts; Windows' fonts under Wine make it larger, and it still fits.)
#ifndef Q_OS_WIN
        QVERIFY2(qAbs(d.width() - TwipsToPixelsX(&d, 6975)) <= TwipsToPixelsX(&d, 6975) / 20,
                 qPrintable(QString::number(d.width())));
        // Taller by the row of "起動時から受信", which the classic dialog did not have.
        const int listenRow = child<QComboBox>(&d, "Combo1")->height() + 6;
        QVERIFY2(qAbs(d.height() - listenRow - TwipsToPixelsY(&d, 8520)) <= TwipsToPixelsY(&d, 8520) / 20,
                 qPrintable(QString::number(d.height())));
        QVERIFY(!scroll->verticalScrollBar()->isVisible() && !scroll->horizontalScrollBar()->isVisible());
#endif
    }
}

// Catches a dialog centred on the whole screen, partly under the taskbar, or moved again when it
// is brought forward.
void TstFrmSettings::opensCentredOnTheFreeArea()
{
    Settings s = sampleRecord();
    frmSettings d(s);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const QRect area = d.screen()->availableGeometry();
    const QRect frame = d.frameGeometry();
    QVERIFY(area.contains(frame));
    QVERIFY(qAbs((frame.left() - area.left()) - (area.right() - frame.right())) <= 1);
    QVERIFY(frame.top() > area.top());
    d.move(frame.topLeft() + QPoint(7, 5));
    d.hide();
    d.show();
    QCOMPARE(d.frameGeometry().topLeft(), frame.topLeft() + QPoint(7, 5));
}

// Catches a path box that cuts off the program's file name, or one whose shortened text reaches
// the record.
void TstFrmSettings::pathBoxesShowTheFileName()
{
    Settings s = sampleRecord();
    s.MshvFile = QStringLiteral("C:\\Program Files (x86)\\MSHV_274\\MSHV_274.exe");
    frmSettings d(s);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto* mshv = child<PathLabel>(&d, "Label16");
    QVERIFY2(mshv->shownText().endsWith(QStringLiteral("\\MSHV_274.exe")), qPrintable(mshv->shownText()));
    QCOMPARE(mshv->toolTip(), s.MshvFile);
    const Settings before = s;
    child<QPushButton>(&d, "Command4")->click();
    QCOMPARE(s.MshvFile, before.MshvFile);
}

void TstFrmSettings::pathsShortenedInTheMiddle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("room"); // the box is as wide as this text
    QTest::addColumn<QString>("starts");
    QTest::addColumn<QString>("ends");
    const QString mshv = QStringLiteral("C:\\Program Files (x86)\\MSHV_274\\MSHV_274.exe");
    QTest::newRow("fits") << mshv << mshv << mshv << mshv;
    QTest::newRow("folders give way") << mshv << QStringLiteral("C:\\Program\\MSHV_274.exe")
                                      << QStringLiteral("C:\\") << QStringLiteral("\u2026\\MSHV_274.exe");
    QTest::newRow("forward slashes") << QStringLiteral("/home/ja1zzz/.local/bin/wsjtx")
                                     << QStringLiteral("/home/…/wsjtx") << QStringLiteral("/")
                                     << QStringLiteral("/wsjtx");
    QTest::newRow("name alone too wide")
        << mshv << QStringLiteral("MSHV_274.exe") << QStringLiteral("\u2026") << QStringLiteral("274.exe");
    QTest::newRow("no folder") << QStringLiteral("MSHV_274_with_a_long_name.exe")
                               << QStringLiteral("MSHV_274.exe") << QStringLiteral("\u2026")
                               << QStringLiteral("name.exe");
}

// Catches a shortening that drops the file name, or one wider than its box.
void TstFrmSettings::pathsShortenedInTheMiddle()
{
    QFETCH(QString, path);
    QFETCH(QString, room);
    QFETCH(QString, starts);
    QFETCH(QString, ends);
    const QFontMetrics metrics(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
    const int width = metrics.horizontalAdvance(room);
    const QString shown = ElidePath(path, metrics, width);
    QVERIFY2(shown.startsWith(starts) && shown.endsWith(ends), qPrintable(shown));
    QVERIFY(metrics.horizontalAdvance(shown) <= width);
}

void TstFrmSettings::pathBoxesKeepTheirBorders_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::newRow("100 %") << qreal(1.0);
    QTest::newRow("125 %") << qreal(1.25);
    QTest::newRow("150 %") << qreal(1.5);
}

// Catches a path box whose one-pixel border falls between device pixels at a fractional scale
// and is lost on its right or bottom side.
void TstFrmSettings::pathBoxesKeepTheirBorders()
{
    QFETCH(qreal, scale);
    Settings s = sampleRecord();
    frmSettings d(s);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto* files = child<QWidget>(&d, "Frame6");
    QImage image((QSizeF(files->size()) * scale).toSize(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    files->render(&image);
    const QColor base = files->palette().color(QPalette::Base);
    // Somewhere across the box's last logical pixel on each side a device pixel is not the
    // box's inside colour.
    const auto edgeDrawn = [&](int from, int to, bool columns, int across) {
        for (int at = int(from * scale);
             at < qMin(int(std::ceil(to * scale)), columns ? image.width() : image.height()); ++at) {
            const QColor c = columns ? image.pixelColor(at, int(across * scale))
                                     : image.pixelColor(int(across * scale), at);
            if (qAbs(c.lightness() - base.lightness()) > 40)
                return true;
        }
        return false;
    };
    for (const char* name : {"Label1", "Label6", "Label7", "Label16", "Label19"}) {
        const QRect box = child<QLabel>(&d, name)->geometry();
        QVERIFY2(edgeDrawn(box.right(), box.right() + 1, true, box.center().y()), name);
        QVERIFY2(edgeDrawn(box.bottom(), box.bottom() + 1, false, box.center().x()), name);
        QVERIFY2(edgeDrawn(box.left(), box.left() + 1, true, box.center().y()), name);
    }
}

QTEST_MAIN(TstFrmSettings)
#include "tst_frm_settings.moc"
