#include "app/frm_outbox.h"

#include "common/app_info.h"
#include "common/prompts.h"
#include "delivery/adif_log.h"
#include "adif/adif_fields.h"
#include "common/twips_gui.h"
#include "delivery/contact_delivery.h"
#include "partners/partner_programs.h"
#include "platform/code_page.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString sourceName(qint16 source)
{
    for (const PartnerProgram& program : PartnerPrograms()) {
        if (program.number == source)
            return program.name;
    }
    return QStringLiteral("-");
}

// The same two words as the status bar and the menu; the reason column tells the rest.
QString stateName(Outbox::State state)
{
    return state == Outbox::State::Refused ? QStringLiteral("受付拒否") : QStringLiteral("未転送");
}

bool waits(const std::optional<Outbox::Entry>& e)
{
    return e && (e->state == Outbox::State::Waiting || e->state == Outbox::State::Failed ||
                 e->state == Outbox::State::Started);
}

} // namespace

frmOutbox::frmOutbox(ContactDelivery& delivery, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_delivery(delivery), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmOutbox"));
    setWindowTitle(QStringLiteral("未転送・受付拒否の交信 - %1").arg(AppInfo::title()));
    setModal(false);
    m_askSaveName = [](QWidget* owner) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("ADIF ファイルに保存"), QDir::homePath(),
                                            QStringLiteral("ADIF ファイル (*.adi)"));
    };

    Grid1 = new QTableWidget(0, 5, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setHorizontalHeaderLabels({QStringLiteral("コールサイン"), QStringLiteral("受信時刻"),
                                      QStringLiteral("送信元"), QStringLiteral("状態"), QStringLiteral("理由")});
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the buttons and keeps the rows chosen.
    Grid1->setTabKeyNavigation(false);
    Grid1->setWordWrap(false);
    // Call sign, time, source and state as wide as they need; the reason takes the rest (its
    // tooltip holds it whole).
    for (int column = 0; column < 4; ++column)
        Grid1->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Grid1->verticalHeader()->hide();

    // What the last action did.
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto button = [this](QPushButton** slot, const char* name, const QString& caption) {
        *slot = new QPushButton(caption, this);
        (*slot)->setObjectName(QLatin1String(name));
        (*slot)->setAutoDefault(false);
        KeepCaptionRoom(*slot);
        return *slot;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button(&Command1, "Command1", QStringLiteral("今すぐ再試行")));
    buttons->addWidget(button(&Command2, "Command2", QStringLiteral("ADIF で保存...")));
    buttons->addWidget(button(&Command3, "Command3", QStringLiteral("削除...")));
    buttons->addStretch(1);
    buttons->addWidget(button(&Command4, "Command4", QStringLiteral("閉じる")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Grid1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    resize(720, 320);

    connect(Command1, &QPushButton::clicked, this, &frmOutbox::retryNow);
    connect(Command2, &QPushButton::clicked, this, &frmOutbox::saveAsAdif);
    connect(Command3, &QPushButton::clicked, this, &frmOutbox::removeChosen);
    connect(Command4, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_delivery, &ContactDelivery::countsChanged, this, &frmOutbox::refresh);
    refresh();
}

QString frmOutbox::removeQuestion(int count)
{
    return QStringLiteral("選んだ %1 件の交信を未転送の一覧から削除します。\n"
                          "削除した交信は TURBO HAMLOG データベースに追加されません。"
                          "交信は %2 に残ります。\n"
                          "よろしいですか？")
        .arg(count)
        .arg(QDir::toNativeSeparators(RemovedLogPath()));
}

void frmOutbox::refresh()
{
    const QList<qint64> chosen = chosenIds();
    Grid1->setRowCount(0);
    const auto entries = m_delivery.outbox().entries(
        {Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Started, Outbox::State::Refused});
    Grid1->setRowCount(int(entries.size()));
    int row = 0;
    for (const Outbox::Entry& entry : entries) {
        const Outbox::Entry* e = &entry;
        const AdifField call = ReadAdifField(e->text, QStringLiteral("CALL"));
        const QStringList cells{call.value.left(40),
                                QDateTime::fromMSecsSinceEpoch(e->arrivedMs).toString(QStringLiteral("yyyy/MM/dd H:mm:ss")),
                                sourceName(e->source), stateName(e->state), e->reason};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setData(Qt::UserRole, e->id);
            if (column == 4)
                item->setToolTip(e->reason);
            Grid1->setItem(row, column, item);
        }
        if (chosen.contains(e->id))
            Grid1->selectRow(row);
        ++row;
    }
    Command2->setEnabled(row > 0);
    Command3->setEnabled(row > 0);
}

QList<qint64> frmOutbox::chosenIds() const
{
    QList<qint64> ids;
    for (const QModelIndex& index : Grid1->selectionModel()->selectedRows())
        ids << Grid1->item(index.row(), 0)->data(Qt::UserRole).toLongLong();
    return ids;
}

void frmOutbox::retryNow()
{
    // Chosen rows, refused ones included (after the user has mended the settings, say); without a
    // choice, everything that waits.
    QList<qint64> ids = chosenIds();
    const bool chosen = !ids.isEmpty();
    if (!chosen) {
        for (const Outbox::Entry& e : m_delivery.outbox().entries(
                 {Outbox::State::Waiting, Outbox::State::Failed, Outbox::State::Started}))
            ids << e.id;
    }
    if (ids.isEmpty()) {
        report(QStringLiteral("再試行する未転送の交信はありません"));
        return;
    }
    // Refused junk is never tried again; the user hears why rather than nothing.
    int junk = 0;
    QString junkReason;
    for (qint64 id : ids) {
        const std::optional<Outbox::Entry> e = m_delivery.outbox().entry(id);
        if (e && e->state == Outbox::State::Refused && CallSign::CheckContact(e->text).problem != CallSign::Problem::None) {
            ++junk;
            junkReason = e->reason;
        }
    }
    if (chosen)
        m_delivery.retry(ids);
    else
        m_delivery.retryWaiting();

    // The append has run by now, unless another (an import) holds the database.
    int appended = 0;
    int failing = 0;
    int refused = 0;
    QString failReason;
    QString refuseReason;
    for (qint64 id : ids) {
        const std::optional<Outbox::Entry> e = m_delivery.outbox().entry(id);
        if (!e || e->state == Outbox::State::Appended) {
            ++appended;
        } else if (waits(e)) {
            ++failing;
            if (!e->reason.isEmpty())
                failReason = e->reason;
        } else if (e->state == Outbox::State::Refused && CallSign::CheckContact(e->text).problem == CallSign::Problem::None) {
            ++refused;
            refuseReason = e->reason;
        }
    }
    QStringList parts;
    if (appended > 0)
        parts << QStringLiteral("%1 件を TURBO HAMLOG データベースに追加しました").arg(appended);
    if (failing > 0) {
        parts << (failReason.isEmpty()
                      ? QStringLiteral("%1 件は追加を待っています").arg(failing)
                      : QStringLiteral("%1 件はまだ追加できません（%2）。あとで自動的に再試行します")
                            .arg(failing)
                            .arg(failReason));
    }
    if (refused > 0)
        parts << QStringLiteral("%1 件は変換できないため追加できません（%2）").arg(refused).arg(refuseReason);
    if (junk > 0)
        parts << QStringLiteral("%1 件は受付拒否のため再試行できません（%2）").arg(junk).arg(junkReason);
    report(parts.join(QStringLiteral("\n")));
}

void frmOutbox::report(const QString& text)
{
    Label1->setText(text);
    Label1->setToolTip(text);
}

QString frmOutbox::lastReport() const
{
    return Label1->text();
}

void frmOutbox::saveAsAdif()
{
    QList<qint64> ids = chosenIds();
    if (ids.isEmpty()) {
        for (int row = 0; row < Grid1->rowCount(); ++row)
            ids << Grid1->item(row, 0)->data(Qt::UserRole).toLongLong();
    }
    QString name = m_askSaveName ? m_askSaveName(this) : QString();
    if (name.isEmpty())
        return;
    // A name given without an extension gets the one the import window looks for.
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".adi");
    QString text = QStringLiteral("Velkor ADIF Export<eoh>\r\n");
    for (qint64 id : ids) {
        if (const std::optional<Outbox::Entry> e = m_delivery.outbox().entry(id))
            text += e->text + QStringLiteral("\r\n");
    }
    QFile file(name);
    const QByteArray bytes = CodePage::fromUnicode(text);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        const QString failure = QStringLiteral("%1 に書き込めません (%2)")
                                    .arg(QDir::toNativeSeparators(name), file.errorString());
        report(failure);
        m_prompts.showMessage(failure);
        return;
    }
    report(QStringLiteral("%1 件を %2 に保存しました").arg(ids.size()).arg(QDir::toNativeSeparators(name)));
}

void frmOutbox::removeChosen()
{
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty()) {
        report(QStringLiteral("削除する交信を一覧で選んでください"));
        m_prompts.showMessage(QStringLiteral("削除する交信を一覧で選んでください"));
        return;
    }
    if (!m_prompts.askOkCancelDefaultCancel(removeQuestion(int(ids.size())))) {
        report(QStringLiteral("削除を取りやめました"));
        return;
    }
    const QString failure = m_delivery.remove(ids);
    if (!failure.isEmpty()) {
        m_prompts.showMessage(failure);
        report(failure);
        return;
    }
    int removed = 0;
    for (qint64 id : ids) {
        const std::optional<Outbox::Entry> e = m_delivery.outbox().entry(id);
        removed += !e || e->state == Outbox::State::Removed ? 1 : 0;
    }
    // One whose append runs right now, or that went in meanwhile, is not removed.
    if (removed == ids.size())
        report(QStringLiteral("%1 件を一覧から削除しました").arg(removed));
    else
        report(QStringLiteral("%1 件を一覧から削除しました（%2 件は追加中か追加済みのため削除していません）")
                   .arg(removed)
                   .arg(ids.size() - removed));
}
