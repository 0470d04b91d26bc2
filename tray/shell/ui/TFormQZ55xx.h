#pragma once

#include <QWidget>

#include <functional>

namespace qz {

// The main form: a borderless 156 x 11 strip, caption "55xx", no controls. It exists so that
// showing it ends the start-up (its show starts TimerHide) and closing it ends the program.
class TFormQZ55xx : public QWidget {
    Q_OBJECT
public:
    explicit TFormQZ55xx(QWidget* parent = nullptr);

    std::function<void()> onShow;
    // Runs the shutdown; its answer is always "close".
    std::function<void()> onCloseQuery;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace qz
