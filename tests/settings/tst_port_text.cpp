#include "settings/port_text.h"

#include <QTest>

class TstPortText : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
};

void TstPortText::parses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "2500" << true << 2500;
    QTest::newRow("spaces around") << "  2600 " << true << 2600;
    QTest::newRow("signs") << "-1" << true << -1;
    QTest::newRow("plus") << "+2433" << true << 2433;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("half to even, down") << "2500.5" << true << 2500;
    QTest::newRow("half to even, up") << "2501.5" << true << 2502;
    QTest::newRow("negative half") << "-2.5" << true << -2;
    QTest::newRow("fraction rounds") << "2333.7" << true << 2334;
    QTest::newRow("bare fraction") << ".5" << true << 0;
    QTest::newRow("exponent") << "2.5e3" << true << 2500;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("rounds into range") << "2147483647.4" << true << 2147483647;
    // What a Japanese input method types: full-width digits, signs, point and space, and in kana
    // mode the long-vowel mark for minus and "。" for the point.
    QTest::newRow("full-width digits") << QStringLiteral("２６００") << true << 2600;
    QTest::newRow("full-width signs") << QStringLiteral("－１") << true << -1;
    QTest::newRow("full-width plus, spaces") << QStringLiteral("　＋２４３３　") << true << 2433;
    QTest::newRow("full-width point") << QStringLiteral("２５０１．５") << true << 2502;
    QTest::newRow("kana-mode minus and point") << QStringLiteral("ー２．５") << true << -2;
    QTest::newRow("kana-mode full stop") << QStringLiteral("２５００。５") << true << 2500;
    QTest::newRow("minus sign") << QStringLiteral("\u22121") << true << -1;

    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank") << "   " << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("trailing letters") << "2500x" << false << 0;
    QTest::newRow("inner space") << "25 00" << false << 0;
    QTest::newRow("too large") << "2147483648" << false << 0;
    QTest::newRow("rounds out of range") << "2147483647.5" << false << 0;
    QTest::newRow("too small") << "-2147483649" << false << 0;
    QTest::newRow("huge exponent") << "1e999" << false << 0;
    QTest::newRow("infinity") << "inf" << false << 0;
    QTest::newRow("not a number") << "nan" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("full-width text") << QStringLiteral("ｘ") << false << 0;
    QTest::newRow("full-width inner space") << QStringLiteral("２５　００") << false << 0;
    QTest::newRow("kana mark alone") << QStringLiteral("ー") << false << 0;
    QTest::newRow("other script digits") << QStringLiteral("\u0662\u0665") << false << 0;
}

// A port typed in the dialog must be read as the stored whole number, and anything else must
// leave the stored port alone (the caller's value is untouched on failure).
void TstPortText::parses()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    qint32 port = 4711;
    QCOMPARE(ParsePortText(text, port), ok);
    QCOMPARE(port, ok ? value : 4711);
}

QTEST_APPLESS_MAIN(TstPortText)
#include "tst_port_text.moc"
