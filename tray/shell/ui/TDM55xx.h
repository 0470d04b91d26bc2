#pragma once

#include "common/platform/ui/TrayIcon.h"

#include <QMenu>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QDialog;

namespace qz {

struct AppContext;
class TFormDevSetting;
class TFormProgress;
class TFormQZ55xx;
class TFormSetting;
class TFormZast;

// The data module of the tray program: the tray icon and its menu, the discovery timer and
// the end-of-start-up timer, and the menu commands.
class TDM55xx : public QObject {
    Q_OBJECT
public:
    static constexpr int kDiscoveryIntervalMs = 3000;
    static constexpr int kHideDelayMs = 3000;

    explicit TDM55xx(AppContext& context, QObject* parent = nullptr);
    // Hides the tray icon.
    ~TDM55xx() override;

    TrayIcon ctiQZ55xx;
    QMenu pmnuQZ55xx;
    QAction* pmnuShowDB = nullptr;
    QAction* pmnuDevSetting = nullptr;
    QAction* pmnuSetting = nullptr;
    QAction* pmnuHelp = nullptr;
    QAction* pmnuAbout = nullptr;
    QAction* pmnuExit = nullptr;
    QTimer TimerFindDevIrDA;
    QTimer TimerHide;

    // The windows the module works with; the program creates them and sets these.
    TFormQZ55xx* FormQZ55xx = nullptr;
    TFormSetting* FormSetting = nullptr;
    TFormDevSetting* FormDevSetting = nullptr;
    TFormProgress* FormProgress = nullptr;
    // The splash, owned here from its creation until TimerHide destroys it.
    std::unique_ptr<TFormZast> FormZast;

    // Hooks the program fills in. Empty ones do nothing, except where a default is named.
    std::function<void()> onDiscoveryTick; // one tick of the device discovery
    std::function<void()> resetCurSerial;  // the session's current serial number := -1
    // Opens the help file with the desktop's handler (default: QDesktopServices).
    std::function<void(const QString&)> openHelp;
    // Shows the device settings window modally (default: FormDevSetting through execModal).
    std::function<void()> showDeviceSettings;
    // Runs a window modally and gives its result (default: QDialog::exec). Tests answer the
    // window in here instead of blocking.
    std::function<int(QDialog&)> execModal;
    // Ends the event loop after the exit command (default: QCoreApplication::quit).
    std::function<void()> quit;

    void setDiscoveryActive(bool active);
    void setTrayMouseEnabled(bool enabled) { ctiQZ55xx.setMouseEnabled(enabled); }

    // The splash / about window's show and close actions.
    void zastShow();
    void zastClose();

    // The main form's show: the last step of the start-up.
    void FormQZ55xxShow();

    void TimerHideTimer();
    void TimerFindDevIrDATimer();

    void pmnuQZ55xxPopup();
    void pmnuShowDBClick();
    void pmnuDevSettingClick();
    void pmnuSettingClick();
    void pmnuHelpClick();
    void pmnuAboutClick();
    void pmnuExitClick();

    // The help file chosen by the last help command (empty until one chose a file).
    const QString& helpFile() const { return m_helpFile; }

    // The program's icon, drawn here so the program needs no image files.
    static QIcon programIcon();

private:
    AppContext& m_ctx;
    QString m_helpFile;
};

} // namespace qz
