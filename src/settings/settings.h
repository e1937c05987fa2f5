#pragma once

#include <QString>
#include <QtGlobal>

// The one settings record of the program. Every field bears the name of its key in VELKOR.ini.
// Flags hold the value of a check box (only 1 counts as on). At process start every text is
// empty and every number 0; reading the settings file applies the defaults of addresses and ports.
struct Settings
{
    QString ThDbFile;       // HAMLOG database (*.hdb) that contacts are appended to
    qint16 Com2Rmk1 = 0;    // COMMENT into remarks 1
    qint16 Com2Rmk2 = 0;    // COMMENT into remarks 2
    qint16 Pwr2Rmk1 = 0;    // POWER into remarks 1
    qint16 Pwr2Rmk2 = 0;    // POWER into remarks 2
    QString SentMrk;        // QSL-sent mark, used when QslSent is on
    QString RcvdMrk;        // QSL-received mark, used when QslRcvd is on
    qint16 QslSent = 0;
    qint16 QslRcvd = 0;
    qint16 QslRoot = 0;     // 0 JARL, 1 DIRECT, 2 MANEGER, 3 NO QSL, 4 NO CHECK
    QString JtdxIP;
    QString WsjtIP;
    QString MshvIP;
    QString FreeDvIP;
    qint32 JtdxPort = 0;
    qint32 WsjtPort = 0;
    qint32 MshvPort = 0;
    qint32 FreeDvPort = 0;
    qint16 JtdxVisible = 0; // the partner is used: its launch entry is shown
    qint16 WsjtVisible = 0;
    qint16 MshvVisible = 0;
    qint16 FreeDvVisible = 0;
    QString JtdxFile;       // program files started by the launch entries
    QString WsjtFile;
    QString MshvFile;
    QString FreeDvFile;
    // The partner heard from start-up on, without a launch (1 JTDX, 2 WSJT-X, 3 MSHV, 4 FreeDV):
    // one started from its own shortcut is heard too. 0, the default, listens only after a launch.
    qint16 ListenOnStart = 0;

    bool operator==(const Settings& o) const
    {
        return ThDbFile == o.ThDbFile && Com2Rmk1 == o.Com2Rmk1 && Com2Rmk2 == o.Com2Rmk2 &&
               Pwr2Rmk1 == o.Pwr2Rmk1 && Pwr2Rmk2 == o.Pwr2Rmk2 && SentMrk == o.SentMrk &&
               RcvdMrk == o.RcvdMrk && QslSent == o.QslSent && QslRcvd == o.QslRcvd &&
               QslRoot == o.QslRoot && JtdxIP == o.JtdxIP && WsjtIP == o.WsjtIP && MshvIP == o.MshvIP &&
               FreeDvIP == o.FreeDvIP && JtdxPort == o.JtdxPort && WsjtPort == o.WsjtPort &&
               MshvPort == o.MshvPort && FreeDvPort == o.FreeDvPort && JtdxVisible == o.JtdxVisible &&
               WsjtVisible == o.WsjtVisible && MshvVisible == o.MshvVisible &&
               FreeDvVisible == o.FreeDvVisible && JtdxFile == o.JtdxFile && WsjtFile == o.WsjtFile &&
               MshvFile == o.MshvFile && FreeDvFile == o.FreeDvFile && ListenOnStart == o.ListenOnStart;
    }
    bool operator!=(const Settings& o) const { return !(*this == o); }
};
