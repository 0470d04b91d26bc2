#include "common/platform/ui/QtDialogService.h"
#include "PlatformUiTestApp.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace qz {
namespace {

QApplication& dialogApp()
{
    return test::testApp();
}

// Answers the next modal window as soon as its own event loop runs; the window is handed to
// `answer`, which must close it. A window left open is rejected so the test cannot hang.
void answerNextModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        answer(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
}

TEST(QtDialogService, MessageBoxesCarryCaptionAndTextAndAnswer)
{
    dialogApp();
    QtDialogService dialogs;
    for (bool pressOk : {true, false}) {
        QString title, text;
        answerNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            box->button(pressOk ? QMessageBox::Ok : QMessageBox::Cancel)->click();
        });
        const DialogResult result =
            dialogs.messageBox("Delete it?", "Question", DialogButtons::OkCancel);
        EXPECT_EQ(result, pressOk ? DialogResult::Ok : DialogResult::Cancel);
        EXPECT_EQ(title, "Question");
        EXPECT_EQ(text, "Delete it?");
    }
    // An OK-only box answers OK however it is closed.
    answerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.messageBox("Failed", "Error", DialogButtons::Ok), DialogResult::Ok);
}

TEST(QtDialogService, InputBoxHidesPasswordsAndReportsCancel)
{
    dialogApp();
    QtDialogService dialogs;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    answerNextModal([&](QWidget* w) {
        auto* input = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(input, nullptr);
        echo = input->textEchoMode();
        input->setTextValue("secret");
        input->accept();
    });
    EXPECT_EQ(dialogs.inputBox("Password", "", "", InputEcho::Password), "secret");
    EXPECT_EQ(echo, QLineEdit::Password);

    answerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.inputBox("Name", "Enter", "x"), std::nullopt);
}

TEST(QtDialogService, SaveDialogAddsTheDefaultExtension)
{
    dialogApp();
    QTemporaryDir dir;
    QtDialogService dialogs;
    answerNextModal([&](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(files, nullptr);
        files->selectFile(dir.filePath("report"));
        QMetaObject::invokeMethod(files, "accept");
    });
    EXPECT_EQ(dialogs.saveFileName("Save", "Text files (*.txt)", "txt", dir.path()),
              dir.filePath("report.txt"));
}

TEST(QtDialogService, DefaultExtensionIsAddedOnlyToANameWithoutOne)
{
    const struct {
        const char* path;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"/tmp/report", "txt", "/tmp/report.txt"},
        {"/tmp/report.rtf", "txt", "/tmp/report.rtf"},
        {"/tmp/report.", "txt", "/tmp/report"},
        {"/tmp/my.dir/report", "txt", "/tmp/my.dir/report.txt"},
        {"/tmp/report", "", "/tmp/report"},
        {"", "txt", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withDefaultExtension(c.path, c.extension), QString(c.expected)) << c.path;
}

} // namespace
} // namespace qz

namespace qz {
namespace {

TEST(QtDialogService, PrintDialogHonoursTheSelectionOptionAndReportsTheChoice)
{
    dialogApp();
    QTemporaryDir dir;
    QtDialogService dialogs;
    const QString pdf = dir.filePath("out.pdf");
    const struct {
        PrintRequest request;
        bool selectionOffered;
        bool selectionOnly;
    } cases[] = {
        {{true, true}, true, true}, {{true, false}, true, false}, {{false, true}, false, false}};
    for (const auto& c : cases) {
        bool offered = !c.selectionOffered;
        answerNextModal([&](QWidget* w) {
            auto* print = qobject_cast<QPrintDialog*>(w);
            ASSERT_NE(print, nullptr);
            offered = print->testOption(QAbstractPrintDialog::PrintSelection);
            // Print to a file whatever printers the machine has.
            if (auto* printers = print->findChild<QComboBox*>("printers")) {
                for (int i = 0; i < printers->count(); ++i)
                    if (printers->itemText(i).contains("PDF"))
                        printers->setCurrentIndex(i);
            }
            if (auto* file = print->findChild<QLineEdit*>("filename"))
                file->setText(pdf);
            QMetaObject::invokeMethod(print, "accept");
        });
        const auto choice = dialogs.printDialog("Print", c.request);
        ASSERT_TRUE(choice);
        EXPECT_EQ(offered, c.selectionOffered);
        EXPECT_EQ(choice->selectionOnly, c.selectionOnly);
        EXPECT_EQ(choice->outputFile, pdf);
        EXPECT_EQ(choice->copies, 1);
    }
    answerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.printDialog("Print"), std::nullopt);
}

} // namespace
} // namespace qz
