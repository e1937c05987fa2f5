#pragma once

#include <QDialog>

#include <functional>

class ContactDelivery;
class Prompts;
class QLabel;
class QPushButton;
class QTableWidget;

// The contacts that are not in the HAMLOG database: those waiting for an append (with the reason
// of the last failure) and those refused as junk, one per row (call sign, time received, source,
// state, reason). The user may append them again now, save them as an ADIF file, or remove them
// (after being asked). Not modal: reception goes on while it is open, and the list follows.
class frmOutbox : public QDialog
{
    Q_OBJECT
public:
    // Asks for the name of the ADIF file to save to; empty when the user cancelled.
    using SaveNameAsker = std::function<QString(QWidget* parent)>;

    frmOutbox(ContactDelivery& delivery, Prompts& prompts, QWidget* parent = nullptr);

    void setSaveNameAsker(SaveNameAsker asker) { m_askSaveName = std::move(asker); }
    // Fills the list again from the outbox.
    void refresh();

    static QString removeQuestion(int count);
    // What the last action did, as the window shows it.
    QString lastReport() const;

private:
    QList<qint64> chosenIds() const;
    void retryNow();
    void saveAsAdif();
    void removeChosen();
    void report(const QString& text);

    ContactDelivery& m_delivery;
    Prompts& m_prompts;
    SaveNameAsker m_askSaveName;
    QTableWidget* Grid1 = nullptr;
    QLabel* Label1 = nullptr;        // what the last action did
    QPushButton* Command1 = nullptr; // retry now
    QPushButton* Command2 = nullptr; // save as ADIF
    QPushButton* Command3 = nullptr; // remove
    QPushButton* Command4 = nullptr; // close
};
