// The character set of names: chosen in the editor, it changes how names look, how typed names
// are stored and how they sort, and never the data.

#include "base/name_settings.h"
#include "channels/channel_file_reader.h"
#include "channels/name_codec.h"
#include "editor/channel_list_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"
#include "editor/tree_node_look.h"
#include "tests/editor/channel_editor_fixture.h"

#include <QComboBox>
#include <QHeaderView>

namespace {

// "Спутник", "Первый", "Вести" in windows-1251; the last name holds 0x98, which windows-1251
// leaves undefined (the decoder gives it the control character U+0098).
const QByteArray satelliteName = "\xd1\xef\xf3\xf2\xed\xe8\xea";
const QByteArray firstName = "\xcf\xe5\xf0\xe2\xfb\xe9";
const QByteArray secondName = "\xc2\xe5\xf1\xf2\xe8 \x98";

class NameCharsetTest : public ChannelEditorFixture {
protected:
    void TearDown() override {
        ChannelEditorFixture::TearDown();
        NameSettings().writeCharset(NameSettings::defaultCharset);
        NameCodec::setCharset(defaultNameCharset);
    }

    QString writeCyrillicFile() {
        ChannelDatabase database;
        database.layout = 1;
        Satellite satellite;
        satellite.name = satelliteName;
        SatelliteNode* node = database.appendSatellite(satellite);
        Transponder transponder;
        transponder.frequency = 11766000;
        TransponderNode* tp = database.appendTransponder(node, transponder);
        for (const QByteArray& name : {firstName, secondName}) {
            Program program;
            program.name = name;
            program.videoPid = 0x100;
            database.appendProgram(tp, program);
        }
        const QString file = path(QStringLiteral("cyrillic.cdf"));
        EXPECT_EQ(writeChannelFile(database, file), 0);
        return file;
    }

    QComboBox* charsetBox() const {
        return editor->findChild<QComboBox*>(QStringLiteral("nameCharset"));
    }
    QString label(const QModelIndex& index) const { return index.data().toString(); }
};

} // namespace

TEST_F(NameCharsetTest, ChoosingWindows1251ShowsCyrillicEverywhereAndChangesNoData) {
    const QString file = writeCyrillicFile();
    const QByteArray before = bytesOf(file);
    open(file);
    select(node(0, 0));
    ASSERT_EQ(label(node(0)), QString::fromLatin1(satelliteName)) << "Latin-1 until chosen";
    EXPECT_EQ(charsetBox()->currentText(), QStringLiteral("Western European (ISO-8859-1)"));

    // From the tree, Tab and Alt+H reach the chooser; the arrow keys walk the sets down to
    // Cyrillic.
    editor->tree()->setFocus();
    QTest::keyClick(editor->tree(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), charsetBox());
    editor->tree()->setFocus();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    QTest::keyClick(editor.get(), Qt::Key_H, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), charsetBox()) << "Alt+H, the label's mnemonic";
    while (charsetBox()->currentText() != QStringLiteral("Cyrillic (Windows-1251)")) {
        ASSERT_LT(charsetBox()->currentIndex(), charsetBox()->count() - 1);
        QTest::keyClick(charsetBox(), Qt::Key_Down);
    }

    EXPECT_EQ(label(node(0)), QStringLiteral("Спутник"));
    EXPECT_EQ(label(node(0, 0, 0)), QStringLiteral("Первый"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("Первый"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("Вести \u0098"));
    EXPECT_TRUE(frameTitle().startsWith(QStringLiteral("Спутник ["))) << frameTitle().toStdString();
    EXPECT_FALSE(button("save")->isEnabled()) << "switching the set is no change of the data";
    EXPECT_FALSE(editor->isModified());
    EXPECT_EQ(program(0, 0, 1)->name, secondName);
    EXPECT_EQ(NameSettings().readCharset(), QStringLiteral("windows-1251"));

    // Save As writes the untouched names byte for byte.
    fileAnswers << path(QStringLiteral("again.cdf"));
    QTest::mouseClick(button("saveAs"), Qt::LeftButton);
    EXPECT_EQ(bytesOf(path(QStringLiteral("again.cdf"))).mid(14, before.size() - 17),
              before.mid(14, before.size() - 17))
        << "only the header's save time may differ";
}

TEST_F(NameCharsetTest, TypedCyrillicIsStoredAsWindows1251AndAGreekLetterIsRefused) {
    NameSettings().writeCharset(QStringLiteral("windows-1251"));
    const QString file = writeCyrillicFile();
    open(file);
    EXPECT_EQ(charsetBox()->currentText(), QStringLiteral("Cyrillic (Windows-1251)"))
        << "the stored set applies when the editor opens";
    select(node(0, 0));

    type(1, 1, QStringLiteral("Россия 1"));
    EXPECT_EQ(program(0, 0, 0)->name, QByteArray("\xd0\xee\xf1\xf1\xe8\xff 1"));
    EXPECT_EQ(label(node(0, 0, 0)), QStringLiteral("Россия 1"));

    type(2, 1, QStringLiteral("Ωмега"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("\"Ω\"")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Cyrillic (Windows-1251)")));
    EXPECT_EQ(cell(2, 1), QStringLiteral("Ωмега")) << "the cell keeps its text";
    EXPECT_EQ(program(0, 0, 1)->name, secondName);

    type(2, 1, QStringLiteral("Вести \u0098"));
    QTest::mouseClick(button("save"), Qt::LeftButton);
    EXPECT_FALSE(editor->isModified());
    ChannelDatabase saved;
    ASSERT_EQ(readChannelFile(saved, file), 0);
    EXPECT_EQ(saved.tvList.at(0)->name, QByteArray("\xd0\xee\xf1\xf1\xe8\xff 1"));
    EXPECT_EQ(saved.tvList.at(1)->name, secondName);
}

TEST_F(NameCharsetTest, SortingByNameInCyrillicFollowsTheAlphabet) {
    NameCodec::setCharset(NameCharset::windows1251);
    // Юла, арбуз, Борщ, ёж, Жук, Яблоко: by code unit, capitals would come before small
    // letters and ё after я.
    const std::vector<QByteArray> names = {"\xde\xeb\xe0",     "\xe0\xf0\xe1\xf3\xe7",
                                           "\xc1\xee\xf0\xf9", "\xb8\xe6",
                                           "\xc6\xf3\xea",     "\xdf\xe1\xeb\xee\xea\xee"};
    ChannelDatabase database;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    Satellite satellite;
    satellite.name = satelliteName;
    SatelliteNode* sat = database.appendSatellite(satellite);
    TransponderNode* tp = database.appendTransponder(sat, Transponder());
    for (const QByteArray& name : names) {
        Program program;
        program.name = name;
        program.videoPid = 0x100;
        database.appendProgram(tp, program);
    }
    database.renumber();
    ChannelListDialog dialog(database);
    dialog.show();
    auto* list = dialog.findChild<ProgramListView*>(QStringLiteral("tvList"));
    ASSERT_NE(list, nullptr);
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(ProgramListModel::nameColumn) + 10,
                             header->height() / 2));
    auto* model = static_cast<ProgramListModel*>(list->model());
    QStringList shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, ProgramListModel::nameColumn).data().toString();
    EXPECT_EQ(shown, QStringList({QStringLiteral("арбуз"), QStringLiteral("Борщ"),
                                  QStringLiteral("ёж"), QStringLiteral("Жук"),
                                  QStringLiteral("Юла"), QStringLiteral("Яблоко")}));
}
