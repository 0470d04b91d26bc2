#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qz {

struct AppContext;

// The program settings window: language, automatic search, the reading options and the
// password of the device settings. It edits the settings in memory; the file is written at
// shutdown. A language change applies at once and stays even when the window is cancelled.
class TFormSetting : public QDialog {
    Q_OBJECT
public:
    explicit TFormSetting(AppContext& context, QWidget* parent = nullptr);

    // Loads and applies the language chosen in cbLng (set by the program).
    std::function<void(int)> onLanguageChanged;

    // The captions of the window from the language table (part of the program's Apply).
    void applyLanguage();

    QLabel* lblLng = nullptr;
    QComboBox* cbLng = nullptr;
    QLabel* lblCom = nullptr;
    QLabel* lblProtocol = nullptr;
    QLabel* lblIRAdapt = nullptr;
    QComboBox* cbIRAdapt = nullptr;
    QCheckBox* cbFindDev = nullptr;
    QCheckBox* cbReadUnreg = nullptr;
    QCheckBox* cbAddParDB = nullptr;
    QCheckBox* cbPrintParams = nullptr;
    QLabel* lblOldPassw = nullptr;
    QLabel* lblNewPassw1 = nullptr;
    QLabel* lblNewPassw2 = nullptr;
    QLineEdit* EditOldPassw = nullptr;
    QLineEdit* EditNewPassw1 = nullptr;
    QLineEdit* EditNewPassw2 = nullptr;
    QPushButton* sbOk = nullptr;
    QPushButton* sbCancel = nullptr;

    void sbOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void activate();
    void languageSelected(int index);
    void oldPasswordChanged(const QString& text);
    void closed();

    AppContext& m_ctx;
    bool m_filling = false; // the list is being filled, not chosen from
};

} // namespace qz
