#include "tray/history/ui/TFormRegister.h"

#include "tray/shell/LangTable.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qz {

TFormRegister::TFormRegister(const LangTable& lang, QWidget* parent) : QDialog(parent), m_lang(lang)
{
    setObjectName(QStringLiteral("FormRegister"));
    setFixedSize(375, 111);
    setStyleSheet(QStringLiteral("QDialog { background: rgb(230, 231, 236); }"));

    lblRegister = new QLabel(this);
    lblRegister->setObjectName(QStringLiteral("lblRegister"));
    QFont bold = lblRegister->font();
    bold.setBold(true);
    lblRegister->setFont(bold);

    cbRegister = new QComboBox(this);
    cbRegister->setObjectName(QStringLiteral("cbRegister"));
    cbRegister->setFixedWidth(361);
    QFont fixedFont(QStringLiteral("Courier New"));
    fixedFont.setFixedPitch(true);
    fixedFont.setStyleHint(QFont::Monospace);
    cbRegister->setFont(fixedFont);
    cbRegister->setStyleSheet(
        QStringLiteral("QComboBox { color: navy; background: rgb(255, 255, 242); }"));

    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    const QString buttonStyle =
        QStringLiteral("QPushButton { font-weight: bold; color: rgb(122, 104, 183); }");
    sbNew = new QPushButton(this);
    sbNew->setObjectName(QStringLiteral("sbNew"));
    sbOk = new QPushButton(this);
    sbOk->setObjectName(QStringLiteral("sbOk"));
    sbCancel = new QPushButton(this);
    sbCancel->setObjectName(QStringLiteral("sbCancel"));
    for (QPushButton* b : {sbNew, sbOk, sbCancel}) {
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setStyleSheet(buttonStyle);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sbNew);
    buttons->addStretch();
    buttons->addWidget(sbOk);
    buttons->addWidget(sbCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 5, 7, 5);
    layout->addWidget(lblRegister);
    layout->addWidget(cbRegister);
    layout->addWidget(bevel);
    layout->addLayout(buttons);

    connect(sbOk, &QPushButton::clicked, this, &TFormRegister::sbOkClick);
    connect(sbNew, &QPushButton::clicked, this, &TFormRegister::sbNewClick);
    connect(sbCancel, &QPushButton::clicked, this, &QDialog::reject);
    setCaptions();
}

void TFormRegister::setCaptions()
{
    setWindowTitle(m_lang.line(71));
    lblRegister->setText(m_lang.line(75));
    sbNew->setText(m_lang.line(76));
    sbOk->setText(m_lang.line(5));
    sbCancel->setText(m_lang.line(6));
}

void TFormRegister::showEvent(QShowEvent* event)
{
    setCaptions();
    QDialog::showEvent(event);
}

void TFormRegister::setItems(const QStringList& items)
{
    cbRegister->clear();
    cbRegister->addItems(items);
    cbRegister->setCurrentIndex(-1);
}

QStringList TFormRegister::items() const
{
    QStringList result;
    for (int i = 0; i < cbRegister->count(); ++i)
        result.append(cbRegister->itemText(i));
    return result;
}

void TFormRegister::sbOkClick()
{
    const int index = cbRegister->currentIndex();
    if (index < 0 || cbRegister->currentText().isEmpty() || !onOk)
        return;
    if (!onOk(index))
        return;
    QCoreApplication::processEvents();
    accept();
}

void TFormRegister::sbNewClick()
{
    if (onNew)
        onNew();
}

} // namespace qz
