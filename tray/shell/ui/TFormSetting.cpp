#include "tray/shell/ui/TFormSetting.h"

#include "common/platform/Crc16.h"
#include "common/platform/DialogService.h"
#include "tray/link/IrdaLink.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qz {

namespace {
QLineEdit* passwordEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}
} // namespace

TFormSetting::TFormSetting(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_ctx(context)
{
    setObjectName(QStringLiteral("FormSetting"));
    auto* form = new QFormLayout;

    lblLng = new QLabel(this);
    cbLng = new QComboBox(this);
    cbLng->setObjectName(QStringLiteral("cbLng"));
    form->addRow(lblLng, cbLng);

    // The port and the protocol are set in the file only; their labels stay hidden, as does
    // the adapter choice.
    lblCom = new QLabel(this);
    lblCom->hide();
    lblProtocol = new QLabel(this);
    lblProtocol->hide();
    lblIRAdapt = new QLabel(this);
    cbIRAdapt = new QComboBox(this);
    cbIRAdapt->setObjectName(QStringLiteral("cbIRAdapt"));
    cbIRAdapt->addItems(
        {QStringLiteral("ACTiSYS ACT - IR220L"), QStringLiteral("IRMate - 210 (IR - 210)")});
    lblIRAdapt->hide();
    cbIRAdapt->hide();

    cbFindDev = new QCheckBox(this);
    cbReadUnreg = new QCheckBox(this);
    cbAddParDB = new QCheckBox(this);
    cbPrintParams = new QCheckBox(this);
    cbFindDev->setObjectName(QStringLiteral("cbFindDev"));
    cbReadUnreg->setObjectName(QStringLiteral("cbReadUnreg"));
    cbAddParDB->setObjectName(QStringLiteral("cbAddParDB"));
    cbPrintParams->setObjectName(QStringLiteral("cbPrintParams"));
    form->addRow(cbFindDev);
    form->addRow(cbReadUnreg);
    form->addRow(cbAddParDB);
    form->addRow(cbPrintParams);

    lblOldPassw = new QLabel(this);
    lblNewPassw1 = new QLabel(this);
    lblNewPassw2 = new QLabel(this);
    EditOldPassw = passwordEdit(this, "EditOldPassw");
    EditNewPassw1 = passwordEdit(this, "EditNewPassw1");
    EditNewPassw2 = passwordEdit(this, "EditNewPassw2");
    form->addRow(lblOldPassw, EditOldPassw);
    form->addRow(lblNewPassw1, EditNewPassw1);
    form->addRow(lblNewPassw2, EditNewPassw2);

    sbOk = new QPushButton(this);
    sbCancel = new QPushButton(this);
    sbOk->setObjectName(QStringLiteral("sbOk"));
    sbCancel->setObjectName(QStringLiteral("sbCancel"));
    // Enter in a password edit moves on; it must not press a button.
    for (QPushButton* b : {sbOk, sbCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sbOk);
    buttons->addWidget(sbCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cbLng, &QComboBox::currentIndexChanged, this, &TFormSetting::languageSelected);
    connect(EditOldPassw, &QLineEdit::textChanged, this, &TFormSetting::oldPasswordChanged);
    connect(EditNewPassw1, &QLineEdit::returnPressed, this, [this] {
        if (!EditNewPassw1->text().isEmpty())
            EditNewPassw2->setFocus();
    });
    connect(sbOk, &QPushButton::clicked, this, &TFormSetting::sbOkClick);
    connect(sbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &TFormSetting::closed);
}

void TFormSetting::applyLanguage()
{
    const LangTable& lang = *m_ctx.lang;
    setWindowTitle(lang.line(8));
    sbOk->setText(lang.line(5));
    sbCancel->setText(lang.line(6));
    lblCom->setText(lang.line(9));
    lblOldPassw->setText(lang.line(55));
    lblNewPassw1->setText(lang.line(56));
    lblNewPassw2->setText(lang.line(57));
    lblLng->setText(lang.line(10));
    m_filling = true;
    cbLng->clear();
    cbLng->addItems({lang.line(11), lang.line(12)});
    cbLng->setCurrentIndex(m_ctx.ini->Language < cbLng->count() ? m_ctx.ini->Language : -1);
    m_filling = false;
    lblIRAdapt->setText(lang.line(13));
    cbFindDev->setText(lang.line(14));
    lblProtocol->setText(lang.line(18));
    cbAddParDB->setText(lang.line(82));
    cbReadUnreg->setText(lang.line(83));
    cbPrintParams->setText(lang.line(101));
}

void TFormSetting::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void TFormSetting::activate()
{
    if (m_ctx.setDiscoveryTimerActive)
        m_ctx.setDiscoveryTimerActive(false);
    const TIniRec& ini = *m_ctx.ini;
    cbIRAdapt->setCurrentIndex(ini.IRAdapter < cbIRAdapt->count() ? ini.IRAdapter : -1);
    m_filling = true;
    cbLng->setCurrentIndex(ini.Language < cbLng->count() ? ini.Language : -1);
    m_filling = false;
    cbFindDev->setChecked(ini.FindDevice);
    cbReadUnreg->setChecked(ini.ReadUnregistered);
    cbAddParDB->setChecked(ini.AddParamsDB);
    cbPrintParams->setChecked(ini.PrintDeviceSetting);
    cbIRAdapt->hide();
    EditNewPassw1->setEnabled(false);
    EditNewPassw2->setEnabled(false);
    EditOldPassw->clear();
    EditNewPassw1->clear();
    EditNewPassw2->clear();
    EditOldPassw->setFocus();
}

void TFormSetting::languageSelected(int index)
{
    if (m_filling || index < 0)
        return;
    m_ctx.ini->Language = uint8_t(index);
    if (onLanguageChanged)
        onLanguageChanged(index);
}

void TFormSetting::oldPasswordChanged(const QString& text)
{
    // Once unlocked the new-password edits stay unlocked for this opening of the window.
    if (text.isEmpty() || passwordHash(text) != m_ctx.ini->SecurityPassword)
        return;
    EditNewPassw1->setEnabled(true);
    EditNewPassw2->setEnabled(true);
    EditNewPassw1->setFocus();
}

void TFormSetting::sbOkClick()
{
    const LangTable& lang = *m_ctx.lang;
    TIniRec& ini = *m_ctx.ini;
    if (EditNewPassw1->isEnabled() && EditNewPassw1->text() != EditNewPassw2->text()) {
        if (m_ctx.dialogs)
            m_ctx.dialogs->messageBox(lang.line(58), lang.line(7), DialogButtons::Ok);
        EditNewPassw1->clear();
        EditNewPassw2->clear();
        EditNewPassw1->setFocus();
        return;
    }
    // An empty new password never replaces the old one.
    if (!EditNewPassw1->text().isEmpty())
        ini.SecurityPassword = passwordHash(EditNewPassw1->text());
    if (cbIRAdapt->currentIndex() >= 0)
        ini.IRAdapter = uint8_t(cbIRAdapt->currentIndex());
    if (m_ctx.link) {
        m_ctx.link->CloseIrDAEx();
        if (!m_ctx.link->InitIrDAEx() && m_ctx.dialogs)
            m_ctx.dialogs->messageBox(lang.line(79), lang.line(7), DialogButtons::Ok);
    }
    ini.FindDevice = cbFindDev->isChecked();
    ini.AddParamsDB = cbAddParDB->isChecked();
    ini.ReadUnregistered = cbReadUnreg->isChecked();
    ini.PrintDeviceSetting = cbPrintParams->isChecked();
    accept();
}

void TFormSetting::closed()
{
    const TIniRec& ini = *m_ctx.ini;
    if (!m_ctx.setDiscoveryTimerActive)
        return;
    m_ctx.setDiscoveryTimerActive(ini.FindDevice && ini.usesLink());
}

} // namespace qz
