#pragma once

// The channel editor on a file in a temporary folder, with message boxes, questions and file
// dialogs answered by the test.

#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_document.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_grid.h"
#include "editor/satellite_tree_model.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Satellite "Sat A" with five transponders (the first H 11.778 with five programs: a TV
// program and four radio programs, the second of them with three audio tracks), and an empty
// satellite "Sat B".
inline void buildSmallDatabase(ChannelDatabase& database) {
    database.layout = 1;
    Satellite a;
    a.name = "Sat A";
    SatelliteNode* satA = database.appendSatellite(a);
    for (int i = 0; i < 5; ++i) {
        Transponder transponder;
        transponder.frequency = 11778000 + std::uint32_t(i) * 1000;
        transponder.polarization = std::uint8_t(i == 0 ? 1 : 0);
        transponder.symbolRate = 27500;
        TransponderNode* node = database.appendTransponder(satA, transponder);
        if (i != 0)
            continue;
        for (int p = 1; p <= 5; ++p) {
            Program program;
            program.name = QByteArray("P") + QByteArray::number(p);
            program.serviceId = std::uint16_t(p);
            if (p == 1)
                program.videoPid = 0x100;
            if (p == 2) {
                program.audioCount = 3;
                program.audioTracks[0] = {0x8101, 1};
                program.audioTracks[1] = {0x0102, 2};
                program.audioTracks[2] = {0x0103, 3};
            }
            database.appendProgram(node, program);
        }
    }
    Satellite b;
    b.name = "Sat B";
    database.appendSatellite(b);
}

class ChannelEditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageRecorder([this](const ShownMessage& message) { messages.push_back(message); });
        setQuestionResponder([this](const ShownMessage& question) {
            questions.push_back(question.text);
            return answers.empty() ? MessageAnswer::cancel : answers.takeFirst();
        });
        setFileDialogResponder([this](const FileDialogRequest& request) {
            fileRequests.push_back(request);
            return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        });
    }

    void TearDown() override {
        editor.reset();
        setMessageRecorder({});
        setQuestionResponder({});
        setFileDialogResponder({});
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QString writeSmallFile(const QString& name = QStringLiteral("small.cdf")) {
        ChannelDatabase database;
        buildSmallDatabase(database);
        EXPECT_EQ(writeChannelFile(database, path(name)), 0);
        return path(name);
    }

    static QByteArray bytesOf(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    ChannelEditDialog& open(const QString& file, ChannelEditorWindows windows = {}) {
        editor = std::make_unique<ChannelEditDialog>(file, std::move(windows));
        editor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        return *editor;
    }

    QModelIndex node(int satellite, int transponder = -1, int program = -1) const {
        SatelliteTreeModel& model = editor->treeModel();
        QModelIndex index = model.index(satellite, 0);
        if (transponder >= 0)
            index = model.index(transponder, 0, index);
        if (program >= 0)
            index = model.index(program, 0, index);
        return index;
    }

    void select(const QModelIndex& index) const { editor->tree()->setCurrentIndex(index); }

    // Types into a cell as the user would; `finish` ends the edit as leaving the cell does.
    void type(int row, int column, const QString& text, bool finish = true) const {
        ChannelGrid* grid = editor->grid();
        grid->setFocusCell(row, column);
        ASSERT_TRUE(grid->editCell(row, column));
        QLineEdit* box = grid->cellEditor();
        ASSERT_NE(box, nullptr);
        box->selectAll();
        box->del();
        // QTest types ASCII only.
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(box, text);
        else
            box->insert(text);
        if (finish)
            grid->commitEdit();
    }

    QPushButton* button(const char* name) const {
        return editor->findChild<QPushButton*>(QLatin1String(name));
    }
    QString frameTitle() const {
        return editor->findChild<QGroupBox*>(QStringLiteral("gridFrame"))->title();
    }
    QString cell(int row, int column) const { return editor->grid()->getCellText(row, column); }
    ChannelDatabase& database() const { return editor->document().database(); }
    ProgramNode* program(int satellite, int transponder, int index) const {
        return database().satelliteAt(satellite)->transponderAt(transponder)->programAt(index);
    }

    QTemporaryDir dir;
    std::unique_ptr<ChannelEditDialog> editor;
    std::vector<ShownMessage> messages;
    QStringList questions;
    QList<MessageAnswer> answers;
    QStringList fileAnswers;
    std::vector<FileDialogRequest> fileRequests;
};
