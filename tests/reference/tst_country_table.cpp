#include "reference/country_table.h"
#include "support/fake_prompts.h"
#include "support/temp_folder.h"

#include <QtTest>

#include <random>

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

// The lookup as a plain scan: 36 lists per family, split by first character, each in file order,
// searched from the top for the whole call and then for every shorter leading part.
class LinearCountryLists
{
public:
    void add(bool exact, const QString& key, const QString& dxccPrefix)
    {
        const int list = key.isEmpty() ? -1 : slot(key.at(0));
        if (list >= 0)
            (exact ? m_exact : m_prefix)[list].append(CountryEntry{key, dxccPrefix});
    }

    QString lookup(QString call) const
    {
        if (!call.isEmpty() && slot(call.at(0)) >= 0) {
            for (const CountryEntry& e : m_exact[slot(call.at(0))]) {
                if (e.Key == call)
                    return e.DxccPrefix;
            }
        }
        const int slash = call.indexOf(QLatin1Char('/'));
        if (slash >= 0) {
            const QString a = call.left(slash);
            const QString b = call.mid(slash + 1);
            const int lengthB = trim(b).size();
            if (trim(a).size() > lengthB && lengthB > 1 && b != QLatin1String("QRP"))
                call = b + QLatin1Char('/') + a;
        }
        for (int n = call.size() - 1; n >= 1; --n) {
            const QString candidate = call.left(n);
            if (slot(candidate.at(0)) < 0)
                break;
            for (const CountryEntry& e : m_prefix[slot(candidate.at(0))]) {
                if (e.Key == candidate)
                    return e.DxccPrefix;
            }
        }
        return QStringLiteral("?????");
    }

private:
    static int slot(QChar c)
    {
        const QString keys = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890");
        return keys.indexOf(c);
    }
    static QString trim(QString t)
    {
        while (t.startsWith(QLatin1Char(' ')))
            t.remove(0, 1);
        while (t.endsWith(QLatin1Char(' ')))
            t.chop(1);
        return t;
    }

    QVector<CountryEntry> m_prefix[36];
    QVector<CountryEntry> m_exact[36];
};

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
    void blankLinesSkipped_data();
    void blankLinesSkipped();
    void lineEnds_data();
    void lineEnds();
    void noCapOnLongLists();
    void reloadEmptiesTables();
    void matchesLinearScan();

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

void TestCountryTable::blankLinesSkipped_data()
{
    QTest::addColumn<QByteArray>("blank");
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("empty line") << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("spaces") << QByteArray("   \r\n") << QByteArray("\r\n");
    QTest::newRow("tab") << QByteArray("\t\r\n") << QByteArray("\r\n");
    QTest::newRow("LF file") << QByteArray("\n\n") << QByteArray("\n");
}

// Catches a blank line between entities (or a trailing one) stopping the load, so that every
// country after it reads "?????".
void TestCountryTable::blankLinesSkipped()
{
    QFETCH(QByteArray, blank);
    QFETCH(QByteArray, ending);
    TempProgramFolder folder;
    QByteArray file =
        header("Japan", "JA") + "    JA,JD;\r\n" + blank + header("England", "G") + "    G,M;\r\n" + blank;
    file.replace("\r\n", ending);
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), file));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QVERIFY2(prompts.questions.isEmpty(), qPrintable(prompts.questions.join(QLatin1Char('\n'))));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("JD1ABC")), QStringLiteral("JA"));
    QCOMPARE(table.LookupDxccPrefix(QStringLiteral("M0ABC")), QStringLiteral("G"));
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

// Catches any call sign on which the indexed lookup answers otherwise than a scan of the lists in
// file order (first "/" only, trimmed lengths, "QRP", keys of odd first characters, duplicates).
void TestCountryTable::matchesLinearScan()
{
    std::mt19937 rng(4711);
    auto pick = [&rng](const char* set) {
        const int n = int(std::strlen(set));
        return QLatin1Char(set[std::uniform_int_distribution<int>(0, n - 1)(rng)]);
    };
    auto between = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Few characters, so that keys collide, nest and repeat across entities.
    const char* keyChars = "AB1K/ a";
    auto token = [&](int length) {
        QString t;
        for (int i = 0; i < length; ++i)
            t += pick(i == 0 ? (between(0, 19) == 0 ? "/a" : "AB1K") : keyChars);
        return t;
    };
    const char* const markers[] = {"", "", "", "(5)", "[7]", "<1/2>", "{AS}", "(3)[9]"};

    LinearCountryLists linear;
    QByteArray file;
    for (int e = 0; e < 40; ++e) {
        const QString primary =
            (e % 7 == 6 ? QStringLiteral("*") : QString()) + token(between(1, 3)).trimmed();
        file += header(qPrintable(QStringLiteral("Entity %1").arg(e)), qPrintable(primary));
        const bool skipped = primary.startsWith(QLatin1Char('*'));
        const QString dxcc = primary;
        for (int l = between(1, 3); l > 0; --l) {
            QString line = QStringLiteral("    ");
            const int count = between(1, 8);
            for (int i = 0; i < count; ++i) {
                const bool exact = between(0, 2) == 0;
                QString key = token(between(1, exact ? 7 : 4));
                if (i > 0 && between(0, 9) == 0)
                    key.prepend(QLatin1Char(' ')); // a space after the separator stays in the key
                key = key.trimmed().isEmpty() ? QStringLiteral("A") : key;
                if (key.endsWith(QLatin1Char(' ')))
                    key.chop(1);
                line += (exact ? QStringLiteral("=") : QString()) + key +
                        QLatin1String(markers[between(0, 7)]) +
                        QLatin1Char(l == 1 && i + 1 == count ? ';' : ',');
                if (!skipped)
                    linear.add(exact, key, dxcc);
            }
            file += line.toLatin1() + "\r\n";
        }
    }

    TempProgramFolder folder;
    QVERIFY(folder.write(QStringLiteral("Cty.dat"), file));
    CountryTable table;
    FakePrompts prompts;
    table.LoadCountryFile(CountryFilePath(), prompts);
    QVERIFY2(prompts.questions.isEmpty(), qPrintable(prompts.questions.join(QLatin1Char('|'))));

    const char* const suffixes[] = {"P", "QRP", "MM", "1", " QRP", "QRP ", "AB/K", "", "A B"};
    int found = 0;
    for (int i = 0; i < 50000; ++i) {
        QString call;
        switch (i % 4) {
        case 0:
            call = token(between(0, 9));
            break;
        case 1:
            call = token(between(1, 6)) + QLatin1Char('/') + QLatin1String(suffixes[between(0, 8)]);
            break;
        case 2:
            call = QLatin1String(suffixes[between(0, 8)]) + QLatin1Char('/') + token(between(1, 6));
            break;
        default:
            call = token(between(1, 4)) + QLatin1Char('/') + token(between(0, 4)) + QLatin1Char('/') +
                   token(between(0, 3));
            break;
        }
        const QString expected = linear.lookup(call);
        const QString got = table.LookupDxccPrefix(call);
        found += got != QLatin1String("?????");
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("[%1]: %2, a scan gives %3").arg(call, got, expected)));
    }
    QVERIFY(found > 10000 && found < 40000); // both hits and misses were tried
}

QTEST_GUILESS_MAIN(TestCountryTable)
#include "tst_country_table.moc"
