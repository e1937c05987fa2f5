#include "settings/settings_file.h"

#include "common/program_folder.h"
#include "common/regular_file.h"
#include "common/text_lines.h"
#include "platform/code_page.h"
#include "platform/file_attributes.h"
#include "settings/port_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

const QString kNoSettingsFile = QStringLiteral("設定ファイルがありません\r\n設定をして下さい");
const QString kNoDatabase = QStringLiteral("ターボハムログ データベースの場所を設定してください");
const QString kDefaultIp = QStringLiteral("127.0.0.1");

QString unreadableText(const QString& path, const QString& reason)
{
    return QStringLiteral(
               "設定ファイル %1 を読み込めません。\r\n理由: %2\r\n"
               "既定の設定で起動します。このファイルは上書きしないので、今回の設定の変更は保存されません。"
               "\r\nファイルを読めるようにしてから VELKOR を起動し直してください。")
        .arg(QDir::toNativeSeparators(path), reason);
}

// The number a value spells, or false when it spells none. Accepts what a user would type in an
// editor: an optional sign, digits, a fraction, an exponent.
bool parseNumber(const QString& value, double& number)
{
    bool ok = false;
    number = value.toDouble(&ok);
    return ok && std::isfinite(number);
}

// Rounds to the nearest whole number, a half to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double v)
{
    const double lower = std::floor(v);
    const double fraction = v - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

template <typename Int> void storeInteger(const QString& value, Int& field)
{
    double number = 0;
    if (!parseNumber(value, number))
        return;
    const double rounded = roundHalfEven(number);
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return;
    field = static_cast<Int>(rounded);
}

bool parseSingle(const QString& value, float& result)
{
    double number = 0;
    if (!parseNumber(value, number) || std::fabs(number) > double(FLT_MAX))
        return false;
    result = static_cast<float>(number);
    return true;
}

// A single-precision number as the system shows one: at most seven significant digits, whole
// numbers without a decimal point, no "-0".
QString formatSingle(float value)
{
    if (value == 0.0f || !std::isfinite(value))
        return QStringLiteral("0");
    return QString::number(double(value), 'g', 7);
}

void applyLine(Settings& s, SettingsWindow& window, const QString& key, const QString& value)
{
    struct TextKey
    {
        const char* key;
        QString Settings::*field;
    };
    struct FlagKey
    {
        const char* key;
        qint16 Settings::*field;
    };
    struct PortKey
    {
        const char* key;
        qint32 Settings::*field;
    };
    static const TextKey texts[] = {
        {"ThDbFile", &Settings::ThDbFile},     {"SentMrk", &Settings::SentMrk},
        {"RcvdMrk", &Settings::RcvdMrk},       {"JtdxIP", &Settings::JtdxIP},
        {"WsjtIP", &Settings::WsjtIP},         {"MshvIP", &Settings::MshvIP},
        {"FreeDvIP", &Settings::FreeDvIP},     {"JtdxFile", &Settings::JtdxFile},
        {"WsjtFile", &Settings::WsjtFile},     {"MshvFile", &Settings::MshvFile},
        {"FreeDvFile", &Settings::FreeDvFile},
    };
    static const FlagKey shorts[] = {
        {"Com2Rmk1", &Settings::Com2Rmk1},
        {"Com2Rmk2", &Settings::Com2Rmk2},
        {"Pwr2Rmk1", &Settings::Pwr2Rmk1},
        {"Pwr2Rmk2", &Settings::Pwr2Rmk2},
        {"QslSent", &Settings::QslSent},
        {"QslRcvd", &Settings::QslRcvd},
        {"QslRoot", &Settings::QslRoot},
        {"JtdxVisible", &Settings::JtdxVisible},
        {"WsjtVisible", &Settings::WsjtVisible},
        {"MshvVisible", &Settings::MshvVisible},
        {"FreeDvVisible", &Settings::FreeDvVisible},
        {"ListenOnStart", &Settings::ListenOnStart},
    };
    static const PortKey ports[] = {
        {"JtdxPort", &Settings::JtdxPort},
        {"WsjtPort", &Settings::WsjtPort},
        {"MshvPort", &Settings::MshvPort},
        {"FreeDvPort", &Settings::FreeDvPort},
    };

    for (const TextKey& t : texts) {
        if (key == QLatin1String(t.key)) {
            s.*t.field = value;
            return;
        }
    }
    for (const FlagKey& f : shorts) {
        if (key == QLatin1String(f.key)) {
            storeInteger(value, s.*f.field);
            return;
        }
    }
    for (const PortKey& p : ports) {
        if (key == QLatin1String(p.key)) {
            // As the settings dialog reads a port box, so that a port typed with a Japanese input
            // method ("２２３７") means the same in either place.
            ParsePortText(value, s.*p.field);
            return;
        }
    }
    float twips = 0;
    if (key == QLatin1String("frmTop")) {
        if (parseSingle(value, twips))
            window.setTopTwips(twips);
    } else if (key == QLatin1String("frmLeft")) {
        if (parseSingle(value, twips))
            window.setLeftTwips(twips);
    }
}

void applyDefault(QString& ip, qint32& port, qint32 defaultPort)
{
    if (ip.isEmpty())
        ip = kDefaultIp;
    if (port == 0)
        port = defaultPort;
}

// Settings files that were there at start-up but could not be read. Writing the record back over
// one of them would replace the user's settings with the empty record, so it is left as it is.
QSet<QString>& unreadableFiles()
{
    static QSet<QString> paths;
    return paths;
}

} // namespace

QString SettingsFilePath()
{
    return ProgramFolder::filePath(QStringLiteral("VELKOR.ini"));
}

void ReadSettingsFile(Settings& settings, SettingsWindow& window, Prompts& prompts, const QString& path)
{
    // Only a plain file that is neither hidden nor system counts; a folder or a device of that
    // name is no settings file.
    const QFileInfo info(path);
    if (!FileAttributes::isVisibleFile(path)) {
        // A named pipe or a device of that name is said to be what it is, and kept from being
        // written over at the end (see WriteSettingsFile); a folder is simply no settings file.
        const QString irregular = info.isDir() ? QString() : RegularFile::problem(path);
        if (!irregular.isEmpty())
            unreadableFiles().insert(info.absoluteFilePath());
        prompts.showMessage(irregular.isEmpty() ? kNoSettingsFile
                                                : irregular + QStringLiteral("\r\n") + kNoSettingsFile);
        window.showSettingsDialogModeless();
        return;
    }

    // A file that cannot be read to its end is left alone as a whole: half a file could hold a
    // value cut short (a database path missing its tail). The user hears of it once, and the
    // program starts as it would from an empty file rather than with no addresses or ports.
    QByteArray bytes;
    QString reason;
    if (!TextLines::readFile(path, bytes, &reason)) {
        unreadableFiles().insert(info.absoluteFilePath());
        prompts.showMessage(unreadableText(path, reason));
    } else {
        unreadableFiles().remove(info.absoluteFilePath());
    }

    const QStringList lines = TextLines::split(TextLines::decode(bytes));
    for (const QString& line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        applyLine(settings, window, TextLines::trimSpaces(line.left(eq)),
                  TextLines::trimSpaces(line.mid(eq + 1)));
    }

    ApplyAddressDefaults(settings);

    if (settings.ThDbFile.isEmpty()) {
        prompts.showMessage(kNoDatabase);
        window.showSettingsDialogModeless();
    }
}

void ApplyAddressDefaults(Settings& settings)
{
    applyDefault(settings.JtdxIP, settings.JtdxPort, 2433);
    applyDefault(settings.WsjtIP, settings.WsjtPort, 2333);
    applyDefault(settings.MshvIP, settings.MshvPort, 2233);
    applyDefault(settings.FreeDvIP, settings.FreeDvPort, 2133);
}

bool HasNoAddresses(const Settings& s)
{
    return s.JtdxIP.isEmpty() && s.WsjtIP.isEmpty() && s.MshvIP.isEmpty() && s.FreeDvIP.isEmpty() &&
           s.JtdxPort == 0 && s.WsjtPort == 0 && s.MshvPort == 0 && s.FreeDvPort == 0;
}

bool WriteSettingsFile(const Settings& s, SettingsWindow& window, const QString& path)
{
    window.showNormal();
    if (unreadableFiles().contains(QFileInfo(path).absoluteFilePath()))
        return false;

    QByteArray out;
    auto line = [&out](const char* key, const QString& value) {
        out += key;
        out += '=';
        out += CodePage::fromUnicode(value);
        out += "\r\n";
    };
    auto number = [&line](const char* key, qint32 value) { line(key, QString::number(value)); };

    if (!window.isMinimized()) {
        line("frmTop", formatSingle(window.topTwips()));
        line("frmLeft", formatSingle(window.leftTwips()));
    }
    line("ThDbFile", s.ThDbFile);
    number("Com2Rmk1", s.Com2Rmk1);
    number("Com2Rmk2", s.Com2Rmk2);
    number("Pwr2Rmk1", s.Pwr2Rmk1);
    number("Pwr2Rmk2", s.Pwr2Rmk2);
    line("SentMrk", s.SentMrk);
    line("RcvdMrk", s.RcvdMrk);
    number("QslSent", s.QslSent);
    number("QslRcvd", s.QslRcvd);
    number("QslRoot", s.QslRoot);
    line("JtdxIP", s.JtdxIP);
    line("WsjtIP", s.WsjtIP);
    line("MshvIP", s.MshvIP);
    line("FreeDvIP", s.FreeDvIP);
    number("JtdxPort", s.JtdxPort);
    number("WsjtPort", s.WsjtPort);
    number("MshvPort", s.MshvPort);
    number("FreeDvPort", s.FreeDvPort);
    number("JtdxVisible", s.JtdxVisible);
    number("WsjtVisible", s.WsjtVisible);
    number("MshvVisible", s.MshvVisible);
    number("FreeDvVisible", s.FreeDvVisible);
    line("JtdxFile", s.JtdxFile);
    line("WsjtFile", s.WsjtFile);
    line("MshvFile", s.MshvFile);
    line("FreeDvFile", s.FreeDvFile);
    // Keys added later come after the first 28, so a file read by an older version reads as before.
    number("ListenOnStart", s.ListenOnStart);

    // The new file replaces the old one only once it is complete, so a full disk or a folder
    // that refuses the write never costs the user the settings they had.
    // Unbuffered, so that a write the disk cuts short shows in write()'s count: a buffered one is
    // flushed by commit(), which then publishes the cut file and still reports success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
