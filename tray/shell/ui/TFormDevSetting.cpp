#include "tray/shell/ui/TFormDevSetting.h"

#include "tray/shell/LangTable.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace qz {

TFormDevSetting::TFormDevSetting(const LangTable& lang, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_lang(lang)
{
    setObjectName(QStringLiteral("FormDevSetting"));
    setModal(true);
    resize(360, 120);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    sbClose = new QPushButton(QStringLiteral("Close"), this);
    sbClose->setObjectName(QStringLiteral("sbClose"));
    layout->addWidget(sbClose, 0, Qt::AlignRight);
    connect(sbClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormDevSetting::showEvent(QShowEvent* event)
{
    // Windows other than the settings window take their texts each time they are shown.
    setWindowTitle(m_lang.line(59));
    QDialog::showEvent(event);
}

} // namespace qz
