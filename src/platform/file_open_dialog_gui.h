#pragma once

#include <QString>

class QWidget;

// What a browse button asks of the system's file-open dialog.
struct FileOpenRequest
{
    QString title;
    QString initialFolder;  // started from fallbackFolder, or the home folder, when it does not exist
    QString filter;         // "description|pattern|" pairs, as "exe ファイル (*.exe)|*.exe|"
    QString fallbackFolder; // the folder to start in when initialFolder does not exist here
    // Pairs offered before filter where there is no Windows: programs there carry no ".exe", and
    // the built-in logbook has an extension of its own.
    QString portableFilter;
};

// The file-open dialog behind the settings dialog's browse buttons. Tests install a fake that
// records the request and answers without a window.
class FileOpenDialog
{
public:
    virtual ~FileOpenDialog() = default;
    // True and the full name (native separators) when the user chose a name, which need not
    // exist yet; false when the user cancelled.
    virtual bool getOpenFileName(QWidget* parent, const FileOpenRequest& request, QString& fileName) = 0;

    // The dialog in use: the system's, unless a test installed another (nullptr restores it).
    static FileOpenDialog& instance();
    static void setInstance(FileOpenDialog* dialog);
};

// Turns "desc|pattern|" pairs into the form of Qt's file dialogs ("desc (pattern)" joined by ";;").
QString QtFileFilter(const QString& pipeFilter);
// The filters the dialog offers for request on this system: its portableFilter first off Windows.
QString QtFileFilter(const FileOpenRequest& request);

// The folder to start in: the given one when it exists, otherwise the fallback when it exists,
// otherwise the user's home folder.
QString StartFolder(const QString& initialFolder, const QString& fallbackFolder = QString());
