#pragma once

#include "tray/history/HistoryWindowApi.h"

#include <QDialog>

#include <functional>

class QStatusBar;
class QToolBar;
class QToolButton;

namespace qz {

struct AppContext;
class RichTextBox;

// The history window: the device card and event lines of the instrument just read, with
// saving as rich text, printing, issuing the instrument to a person and, hidden in the
// status bar, clearing the instrument's history. Closing it stores the lines through the
// session's writer and asks before an unsaved history is dropped.
class TFormHist : public QDialog, public HistoryWindowApi {
    Q_OBJECT
public:
    explicit TFormHist(AppContext& context, QWidget* parent = nullptr);

    // Set by the session. Empty functions do nothing (an unset user name means nobody).
    std::function<QString()> currentUserName; // "--" = the instrument is issued to nobody
    std::function<void()> storeHistory;       // the database writer, run on close
    std::function<void()> startRegistration;  // tbtnAddDB
    std::function<void(int)> runDeviceJob;    // the device job runner; 0 clears the history
    std::function<void()> onClosed;           // releases what the registration kept

    // HistoryWindowApi
    void PostHistoryLine(const QString& text, int width, int colour) override;
    void clearText() override;
    QStringList lines() const override;
    int selectionStart() const override;
    int selectionLength() const override;
    bool unsavedHistory() const override { return m_unsavedHistory; }
    void setUnsavedHistory(bool unsaved) override { m_unsavedHistory = unsaved; }
    void showModal() override;

    bool serviceMode() const { return m_serviceMode; }
    // Captions and hints from the language table.
    void applyLanguage();

    void tbtnSaveClick();
    void tbtnPrintClick();
    void tbtnAddDBClick();

    // The close handler; false keeps the window open.
    bool closeQuery();

    QToolBar* ToolBarHist = nullptr;
    QToolButton* tbtnSave = nullptr;
    QToolButton* tbtnAddDB = nullptr;
    QToolButton* tbtnPrint = nullptr;
    QToolButton* tbtnExit = nullptr;
    RichTextBox* reHist = nullptr;
    QStatusBar* StatusBarHist = nullptr;

    // Colours of the window and of the event lines.
    static const QColor kBackground;
    static const QColor kTextColour;
    static const QColor kTextBackground;
    static const QColor kValueColour;
    static const QColor kRed;
    static const QColor kGreen;

public slots:
    // Every way of closing ends here; the close handler may refuse.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void statusBarDoubleClicked();
    void statusBarRightPressed();

    AppContext& m_ctx;
    bool m_unsavedHistory = false;
    bool m_serviceMode = false;
};

} // namespace qz
