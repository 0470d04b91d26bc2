#pragma once

#include <QDialog>

class QPushButton;

namespace qz {

class LangTable;

// The device settings window. For now a plain window with its caption and a Close button;
// reading and writing an instrument's settings comes with the device sessions.
class TFormDevSetting : public QDialog {
    Q_OBJECT
public:
    explicit TFormDevSetting(const LangTable& lang, QWidget* parent = nullptr);

    QPushButton* sbClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const LangTable& m_lang;
};

} // namespace qz
