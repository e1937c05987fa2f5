#include "adif_import/frm_adif_conv.h"
#include "app/frm_main.h"
#include "delivery/program_data.h"
#include "common/twips_gui.h"
#include "delivery/transfer_journal.h"
#include "hamlog/builtin_store.h"
#include "hamlog/hamlog_data.h"
#include "platform/code_page.h"
#include "support/fake_file_dialog_gui.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {

QByteArray sample(const char* name)
{
    QFile file(QStringLiteral(VELKOR_TEST_DATA "/adif_import/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing sample");
}

// n records one per line, as the partners write them.
QByteArray wsjtFile(int n, int firstNumber = 1)
{
    QByteArray bytes = "ADIF Export\n<adif_ver:5>3.1.1\n<programid:4>JTDX\n<eoh>\n";
    for (int i = firstNumber; i < firstNumber + n; ++i) {
        const QByteArray call = "JA" + QByteArray::number(i);
        bytes += "<call:" + QByteArray::number(call.size()) + ">" + call +
                 " <gridsquare:4>PM95 <mode:3>FT8 <rst_sent:3>-10 <rst_rcvd:3>-12 <qso_date:8>20240315 "
                 "<time_on:6>123015 <band:3>20m <freq:9>14.074150 <station_callsign:6>JA1ZZZ <eor>\n";
    }
    return bytes;
}

QByteArray utf16LittleEndian(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
    return bytes;
}

// The value of the first field whose tag ends in CALL, as the record holds it.
QString callOf(const QString& record)
{
    static const QRegularExpression tag(QStringLiteral("call:\\d+>(\\S+)"),
                                        QRegularExpression::CaseInsensitiveOption);
    return tag.match(record).captured(1);
}

} // namespace

class TstFrmAdifConv : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<frmMain> m_main;
    int m_transfers = 0;

    frmAdifConv* window()
    {
        auto* w = new frmAdifConv(
            *m_prompts,
            [this] {
                ++m_transfers;
                m_main->ThDbFileAppend();
            },
            m_main.get());
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->setJournalDatabase(Program().settings.ThDbFile); // as the main window opens it
        w->show();
        return w;
    }
    QString file(const QString& name, const QByteArray& bytes)
    {
        m_folder->write(name, bytes);
        return m_folder->filePath(name);
    }
    static QLabel* label(frmAdifConv* w, const char* name)
    {
        return w->findChild<QLabel*>(QLatin1String(name));
    }
    static QPushButton* button(frmAdifConv* w, const char* name)
    {
        return w->findChild<QPushButton*>(QLatin1String(name));
    }
    static QTableView* grid(frmAdifConv* w) { return w->findChild<QTableView*>(QStringLiteral("Grid1")); }
    static QString range(frmAdifConv* w)
    {
        return label(w, "Label1")->text() + "-" + label(w, "Label2")->text();
    }
    static QString shown(frmAdifConv* w, int row)
    {
        return grid(w)->model()->index(row - 1, 1).data().toString();
    }
    static QPoint rowPoint(frmAdifConv* w, int row)
    {
        QTableView* g = grid(w);
        const QModelIndex index = g->model()->index(row - 1, 1);
        g->scrollTo(index);
        return g->visualRect(index).center();
    }
    static void clickRow(frmAdifConv* w, int row)
    {
        QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(w, row));
    }
    static void dragRows(frmAdifConv* w, int from, int to)
    {
        QWidget* viewport = grid(w)->viewport();
        const QPoint start = rowPoint(w, from);
        const QPoint end = rowPoint(w, to);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(end), QPointF(viewport->mapToGlobal(end)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, end);
    }
    QList<StoredRecord> stored()
    {
        QList<StoredRecord> records;
        QString error;
        BuiltinStore::ReadRecords(Program().settings.ThDbFile, records, error);
        return records;
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<TempProgramFolder>();
        m_prompts = std::make_unique<FakePrompts>();
        ResetProgramData();
        Program().settings.ThDbFile = m_folder->filePath(QStringLiteral("log.db"));
        m_main = std::make_unique<frmMain>(Program(), *m_prompts);
        m_main->setHamlogLibrary(std::make_unique<BuiltinStore>());
        m_transfers = 0;
        ClearAdifTransferList();
    }
    void cleanup()
    {
        m_main.reset();
        m_prompts.reset();
        m_folder.reset();
    }

    void recordsOfRealFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("calls");      // the call field of each row, in order
        QTest::addColumn<QString>("firstShown");     // column 1 of row 1, when given
        QTest::addColumn<QString>("firstRecord");    // what row 1 transfers, when given
        QTest::addColumn<QString>("lastShownHolds"); // a text that the last row shows

        QTest::newRow("lower-case tag, header naming the program")
            << QByteArray("Exported by JTDX v2.2 <eoh>\r\n<call:5>ja1ab <mode:3>FT8 <eor>\r\n")
            << QStringList{"ja1ab"} << "<call:5>ja1ab <mode:3>FT8 <eor>" << QString() << QString();
        QTest::newRow("EQ_CALL counts, STATION_CALLSIGN alone does not")
            << QByteArray("<eoh>\r\n<eq_call:5>JA1ZZ <mode:3>FT8 <eor>\r\n"
                          "<station_callsign:5>JA1ZZ <mode:3>FT8 <eor>\r\n<CALL:4>W1AW <EOR>\r\n")
            << QStringList{"JA1ZZ", "W1AW"} << QString() << QString() << QString();
        QTest::newRow("TAB inside a record line: whole line shown and transferred")
            << QByteArray("<eoh>\r\n<call:5>JA1AB\t<name:3>Ken <eor>\r\n") << QStringList{"JA1AB"}
            << "<call:5>JA1AB <name:3>Ken <eor>"
            << "<call:5>JA1AB\t<name:3>Ken <eor>"
            << "Ken";
        QTest::newRow("lone LF and lone CR end lines")
            << QByteArray("<eoh>\n<call:4>W1AW <eor>\n<call:4>K1AB <eor>\r<call:4>N1CD <eor>")
            << QStringList{"W1AW", "K1AB", "N1CD"} << "<call:4>W1AW <eor>" << QString() << "N1CD";
        QTest::newRow("a line cut short keeps the next record whole")
            << QByteArray("<eoh>\r\n<call:4>W1AW <mode:3>FT\r\n<call:4>K1AB <mode:3>FT8 <eor>\r\n")
            << QStringList{"W1AW", "K1AB"} << "<call:4>W1AW <mode:3>FT" << QString()
            << "<call:4>K1AB <mode:3>FT8 <eor>";
        QTest::newRow("last record without its end tag")
            << QByteArray("<eoh>\r\n<call:4>W1AW <eor>\r\n<call:4>K1AB <mode:3>FT8\r\n")
            << QStringList{"W1AW", "K1AB"} << QString() << QString() << "<call:4>K1AB <mode:3>FT8";
        QTest::newRow("two lines per record")
            << sample("two_lines_per_record.adi") << QStringList{"JA1ABC", "K1ABC", "DL1XYZ"}
            << "<CALL:6>JA1ABC <QSO_DATE:8>20240315 <TIME_ON:6>123015 "
               "<BAND:3>20M <MODE:3>FT8  <FREQ:9>14.074000 <RST_SENT:3>-10 "
               "<RST_RCVD:3>-12 <GRIDSQUARE:4>PM95 <NAME:4>Taro <EOR>"
            << QString() << "Jürgen";
        QTest::newRow("one field per line, a value over two lines")
            << sample("one_field_per_line.adi") << QStringList{"JA1ABC", "K1ABC", "DL1XYZ"} << QString()
            << "<CALL:6>JA1ABC\r\n<QSO_DATE:8>20240315\r\n<TIME_ON:6>123015\r\n<FREQ:9>14.074000\r\n"
               "<MODE:3>FT8\r\n<RST_SENT:3>-10\r\n<RST_RCVD:3>-12\r\n<COMMENT:18>line one\r\nline "
               "two\r\n<EOR>"
            << "<COMMENT:18>line one line two <EOR>";
        QTest::newRow("UTF-8 with Japanese names")
            << sample("wsjtx_log.adi") << QStringList{"JA1ABC", "K1ABC", "DL1XYZ", "JH2ZZZ"} << QString()
            << QString() << "<name:2>花子 <eor>";
        QTest::newRow("UTF-8 with a byte-order mark, no header")
            << QByteArray("\xEF\xBB\xBF<call:5>JA1AB <name:2>\xE8\x8A\xB1\xE5\xAD\x90 <eor>\r\n")
            << QStringList{"JA1AB"} << "<call:5>JA1AB <name:2>花子 <eor>" << QString() << QString();
        QTest::newRow("UTF-16 with its byte-order mark")
            << (QByteArray("\xFF\xFE") +
                utf16LittleEndian(QStringLiteral("<eoh>\r\n<call:5>JA1AB <name:2>花子 <eor>\r\n")))
            << QStringList{"JA1AB"} << "<call:5>JA1AB <name:2>花子 <eor>" << QString() << QString();
        QTest::newRow("UTF-16 without a byte-order mark")
            << utf16LittleEndian(
                   QStringLiteral("<eoh>\r\n<call:5>JA1AB <name:2>花子 <eor>\r\n<call:4>W1AW <eor>\r\n"))
            << QStringList{"JA1AB", "W1AW"} << "<call:5>JA1AB <name:2>花子 <eor>" << QString() << QString();
        QTest::newRow("zero bytes where a power cut stopped the writer")
            << (QByteArray("<eoh>\r\n<call:4>W1AW <eor>\r\n<call:4>K1AB <mo") + QByteArray(600, '\0') +
                "<call:4>N1CD <eor>\r\n" + QByteArray(100, '\0'))
            << QStringList{"W1AW", "K1AB", "N1CD"} << QString() << QString() << "<call:4>N1CD <eor>";
        QTest::newRow("Shift-JIS log of this program")
            << sample("velkor_sjis.adi") << QStringList{"JA1ABC", "JH2ZZZ"} << QString() << QString()
            << "<name:2>花子 <eor>";
    }

    // Catches records lost, cut, merged or garbled on their way from the files real loggers write
    // into the grid and the transfer list.
    void recordsOfRealFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, calls);
        QFETCH(QString, firstShown);
        QFETCH(QString, firstRecord);
        QFETCH(QString, lastShownHolds);
        std::unique_ptr<frmAdifConv> w(window());
        w->LoadAdifFile(file(QStringLiteral("in.adi"), bytes));
        QStringList rowCalls;
        for (int row = 1; row <= w->recordCount(); ++row) {
            QCOMPARE(grid(w.get())->model()->index(row - 1, 0).data().toString(), QString::number(row));
            rowCalls << callOf(w->recordAt(row));
        }
        QCOMPARE(rowCalls, calls);
        QCOMPARE(grid(w.get())->model()->rowCount(), calls.size());
        QCOMPARE(range(w.get()), QStringLiteral("1-%1").arg(calls.size()));
        QVERIFY(button(w.get(), "Command1")->isEnabled());
        if (!firstShown.isEmpty())
            QCOMPARE(shown(w.get(), 1), firstShown);
        if (!firstRecord.isEmpty())
            QCOMPARE(w->recordAt(1), firstRecord);
        if (!lastShownHolds.isEmpty())
            QVERIFY2(shown(w.get(), calls.size()).contains(lastShownHolds),
                     qPrintable(shown(w.get(), calls.size())));
        QVERIFY(m_prompts->messages.isEmpty());

        // The whole record reaches the transfer list, in row order.
        button(w.get(), "Command1")->click();
        QCOMPARE(AdifTransferCount, calls.size());
        QCOMPARE(AdifTransferList.value(1), w->recordAt(1));
        QVERIFY(w->isHidden());
        int withCall = 0; // an EQ_CALL row alone has no call sign to append
        for (int row = 1; row <= w->recordCount(); ++row)
            withCall += w->recordAt(row).contains(QLatin1String("<call:"), Qt::CaseInsensitive) ? 1 : 0;
        QCOMPARE(stored().size(), withCall);
    }

    // Catches a wrong dialog request, a cancel that changes something, rows left over from the
    // previous file, or the button disabled again by a file without records.
    void fileDialogAndReload()
    {
        FakeFileOpenDialog dialog;
        std::unique_ptr<frmAdifConv> w(window());
        QCOMPARE(w->windowTitle(), QStringLiteral("ADIFからハムログデータベースへファイル転送"));
        QCOMPARE(button(w.get(), "Command1")->text(), QStringLiteral("   ハムログデータベース へ転送"));
        QCOMPARE(grid(w.get())->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("No"));
        QCOMPARE(grid(w.get())->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("QSO Data"));
        QCOMPARE(range(w.get()), QStringLiteral("0-0"));
        QVERIFY(!button(w.get(), "Command1")->isEnabled());

        dialog.answers << file(QStringLiteral("twenty.ADI"), wsjtFile(20)) << QString()
                       << file(QStringLiteral("five.adi"), wsjtFile(5, 100))
                       << file(QStringLiteral("none.adi"), "ADIF Export\r\n<eoh>\r\n");
        button(w.get(), "Command3")->click();
        QCOMPARE(dialog.requests.size(), 1);
        QCOMPARE(dialog.requests[0].title, QStringLiteral("ADIFログファイルの設定"));
        QCOMPARE(dialog.requests[0].initialFolder, QDir::toNativeSeparators(m_folder->filePath("Log")));
        QVERIFY(QtFileFilter(dialog.requests[0].filter)
                    .startsWith(QStringLiteral("ADIF ファイル (*.ADI *.adi);;")));
        QCOMPARE(w->recordCount(), 20);
        QCOMPARE(range(w.get()), QStringLiteral("1-20"));
        QVERIFY(button(w.get(), "Command1")->isEnabled());

        button(w.get(), "Command3")->click(); // cancelled
        QCOMPARE(w->recordCount(), 20);
        QCOMPARE(range(w.get()), QStringLiteral("1-20"));

        button(w.get(), "Command3")->click();
        QCOMPARE(grid(w.get())->model()->rowCount(), 5);
        QCOMPARE(callOf(w->recordAt(1)), QStringLiteral("JA100"));
        QCOMPARE(range(w.get()), QStringLiteral("1-5"));

        button(w.get(), "Command3")->click();
        QCOMPARE(grid(w.get())->model()->rowCount(), 0);
        QCOMPARE(range(w.get()), QStringLiteral("1-0"));
        QVERIFY(button(w.get(), "Command1")->isEnabled());
        button(w.get(), "Command1")->click();
        QCOMPARE(m_transfers, 1);
        QCOMPARE(AdifTransferCount, 0);
        QVERIFY(stored().isEmpty());
        QVERIFY(m_main->statusText().startsWith(HamlogTransfer::transferredText()));
    }

    // Catches the first click after a load changing the range, a drag read the wrong way round,
    // or a range transferring other rows than the ones chosen.
    void mouseChoosesRange()
    {
        std::unique_ptr<frmAdifConv> w(window());
        w->resize(800, 600);
        w->LoadAdifFile(file(QStringLiteral("ten.adi"), wsjtFile(10)));
        clickRow(w.get(), 4);
        QCOMPARE(range(w.get()), QStringLiteral("1-10"));
        clickRow(w.get(), 4);
        QCOMPARE(range(w.get()), QStringLiteral("4-4"));
        dragRows(w.get(), 7, 3);
        QCOMPARE(range(w.get()), QStringLiteral("3-7"));
        dragRows(w.get(), 2, 5);
        QCOMPARE(range(w.get()), QStringLiteral("2-5"));
        QTest::mouseClick(grid(w.get())->viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(w.get(), 2));
        clickRow(w.get(), 2);
        QCOMPARE(range(w.get()), QStringLiteral("2-2"));
        button(w.get(), "Command1")->click();
        QCOMPARE(AdifTransferCount, 1);
        QCOMPARE(AdifTransferList.value(1), w->recordAt(2));
        QCOMPARE(callOf(AdifTransferList.value(1)), QStringLiteral("JA2"));
        const QList<StoredRecord> records = stored();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].fields[1], QStringLiteral("JA2"));
    }

    void keyboardChoosesRange_data()
    {
        QTest::addColumn<QStringList>("steps"); // "click N", or keys as QKeySequence spells them
        QTest::addColumn<QString>("expected");  // empty: only that it agrees with the highlight
        QTest::newRow("Down and Shift+Down from row 3")
            << QStringList{"click 3", "click 3", "Shift+Down", "Shift+Down", "Shift+Down"} << "3-6";
        QTest::newRow("keys right after loading") << QStringList{"Down", "Shift+Down"} << "1-2";
        QTest::newRow("Shift+Up reads upwards")
            << QStringList{"click 5", "click 5", "Shift+Up", "Shift+Up"} << "3-5";
        QTest::newRow("Shift+PageDown") << QStringList{"click 2", "click 2", "Shift+PgDown"} << QString();
        QTest::newRow("Ctrl+A after one row") << QStringList{"click 2", "click 2", "Ctrl+A"} << "1-40";
        QTest::newRow("ignored first click keeps the whole file highlighted")
            << QStringList{"click 4"} << "1-40";
        QTest::newRow("keys, then a click is not ignored")
            << QStringList{"Down", "Shift+Down", "click 7"} << "7-7";
    }

    // Catches a range that misses a choice made with the keyboard, a highlight that shows other
    // rows than a transfer takes, or Enter in the grid transferring (the whole file, by default).
    void keyboardChoosesRange()
    {
#ifdef Q_OS_WIN
        if (QByteArray(QTest::currentDataTag()) == "keys right after loading")
            QSKIP("where the grid's cursor starts after loading is the style's choice; the Windows style "
                  "puts it on the first row");
#endif
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        FakeFileOpenDialog dialog;
        dialog.answers << file(QStringLiteral("forty.adi"), wsjtFile(40));
        std::unique_ptr<frmAdifConv> w(window());
        w->resize(800, 400);
        button(w.get(), "Command3")->click(); // loads, and the focus goes to the transfer button
        QTableView* g = grid(w.get());
        g->setFocus();
        for (const QString& step : steps) {
            if (step.startsWith(QLatin1String("click ")))
                clickRow(w.get(), step.mid(6).toInt());
            else
                QTest::keySequence(g, QKeySequence(step));
        }
        int top = -1;
        int bottom = -1;
        for (const QItemSelectionRange& r : g->selectionModel()->selection()) {
            top = top < 0 ? r.top() : qMin(top, r.top());
            bottom = qMax(bottom, r.bottom());
        }
        const QString shownRange = TstFrmAdifConv::range(w.get());
        QCOMPARE(shownRange, QStringLiteral("%1-%2").arg(top + 1).arg(bottom + 1));
        if (!expected.isEmpty())
            QCOMPARE(shownRange, expected);
        QVERIFY(bottom > top || !expected.isEmpty());

        QTest::keyClick(g, Qt::Key_Return);
        QTest::keyClick(g, Qt::Key_Enter);
        QCOMPARE(m_transfers, 0);
        QVERIFY(w->isVisible());
        QTest::keyClick(button(w.get(), "Command1"), Qt::Key_Space);
        QCOMPARE(m_transfers, 1);
        QCOMPARE(AdifTransferCount, bottom - top + 1);
        QCOMPARE(AdifTransferList.value(1), w->recordAt(top + 1));
    }

    void secondImport_data()
    {
        QTest::addColumn<bool>("overUdp");  // the first three went in over UDP, not by an import
        QTest::addColumn<bool>("otherDb");  // the second import goes into another database
        QTest::addColumn<int>("answer");    // 0 leave them out, 1 transfer again, 2 cancel
        QTest::addColumn<int>("questions"); // how many times the user was asked
        QTest::addColumn<int>("inDb");      // records in the database afterwards
        QTest::addColumn<bool>("unreadable"); // the journal is a folder: asked OK (1) or Cancel (2)
        QTest::newRow("leave out, the default") << false << false << 0 << 1 << 5 << false;
        QTest::newRow("transfer again") << false << false << 1 << 1 << 8 << false;
        QTest::newRow("cancel") << false << false << 2 << 1 << 3 << false;
        QTest::newRow("another database") << false << true << 0 << 0 << 5 << false;
        QTest::newRow("own log, contacts received over UDP") << true << false << 0 << 1 << 5 << false;
        QTest::newRow("journal unreadable, cancel") << false << false << 2 << 0 << 3 << true;
        QTest::newRow("journal unreadable, transfer all") << false << false << 1 << 0 << 8 << true;
    }

    // Catches an import of the same records doubling them in the database, a question that is
    // not asked or miscounts, a cancel that still transfers, or a journal that mixes databases.
    void secondImport()
    {
        QFETCH(bool, overUdp);
        QFETCH(bool, otherDb);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(int, inDb);
        QFETCH(bool, unreadable);
        const QString path = file(QStringLiteral("five.adi"), wsjtFile(5));
        if (overUdp) {
            // As the partner sent them: other letter case, seconds in the time.
            for (int i = 1; i <= 3; ++i)
                m_main->ThLogDbAppend(QStringLiteral("<CALL:3>JA%1 <MODE:3>FT8 <QSO_DATE:8>20240315 "
                                                     "<TIME_ON:6>123059 <BAND:3>20M <FREQ:8>14.07415 <EOR>")
                                          .arg(i));
        } else {
            std::unique_ptr<frmAdifConv> w(window());
            w->resize(800, 400);
            w->LoadAdifFile(path);
            dragRows(w.get(), 1, 3);
            button(w.get(), "Command1")->click();
        }
        QCOMPARE(stored().size(), 3);
        QVERIFY(m_prompts->choices.isEmpty());
        if (otherDb)
            Program().settings.ThDbFile = m_folder->filePath(QStringLiteral("other.db"));

        if (unreadable) {
            QVERIFY(QFile::remove(TransferJournal::Path()) && QDir().mkpath(TransferJournal::Path()));
            m_prompts->answers << (answer == 1);
        }
        m_prompts->choiceAnswers << answer;
        std::unique_ptr<frmAdifConv> w(window());
        w->LoadAdifFile(path);
        button(w.get(), "Command1")->click();
        QCOMPARE(m_prompts->choices.size(), questions);
        QCOMPARE(m_prompts->cancelDefault.size(), unreadable ? 1 : 0);
        if (questions > 0) {
            QVERIFY2(m_prompts->choices[0].contains(QStringLiteral("選んだ 5 件のうち 3 件")),
                     qPrintable(m_prompts->choices[0]));
            QCOMPARE(m_prompts->choiceButtons[0].size(), 3);
        }
        QCOMPARE(stored().size(), inDb);
        QCOMPARE(w->isVisible(), answer == 2);
        if (answer == 0 && !otherDb)
            QCOMPARE(m_main->statusText(), HamlogTransfer::transferredText(2, 3));
        // A journal that cannot be written is said once.
        QCOMPARE(m_prompts->messages.size(), unreadable && answer == 1 ? 1 : 0);
    }

    void newUserKeysAndTexts_data()
    {
        QTest::addColumn<QByteArray>("before"); // a file transferred whole beforehand
        QTest::addColumn<QByteArray>("file");   // the file then chosen with 転送元
        QTest::addColumn<int>("answer");        // to the question, when one comes
        QTest::addColumn<QString>("asked");     // the question's beginning; empty: none
        QTest::addColumn<int>("inDb");          // records in the database afterwards
        QTest::addColumn<QString>("status");    // the main window's status; empty: no transfer
        QTest::addColumn<int>("scale");         // the display's, in per cent
        const QString all = QStringLiteral("選んだ 5 件はすべて、このデータベースに転送済みです。");
        QTest::newRow("new file") << QByteArray() << wsjtFile(5) << 0 << QString() << 5
                                  << HamlogTransfer::transferredText(5, 0) << 100;
        QTest::newRow("all in before, cancelled")
            << wsjtFile(5) << wsjtFile(5) << 1 << all << 5 << QString() << 125;
        QTest::newRow("all in before, again")
            << wsjtFile(5) << wsjtFile(5) << 0 << all << 10 << HamlogTransfer::transferredText(5, 0) << 150;
        QTest::newRow("some in before, left out")
            << wsjtFile(3) << wsjtFile(5) << 0 << QStringLiteral("選んだ 5 件のうち 3 件") << 5
            << HamlogTransfer::transferredText(2, 3) << 100;
        QTest::newRow("header only") << QByteArray() << QByteArray("ADIF Export\r\n<eoh>\r\n") << 0
                                     << QString() << 0 << QString() << 150;
    }

    // Catches Enter after loading a file transferring it, Tab changing the range instead of
    // leaving the grid, a button whose caption does not fit, a second import of nothing new that
    // offers to leave everything out, a result without its skipped count, and a file without
    // records loaded in silence.
    void newUserKeysAndTexts()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, file);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(int, inDb);
        QFETCH(QString, status);
        QFETCH(int, scale);
        OverrideLogicalDpi(96 * scale / 100);
        const QFont appFont = QApplication::font();
        QFont scaled = appFont;
        scaled.setPointSizeF(9.0 * scale / 100);
        QApplication::setFont(scaled);
        const auto restore = qScopeGuard([appFont] {
            OverrideLogicalDpi(0);
            QApplication::setFont(appFont);
        });
        if (!before.isEmpty()) {
            std::unique_ptr<frmAdifConv> first(window());
            first->LoadAdifFile(this->file(QStringLiteral("before.adi"), before));
            button(first.get(), "Command1")->click();
        }
        const int transfersBefore = m_transfers;
        const QString path = this->file(QStringLiteral("chosen.adi"), file);
        FakeFileOpenDialog dialog;
        dialog.answers << path;
        m_prompts->choiceAnswers << answer;
        std::unique_ptr<frmAdifConv> w(window());
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        for (const char* name : {"Command3", "Command1", "Command2"}) {
            QPushButton* b = button(w.get(), name);
            // The caption with room at both ends (the transfer button's begins with spaces).
            QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text().trimmed()) +
                                       2 * b->fontMetrics().horizontalAdvance(QStringLiteral("   ")),
                     name);
        }
        button(w.get(), "Command3")->click();
        QTableView* g = grid(w.get());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(g));
        const auto chosen = [g] { return g->selectionModel()->selection(); };
        const QItemSelection loaded = chosen();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_transfers, transfersBefore);
        QTest::keyClick(g, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != g);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(g));
        QCOMPARE(chosen(), loaded);
        QCOMPARE(m_prompts->messages.contains(frmAdifConv::noRecordsText(path)), w->recordCount() == 0);

        m_main->setStatusText(QString());
        button(w.get(), "Command1")->click();
        QCOMPARE(m_prompts->choices.size(), asked.isEmpty() ? 0 : 1);
        if (!asked.isEmpty())
            QVERIFY2(m_prompts->choices[0].startsWith(asked), qPrintable(m_prompts->choices[0]));
        QCOMPARE(stored().size(), inDb);
        QCOMPARE(m_main->statusText(), status);
    }

    void unreadableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QByteArray>("bytes"); // written to name when given
        QTest::newRow("missing") << "gone.adi" << QStringLiteral("ファイルがありません") << QByteArray();
        QTest::newRow("a folder") << "Log" << QStringLiteral("フォルダー") << QByteArray();
        QByteArray program("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0", 16);
        program += QByteArray(200, '\x01') + "<call:4>W1AW <eor>" + QByteArray(100, '\0');
        QTest::newRow("a program chosen by mistake")
            << "velkor.exe" << QStringLiteral("テキストではない") << program;
        QTest::newRow("text without a single tag")
            << "notes.txt" << QStringLiteral("ADIF のタグがありません") << QByteArray("CALL: JA1AB 599\r\n");
        QTest::newRow("empty file") << "empty.adi" << QStringLiteral("ADIF のタグがありません")
                                    << QByteArray("");
    }

    // Catches a file that cannot be read, or is no ADIF text, passing silently (as one garbage
    // row, or as a transfer of nothing reported as done), or leaving the previous file's rows and
    // an enabled transfer behind.
    void unreadableFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QFETCH(QByteArray, bytes);
        QDir(m_folder->path()).mkdir(QStringLiteral("Log"));
        if (QTest::currentDataTag() != QLatin1String("missing") && !name.startsWith(QLatin1String("Log")))
            file(name, bytes);
        std::unique_ptr<frmAdifConv> w(window());
        w->LoadAdifFile(file(QStringLiteral("ok.adi"), wsjtFile(3)));
        QVERIFY(button(w.get(), "Command1")->isEnabled());
        const QString path = m_folder->filePath(name);
        w->LoadAdifFile(path);
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY(m_prompts->messages[0].contains(QDir::toNativeSeparators(path)));
        QVERIFY2(m_prompts->messages[0].contains(reason), qPrintable(m_prompts->messages[0]));
        QCOMPARE(grid(w.get())->model()->rowCount(), 0);
        QCOMPARE(range(w.get()), QStringLiteral("0-0"));
        QVERIFY(!button(w.get(), "Command1")->isEnabled());
    }

    // Catches 16-bit limits, records lost between grid and store, or a status text without its
    // counts.
    void largeFileIntoBuiltinStore()
    {
        const int count = 40000;
        QByteArray bytes = wsjtFile(count);
        bytes += "<eq_call:5>JA1ZZ <mode:3>FT8 <eor>\n"; // a row, but no call sign to append
        std::unique_ptr<frmAdifConv> w(window());
        w->LoadAdifFile(file(QStringLiteral("year.adi"), bytes));
        QCOMPARE(range(w.get()), QStringLiteral("1-%1").arg(count + 1));
        button(w.get(), "Command1")->click();
        QCOMPARE(AdifTransferCount, count + 1);
        const QList<StoredRecord> records = stored();
        QCOMPARE(records.size(), count);
        QCOMPARE(records.last().fields[1], QStringLiteral("JA%1").arg(count));
        QCOMPARE(m_main->statusText(), HamlogTransfer::transferredText(count, 1));
        QVERIFY(m_main->statusText().startsWith(HamlogTransfer::transferredText()));
        QVERIFY(m_main->statusText().contains(QStringLiteral("40000")));
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());
        QVERIFY(!m_main->transferProgressDialog());
    }

    // Catches a cancel that loses the records appended before it, goes on appending, or does not
    // say how many went in.
    void cancelMidTransfer()
    {
        std::unique_ptr<frmAdifConv> w(window());
        w->LoadAdifFile(file(QStringLiteral("many.adi"), wsjtFile(1000)));
        QList<int> seen;
        connect(m_main.get(), &frmMain::importProgressed, this, [&](int done, int total) {
            seen << done;
            QCOMPARE(total, 1000);
            QVERIFY(m_main->transferProgressDialog());
            QCOMPARE(m_main->transferProgressDialog()->parentWidget(), static_cast<QWidget*>(m_main.get()));
            if (done == 300)
                m_main->transferProgressDialog()->cancel();
        });
        button(w.get(), "Command1")->click();
        QCOMPARE(seen.size(), 301);
        QCOMPARE(stored().size(), 300);
        QCOMPARE(m_main->statusText(), HamlogTransfer::cancelledText(300, 0));
        QVERIFY(m_main->statusText().contains(QStringLiteral("300")));
        QVERIFY(!m_main->transferProgressDialog());
        QVERIFY(m_prompts->messages.isEmpty() && m_prompts->questions.isEmpty());
    }
};

QTEST_MAIN(TstFrmAdifConv)
#include "tst_frm_adif_conv.moc"
