#include "tray/shell/ui/TFormProgress.h"

#include "common/platform/Clock.h"
#include "tray/shell/LangTable.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace qz {

TFormProgress::TFormProgress(const LangTable& lang, Clock& clock, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool), m_lang(lang),
      m_clock(clock)
{
    setObjectName(QStringLiteral("FormProgress"));
    setFixedSize(481, 51);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    lblReadHist = new QLabel(this);
    lblReadHist->setObjectName(QStringLiteral("lblReadHist"));
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setTextVisible(false);
    layout->addWidget(lblReadHist);
    layout->addWidget(pbProgress);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormProgress::showEvent(QShowEvent* event)
{
    if (m_tag == 0)
        lblReadHist->setText(m_lang.line(88));
    else if (m_tag == 1)
        lblReadHist->setText(m_lang.line(102));
    QDialog::showEvent(event);
}

void TFormProgress::stepIt()
{
    // The bar stops at its end: work that steps more often than it announced shows a full
    // bar rather than starting over.
    pbProgress->setValue(std::min(pbProgress->value() + m_step, pbProgress->maximum()));
}

void TFormProgress::ProgressShow(int maximum, int step)
{
    if (isVisible())
        return;
    pbProgress->setRange(0, std::max(0, maximum));
    pbProgress->setValue(0);
    m_step = step;
    show();
    repaint();
    stepIt();
}

void TFormProgress::ProgressStep()
{
    if (!isVisible())
        return;
    stepIt();
    pbProgress->repaint();
}

void TFormProgress::ProgressDone()
{
    if (isVisible()) {
        pbProgress->setValue(pbProgress->maximum());
        repaint();
        // Lets the operator see the full bar before it goes.
        m_clock.wait(200);
    }
    QCoreApplication::processEvents();
    hide();
}

} // namespace qz
