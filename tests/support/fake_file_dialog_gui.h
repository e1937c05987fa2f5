#pragma once

#include "platform/file_open_dialog_gui.h"

#include <QList>
#include <QStringList>

// Stands in for the system's file-open dialog while it lives: records each request and answers
// with the queued names, an empty entry meaning "cancelled" (cancelled when none are queued).
class FakeFileOpenDialog : public FileOpenDialog
{
public:
    FakeFileOpenDialog();
    ~FakeFileOpenDialog() override;

    bool getOpenFileName(QWidget* parent, const FileOpenRequest& request, QString& fileName) override;

    QList<FileOpenRequest> requests;
    QStringList answers;
};
