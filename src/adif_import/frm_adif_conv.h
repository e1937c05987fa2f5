#pragma once

#include <QDialog>

// The window that transfers an ADIF file into the HAMLOG database, opened modally from the main
// window's file menu. This version only tells the user that the import is not available yet.
class frmAdifConv : public QDialog
{
    Q_OBJECT

public:
    explicit frmAdifConv(QWidget* parent = nullptr);
};
