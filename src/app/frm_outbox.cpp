#include "app/frm_outbox.h"

#include "common/app_info.h"
#include "common/prompts.h"
#include "delivery/adif_log.h"
#include "delivery/contact_delivery.h"
#include "adif/adif_fields.h"
#include "partners/partner_programs.h"
#include "platform/code_page.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
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

QString stateName(Outbox::State state)
{
    switch (state) {
    case Outbox::State::Refused:
        return QStringLiteral("受付拒否");
    case Outbox::State::Started:
        return QStringLiteral("追加中断");
    case Outbox::State::Failed:
        return QStringLiteral("失敗");
    default:
        return QStringLiteral("未転送");
    }
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
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Grid1->verticalHeader()->hide();

    auto button = [this](QPushButton** slot, const char* name, const QString& caption) {
        *slot = new QPushButton(caption, this);
        (*slot)->setObjectName(QLatin1String(name));
        (*slot)->setAutoDefault(false);
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
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty())
        m_delivery.retryWaiting();
    else
        m_delivery.retry(ids);
}

void frmOutbox::saveAsAdif()
{
    QList<qint64> ids = chosenIds();
    if (ids.isEmpty()) {
        for (int row = 0; row < Grid1->rowCount(); ++row)
            ids << Grid1->item(row, 0)->data(Qt::UserRole).toLongLong();
    }
    const QString name = m_askSaveName ? m_askSaveName(this) : QString();
    if (name.isEmpty())
        return;
    QString text = QStringLiteral("Velkor ADIF Export<eoh>\r\n");
    for (qint64 id : ids) {
        if (const std::optional<Outbox::Entry> e = m_delivery.outbox().entry(id))
            text += e->text + QStringLiteral("\r\n");
    }
    QFile file(name);
    const QByteArray bytes = CodePage::fromUnicode(text);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        m_prompts.showMessage(QStringLiteral("%1 に書き込めません (%2)").arg(QDir::toNativeSeparators(name), file.errorString()));
}

void frmOutbox::removeChosen()
{
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("削除する交信を一覧で選んでください"));
        return;
    }
    if (!m_prompts.askOkCancelDefaultCancel(removeQuestion(int(ids.size()))))
        return;
    const QString failure = m_delivery.remove(ids);
    if (!failure.isEmpty())
        m_prompts.showMessage(failure);
}
