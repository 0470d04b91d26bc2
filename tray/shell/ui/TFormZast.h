#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace qz {

class LangTable;

// The splash and about window: a borderless 470 x 281 picture with the program's title,
// version and company, and an OK button that only the about window shows.
class TFormZast : public QDialog {
    Q_OBJECT
public:
    explicit TFormZast(QWidget* parent = nullptr);

    // Run on every show, and when the window is closed (the splash is destroyed without
    // being closed, so it never runs the close action).
    std::function<void()> onShow;
    std::function<void()> onClose;

    // The about window: OK button and a dialog border.
    void makeAboutWindow();
    // lblTitle1 = 15 + " ", lblTitle2 = 16 + " ", lblCompany = 17, lblVersion = 90.
    void setTexts(const LangTable& lang);

    QLabel* lblTitle1 = nullptr;
    QLabel* lblTitle2 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCompany = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace qz
