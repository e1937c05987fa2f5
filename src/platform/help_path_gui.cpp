#include "platform/help_gui.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

QString HtmlHelpPath(const QString& chmPath)
{
    const QFileInfo chm(QDir::fromNativeSeparators(chmPath));
    return QDir::toNativeSeparators(chm.dir().filePath(chm.completeBaseName() + QStringLiteral(".html")));
}

void ShowHelpWindow(QWidget* parent, const QString& htmlPath)
{
    const QString name = QStringLiteral("helpWindow");
    auto* browser = parent ? parent->findChild<QTextBrowser*>(name, Qt::FindDirectChildrenOnly) : nullptr;
    if (!browser) {
        browser = new QTextBrowser(parent);
        browser->setObjectName(name);
        browser->setWindowFlags(Qt::Window);
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setWindowTitle(QStringLiteral("VELKOR ヘルプ"));
        browser->setOpenExternalLinks(true);
        const int line = browser->fontMetrics().height();
        browser->resize(50 * line, 40 * line);
        // Closed with Escape, as the program's other windows are.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), browser);
        QObject::connect(escape, &QShortcut::activated, browser, &QWidget::close);
    }
    if (QFileInfo(htmlPath).isFile())
        browser->setSource(QUrl::fromLocalFile(htmlPath));
    else
        browser->setPlainText(QStringLiteral("ヘルプファイルが見つかりません。\n%1 に置いてください。")
                                  .arg(QDir::toNativeSeparators(htmlPath)));
    browser->show();
    browser->raise();
    browser->activateWindow();
}
