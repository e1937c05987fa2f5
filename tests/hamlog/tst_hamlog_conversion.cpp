#include "hamlog/hamlog_conversion.h"

#include "support/hamlog_tables.h"

#include <QtTest>

class TestHamlogConversion : public QObject
{
    Q_OBJECT

private:
    HamlogTestTables m_tables;

private slots:
    void initTestCase()
    {
        QVERIFY(m_tables.prompts.messages.isEmpty() && m_tables.prompts.questions.isEmpty());
    }

    void readAdifField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("value");
        const int found = AdifField::Found, absent = AdifField::Absent, failed = AdifField::Failed;
        QTest::newRow("lower-case tag, value keeps case") << "<call:6>qq1abc <eor>"
                                                          << "CALL" << found << "qq1abc";
        QTest::newRow("mixed-case tag") << "<Mode:3>ft8<eor>"
                                        << "MODE" << found << "ft8";
        QTest::newRow("whole tag only") << "<STATION_CALLSIGN:5>JA1ZZ <CALL:4>K1AB<eor>"
                                        << "CALL" << found << "K1AB";
        QTest::newRow("not inside another tag") << "<STATION_CALLSIGN:5>JA1ZZ <eor>"
                                                << "CALL" << absent << "";
        QTest::newRow("data-type indicator") << "<QSO_DATE:8:D>20240315 "
                                             << "QSO_DATE" << found << "20240315";
        QTest::newRow("blanks in the length") << "<NAME: 4\t>Taro"
                                              << "NAME" << found << "Taro";
        QTest::newRow("value cut by the end of text") << "<NAME:10>Taro"
                                                      << "NAME" << found << "Taro";
        QTest::newRow("length 0 is absent") << "<COMMENT:0><eor>"
                                            << "COMMENT" << absent << "";
        QTest::newRow("no digits is absent") << "<COMMENT:>x"
                                             << "COMMENT" << absent << "";
        QTest::newRow("negative length is absent") << "<COMMENT:-3>abc"
                                                   << "COMMENT" << absent << "";
        QTest::newRow("first occurrence wins") << "<NAME:1>A <NAME:1>B"
                                               << "NAME" << found << "A";
        QTest::newRow("multi-byte value") << "<NAME:4>山田太郎<eor>"
                                          << "NAME" << found << "山田太郎";
        // Upper-casing "ß" to "SS" would shift every later position by one.
        QTest::newRow("letter that widens when upper-cased") << "<NAME:4>Groß <CALL:5>JA1AB"
                                                             << "CALL" << found << "JA1AB";
        QTest::newRow("tag without >") << "<CALL:5 JA1AB"
                                       << "CALL" << failed << "";
        QTest::newRow("length beyond 32767") << "<CALL:40000>JA1AB"
                                             << "CALL" << failed << "";
        QTest::newRow("huge negative length is absent") << "<CALL:-1e300>JA1AB"
                                                        << "CALL" << absent << "";
        QTest::newRow("length rounded") << "<CALL:2.6>JA1AB"
                                        << "CALL" << found << "JA1";
        QTest::newRow("tag beyond 32767") << QString(32800, QLatin1Char(' ')) + "<CALL:5>JA1AB"
                                          << "CALL" << failed << "";
    }

    // Catches tags matched by part or case, lengths misread, or values taken from the wrong place.
    void readAdifField()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, status);
        QFETCH(QString, value);
        const AdifField field = ReadAdifField(text, name);
        QCOMPARE(int(field.status), status);
        QCOMPARE(field.value, value);
        QCOMPARE(field.error.isEmpty(), status != AdifField::Failed);
    }

    void frequency_data()
    {
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("udp");
        QTest::addColumn<QString>("import");
        QTest::newRow("six decimals") << "14.074150"
                                      << "14.074"
                                      << "14.074";
        QTest::newRow("zeros") << "14.074000"
                               << "14.074"
                               << "14.074";
        QTest::newRow("three decimals") << "14.074"
                                        << "14.074"
                                        << "14.074";
        QTest::newRow("no point") << "7"
                                  << "7.000"
                                  << "7";
        QTest::newRow("cut, never rounded") << "7.0749"
                                            << "7.075"
                                            << "7.074";
        QTest::newRow("below one") << "0.136"
                                   << ".136"
                                   << "0.136";
        QTest::newRow("rounded to three") << "50.3131"
                                          << "50.313"
                                          << "50.313";
        QTest::newRow("point only") << "14."
                                    << "14.000"
                                    << "14.";
        QTest::newRow("two decimals") << "14.07"
                                      << "14.070"
                                      << "14.07";
        QTest::newRow("no number") << "abc"
                                   << ".000"
                                   << "abc";
        QTest::newRow("blanks and trailing text") << " 2 1.074 MHz"
                                                  << "21.074"
                                                  << "2 1.074";
        QTest::newRow("half-way, double just below") << "1.0005"
                                                     << "1.001"
                                                     << "1.000";
        QTest::newRow("half-way") << "14.0745"
                                  << "14.075"
                                  << "14.074";
        QTest::newRow("half-way below one") << "0.0005"
                                            << ".001"
                                            << "0.000";
        QTest::newRow("carry into the integer") << "9.9995"
                                                << "10.000"
                                                << "9.999";
        QTest::newRow("negative") << "-14.0745"
                                  << "-14.075"
                                  << "-14.074";
        QTest::newRow("negative rounds to zero") << "-0.0001"
                                                 << ".000"
                                                 << "-0.000";
        QTest::newRow("exponent stops the number") << "+1e3"
                                                   << "1.000"
                                                   << "+1e3";
        QTest::newRow("huge") << "100000000000000000000"
                              << "100000000000000000000.000"
                              << "100000000000000000000";
        QTest::newRow("comma") << "14,074150"
                               << "14.000"
                               << "14.074";
        QTest::newRow("blanks around") << " 14.074150 "
                                       << "14.074"
                                       << "14.074";
    }

    // Catches the old import rule (drop three characters), half-way values rounded by their binary
    // form (1.0005 to 1.000), and rounding, sign or zero handling errors.
    void frequency()
    {
        QFETCH(QString, freq);
        QFETCH(QString, udp);
        QFETCH(QString, import);
        QCOMPARE(FormatUdpFrequency(freq), udp);
        QCOMPARE(CutImportFrequency(freq), import);
    }

    void qslText_data()
    {
        QTest::addColumn<int>("root");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("sentMark");
        QTest::addColumn<int>("rcvd");
        QTest::addColumn<QString>("rcvdMark");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no check, sent star") << 4 << 1 << "*" << 0 << "x"
                                             << " * ";
        QTest::newRow("JARL, no marks") << 0 << 0 << "*" << 0 << "*"
                                        << "J  ";
        QTest::newRow("direct, trimmed marks") << 1 << 1 << "  ab " << 1 << " R"
                                               << "DaR";
        QTest::newRow("manager, blank mark") << 2 << 1 << "   " << 1 << ""
                                             << "M  ";
        QTest::newRow("flag other than 1") << 3 << 2 << "*" << -1 << "*"
                                           << "N  ";
        QTest::newRow("unknown route") << 5 << 1 << "*" << 1 << "*"
                                       << "";
    }

    // Catches marks taken when their flag is off, untrimmed marks, or a wrong route letter.
    void qslText()
    {
        QFETCH(int, root);
        QFETCH(int, sent);
        QFETCH(QString, sentMark);
        QFETCH(int, rcvd);
        QFETCH(QString, rcvdMark);
        QFETCH(QString, expected);
        Settings s;
        s.QslRoot = qint16(root);
        s.QslSent = qint16(sent);
        s.SentMrk = sentMark;
        s.QslRcvd = qint16(rcvd);
        s.RcvdMrk = rcvdMark;
        QCOMPARE(BuildQslText(s), expected);
    }

    void convert_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("expected"); // fields 1 to 16 joined by "|"
        const QString wsjt = QStringLiteral("<call:6>ja1abc <gridsquare:4>PM95 <mode:3>ft8 <rst_sent:3>-10 "
                                            "<rst_rcvd:3>-12 <qso_date:8>20240315 <time_on:6>123456 "
                                            "<band:3>40m <freq:6>7.0749 <station_callsign:5>JA1ZZ "
                                            "<my_gridsquare:4>PM96 <name:4>Taro <eor>");
        QTest::newRow("udp, Japan") << wsjt << false
                                    << "JA1ABC|24/03/15|12:34|-10|-12|7.075|FT8|JA|PM95|J  |Taro|日本||||0";
        QTest::newRow("import, Japan")
            << wsjt << true << "JA1ABC|24/03/15|12:34|-10|-12|7.074|FT8|JA|PM95|J  |Taro|日本||||0";
        QTest::newRow("other country, type indicators")
            << "<QSO_DATE:8:D>20231231<TIME_ON:4>0159<CALL:4>w1aw<FREQ:9>14.074150<MODE:3>FT4<EOR>" << true
            << "W1AW|23/12/31|01:59|||14.074|FT4|K||J  ||アメリカ合衆国||||8";
        QTest::newRow("country without a DXCC line")
            << "<call:5>DL1AB<eor>" << false << "DL1AB|||||||||J  ||||||8";
        QTest::newRow("unknown country") << "<call:5>QQ1AA<eor>" << false << "QQ1AA|||||||||J  ||||||8";
        QTest::newRow("no call") << "<mode:3>FT8<eor>" << true << "||||||FT8|||J  ||||||8";
        // WSJT-X, JTDX and MSHV log FT4, Q65 and FST4 as MFSK with the mode proper in SUBMODE.
        const QString mfsk =
            QStringLiteral("<call:5>ja1ab <mode:4>MFSK <submode:3>ft4 <freq:9>14.080150<eor>");
        QTest::newRow("udp, submode") << mfsk << false << "JA1AB|||||14.080|FT4|JA||J  ||日本||||0";
        QTest::newRow("import, submode") << mfsk << true << "JA1AB|||||14.080|FT4|JA||J  ||日本||||0";
        QTest::newRow("blank submode")
            << "<MODE:4>MFSK<SUBMODE:1> <eor>" << true << "||||||MFSK|||J  ||||||8";
        QTest::newRow("short date and time")
            << "<call:5>JA1AB<qso_date:4>2024<time_on:1>9" << false << "JA1AB|24//|9:|||||JA||J  ||日本||||0";
    }

    // Catches fields in the wrong place, a variant using the other frequency rule, or country
    // columns not following the call sign.
    void convert()
    {
        QFETCH(QString, text);
        QFETCH(bool, import);
        QFETCH(QString, expected);
        Settings settings;
        HamlogRecord record;
        QString error;
        int yields = 0;
        QVERIFY(ConvertContact(text, import ? ContactSource::Import : ContactSource::Udp,
                               BuildQslText(settings), settings, m_tables.countries, m_tables.dxcc, record,
                               error, [&] { ++yields; }));
        QStringList got;
        for (int i = 1; i <= 16; ++i)
            got << record[i];
        QCOMPARE(got.join(QLatin1Char('|')), expected);
        QVERIFY(yields > 0);
    }

    void remarks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("flags"); // Com2Rmk1 Com2Rmk2 Pwr2Rmk1 Pwr2Rmk2
        QTest::addColumn<QString>("remark1");
        QTest::addColumn<QString>("remark2");
        const QString both = QStringLiteral("<call:5>JA1AB<comment:5>hello<tx_pwr:3>50W<eor>");
        QTest::newRow("none") << both << "0000"
                              << ""
                              << "";
        QTest::newRow("comment to both") << both << "1100"
                                         << "hello"
                                         << "hello";
        QTest::newRow("power wins remark 1") << both << "1010"
                                             << "50W"
                                             << "";
        QTest::newRow("comment 1, power 2") << both << "1001"
                                            << "hello"
                                            << "50W";
        QTest::newRow("flag 2 is not set") << both << "2222"
                                           << ""
                                           << "";
        QTest::newRow("empty comment") << "<call:5>JA1AB<comment:0><eor>"
                                       << "1000"
                                       << ""
                                       << "";
        QTest::newRow("absent power overwrites") << "<comment:2>hi<eor>"
                                                 << "1010"
                                                 << ""
                                                 << "";
    }

    // Catches the wrong overwrite order or remarks filled without their flag.
    void remarks()
    {
        QFETCH(QString, text);
        QFETCH(QString, flags);
        QFETCH(QString, remark1);
        QFETCH(QString, remark2);
        Settings s;
        s.Com2Rmk1 = qint16(flags.mid(0, 1).toInt());
        s.Com2Rmk2 = qint16(flags.mid(1, 1).toInt());
        s.Pwr2Rmk1 = qint16(flags.mid(2, 1).toInt());
        s.Pwr2Rmk2 = qint16(flags.mid(3, 1).toInt());
        HamlogRecord record;
        QString error;
        QVERIFY(ConvertContact(text, ContactSource::Udp, QString(), s, m_tables.countries, m_tables.dxcc,
                               record, error));
        QCOMPARE(record[13], remark1);
        QCOMPARE(record[14], remark2);
    }

    // Catches a broken field being skipped silently, or state from one record leaking into the next.
    void failureAndFreshRecord()
    {
        Settings s;
        HamlogRecord record;
        QString error;
        QVERIFY(!ConvertContact(QStringLiteral("<call:5>JA1AB<freq:6 7.074"), ContactSource::Import,
                                QString(), s, m_tables.countries, m_tables.dxcc, record, error));
        QVERIFY(error.contains(QLatin1String("<FREQ:")));

        // A UDP frequency beyond any number range fails with its own text rather than "inf".
        const QString huge = QLatin1Char('1') + QString(400, QLatin1Char('0'));
        QVERIFY(!ConvertContact(QStringLiteral("<call:5>JA1AB<freq:401>") + huge, ContactSource::Udp,
                                QString(), s, m_tables.countries, m_tables.dxcc, record, error));
        QVERIFY(error.contains(huge));

        QVERIFY(ConvertContact(QStringLiteral("<call:5>JA1AB<name:3>Ken"), ContactSource::Import, QString(),
                               s, m_tables.countries, m_tables.dxcc, record, error));
        QVERIFY(ConvertContact(QStringLiteral("<mode:3>FT8"), ContactSource::Import, QString(), s,
                               m_tables.countries, m_tables.dxcc, record, error));
        QVERIFY(record.callSign().isEmpty());
        QVERIFY(record[11].isEmpty());
        QCOMPARE(record[16], QStringLiteral("8"));
    }
};

QTEST_GUILESS_MAIN(TestHamlogConversion)
#include "tst_hamlog_conversion.moc"
