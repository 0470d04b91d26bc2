#include "tray/history/ui/TFormHist.h"

#include "common/platform/DialogService.h"
#include "common/platform/Progress.h"
#include "common/platform/RtfWriter.h"
#include "common/platform/ui/QtDialogService.h"
#include "common/platform/ui/RichTextBox.h"
#include "tray/history/ui/HistoryPrint.h"
#include "tray/shell/AppContext.h"
#include "tray/shell/IniRec.h"
#include "tray/shell/LangTable.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qz {

const QColor TFormHist::kBackground(230, 231, 236);
const QColor TFormHist::kTextColour(108, 12, 116);
const QColor TFormHist::kTextBackground(247, 251, 251);
const QColor TFormHist::kValueColour(105, 79, 24);
const QColor TFormHist::kRed(255, 0, 0);
const QColor TFormHist::kGreen(0, 128, 0);

namespace {

const QString kNobody = QStringLiteral("--");

QString lang(const AppContext& ctx, int n)
{
    return ctx.lang ? ctx.lang->line(n) : QString();
}

} // namespace

TFormHist::TFormHist(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_ctx(context)
{
    setObjectName(QStringLiteral("FormHist"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, kBackground);
    setPalette(windowPalette);

    ToolBarHist = new QToolBar(this);
    ToolBarHist->setObjectName(QStringLiteral("ToolBarHist"));
    ToolBarHist->setMovable(false);
    ToolBarHist->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto addButton = [this](const char* name, QStyle::StandardPixmap icon) {
        auto* button = new QToolButton(ToolBarHist);
        button->setObjectName(QLatin1String(name));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIcon(style()->standardIcon(icon));
        button->setFixedSize(61, 36);
        button->setAutoRaise(true);
        QFont f = button->font();
        f.setItalic(true);
        button->setFont(f);
        QPalette p = button->palette();
        p.setColor(QPalette::ButtonText, QColor(0, 0, 128)); // navy
        button->setPalette(p);
        ToolBarHist->addWidget(button);
        return button;
    };
    tbtnSave = addButton("tbtnSave", QStyle::SP_DialogSaveButton);
    ToolBarHist->addSeparator();
    tbtnAddDB = addButton("tbtnAddDB", QStyle::SP_FileDialogNewFolder);
    ToolBarHist->addSeparator();
    tbtnPrint = addButton("tbtnPrint", QStyle::SP_FileDialogDetailedView);
    ToolBarHist->addSeparator();
    tbtnExit = addButton("tbtnExit", QStyle::SP_DialogCloseButton);

    reHist = new RichTextBox(this);
    reHist->setObjectName(QStringLiteral("reHist"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(16);
    font.setBold(true);
    reHist->setFont(font);
    reHist->document()->setDefaultFont(font);
    reHist->setTextColour(kTextColour);
    QPalette textPalette = reHist->palette();
    textPalette.setColor(QPalette::Base, kTextBackground);
    reHist->setPalette(textPalette);
    reHist->setFrameShape(QFrame::NoFrame); // the window shows flat
    reHist->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    reHist->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    StatusBarHist = new QStatusBar(this);
    StatusBarHist->setObjectName(QStringLiteral("StatusBarHist"));
    StatusBarHist->setFixedHeight(18);
    StatusBarHist->setSizeGripEnabled(false);
    StatusBarHist->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBarHist);
    layout->addWidget(reHist, 1);
    layout->addWidget(StatusBarHist);
    resize(691, 433);

    connect(tbtnSave, &QToolButton::clicked, this, &TFormHist::tbtnSaveClick);
    connect(tbtnAddDB, &QToolButton::clicked, this, &TFormHist::tbtnAddDBClick);
    connect(tbtnPrint, &QToolButton::clicked, this, &TFormHist::tbtnPrintClick);
    connect(tbtnExit, &QToolButton::clicked, this, [this] { done(QDialog::Accepted); });

    applyLanguage();
}

void TFormHist::applyLanguage()
{
    setWindowTitle(lang(m_ctx, 23));
    tbtnSave->setText(lang(m_ctx, 48));
    tbtnSave->setToolTip(lang(m_ctx, 48));
    tbtnAddDB->setText(lang(m_ctx, 71));
    tbtnAddDB->setToolTip(lang(m_ctx, 49));
    tbtnPrint->setText(lang(m_ctx, 46));
    tbtnPrint->setToolTip(lang(m_ctx, 46));
    tbtnExit->setText(lang(m_ctx, 45));
    tbtnExit->setToolTip(lang(m_ctx, 45));
}

void TFormHist::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    applyLanguage();
    if (m_ctx.progress)
        m_ctx.progress->ProgressDone();
}

void TFormHist::PostHistoryLine(const QString& text, int width, int colour)
{
    reHist->appendLine(text);
    const int line = reHist->lineCount() - 1;
    const int length = int(text.size()); // the box keeps the length of what it is given
    const int column = std::clamp(width, 0, length);
    if (colour == 1 || colour == 2)
        reHist->colourRange(line, 0, column, colour == 1 ? kRed : kGreen);
    reHist->colourRange(line, column, length - column, kValueColour);
    reHist->italicRange(line, column, length - column, true);
    reHist->moveCaretToEnd();
}

void TFormHist::clearText()
{
    reHist->clearLines();
}

QStringList TFormHist::lines() const
{
    return reHist->lines();
}

int TFormHist::selectionStart() const
{
    return reHist->selectionStart();
}

int TFormHist::selectionLength() const
{
    return reHist->selectionLength();
}

void TFormHist::showModal()
{
    exec();
}

void TFormHist::tbtnSaveClick()
{
    if (!m_ctx.dialogs)
        return;
    const std::optional<QString> chosen = m_ctx.dialogs->saveFileName(
        lang(m_ctx, 48), QStringLiteral("*.rtf (*.rtf)"), QStringLiteral("rtf"));
    if (!chosen || chosen->isEmpty())
        return;
    // The dialog adds the extension to a typed name; a name that arrives without one (from
    // a dialog that does not) gets it here.
    const QString path = withDefaultExtension(*chosen, QStringLiteral("rtf"));
    QString error;
    if (!saveRtf(path, reHist->toRtfDocument(), &error)) {
        m_ctx.dialogs->messageBox(error, lang(m_ctx, 7), DialogButtons::Ok);
        return;
    }
    m_unsavedHistory = false;
}

void TFormHist::tbtnPrintClick()
{
    if (!m_ctx.dialogs)
        return;
    const QStringList text = lines();
    const int start = selectionStart();
    const int length = selectionLength();
    const bool offerSelection = length >= 2;
    const std::optional<PrintChoice> choice =
        m_ctx.dialogs->printDialog(lang(m_ctx, 46), PrintRequest{offerSelection, offerSelection});
    if (!choice || text.isEmpty())
        return;

    QPrinter printer(QPrinter::HighResolution);
    if (!choice->outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(choice->outputFile);
    } else if (!choice->printerName.isEmpty()) {
        printer.setPrinterName(choice->printerName);
    }
    printer.setCopyCount(std::max(1, choice->copies));
    printer.setDocName(windowTitle());

    const HistoryPrintRange range =
        historyPrintRange(text, offerSelection && choice->selectionOnly, start, length);
    const bool card = m_ctx.ini && m_ctx.ini->PrintDeviceSetting && range.first > 2;
    printHistory(printer, text, range, card);
}

void TFormHist::tbtnAddDBClick()
{
    if (startRegistration)
        startRegistration();
}

bool TFormHist::closeQuery()
{
    if (m_ctx.progress)
        m_ctx.progress->ProgressDone();
    if (m_ctx.setProgressTag)
        m_ctx.setProgressTag(1);
    if (m_ctx.progress)
        m_ctx.progress->ProgressShow(520, 1);

    const QString user = currentUserName ? currentUserName() : kNobody;
    if (user != kNobody && storeHistory)
        storeHistory();

    if (m_ctx.progress)
        m_ctx.progress->ProgressDone();
    QCoreApplication::processEvents();

    if (m_unsavedHistory) {
        const DialogResult answer =
            m_ctx.dialogs ? m_ctx.dialogs->messageBox(lang(m_ctx, 52), lang(m_ctx, 53),
                                                      DialogButtons::OkCancel)
                          : DialogResult::Cancel;
        if (answer != DialogResult::Ok)
            return false;
    }
    if (onClosed)
        onClosed();
    return true;
}

void TFormHist::done(int result)
{
    if (!closeQuery())
        return;
    QDialog::done(result);
}

bool TFormHist::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StatusBarHist) {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            statusBarDoubleClicked();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            statusBarRightPressed();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormHist::statusBarDoubleClicked()
{
    m_serviceMode = !m_serviceMode;
}

void TFormHist::statusBarRightPressed()
{
    if (!m_serviceMode || !m_ctx.dialogs)
        return;
    if (m_ctx.dialogs->messageBox(QStringLiteral("Delete history?"), lang(m_ctx, 53),
                                  DialogButtons::OkCancel) == DialogResult::Ok &&
        runDeviceJob)
        runDeviceJob(0);
}

} // namespace qz
