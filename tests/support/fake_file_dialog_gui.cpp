#include "fake_file_dialog_gui.h"

FakeFileOpenDialog::FakeFileOpenDialog()
{
    FileOpenDialog::setInstance(this);
}

FakeFileOpenDialog::~FakeFileOpenDialog()
{
    FileOpenDialog::setInstance(nullptr);
}

bool FakeFileOpenDialog::getOpenFileName(QWidget*, const FileOpenRequest& request, QString& fileName)
{
    requests.append(request);
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    if (answer.isEmpty())
        return false;
    fileName = answer;
    return true;
}
