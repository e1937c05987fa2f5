#include "reference/country_table.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QtTest>

namespace {

// A header line laid out as the country file does: name in columns 1 to 26, zones, continent,
// coordinates and time offset, then the primary prefix from column 70.
QByteArray header(const char* name, const char* prefix)
{
    QByteArray line = QByteArray(name) + ':';
    line = line.leftJustified(26, ' ');
    line += "  25:  45:  AS:   36.40:  -138.38:    -9.0:";
    Q_ASSERT(line.size() == 69);
    return line + "  " + prefix + ":\r\n";
}

QByteArray sampleFile()
{
    return header("Japan", "JA") +
           "    JA,JD,JE,JF,JG,JH,JI,JJ,JK,JL,JM,JN,JO,JP,JQ,JR,JS,7J,7K,7L,7M,7N,\r\n"
           "    8J,8K,8L,8M,8N;\r\n" +
           header("Hawaii", "KH6") + "    AH6,AH7,KH6,KH7,NH6,NH7,WH6,WH7,=K1XYZ(5);\r\n" +
           header("Alaska", "KL") + "    AL,KL,NL,WL,AA0(4)[7];\r\n" + header("United States", "K") +
           "    AA,AB,K,N,W,=KH6XYZ,=AA0ZZ<40.0/-70.0>{NA}~-5.0~;\r\n" + header("Australia", "VK") +
           "    AX,VH,VI,VJ,VK,VL,VM,VN,VZ,\r\n    VK2(30);\r\n" + header("England", "G") +
           "    2E,G,M;\r\n" + header("Asiatic Turkey Extra", "*TA1") + "    TA1,=JA1SKIP;\r\n" +
           header("Asiatic Turkey", "TA") + "    TA,TB,TC,YM;\r\n" + header("Anguilla", "VP2E") +
           "    VP2E;\r\n" + header("Test Spaces", "ZZ") + "    ZZ ,ZY;\r\n" +
           header("Late Duplicates", "XX") + "    JA,=K1XYZ,VK2;\r\n" + header("Empty Lines Ok", "XY") +
           "     \r\n    XY;\r\n";
}

} // namespace

class TestCountryTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookup_data();
    void lookup();
    void storesEntriesInFileOrder();
    void missingFile();
    void formatErrorStopsLoading_data();
    void formatErrorStopsLoading();
    void lineEnds_data();
    void lineEnds();
    void noCapOnLongLists();
    void reloadEmptiesTables();

private:
    CountryTable m_table;
};

void TestCountryTable::initTestCase()
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), sampleFile()));
    FakePrompts prompts;
    m_table.LoadCountryFile(CountryFilePath(), prompts);
    QVERIFY2(prompts.messages.isEmpty() && prompts.questions.isEmpty(),
             qPrintable(prompts.messages.join(QLatin1Char('|')) + prompts.questions.join(QLatin1Char('|'))));
}

void TestCountryTable::lookup_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("prefix");

    QTest::newRow("plain prefix") << "JA1ABC"
                                  << "JA";
    QTest::newRow("digit first") << "7K1XYZ"
                                 << "JA";
    QTest::newRow("exact beats another entity's prefix") << "KH6XYZ"
                                                         << "K";
    QTest::newRow("prefix of the exact call's entity") << "KH6ABC"
                                                       << "KH6";
    QTest::newRow("exact with override marker") << "K1XYZ"
                                                << "KH6";
    QTest::newRow("exact needs the whole call") << "K1XYZA"
                                                << "K";
    QTest::newRow("exact with other markers") << "AA0ZZ"
                                              << "K";
    QTest::newRow("key cut at markers") << "AA0BC"
                                        << "KL";
    QTest::newRow("portable rearranged") << "JA1XYZ/VK2"
                                         << "VK";
    QTest::newRow("portable already in front") << "VK2/JA1XYZ"
                                               << "VK";
    QTest::newRow("longest candidate first") << "VK2ABC"
                                             << "VK";
    QTest::newRow("one-letter suffix kept") << "JA1XYZ/P"
                                            << "JA";
    QTest::newRow("QRP suffix kept") << "JA1XYZ/QRP"
                                     << "JA";
    QTest::newRow("two-letter suffix rearranged") << "JA1XYZ/MM"
                                                  << "G";
    QTest::newRow("suffix as long as home part") << "AB/VK2"
                                                 << "K";
    QTest::newRow("exact stage sees the call unchanged") << "KH6XYZ/VK2"
                                                         << "VK";
    QTest::newRow("skipped entity's prefix") << "TA1ABC"
                                             << "TA";
    QTest::newRow("skipped entity's exact call") << "JA1SKIP"
                                                 << "JA";
    QTest::newRow("first entity in file wins") << "VK2A"
                                               << "VK";
    QTest::newRow("whole call is no candidate") << "VP2E"
                                                << "?????";
    QTest::newRow("longer call matches the key") << "VP2EA"
                                                 << "VP2E";
    QTest::newRow("space kept in key") << "ZZ1A"
                                       << "?????";
    QTest::newRow("entry after a spaced one") << "ZY1A"
                                              << "ZZ";
    QTest::newRow("line of spaces holds nothing") << "XY1A"
                                                  << "XY";
    QTest::newRow("lower case") << "ja1abc"
                                << "?????";
    QTest::newRow("odd first character") << "/JA1ABC"
                                         << "?????";
    QTest::newRow("empty") << ""
                           << "?????";
    QTest::newRow("single character") << "K"
                                      << "?????";
    QTest::newRow("unknown") << "QQ1ABC"
                             << "?????";
}

// Catches any departure from the first-in-file-order answers of the exact and prefix stages.
void TestCountryTable::lookup()
{
    QFETCH(QString, call);
    QFETCH(QString, prefix);
    QCOMPARE(m_table.LookupDxccPrefix(call), prefix);
}

// Catches entries of skipped entities being stored, keys not cut, or entries out of order.
void TestCountryTable::storesEntriesInFileOrder()
{
    QStringList exact;
    for (const CountryEntry& e : m_table.exactCallEntries())
        exact << e.Key + QLatin1Char(':') + e.DxccPrefix;
    QCOMPARE(exact, QStringList({"K1XYZ:KH6", "KH6XYZ:K", "AA0ZZ:K", "K1XYZ:XX"}));
    QCOMPARE(m_table.prefixEntries().first().Key, QStringLiteral("JA"));
    QCOMPARE(m_table.prefixEntries().last().Key, QStringLiteral("XY"));
    bool spacedKey = false;
    for (const CountryEntry& e : m_table.prefixEntries()) {
        QVERIFY(!e.DxccPrefix.startsWith(QLatin1Char('*')));
        spacedKey = spacedKey || e.Key == QLatin1String("ZZ ");
    }
    QVERIFY(spacedKey);
}

// Catches a missing file being passed over in silence.
void TestCountryTable::missingFile()
{
    TempProgramFolder folder;
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QCOMPARE(prompts.messages, QStringList{QStringLiteral("NOT [Cty.dat] FILE")});
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JA1ABC")), QStringLiteral("?????"));
}

void TestCountryTable::formatErrorStopsLoading_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty line") << QByteArray("\r\n") << QStringLiteral("1～26");
    QTest::newRow("blank name") << QByteArray("   \r\n") << QStringLiteral("1～26");
    QTest::newRow("no prefix column")
        << QByteArray("Somewhere:                15:  28:  EU:\r\n") << QStringLiteral("70");
    QTest::newRow("entry line not ended") << QByteArray("    VK,VL\r\n") << QStringLiteral("「,」");
    QTest::newRow("unclosed (") << QByteArray("    VK(30,VL;\r\n") << QStringLiteral("「VK(30」");
    QTest::newRow(") before (") << QByteArray("    VK)30(,VL;\r\n") << QStringLiteral("「)」");
    QTest::newRow("unclosed {") << QByteArray("    VK{OC,VL;\r\n") << QStringLiteral("「}」");
    QTest::newRow("bad entry of a skipped entity") << header("Skipped", "*VK9") + "    VK(9;\r\n"
                                                   << QStringLiteral("「VK(9」");
}

// Catches a broken line that is not reported, reported with the wrong line number, or that
// discards the entries read before it.
void TestCountryTable::formatErrorStopsLoading()
{
    QFETCH(QByteArray, bad);
    QFETCH(QString, reason);
    TempProgramFolder folder;
    const QByteArray before =
        header("Japan", "JA") + "    JA,JD;\r\n" + header("Australia", "VK") + "    AX,\r\n";
    const QByteArray after = header("England", "G") + "    G,M;\r\n";
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), before + bad + after));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);

    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(prompts.questions.size(), 1);
    const QString& text = prompts.questions.first();
    const int badLine = 5 + (bad.startsWith("Skipped") ? 1 : 0);
    QVERIFY2(text.contains(QStringLiteral("Cty.dat の %1 行目").arg(badLine)), qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JD1ABC")), QStringLiteral("JA"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("AX2ABC")), QStringLiteral("VK"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("M0ABC")), QStringLiteral("?????"));
}

void TestCountryTable::lineEnds_data()
{
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

// Catches a file with another line end (the public file ships with LF) read as one long line.
void TestCountryTable::lineEnds()
{
    QFETCH(QByteArray, ending);
    TempProgramFolder folder;
    QByteArray file = sampleFile();
    file.replace("\r\n", ending);
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), file));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QVERIFY(prompts.questions.isEmpty());
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("XY1A")), QStringLiteral("XY"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JA1XYZ/VK2")), QStringLiteral("VK"));
}

// Catches a list cap that silently drops calls beyond 32,767 entries of one first character.
void TestCountryTable::noCapOnLongLists()
{
    TempProgramFolder folder;
    QByteArray file = header("United States", "K");
    for (int i = 0; i < 40000; i += 10) {
        file += "    ";
        for (int j = i; j < i + 10; ++j)
            file += "=K" + QByteArray::number(j) + "ZZ,";
        file += "\r\n";
    }
    file += "    K;\r\n" + header("Hawaii", "KH6") + "    KH6,=K39999ZZ,=K40000ZZ;\r\n";
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), file));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QVERIFY(prompts.questions.isEmpty());
    QCOMPARE(table.exactCallEntries().size(), 40002);
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("K39999ZZ")), QStringLiteral("K"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("K40000ZZ")), QStringLiteral("KH6"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("KH6AB")), QStringLiteral("KH6"));
}

// Catches a second load that keeps entries of the first.
void TestCountryTable::reloadEmptiesTables()
{
    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), sampleFile()));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JA1ABC")), QStringLiteral("JA"));
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), header("England", "G") + "    G;\r\n"));
    table.LoadCountryFile(CountryFilePath(), prompts);
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JA1ABC")), QStringLiteral("?????"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("KH6XYZ")), QStringLiteral("?????"));
    QCOMPARE(table.prefixEntries().size(), 1);
}

QTEST_GUILESS_MAIN(TestCountryTable)
#include "tst_country_table.moc"
