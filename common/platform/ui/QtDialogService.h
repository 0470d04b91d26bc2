#pragma once

#include "common/platform/DialogService.h"

#include <QPointer>
#include <QWidget>

namespace qz {

// The dialog service of the program: Qt's message, input, file and print dialogs. Message
// boxes carry the caption they are given; the application title stays for the task bar.
class QtDialogService final : public DialogService {
public:
    explicit QtDialogService(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    DialogResult messageBox(const QString& text, const QString& caption,
                            DialogButtons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText,
                                    InputEcho echo = InputEcho::Normal) override;
    std::optional<QString> saveFileName(const QString& caption, const QString& filter,
                                        const QString& defaultExtension,
                                        const QString& initialPath = QString()) override;
    std::optional<QString> openFileName(const QString& caption, const QString& filter,
                                        const QString& defaultExtension,
                                        const QString& initialPath = QString()) override;
    std::optional<PrintChoice> printDialog(const QString& caption,
                                           const PrintRequest& request = {}) override;

private:
    QPointer<QWidget> m_parent;
};

// A name typed without an extension gets the default one ("report" + "txt" gives
// "report.txt"); a name with any extension, or an empty default, is kept.
QString withDefaultExtension(const QString& path, const QString& defaultExtension);

} // namespace qz
