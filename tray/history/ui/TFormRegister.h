#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace qz {

class LangTable;

// The registration window: the persons who hold no instrument in a drop-down list, a button
// for a new person, OK and Cancel. It only shows the list and reports the buttons; what
// they do is given by the hooks (the registration of the device sessions fills them).
class TFormRegister final : public QDialog {
public:
    explicit TFormRegister(const LangTable& lang, QWidget* parent = nullptr);

    // sbOk with the selected item's index: true closes the window with OK. Not called while
    // nothing is selected or the list's text is empty.
    std::function<bool(int index)> onOk;
    // sbNew: a new person; the hook refills the list through setItems.
    std::function<void()> onNew;

    void setItems(const QStringList& items);
    QStringList items() const;

    QLabel* lblRegister = nullptr;
    QComboBox* cbRegister = nullptr;
    QPushButton* sbNew = nullptr;
    QPushButton* sbOk = nullptr;
    QPushButton* sbCancel = nullptr;

    void sbOkClick();
    void sbNewClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setCaptions();

    const LangTable& m_lang;
};

} // namespace qz
