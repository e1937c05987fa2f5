#pragma once

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <functional>

class AdifRecordModel;
class Prompts;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTableView;

// The window that transfers an ADIF file into the HAMLOG database, opened modally from the main
// window's file menu: the records of the chosen file one per grid row, a range of them chosen
// with the mouse, and the transfer of that range by the main window.
class frmAdifConv : public QDialog
{
    Q_OBJECT

public:
    // transfer runs the main window's ThDbFileAppend; it is called once the transfer list is
    // filled and this window has closed.
    frmAdifConv(Prompts& prompts, std::function<void()> transfer, QWidget* parent = nullptr);
    ~frmAdifConv() override;

    // The database the transfer goes into. Records the transfer journal knows to be in it
    // already are pointed out before a transfer, and left out unless the user wants them again.
    void setJournalDatabase(const QString& database) { m_database = database; }

    // Loads one file into Grid1 and resets the range (the handler of Command3 after its dialog).
    void LoadAdifFile(const QString& path);

    // The record text of data row 1..n (what a transfer of that row hands over).
    QString recordAt(int row) const;
    int recordCount() const;

    // The message for a file that holds no contact records.
    static QString noRecordsText(const QString& path);
    // The question when every chosen record is in the database already.
    static QString allTransferredText(int count, const QString& database);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Command3_Click();
    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void Grid1_MouseUp();
    void Grid1_SelectionChanged();
    // The first and last selected rows (0-based); false when none is selected.
    bool selectedBlock(int& row, int& rowSel) const;
    void CollectSelectedRecords(int first, int last, const QVector<bool>& leaveOut);

    Prompts& m_prompts;
    std::function<void()> m_transfer;
    AdifRecordModel* m_model = nullptr;
    bool m_ignoreNextClick = false; // IgnoreNextClick
    QString m_database;

    QPushButton* Command3 = nullptr;
    QTableView* Grid1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
