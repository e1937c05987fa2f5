#include "adif_import/frm_adif_conv.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

frmAdifConv::frmAdifConv(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAdifConv"));
    setWindowTitle(QStringLiteral("ADIFからハムログデータベースへファイル転送"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("ADIF ファイルの取り込みは、この版ではまだ使えません。"));
    text->setObjectName(QStringLiteral("lblNotice"));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
