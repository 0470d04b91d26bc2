#include "common/platform/ui/QtDialogService.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace qz {

QString withDefaultExtension(const QString& path, const QString& defaultExtension)
{
    if (path.isEmpty() || defaultExtension.isEmpty())
        return path;
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    // "name." asks for no extension on the classic dialogs; keep it as typed minus the dot.
    if (path.endsWith(QLatin1Char('.')))
        return path.chopped(1);
    return path + QLatin1Char('.') + defaultExtension;
}

DialogResult QtDialogService::messageBox(const QString& text, const QString& caption,
                                         DialogButtons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(caption);
    box.setText(text);
    if (buttons == DialogButtons::Ok) {
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return DialogResult::Ok;
    }
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? DialogResult::Ok : DialogResult::Cancel;
}

std::optional<QString> QtDialogService::inputBox(const QString& caption, const QString& prompt,
                                                 const QString& defaultText, InputEcho echo)
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        m_parent, caption, prompt,
        echo == InputEcho::Password ? QLineEdit::Password : QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

namespace {

std::optional<QString> runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                     const QString& caption, const QString& filter,
                                     const QString& defaultExtension, const QString& initialPath)
{
    QFileDialog dialog(parent, caption, initialPath, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return withDefaultExtension(dialog.selectedFiles().constFirst(), defaultExtension);
}

} // namespace

std::optional<QString> QtDialogService::saveFileName(const QString& caption, const QString& filter,
                                                     const QString& defaultExtension,
                                                     const QString& initialPath)
{
    return runFileDialog(m_parent, QFileDialog::AcceptSave, caption, filter, defaultExtension,
                         initialPath);
}

std::optional<QString> QtDialogService::openFileName(const QString& caption, const QString& filter,
                                                     const QString& defaultExtension,
                                                     const QString& initialPath)
{
    return runFileDialog(m_parent, QFileDialog::AcceptOpen, caption, filter, defaultExtension,
                         initialPath);
}

std::optional<PrintChoice> QtDialogService::printDialog(const QString& caption,
                                                        const PrintRequest& request)
{
    QPrinter printer;
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(caption);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintSelection, request.offerSelection);
    options.setFlag(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOptions(options);
    if (request.offerSelection && request.selectionPreselected)
        printer.setPrintRange(QPrinter::Selection);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    PrintChoice choice;
    choice.printerName = printer.printerName();
    choice.copies = printer.copyCount();
    choice.selectionOnly = printer.printRange() == QPrinter::Selection;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        choice.outputFile = printer.outputFileName();
    return choice;
}

} // namespace qz
