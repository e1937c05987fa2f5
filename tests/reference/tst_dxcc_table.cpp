#include "reference/country_table.h"
#include "reference/dxcc_table.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QtTest>

namespace {

// Lines as HAMLOG's table lays them out; column B in Shift-JIS ("日本", "アメリカ合衆国" ...).
QByteArray sampleFile()
{
    return QByteArray("JA    JA    \x93\xFA\x96\x7B\r\n"
                      " K    K     \x83\x41\x83\x81\x83\x8A\x83\x4A\x8D\x87\x8F\x4F\x8D\x91\r\n"
                      "VK    VK     Australia  \r\n"
                      "JA    XX    second Japan line\r\n"
                      "?????  ???  \x95\x73\x96\xBE\r\n"
                      "KH6   KH6\r\n"
                      "G\r\n"
                      "VP2E  VP2E  \xB1\xDD\xB7\xDE\xD7\r\n"
                      "3D2/R 3D2/R Rotuma\r\n"
                      "vk9   low   lower case\r\n");
}

} // namespace

class TestDxccTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookup_data();
    void lookup();
    void missingFile();
    void lineEnds();
    void noCapOnLongFiles();
    void brokenCharacterKeepsNextLine();
    void shippedSamplesWork();

private:
    DxccTable m_table;
};

void TestDxccTable::initTestCase()
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), sampleFile()));
    FakePrompts prompts;
    m_table.LoadDxccFile(DxccFilePath(), prompts);
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(m_table.lines().size(), 10);
}

void TestDxccTable::lookup_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("columnA");
    QTest::addColumn<QString>("columnB");

    QTest::newRow("Japanese column B") << "JA"
                                       << "JA" << QStringLiteral("日本");
    QTest::newRow("line with leading space") << "K"
                                             << "K" << QStringLiteral("アメリカ合衆国");
    QTest::newRow("prefix trimmed") << "  VK "
                                    << "VK"
                                    << "Australia";
    QTest::newRow("not-found marker is a prefix too") << "?????"
                                                      << "???" << QStringLiteral("不明");
    QTest::newRow("line shorter than 13") << "KH6"
                                          << "KH6"
                                          << "";
    QTest::newRow("line shorter than 7") << "G"
                                         << ""
                                         << "";
    QTest::newRow("half-width kana") << "VP2E"
                                     << "VP2E" << QStringLiteral("ｱﾝｷﾞﾗ");
    QTest::newRow("five characters") << "3D2/R"
                                     << "3D2/R"
                                     << "Rotuma";
    QTest::newRow("longer than five never matches") << "3D2/RX"
                                                    << ""
                                                    << "";
    QTest::newRow("case matters") << "VK9"
                                  << ""
                                  << "";
    QTest::newRow("no such prefix") << "ZZ"
                                    << ""
                                    << "";
    QTest::newRow("empty prefix") << ""
                                  << ""
                                  << "";
}

// Catches the wrong line winning, columns cut at the wrong place, or Japanese text garbled.
void TestDxccTable::lookup()
{
    QFETCH(QString, prefix);
    QFETCH(QString, columnA);
    QFETCH(QString, columnB);
    const DxccColumns found = m_table.FindDxccLine(prefix);
    QCOMPARE(found.columnA, columnA);
    QCOMPARE(found.columnB, columnB);
}

// Catches a missing file passed over in silence or a message naming a file that is not looked for.
void TestDxccTable::missingFile()
{
    TempProgramFolder folder;
    DxccTable table = m_table;
    FakePrompts prompts;
    table.LoadDxccFile(DxccFilePath(), prompts);
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("TH_DX.dat が見つかりません！")});
    QCOMPARE(prompts.systemModalMessages, prompts.messages); // above other programs' windows too
    QVERIFY(table.lines().isEmpty());
    QCOMPARE(table.FindDxccLine(QStringLiteral("JA")).columnA, QString());
}

// Catches LF-only or CR-only files being taken as a single line.
void TestDxccTable::lineEnds()
{
    for (const char* ending : {"\n", "\r"}) {
        TempProgramFolder folder;
        QByteArray file = sampleFile();
        file.replace("\r\n", ending);
        QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), file));
        DxccTable table;
        FakePrompts prompts;
        table.LoadDxccFile(DxccFilePath(), prompts);
        QCOMPARE(table.lines().size(), 10);
        QCOMPARE(table.FindDxccLine(QStringLiteral("VP2E")).columnB, QStringLiteral("ｱﾝｷﾞﾗ"));
    }
}

// Catches a line cap that makes prefixes near the end of a long file unreachable.
void TestDxccTable::noCapOnLongFiles()
{
    TempProgramFolder folder;
    QByteArray file;
    for (int i = 0; i < 40000; ++i)
        file += QByteArray::number(i, 36).toUpper().leftJustified(6, ' ') + "AAAAAA line " +
                QByteArray::number(i) + "\r\n";
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"), file));
    DxccTable table;
    FakePrompts prompts;
    table.LoadDxccFile(DxccFilePath(), prompts);
    QCOMPARE(table.lines().size(), 40000);
    QCOMPARE(table.FindDxccLine(QString::number(39999, 36).toUpper()).columnB, QStringLiteral("line 39999"));
}

// Catches a line that ends in half a double-byte character joining the next line to it.
void TestDxccTable::brokenCharacterKeepsNextLine()
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("TH_DX.dat"),
                         "JA    JA    \x93\xFA\x96\r\nK     K     \x83\r\nVK    VK    \x83\x49\n"));
    DxccTable table;
    FakePrompts prompts;
    table.LoadDxccFile(DxccFilePath(), prompts);
    QCOMPARE(table.lines().size(), 3);
    QCOMPARE(table.FindDxccLine(QStringLiteral("K")).columnA, QStringLiteral("K"));
    QCOMPARE(table.FindDxccLine(QStringLiteral("VK")).columnB, QStringLiteral("オ"));
    QVERIFY(table.FindDxccLine(QStringLiteral("JA")).columnB.startsWith(QStringLiteral("日")));
}

// Catches sample files in the program folder that do not load cleanly or do not fit each other.
void TestDxccTable::shippedSamplesWork()
{
    const QString folder =
        QDir::cleanPath(QStringLiteral(VELKOR_TEST_DATA "/../../share/program")) + QLatin1Char('/');
    FakePrompts prompts;
    CountryTable countries;
    countries.LoadCountryFile(folder + QStringLiteral("Cty.dat"), prompts);
    DxccTable dxcc;
    dxcc.LoadDxccFile(folder + QStringLiteral("TH_DX.dat"), prompts);
    QVERIFY(prompts.messages.isEmpty() && prompts.questions.isEmpty());

    const QString ja = countries.LookupDxccPrefix(QStringLiteral("JA1ABC"));
    QCOMPARE(ja, QStringLiteral("JA"));
    QCOMPARE(dxcc.FindDxccLine(ja).columnB, QStringLiteral("日本"));
    // Every entity in the sample country file has its line in the sample DXCC table.
    for (const CountryEntry& e : countries.prefixEntries())
        QVERIFY2(!dxcc.FindDxccLine(e.DxccPrefix).columnB.isEmpty(), qPrintable(e.DxccPrefix));
}

QTEST_GUILESS_MAIN(TestDxccTable)
#include "tst_dxcc_table.moc"
