// Reads a settings file of arbitrary bytes, then writes the record back and reads that file
// again: reading must always end with the defaults in place, and what the program writes must
// read back as the same record, so that a settings file never drifts from one run to the next.

#include "fuzz_support.h"

#include "platform/code_page.h"
#include "settings/settings_file.h"

#include <cmath>

namespace {

class Window : public SettingsWindow
{
public:
    void setTopTwips(float twips) override { top = twips; }
    void setLeftTwips(float twips) override { left = twips; }
    float topTwips() const override { return top; }
    float leftTwips() const override { return left; }
    void showNormal() override {}
    bool isMinimized() const override { return false; }
    void showSettingsDialogModeless() override { ++dialogs; }

    float top = 0;
    float left = 0;
    int dialogs = 0;
};

class CountingPrompts : public Prompts
{
public:
    void showMessage(const QString&) override { ++messages; }
    bool askOkCancel(const QString&) override
    {
        ++messages;
        return true;
    }
    int messages = 0;
};

bool encodable(const Settings& s)
{
    for (const QString* text : {&s.ThDbFile, &s.SentMrk, &s.RcvdMrk, &s.JtdxIP, &s.WsjtIP, &s.MshvIP,
                                &s.FreeDvIP, &s.JtdxFile, &s.WsjtFile, &s.MshvFile, &s.FreeDvFile}) {
        if (!CodePage::canEncode(*text))
            return false;
    }
    return true;
}

// The position is written as the system shows a single-precision number, seven digits.
bool samePosition(float a, float b)
{
    return a == b || std::fabs(a - b) <= std::fabs(a) * 1e-6f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = Fuzz::scratchFile(QStringLiteral("VELKOR.ini"), Fuzz::bytesOf(data, size));
    Settings settings;
    Window window;
    CountingPrompts prompts;
    ReadSettingsFile(settings, window, prompts, path);

    for (const QString* ip : {&settings.JtdxIP, &settings.WsjtIP, &settings.MshvIP, &settings.FreeDvIP})
        FUZZ_CHECK(!ip->isEmpty(), QStringLiteral("an address without its default"));
    for (qint32 port : {settings.JtdxPort, settings.WsjtPort, settings.MshvPort, settings.FreeDvPort})
        FUZZ_CHECK(port != 0, QStringLiteral("a port without its default"));
    // The one message of a file without a database path, always with the dialog.
    FUZZ_CHECK(prompts.messages == (settings.ThDbFile.isEmpty() ? 1 : 0) &&
                   window.dialogs == prompts.messages,
               QString::number(prompts.messages));
    FUZZ_CHECK(std::isfinite(window.top) && std::isfinite(window.left), QStringLiteral("position"));

    // Characters the code page cannot hold are outside what the file can carry.
    if (!encodable(settings))
        return 0;
    const QString copy = Fuzz::scratchFile(QStringLiteral("copy.ini"), QByteArray());
    FUZZ_CHECK(WriteSettingsFile(settings, window, copy), QStringLiteral("writing failed"));
    Settings again;
    Window windowAgain;
    ReadSettingsFile(again, windowAgain, prompts, copy);
    FUZZ_CHECK(again == settings, QStringLiteral("the record changed on its way through the file"));
    FUZZ_CHECK(samePosition(window.top, windowAgain.top) && samePosition(window.left, windowAgain.left),
               QStringLiteral("%1,%2 -> %3,%4")
                   .arg(double(window.top))
                   .arg(double(window.left))
                   .arg(double(windowAgain.top))
                   .arg(double(windowAgain.left)));
    return 0;
}
