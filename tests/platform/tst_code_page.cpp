#include "common/program_folder.h"
#include "platform/code_page.h"

#include <QDir>
#include <QtTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsJapanese_data();
    void roundTripsJapanese();
    void encodesShiftJisBytes();
    void unrepresentableBecomesQuestionMark();
    void invalidBytesBecomeReplacement();
    void emptyAndAscii();
    void programFolderJoinsNativePaths();
};

void TestCodePage::roundTripsJapanese_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("status added") << QStringLiteral("JA1ABC をTURBO HAMLOG データベースに追加しました");
    QTest::newRow("no settings") << QStringLiteral("設定ファイルがありません\r\n設定をして下さい");
    QTest::newRow("db path") << QStringLiteral("ターボハムログ データベースの場所を設定してください");
    QTest::newRow("half-width kana") << QStringLiteral("ｼｽﾃﾑ ｱﾄﾞﾚｽ");
    QTest::newRow("full-width spaces") << QStringLiteral("　発送済　受領済　");
    QTest::newRow("path") << QStringLiteral("C:\\ハムログ\\Hamlog.hdb");
    QTest::newRow("wave dash and minus") << QStringLiteral("～－");
}

// Catches a converter that mangles the program's own Japanese texts on their way to the files.
void TestCodePage::roundTripsJapanese()
{
    QFETCH(QString, text);
    const QByteArray bytes = CodePage::fromUnicode(text);
    QVERIFY(!bytes.isEmpty());
    QVERIFY(!bytes.contains('?'));
    QCOMPARE(CodePage::toUnicode(bytes), text);
    QVERIFY(CodePage::canEncode(text));
}

// Catches a code page other than Shift-JIS (CP932) on the non-Windows side.
void TestCodePage::encodesShiftJisBytes()
{
#ifndef Q_OS_WIN
    QCOMPARE(CodePage::name(), QStringLiteral("CP932"));
    QCOMPARE(CodePage::fromUnicode(QStringLiteral("設定")), QByteArray("\x90\xDD\x92\xE8"));
    QCOMPARE(CodePage::fromUnicode(QStringLiteral("ｱ")), QByteArray("\xB1"));
    QCOMPARE(CodePage::toUnicode(QByteArray("\x83\x6E\x83\x80")), QStringLiteral("ハム"));
#endif
}

// Catches a converter that drops or shifts text around a character the code page cannot hold.
void TestCodePage::unrepresentableBecomesQuestionMark()
{
    const QString text = QStringLiteral("QSO 😀 with ɐ and é ok");
    const QByteArray bytes = CodePage::fromUnicode(text);
#ifndef Q_OS_WIN
    QCOMPARE(bytes, QByteArray("QSO ? with ? and ? ok"));
#endif
    QVERIFY(bytes.startsWith("QSO "));
    QVERIFY(bytes.endsWith(" ok"));
    QVERIFY(!CodePage::canEncode(text));
}

// Catches a decoder that stops or crashes at a broken byte instead of carrying on.
void TestCodePage::invalidBytesBecomeReplacement()
{
#ifndef Q_OS_WIN
    const QString decoded = CodePage::toUnicode(QByteArray("AB\x81") + QByteArray("\xFF") + "CD");
    QVERIFY(decoded.startsWith(QStringLiteral("AB")));
    QVERIFY(decoded.endsWith(QStringLiteral("CD")));
    QVERIFY(decoded.contains(QChar(0xFFFD)));
    // A lead byte cut off at the end.
    QCOMPARE(CodePage::toUnicode(QByteArray("X\x83")), QStringLiteral("X\uFFFD"));
#endif
}

// Catches special-casing gone wrong for empty and plain ASCII texts.
void TestCodePage::emptyAndAscii()
{
    QVERIFY(CodePage::fromUnicode(QString()).isEmpty());
    QVERIFY(CodePage::toUnicode(QByteArray()).isEmpty());
    const QString ascii = QStringLiteral("<call:5>JA1AA <eor>");
    QCOMPARE(CodePage::fromUnicode(ascii), ascii.toLatin1());
    // Long texts cross the converter's internal buffer.
    const QString longText = QString(QStringLiteral("設定")).repeated(3000);
    QCOMPARE(CodePage::toUnicode(CodePage::fromUnicode(longText)), longText);
}

// Catches doubled or missing separators in the program's file paths.
void TestCodePage::programFolderJoinsNativePaths()
{
    ProgramFolder::setPath(QStringLiteral("/tmp/velkor-test/"));
    const QString sep = QDir::separator();
    QCOMPARE(ProgramFolder::path(), QDir::toNativeSeparators(QStringLiteral("/tmp/velkor-test")));
    QCOMPARE(ProgramFolder::filePath(QStringLiteral("Log/Velkor.adi")),
             ProgramFolder::path() + sep + QStringLiteral("Log") + sep + QStringLiteral("Velkor.adi"));
    QCOMPARE(ProgramFolder::filePath(QStringLiteral("/VELKOR.ini")), ProgramFolder::path() + sep + QStringLiteral("VELKOR.ini"));
    ProgramFolder::setPath(QString());
    QVERIFY(!ProgramFolder::path().isEmpty());
}

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_code_page.moc"
