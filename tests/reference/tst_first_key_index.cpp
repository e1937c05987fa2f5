#include "reference/first_key_index.h"

#include <QtTest>

class TestFirstKeyIndex : public QObject
{
    Q_OBJECT

private slots:
    void firstInsertionWinsAcrossGrowth();
    void findsLeadingParts();
};

// Catches a later duplicate overwriting the first value, or keys lost when the table grows.
void TestFirstKeyIndex::firstInsertionWinsAcrossGrowth()
{
    FirstKeyIndex<int> index;
    for (int i = 0; i < 5000; ++i)
        index.insertFirst(QStringLiteral("K%1").arg(i % 2500), i);
    QCOMPARE(index.size(), 2500);
    for (int i = 0; i < 2500; ++i) {
        const int* value = index.find(QStringLiteral("K%1").arg(i));
        QVERIFY(value);
        QCOMPARE(*value, i);
    }
    QVERIFY(!index.find(QStringLiteral("K2500")));
    QVERIFY(!index.find(QString()));
    index.insertFirst(QString(), -1); // the empty key is a key like any other
    QCOMPARE(*index.find(QString()), -1);
    index.clear();
    QVERIFY(!index.find(QStringLiteral("K1")));
}

// Catches lookups by pointer and length that read past the part or match a longer key.
void TestFirstKeyIndex::findsLeadingParts()
{
    FirstKeyIndex<QString> index;
    index.insertFirst(QStringLiteral("VK"), QStringLiteral("VK"));
    index.insertFirst(QStringLiteral("VK9X"), QStringLiteral("VK9X"));
    const QString call = QStringLiteral("VK9XYZ");
    QCOMPARE(*index.find(call.constData(), 2), QStringLiteral("VK"));
    QVERIFY(!index.find(call.constData(), 3));
    QCOMPARE(*index.find(call.constData(), 4), QStringLiteral("VK9X"));
    QVERIFY(!index.find(call.constData(), 1));
}

QTEST_GUILESS_MAIN(TestFirstKeyIndex)
#include "tst_first_key_index.moc"
