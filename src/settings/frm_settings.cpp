#include "settings/frm_settings.h"

#include "common/program_folder.h"
#include "common/twips_gui.h"
#include "platform/file_open_dialog_gui.h"
#include "settings/path_label_gui.h"
#include "settings/port_text.h"
#include "settings/settings_file.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr double kClientWidthTwips = 6975;
constexpr double kClientHeightTwips = 8520;

const QString kDbFilter = QStringLiteral("hdb ファイル (*.hdb)|*.hdb|");
const QString kExeFilter = QStringLiteral("exe ファイル (*.exe)|*.exe|");
// Offered first where there is no Windows: the built-in logbook, and programs without ".exe".
const QString kPortableDbFilter =
    QStringLiteral("VELKOR ログブック (*.velkor)|*.velkor|すべてのファイル (*)|*|");
const QString kPortableExeFilter = QStringLiteral("すべてのファイル (*)|*|");

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QCheckBox* checkBox(const char* name, const QString& caption)
{
    return named(new QCheckBox(caption), name);
}

QLineEdit* textBox(const char* name)
{
    return named(new QLineEdit, name);
}

// A path can only be changed through its browse button, so it is shown in a label drawn like a
// read-only box.
PathLabel* pathLabel(const char* name)
{
    PathLabel* label = named(new PathLabel, name);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Base);
    label->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
    // A long path must not widen the dialog; the label shortens it and shows it whole as a tip.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setMinimumWidth(120);
    return label;
}

void setPath(PathLabel* label, const QString& path)
{
    label->setPath(path);
}

qint16 flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

void readPort(const QLineEdit* box, qint32& port)
{
    ParsePortText(box->text(), port); // text that is no port leaves the stored one
}

} // namespace

frmSettings::frmSettings(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    // Form_Load: build, fill from the record; the centring happens when the dialog is shown.
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("HAMLOGへの変換転送設定,と各ソフトウェアの設定"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("ＭＳ Ｐ明朝"), 9));
    buildControls();
    SettingsToDialog();
}

void frmSettings::buildControls()
{
    // The six frames sit in a scroll area that scrolls only on a screen too small for them; O K
    // and CANCEL stay below it.
    auto* outer = new QVBoxLayout(this);
    m_body = new QWidget;
    m_body->setObjectName(QStringLiteral("frames"));
    auto* layout = new QVBoxLayout(m_body);
    layout->setContentsMargins(0, 0, 0, 0);

    // 1. How received contacts are marked in HAMLOG.
    auto* conversion = named(new QGroupBox(QStringLiteral("データ変換の設定")), "Frame1");
    auto* conversionGrid = new QGridLayout(conversion);
    Check1 = checkBox("Check1", QStringLiteral("QSL発送済にチェック"));
    Check2 = checkBox("Check2", QStringLiteral("QSL受領済にチェック"));
    Check3 = checkBox("Check3", QStringLiteral("COMMENTを備考１に記入"));
    Check5 = checkBox("Check5", QStringLiteral("POWERを備考１に記入"));
    Check4 = checkBox("Check4", QStringLiteral("COMMENTを備考２に記入"));
    Check6 = checkBox("Check6", QStringLiteral("POWERを備考２に記入"));
    conversionGrid->addWidget(Check1, 0, 0);
    conversionGrid->addWidget(Check2, 0, 1);
    conversionGrid->addWidget(Check3, 1, 0);
    conversionGrid->addWidget(Check5, 1, 1);
    conversionGrid->addWidget(Check4, 2, 0);
    conversionGrid->addWidget(Check6, 2, 1);
    layout->addWidget(conversion);

    // A remarks field takes COMMENT or POWER, not both: ticking one clears its partner on the
    // same field, also while the dialog is being filled.
    const auto exclude = [](QCheckBox* ticked, QCheckBox* cleared) {
        connect(ticked, &QCheckBox::toggled, cleared, [cleared](bool on) {
            if (on)
                cleared->setChecked(false);
        });
    };
    exclude(Check3, Check5);
    exclude(Check5, Check3);
    exclude(Check4, Check6);
    exclude(Check6, Check4);

    // 2 and 3. QSL route and marks, side by side.
    auto* qslRow = new QHBoxLayout;
    auto* route = named(new QGroupBox(QStringLiteral("QSL ROOT")), "Frame2");
    auto* routeGrid = new QGridLayout(route);
    Option2 = new QButtonGroup(this);
    Option2->setObjectName(QStringLiteral("Option2"));
    const QString routes[] = {QStringLiteral("JARL"), QStringLiteral("DIRECT"), QStringLiteral("MANEGER"),
                              QStringLiteral("NO QSL"), QStringLiteral("NO CHECK")};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QRadioButton(routes[i]);
        button->setObjectName(QStringLiteral("Option2_%1").arg(i));
        Option2->addButton(button, i);
        routeGrid->addWidget(button, i % 3, i / 3);
    }
    qslRow->addWidget(route, 3);

    auto* marks = named(new QGroupBox(QStringLiteral("QSL MARK")), "Frame3");
    auto* marksGrid = new QGridLayout(marks);
    Text32 = textBox("Text32");
    Text31 = textBox("Text31");
    marksGrid->addWidget(new QLabel(QStringLiteral("SENT")), 0, 0);
    marksGrid->addWidget(Text32, 0, 1);
    marksGrid->addWidget(new QLabel(QStringLiteral("RCVD")), 1, 0);
    marksGrid->addWidget(Text31, 1, 1);
    marksGrid->setRowStretch(2, 1);
    qslRow->addWidget(marks, 2);
    layout->addLayout(qslRow);
    m_frameLayouts << layout << qslRow;

    // 4. The partner programs in use: their launch entries are shown.
    auto* used = named(new QGroupBox(QStringLiteral("使用するソフトウェア")), "Frame4");
    auto* usedRow = new QHBoxLayout(used);
    Check7 = checkBox("Check7", QStringLiteral("JTDX"));
    Check8 = checkBox("Check8", QStringLiteral("WSJT-X"));
    Check9 = checkBox("Check9", QStringLiteral("MSHV"));
    Check10 = checkBox("Check10", QStringLiteral("FreeDV"));
    for (QCheckBox* box : {Check7, Check8, Check9, Check10})
        usedRow->addWidget(box);
    layout->addWidget(used);

    // 5. Addresses and ports, one row per program.
    auto* network =
        named(new QGroupBox(QStringLiteral("IPアドレス / IPポート （UDPプロトコルに設定）")), "Frame5");
    auto* networkGrid = new QGridLayout(network);
    Text1 = textBox("Text1");
    Text2 = textBox("Text2");
    Text3 = textBox("Text3");
    Text4 = textBox("Text4");
    Text6 = textBox("Text6");
    Text5 = textBox("Text5");
    Text7 = textBox("Text7");
    Text8 = textBox("Text8");
    const struct
    {
        QString addressCaption;
        QLineEdit* address;
        QString portCaption;
        QLineEdit* port;
    } rows[] = {
        {QStringLiteral("JTDX IP アドレス"), Text1, QStringLiteral("JTDX IP ポート"), Text2},
        {QStringLiteral("WSJT IP アドレス"), Text3, QStringLiteral("WSJT IP ポート"), Text4},
        {QStringLiteral("MSHV IP アドレス"), Text6, QStringLiteral("MSHV IP ポート"), Text5},
        {QStringLiteral("FreeDV IP アドレス"), Text7, QStringLiteral("FreeDV IP ポート"), Text8},
    };
    int row = 0;
    for (const auto& r : rows) {
        networkGrid->addWidget(new QLabel(r.addressCaption), row, 0);
        networkGrid->addWidget(r.address, row, 1);
        networkGrid->addWidget(new QLabel(r.portCaption), row, 2);
        networkGrid->addWidget(r.port, row, 3);
        r.port->setMaximumWidth(80);
        ++row;
    }
    // Reception without a launch, for a partner started from its own shortcut.
    Combo1 = named(new QComboBox, "Combo1");
    Combo1->addItems({QStringLiteral("しない（起動メニューから起動したときだけ）"), QStringLiteral("JTDX"),
                      QStringLiteral("WSJT-X"), QStringLiteral("MSHV"), QStringLiteral("FreeDV")});
    // The list is as wide as the row gives it; its texts do not widen the dialog.
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo1->setMinimumContentsLength(8);
    Combo1->setToolTip(QStringLiteral("選んだソフトの IP ポートを VELKOR の起動時から開いて受信します。"
                                      "運用ソフトを VELKOR の「設定」メニューからではなく、"
                                      "自分のショートカットから起動するときに選んでください"));
    auto* listenCaption = new QLabel(QStringLiteral("起動時から受信"));
    listenCaption->setToolTip(Combo1->toolTip());
    networkGrid->addWidget(listenCaption, row, 0);
    networkGrid->addWidget(Combo1, row, 1, 1, 3);
    networkGrid->setColumnStretch(1, 1);
    layout->addWidget(network);

    // 6. Files: each path changes only through its browse button.
    auto* files = named(new QGroupBox(QStringLiteral("ファイルの設定")), "Frame6");
    auto* filesGrid = new QGridLayout(files);
    Label1 = pathLabel("Label1");
    Label6 = pathLabel("Label6");
    Label7 = pathLabel("Label7");
    Label16 = pathLabel("Label16");
    Label19 = pathLabel("Label19");
    Command1 = named(new QPushButton(QStringLiteral("参照")), "Command1");
    Command3 = named(new QPushButton(QStringLiteral("参照")), "Command3");
    Command5 = named(new QPushButton(QStringLiteral("参照")), "Command5");
    Command6 = named(new QPushButton(QStringLiteral("参照")), "Command6");
    Command7 = named(new QPushButton(QStringLiteral("参照")), "Command7");
    const struct
    {
        QString caption;
        QLabel* path;
        QPushButton* button;
    } fileRows[] = {
        // Full-width spaces and half-width katakana, as the row has always been written.
        {QStringLiteral("ターボハムログ　ﾃﾞｰﾀﾍﾞｰｽ　ファイル"), Label1, Command1},
        {QStringLiteral("JTDX ファイル"), Label6, Command3},
        {QStringLiteral("WSJT-X ファイル"), Label7, Command5},
        {QStringLiteral("MSHV ファイル"), Label16, Command6},
        {QStringLiteral("FreeDV ファイル"), Label19, Command7},
    };
    row = 0;
    for (const auto& r : fileRows) {
        filesGrid->addWidget(new QLabel(r.caption), row, 0);
        filesGrid->addWidget(r.path, row, 1);
        filesGrid->addWidget(r.button, row, 2);
        r.button->setMaximumWidth(r.button->fontMetrics().boundingRect(r.button->text()).width() + 28);
        ++row;
    }
    filesGrid->setColumnStretch(1, 1);
    layout->addWidget(files);

    // 7. O K and CANCEL. Enter in a text box presses neither: only a click or Space does.
    Command4 = named(new QPushButton(QStringLiteral("O K")), "Command4");
    Command2 = named(new QPushButton(QStringLiteral("CANCEL")), "Command2");
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addStretch(1);
    m_buttonRow->addWidget(Command4);
    m_buttonRow->addWidget(Command2);
    m_buttonRow->addStretch(1);

    m_scroll = named(new QScrollArea, "framesScroll");
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_body);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_body->setAutoFillBackground(false);
    outer->addWidget(m_scroll, 1);
    outer->addLayout(m_buttonRow);

    m_frameLayouts << conversionGrid << routeGrid << marksGrid << usedRow << networkGrid << filesGrid;
    m_boxes << Text32 << Text31 << Text1 << Text2 << Text3 << Text4 << Text5 << Text6 << Text7 << Text8 << Combo1;
    m_boxes << Label1 << Label6 << Label7 << Label16 << Label19;
    m_boxes << Command1 << Command3 << Command5 << Command6 << Command7 << Command4 << Command2;
    for (QCheckBox* box : findChildren<QCheckBox*>())
        m_choices << box;
    for (QRadioButton* button : findChildren<QRadioButton*>())
        m_choices << button;

    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(Command1, &QPushButton::clicked, this, &frmSettings::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &frmSettings::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &frmSettings::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmSettings::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &frmSettings::Command7_Click);
    connect(Command4, &QPushButton::clicked, this, &frmSettings::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSettings::Command2_Click);

    // Keys reach the dialog before its controls, so Escape closes it wherever the focus is.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    setTight(false);
    setFixedSize(naturalSize(true));
}

void frmSettings::setTight(bool tight)
{
    // Rows as close as the text allows, so the frames need no more room than the classic dialog
    // did; tighter still when the screen is short.
    const int text = fontMetrics().height();
    const int gap = tight ? 1 : 2;
    for (QLayout* l : m_frameLayouts) {
        l->setSpacing(gap);
        if (auto* grid = qobject_cast<QGridLayout*>(l))
            grid->setHorizontalSpacing(6);
        if (l->parentWidget() && l->parentWidget() != m_body)
            l->setContentsMargins(6, tight ? 0 : 2, 6, tight ? 0 : 4);
    }
    m_frameLayouts.first()->setSpacing(tight ? 0 : 4); // between the frames
    for (QWidget* box : m_boxes)
        box->setFixedHeight(text + (tight ? 2 : 6));
    for (QWidget* choice : m_choices) {
        if (tight) {
            choice->setFixedHeight(text);
        } else {
            choice->setMinimumHeight(0);
            choice->setMaximumHeight(QWIDGETSIZE_MAX);
        }
    }
    layout()->setSpacing(tight ? 1 : 6);
    layout()->setContentsMargins(tight ? 4 : 8, tight ? 1 : 6, tight ? 4 : 8, tight ? 1 : 6);
    // Before the first showing the controls are hidden, and hidden controls do not tell their
    // layouts that they changed: drop every cached size by hand.
    for (QWidget* widget : findChildren<QWidget*>())
        widget->updateGeometry();
    for (QLayout* l : findChildren<QLayout*>())
        l->invalidate();
}

QSize frmSettings::naturalSize(bool classic) const
{
    const QMargins m = layout()->contentsMargins();
    const QSize frames = m_body->layout()->sizeHint();
    const QSize buttons = m_buttonRow->sizeHint();
    const QSize content(m.left() + qMax(frames.width(), buttons.width()) + m.right(),
                        m.top() + frames.height() + layout()->spacing() + buttons.height() + m.bottom());
    if (!classic)
        return content;
    // The classic client area, grown where this system's fonts need more room.
    return content.expandedTo(
        QSize(TwipsToPixelsX(this, kClientWidthTwips), TwipsToPixelsY(this, kClientHeightTwips)));
}

QMargins frmSettings::decorations() const
{
    // The window system's frame is known only once it has framed the dialog, and some report it
    // short before; at least a title bar and thin borders as Windows draws them are kept free.
    const int border = TwipsToPixelsX(this, 60);
    QMargins frame(border, TwipsToPixelsY(this, 465), border, border);
    if (const QWindow* window = windowHandle()) {
        const QMargins known = window->frameMargins();
        frame = QMargins(qMax(frame.left(), known.left()), qMax(frame.top(), known.top()),
                         qMax(frame.right(), known.right()), qMax(frame.bottom(), known.bottom()));
    }
    return frame;
}

void frmSettings::placeOn(const QRect& area)
{
    m_placed = true;
    const QMargins frame = decorations();
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    const auto fits = [&room](const QSize& size) {
        return size.width() <= room.width() && size.height() <= room.height();
    };

    setTight(false);
    QSize size = naturalSize(true);
    if (!fits(size))
        size = naturalSize(false);
    if (!fits(size)) {
        setTight(true);
        size = naturalSize(false);
    }
    if (!fits(size)) {
        // Last resort: the frames scroll, each way only as far as needed.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
        if (size.height() > room.height())
            size.rwidth() += bar;
        if (size.width() > room.width())
            size.rheight() += bar;
        const int least = layout()->contentsMargins().top() + layout()->contentsMargins().bottom() +
                          m_buttonRow->sizeHint().height() + layout()->spacing() + 3 * fontMetrics().height();
        size = size.boundedTo(room).expandedTo(QSize(m_buttonRow->sizeHint().width(), least));
    }
    setFixedSize(size);

    // Centred on the free area; a dialog larger than it keeps its title bar in reach.
    const QSize outside(size.width() + frame.left() + frame.right(),
                        size.height() + frame.top() + frame.bottom());
    const QPoint corner(qMax(area.left(), area.left() + (area.width() - outside.width()) / 2),
                        qMax(area.top(), area.top() + (area.height() - outside.height()) / 2));
    // The client area is placed, so a frame not yet known cannot push the dialog off the area.
    setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), size));
}

void frmSettings::SettingsToDialog()
{
    // Before any settings file was read the record has no addresses and ports 0; the boxes show
    // the ones a first settings file gets, which the partner program must be set to, and OK
    // keeps them.
    Settings shown = m_settings;
    if (HasNoAddresses(shown))
        ApplyAddressDefaults(shown);
    const Settings& s = shown;
    // Filled in this order, so a record with COMMENT and POWER both on for one remarks field
    // opens with POWER ticked.
    Check1->setChecked(s.QslSent == 1);
    Check2->setChecked(s.QslRcvd == 1);
    Check3->setChecked(s.Com2Rmk1 == 1);
    Check4->setChecked(s.Com2Rmk2 == 1);
    Check5->setChecked(s.Pwr2Rmk1 == 1);
    Check6->setChecked(s.Pwr2Rmk2 == 1);
    Check7->setChecked(s.JtdxVisible == 1);
    Check8->setChecked(s.WsjtVisible == 1);
    Check9->setChecked(s.MshvVisible == 1);
    Check10->setChecked(s.FreeDvVisible == 1);
    // A route outside 0..4 chooses no button; OK then keeps it.
    if (QAbstractButton* button = Option2->button(s.QslRoot))
        button->setChecked(true);
    Text32->setText(s.SentMrk.isEmpty() ? QStringLiteral("*") : s.SentMrk);
    Text31->setText(s.RcvdMrk.isEmpty() ? QStringLiteral("*") : s.RcvdMrk);
    setPath(Label1, s.ThDbFile);
    setPath(Label6, s.JtdxFile);
    setPath(Label7, s.WsjtFile);
    setPath(Label16, s.MshvFile);
    setPath(Label19, s.FreeDvFile);
    Text1->setText(s.JtdxIP);
    Text2->setText(QString::number(s.JtdxPort));
    Text3->setText(s.WsjtIP);
    Text4->setText(QString::number(s.WsjtPort));
    Text6->setText(s.MshvIP);
    Text5->setText(QString::number(s.MshvPort));
    Text7->setText(s.FreeDvIP);
    Text8->setText(QString::number(s.FreeDvPort));
    Combo1->setCurrentIndex(s.ListenOnStart >= 1 && s.ListenOnStart <= 4 ? s.ListenOnStart : 0);
}

void frmSettings::DialogToSettings()
{
    Settings& s = m_settings;
    s.QslSent = flag(Check1);
    s.QslRcvd = flag(Check2);
    s.Com2Rmk1 = flag(Check3);
    s.Com2Rmk2 = flag(Check4);
    s.Pwr2Rmk1 = flag(Check5);
    s.Pwr2Rmk2 = flag(Check6);
    s.JtdxVisible = flag(Check7);
    s.WsjtVisible = flag(Check8);
    s.MshvVisible = flag(Check9);
    s.FreeDvVisible = flag(Check10);
    for (int i = 0; i < 5; ++i) {
        if (Option2->button(i)->isChecked()) {
            s.QslRoot = static_cast<qint16>(i);
            break;
        }
    }
    s.SentMrk = Text32->text();
    s.RcvdMrk = Text31->text();
    s.ThDbFile = Label1->text();
    s.JtdxFile = Label6->text();
    s.WsjtFile = Label7->text();
    s.MshvFile = Label16->text();
    s.FreeDvFile = Label19->text();
    s.ListenOnStart = static_cast<qint16>(Combo1->currentIndex());
    s.JtdxIP = Text1->text();
    readPort(Text2, s.JtdxPort);
    s.WsjtIP = Text3->text();
    readPort(Text4, s.WsjtPort);
    s.MshvIP = Text6->text();
    readPort(Text5, s.MshvPort);
    s.FreeDvIP = Text7->text();
    readPort(Text8, s.FreeDvPort);
}

void frmSettings::browse(PathLabel* label, const QString& title, const QString& initialFolder,
                         const QString& filter)
{
    FileOpenRequest request{title, initialFolder, filter, ProgramFolder::path(),
                            filter == kDbFilter ? kPortableDbFilter : kPortableExeFilter};
    QString fileName;
    if (FileOpenDialog::instance().getOpenFileName(this, request, fileName))
        setPath(label, fileName);
}

void frmSettings::Command1_Click()
{
    browse(Label1, QStringLiteral("HAMLOGデータベースの設定"), QStringLiteral("C:\\Hamlog"), kDbFilter);
}

void frmSettings::Command3_Click()
{
    browse(Label6, QStringLiteral("JTDX ファイルの設定"), QStringLiteral("C:\\JTDX64\\bin"), kExeFilter);
}

void frmSettings::Command5_Click()
{
    browse(Label7, QStringLiteral("WSJT ファイルの設定"), QStringLiteral("C:\\WSJT"), kExeFilter);
}

void frmSettings::Command6_Click()
{
    browse(Label16, QStringLiteral("MSHV ファイルの設定"), QStringLiteral("C:\\MSHV"), kExeFilter);
}

void frmSettings::Command7_Click()
{
    browse(Label19, QStringLiteral("FreeDV ファイルの設定"), QStringLiteral("C:\\FreeDV"), kExeFilter);
}

void frmSettings::Command4_Click()
{
    DialogToSettings();
    accept();
}

void frmSettings::Command2_Click()
{
    reject();
}

bool frmSettings::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSettings::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    // Enter goes nowhere: the dialog has no default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSettings::showEvent(QShowEvent* event)
{
    // Shown again while open (brought forward), it stays where the user left it.
    if (!m_placed) {
        QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            placeOn(screen->availableGeometry());
    }
    QDialog::showEvent(event);
}
