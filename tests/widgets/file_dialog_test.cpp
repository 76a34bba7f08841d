#include "widgets/file_dialog.h"
#include "tests/support/next_modal.h"

#include <QFileDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileDialog, FiltersInTheToolkitsForm) {
    EXPECT_EQ(fileDialogNameFilters(QStringLiteral("Bin File (*.bin)|*.bin|All file (*.*)|*.*||")),
              (QStringList{QStringLiteral("Bin File (*.bin)"), QStringLiteral("All file (*)")}));
    // The pattern list after the description counts, not the one written into it.
    EXPECT_EQ(
        fileDialogNameFilters(
            QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||")),
        (QStringList{QStringLiteral("Channel Data File (*.cdf)"), QStringLiteral("All file (*)")}));
    EXPECT_EQ(fileDialogNameFilters(QStringLiteral("Images|*.png;*.bmp||")),
              QStringList{QStringLiteral("Images (*.png *.bmp)")});
    EXPECT_TRUE(fileDialogNameFilters(QString()).isEmpty());
}

TEST(FileDialog, OpenDialogForAnExistingFile) {
    QTemporaryDir dir;
    FileDialogRequest request;
    request.mode = FileDialogMode::open;
    request.initialPath = dir.filePath(QStringLiteral("old.bin"));
    request.filter = QStringLiteral("Bin File (*.bin)|*.bin|All file (*.*)|*.*||");
    request.defaultSuffix = QStringLiteral("bin");
    request.mustExist = true;

    bool inspected = false;
    onNextModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        inspected = true;
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->nameFilters(), fileDialogNameFilters(request.filter));
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("bin"));
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
    });
    // Closed without a choice: cancelled.
    EXPECT_EQ(runFileDialog(nullptr, request), QString());
    EXPECT_TRUE(inspected);
}

TEST(FileDialog, SaveDialogWithoutOverwritePromptReturnsTheFullPath) {
    QTemporaryDir dir;
    FileDialogRequest request;
    request.mode = FileDialogMode::save;
    request.initialPath = dir.filePath(QStringLiteral("list.cdf"));
    request.filter = QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||");
    request.defaultSuffix = QStringLiteral("cdf");

    onNextModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        // A name typed without extension gets the default one.
        dialog->selectFile(QStringLiteral("fresh"));
        static_cast<QDialog*>(dialog)->accept(); // virtual: the file dialog's own accept
    });
    EXPECT_EQ(runFileDialog(nullptr, request), dir.filePath(QStringLiteral("fresh.cdf")));
}

TEST(FileDialog, ResponderAnswersInsteadOfTheDialog) {
    FileDialogRequest seen;
    setFileDialogResponder([&](const FileDialogRequest& request) {
        seen = request;
        return QStringLiteral("/chosen.bin");
    });
    FileDialogRequest request;
    request.initialPath = QStringLiteral("/start.bin");
    EXPECT_EQ(runFileDialog(nullptr, request), QStringLiteral("/chosen.bin"));
    EXPECT_EQ(seen.initialPath, QStringLiteral("/start.bin"));
    setFileDialogResponder({});
}
