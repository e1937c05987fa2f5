#include "adif_import/frm_adif_conv.h"

#include "adif/adif_records.h"
#include "hamlog/hamlog_data.h"
#include "common/program_folder.h"
#include "common/prompts.h"
#include "common/twips_gui.h"
#include "delivery/transfer_journal.h"
#include "platform/file_open_dialog_gui.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr double kWidthTwips = 9600;
constexpr double kHeightTwips = 6000;
constexpr double kNumberColumnTwips = 800;
constexpr qint64 kProgressIntervalMs = 100;

} // namespace

// The records of the loaded file for Grid1: the number in column 0, the record in column 1. Only
// the rows in view are ever asked for, so a file of tens of thousands of records shows at once.
class AdifRecordModel : public QAbstractTableModel
{
public:
    explicit AdifRecordModel(QObject* parent) : QAbstractTableModel(parent) {}

    void setRecords(QStringList records)
    {
        beginResetModel();
        m_records = std::move(records);
        endResetModel();
    }
    const QStringList& records() const { return m_records; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_records.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 2;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_records.size())
            return QVariant();
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            if (index.column() == 0)
                return role == Qt::DisplayRole ? QVariant(QString::number(index.row() + 1)) : QVariant();
            // A record spread over lines, or holding a TAB, shows on its one row.
            return AdifRecords::displayText(m_records.at(index.row()));
        }
        if (role == Qt::TextAlignmentRole)
            return index.column() == 0 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal)
            return QVariant();
        if (role == Qt::DisplayRole)
            return section == 0 ? QStringLiteral("No") : QStringLiteral("QSO Data");
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return QVariant();
    }

private:
    QStringList m_records;
};

namespace {

// Grid1 tells its window about every mouse-up, after the view has settled the selection (a click
// on a row that was already selected changes the selection only on release).
class RecordGrid : public QTableView
{
public:
    RecordGrid(std::function<void()> mouseUp, QWidget* parent)
        : QTableView(parent), m_mouseUp(std::move(mouseUp))
    {
    }

    // True between a press and its release: the selection then changes under the mouse.
    bool mouseHeld() const { return m_mouseHeld; }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_mouseHeld = true;
        QTableView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QTableView::mouseReleaseEvent(event);
        m_mouseHeld = false;
        m_mouseUp();
    }

private:
    std::function<void()> m_mouseUp;
    bool m_mouseHeld = false;
};

} // namespace

frmAdifConv::frmAdifConv(Prompts& prompts, std::function<void()> transfer, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_transfer(std::move(transfer))
{
    setObjectName(QStringLiteral("frmAdifConv"));
    setWindowTitle(QStringLiteral("ADIFからハムログデータベースへファイル転送"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    Command3 = new QPushButton(QStringLiteral("転送元"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setAutoDefault(false);
    top->addWidget(Command3);
    top->addStretch(1);
    layout->addLayout(top);

    Grid1 = new RecordGrid([this] { Grid1_MouseUp(); }, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    m_model = new AdifRecordModel(this);
    Grid1->setModel(m_model);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid for the buttons and keeps the range chosen.
    Grid1->setTabKeyNavigation(false);
    Grid1->setWordWrap(false);
    Grid1->setTextElideMode(Qt::ElideRight);
    Grid1->verticalHeader()->hide();
    // Equal row heights: the view never measures a row, whatever the number of records.
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->verticalHeader()->setDefaultSectionSize(Grid1->fontMetrics().height() + 6);
    Grid1->horizontalHeader()->setSectionsClickable(false);
    Grid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    layout->addWidget(Grid1, 1);

    auto* bottom = new QHBoxLayout;
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label3 = new QLabel(QStringLiteral("から"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label4 = new QLabel(QStringLiteral("まで"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    for (QLabel* number : {Label1, Label2}) {
        number->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setMinimumWidth(TwipsToPixelsX(this, 900));
    }
    Command1 = new QPushButton(QStringLiteral("   ハムログデータベース へ転送"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // A transfer cannot be undone: Enter never reaches it as the dialog's default button.
    Command1->setAutoDefault(false);
    Command2 = new QPushButton(QStringLiteral("閉じる"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label3),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label4)})
        bottom->addWidget(w);
    for (QPushButton* b : {Command3, Command1, Command2})
        KeepCaptionRoom(b);
    bottom->addStretch(1);
    bottom->addWidget(Command1);
    bottom->addWidget(Command2);
    layout->addLayout(bottom);

    // The range follows the highlighted rows, whether the mouse or the keyboard chose them.
    connect(Grid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmAdifConv::Grid1_SelectionChanged);
    connect(Command3, &QPushButton::clicked, this, &frmAdifConv::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAdifConv::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAdifConv::Command2_Click);

    resize(TwipsToPixelsX(this, kWidthTwips), TwipsToPixelsY(this, kHeightTwips));
    Form_Load();
}

frmAdifConv::~frmAdifConv() = default;

void frmAdifConv::Form_Load()
{
    // Column 0 keeps its width; column 1 takes the rest of the grid.
    Grid1->horizontalHeader()->setMinimumSectionSize(1);
    Grid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    Grid1->setColumnWidth(0, TwipsToPixelsX(this, kNumberColumnTwips));
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Label1->setText(QStringLiteral("0"));
    Label2->setText(QStringLiteral("0"));
    Command1->setEnabled(false);
}

void frmAdifConv::Command3_Click()
{
    FileOpenRequest request;
    request.title = QStringLiteral("ADIFログファイルの設定");
    request.initialFolder = ProgramFolder::filePath(QStringLiteral("Log"));
    // Logs are named ".adi" as often as ".ADI", and file names are case-sensitive on most systems.
    request.filter = QStringLiteral("ADIF ファイル (*.ADI *.adi)|*.ADI *.adi|すべてのファイル (*)|*|");
    QString path;
    if (!FileOpenDialog::instance().getOpenFileName(this, request, path))
        return;
    LoadAdifFile(path);
    // The focus goes to the rows just read, where keys choose a range and Enter does nothing; a
    // transfer starts only from its own button.
    Grid1->setFocus();
}

void frmAdifConv::LoadAdifFile(const QString& path)
{
    Label1->setText(QStringLiteral("0"));
    Label2->setText(QStringLiteral("0"));
    m_model->setRecords(QStringList());

    // Large files show how far the reading has come; small ones finish before the dialog would.
    QProgressDialog progress(QStringLiteral("ADIF ファイルを読み込んでいます"), QString(), 0, 1000, this);
    progress.setObjectName(QStringLiteral("loadProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QElapsedTimer sinceUpdate;
    sinceUpdate.start();
    auto report = [&](qint64 done, qint64 total, int records) {
        if (sinceUpdate.elapsed() < kProgressIntervalMs)
            return;
        sinceUpdate.restart();
        progress.setLabelText(QStringLiteral("ADIF ファイルを読み込んでいます (%1 件)").arg(records));
        progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
    };

    QStringList records;
    QString error;
    if (!AdifRecords::LoadAdifFile(path, records, error, report)) {
        progress.close();
        Command1->setEnabled(false);
        m_prompts.showMessage(error);
        return;
    }
    progress.close();
    const int count = int(records.size());
    m_model->setRecords(std::move(records));
    if (count > 0)
        Command1->setEnabled(true); // a file without records leaves the button as it was
    // The whole file is the range, and the whole file is highlighted.
    Grid1->selectAll();
    Label1->setText(QStringLiteral("1"));
    Label2->setText(QString::number(count));
    m_ignoreNextClick = true;
    if (count == 0)
        m_prompts.showMessage(noRecordsText(path));
}

QString frmAdifConv::noRecordsText(const QString& path)
{
    return QStringLiteral("このファイルには交信のレコードがありません\n%1")
        .arg(QDir::toNativeSeparators(path));
}

QString frmAdifConv::allTransferredText(int count, const QString& database)
{
    return QStringLiteral("選んだ %1 件はすべて、このデータベースに転送済みです。\n%2\n\n"
                          "もう一度転送しますか？")
        .arg(count)
        .arg(QDir::toNativeSeparators(database));
}

QString frmAdifConv::recordAt(int row) const
{
    return m_model->records().value(row - 1);
}

int frmAdifConv::recordCount() const
{
    return int(m_model->records().size());
}

bool frmAdifConv::selectedBlock(int& row, int& rowSel) const
{
    // Row and RowSel: the two ends of the selected block (equal for one row).
    row = -1;
    rowSel = -1;
    const QItemSelection selection = Grid1->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        row = row < 0 ? range.top() : qMin(row, range.top());
        rowSel = qMax(rowSel, range.bottom());
    }
    return row >= 0;
}

void frmAdifConv::Grid1_MouseUp()
{
    if (m_model->rowCount() == 0)
        return;
    int row = -1;
    int rowSel = -1;
    if (!selectedBlock(row, rowSel))
        return;
    // The first single-row click after a load leaves the range as it was: the whole file, which
    // is highlighted again so that what is highlighted is what a transfer takes.
    if (row == rowSel && m_ignoreNextClick) {
        m_ignoreNextClick = false;
        Grid1->selectAll();
    }
}

void frmAdifConv::Grid1_SelectionChanged()
{
    const auto* grid = static_cast<const RecordGrid*>(Grid1);
    // Only a click is ever ignored; a choice made with the keyboard is taken as it is.
    if (!grid->mouseHeld())
        m_ignoreNextClick = false;
    int row = -1;
    int rowSel = -1;
    if (!selectedBlock(row, rowSel)) {
        // Nothing highlighted (a click below the last row): nothing to transfer.
        Label1->setText(QStringLiteral("0"));
        Label2->setText(QStringLiteral("0"));
        Command1->setEnabled(false);
        return;
    }
    Label1->setText(QString::number(row + 1));
    Label2->setText(QString::number(rowSel + 1));
    Command1->setEnabled(true);
}

void frmAdifConv::CollectSelectedRecords(int first, int last, const QVector<bool>& leaveOut)
{
    FillAdifTransferList(m_model->records(), first, last, leaveOut);
}

void frmAdifConv::Command1_Click()
{
    const int first = Label1->text().toInt();
    const int last = Label2->text().toInt();
    // A record that went in before would go in twice: HAMLOG takes duplicates without a word, and
    // nobody can pick them out again. The user hears how many and leaves them out by default.
    QVector<bool> leaveOut;
    if (!m_database.isEmpty()) {
        const QStringList& records = m_model->records();
        const int from = qMax(first, 1);
        const int to = qMin(last, int(records.size()));
        QString unreadable;
        leaveOut = TransferJournal::TransferredAlready(m_database, records, &unreadable);
        if (!unreadable.isEmpty() &&
            !m_prompts.askOkCancelDefaultCancel(unreadable + QStringLiteral("。\n\nそれでも転送しますか？")))
            return;
        int chosen = 0;
        int already = 0;
        for (int number = from; number <= to; ++number) {
            ++chosen;
            already += leaveOut.at(number - 1) ? 1 : 0;
        }
        if (already > 0 && already == chosen) {
            // Nothing new to leave the old ones out of: the user transfers them again or not at all.
            if (m_prompts.askChoice(allTransferredText(chosen, m_database),
                                    {QStringLiteral("もう一度転送"), QStringLiteral("キャンセル")}) != 0)
                return;
            leaveOut.clear();
        } else if (already > 0) {
            const int answer = m_prompts.askChoice(
                QStringLiteral("選んだ %1 件のうち %2 件は、このデータベースに転送済みです。\n%3\n\n"
                               "転送済みの %2 件を除いて転送しますか？")
                    .arg(chosen)
                    .arg(already)
                    .arg(QDir::toNativeSeparators(m_database)),
                {QStringLiteral("転送済みを除いて転送"), QStringLiteral("すべてもう一度転送"),
                 QStringLiteral("キャンセル")});
            if (answer == 1)
                leaveOut.clear();
            else if (answer != 0)
                return;
        }
    }
    CollectSelectedRecords(first, last, leaveOut);
    accept();
    if (m_transfer)
        m_transfer();
}

void frmAdifConv::Command2_Click()
{
    reject();
}

void frmAdifConv::keyPressEvent(QKeyEvent* event)
{
    // No button is the default: Enter presses the button that has the focus and nothing else,
    // so Enter in the grid never starts a transfer.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
