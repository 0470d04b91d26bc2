#include "tray/shell/ui/TFormZast.h"

#include "tray/shell/LangTable.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace qz {

TFormZast::TFormZast(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FormZast"));
    setFixedSize(470, 281);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(150, 40, 24, 12);
    auto makeLabel = [this, layout](const char* name, int pointSize, bool bold) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        QFont font = label->font();
        font.setPointSize(pointSize);
        font.setBold(bold);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: white;"));
        layout->addWidget(label);
        return label;
    };
    lblTitle1 = makeLabel("lblTitle1", 20, true);
    lblTitle2 = makeLabel("lblTitle2", 14, true);
    lblVersion = makeLabel("lblVersion", 10, false);
    layout->addStretch();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setVisible(false);
    layout->addWidget(btnOK, 0, Qt::AlignRight);
    lblCompany = makeLabel("lblCompany", 9, false);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // Every way of closing (OK, Escape, the close box) ends in finished().
    connect(this, &QDialog::finished, this, [this] {
        if (onClose)
            onClose();
    });
}

void TFormZast::makeAboutWindow()
{
    btnOK->setVisible(true);
    btnOK->setDefault(true);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

void TFormZast::setTexts(const LangTable& lang)
{
    lblTitle1->setText(lang.line(15) + QLatin1Char(' '));
    lblTitle2->setText(lang.line(16) + QLatin1Char(' '));
    lblCompany->setText(lang.line(17));
    lblVersion->setText(lang.line(90));
}

void TFormZast::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && onShow)
        onShow();
}

void TFormZast::paintEvent(QPaintEvent*)
{
    // The picture: a dark blue field with a stylised instrument on the left.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0x1f, 0x3a, 0x68));
    sky.setColorAt(1, QColor(0x0b, 0x16, 0x2c));
    p.fillRect(rect(), sky);
    p.setPen(QPen(QColor(0xdd, 0xe6, 0xf2), 3));
    p.setBrush(QColor(0x3c, 0x5a, 0x8c));
    p.drawRoundedRect(QRectF(36, 50, 80, 150), 12, 12);
    p.setBrush(QColor(0x9b, 0xd3, 0x6a));
    p.drawRect(QRectF(50, 68, 52, 34));
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawEllipse(QPointF(76, 160), 16, 16);
}

} // namespace qz
