#pragma once

#include "settings/settings.h"

#include <QDialog>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class PathLabel;

// The settings dialog: edits the whole settings record. OK copies every control into the record;
// CANCEL, Escape and the title bar's close leave it untouched. The dialog never writes the
// settings file and never touches the main window's menu.
//
// Controls carry the names the rest of the program and the tests know them by (objectName equals
// the member name). The QSL route is the button group "Option2" whose ids 0..4 are the route
// numbers; its buttons are named "Option2_0" to "Option2_4".
class frmSettings : public QDialog
{
    Q_OBJECT

public:
    // Builds the dialog from the record; the record must outlive the dialog.
    explicit frmSettings(Settings& settings, QWidget* parent = nullptr);

    // Sizes the dialog for the free area of a screen (without the taskbar) and centres it there:
    // the classic size where it fits, else tighter rows, else the frames scroll. OK and CANCEL
    // stay below the frames, always in view. The first showing does this for the screen the
    // dialog opens on.
    void placeOn(const QRect& availableArea);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Command1_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command4_Click();
    void Command2_Click();

private:
    void buildControls();
    void SettingsToDialog();
    void DialogToSettings();
    void browse(PathLabel* pathLabel, const QString& title, const QString& initialFolder,
                const QString& filter);
    void setTight(bool tight);
    QSize naturalSize(bool classic) const;
    QMargins decorations() const;

    Settings& m_settings;
    bool m_placed = false;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_body = nullptr;
    QBoxLayout* m_buttonRow = nullptr;
    // What tighter rows change: the spacing of these layouts and the height of these controls.
    QList<QLayout*> m_frameLayouts;
    QList<QWidget*> m_boxes;
    QList<QWidget*> m_choices; // check boxes and option buttons

    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check5 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check7 = nullptr;
    QCheckBox* Check8 = nullptr;
    QCheckBox* Check9 = nullptr;
    QCheckBox* Check10 = nullptr;
    QButtonGroup* Option2 = nullptr;
    QLineEdit* Text32 = nullptr; // SENT mark
    QLineEdit* Text31 = nullptr; // RCVD mark
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QComboBox* Combo1 = nullptr; // ListenOnStart
    PathLabel* Label1 = nullptr;
    PathLabel* Label6 = nullptr;
    PathLabel* Label7 = nullptr;
    PathLabel* Label16 = nullptr;
    PathLabel* Label19 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command4 = nullptr; // O K
    QPushButton* Command2 = nullptr; // CANCEL
};
