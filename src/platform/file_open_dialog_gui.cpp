#include "platform/file_open_dialog_gui.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace {

class SystemFileOpenDialog : public FileOpenDialog
{
public:
    bool getOpenFileName(QWidget* parent, const FileOpenRequest& request, QString& fileName) override
    {
        QFileDialog dialog(parent, request.title, StartFolder(request.initialFolder, request.fallbackFolder),
                           QtFileFilter(request));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // A name may be typed for a file that does not exist yet (a new database, a program
        // not installed yet); the caller only stores the name.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty() || files.first().isEmpty())
            return false;
        fileName = QDir::toNativeSeparators(files.first());
        return true;
    }
};

FileOpenDialog*& installed()
{
    static FileOpenDialog* dialog = nullptr;
    return dialog;
}

} // namespace

FileOpenDialog& FileOpenDialog::instance()
{
    static SystemFileOpenDialog system;
    FileOpenDialog* dialog = installed();
    if (!dialog)
        dialog = &system;
    return *dialog;
}

void FileOpenDialog::setInstance(FileOpenDialog* dialog)
{
    installed() = dialog;
}

QString QtFileFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        const QString& pattern = parts.at(i + 1);
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        // Qt reads the patterns from the parentheses; a description that names them already
        // ("hdb ファイル (*.hdb)") is kept as it is.
        const QString shown = description.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))
                                  ? description
                                  : description + QStringLiteral(" (") + pattern + QLatin1Char(')');
        filters.append(shown);
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtFileFilter(const FileOpenRequest& request)
{
#ifdef Q_OS_WIN
    return QtFileFilter(request.filter);
#else
    return QtFileFilter(request.portableFilter + request.filter);
#endif
}

QString StartFolder(const QString& initialFolder, const QString& fallbackFolder)
{
    for (const QString& folder : {initialFolder, fallbackFolder}) {
        if (!folder.isEmpty() && QDir(folder).exists())
            return folder;
    }
    return QDir::homePath();
}
