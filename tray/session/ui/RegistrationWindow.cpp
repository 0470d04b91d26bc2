#include "tray/session/ui/RegistrationWindow.h"

#include "tray/history/ui/TFormRegister.h"
#include "tray/session/Registration.h"

namespace qz {

void wireRegistrationWindow(Registration& registration, TFormRegister& form)
{
    registration.window.setItems = [&form](const QStringList& items) { form.setItems(items); };
    registration.window.showModal = [&form] { return form.exec() == QDialog::Accepted; };
    form.onOk = [&registration](int index) { return registration.sbOkClick(index); };
    form.onNew = [&registration] { registration.sbNewClick(); };
}

} // namespace qz
