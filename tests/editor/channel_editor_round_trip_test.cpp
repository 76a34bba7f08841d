// Browsing never changes a file: open a generated file, select every node, save, and the bytes
// are the same apart from the saved date; one typed PID changes exactly that field.
#include "tests/editor/channel_editor_fixture.h"

#include "channels/channel_data_json.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "editor/audio_pid_dialog.h"
#include "editor/channel_cells.h"
#include "editor/satellite_dialog144.h"
#include "editor/standard_editor_windows.h"
#include "tests/support/next_modal.h"
#include "widgets/grid/grid_ctrl.h"

#include <QComboBox>

#include <QJsonArray>
#include <QJsonObject>

#include <map>

namespace {

// "satellites/0/transponders/2/programs/1/pcrPid" -> value, for every leaf.
void flatten(const QJsonValue& value, const QString& at, std::map<QString, QJsonValue>& out) {
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            flatten(it.value(), at + QLatin1Char('/') + it.key(), out);
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            flatten(array[i], at + QLatin1Char('/') + QString::number(i), out);
    } else {
        out[at] = value;
    }
}

// The fields in which the two files differ, the saved date and time left aside.
QStringList differences(const QString& a, const QString& b) {
    ChannelDatabase first;
    ChannelDatabase second;
    EXPECT_EQ(readChannelFile(first, a), 0);
    EXPECT_EQ(readChannelFile(second, b), 0);
    std::map<QString, QJsonValue> left;
    std::map<QString, QJsonValue> right;
    flatten(channelDataToJson(first), {}, left);
    flatten(channelDataToJson(second), {}, right);
    QStringList found;
    for (const auto& [key, value] : left)
        if (!key.contains(QLatin1String("/saved")) && (!right.count(key) || right[key] != value))
            found << key;
    for (const auto& [key, value] : right)
        if (!left.count(key))
            found << key;
    return found;
}

class GeneratedFileFixture : public ChannelEditorFixture {
protected:
    // A generated file of `layout` in the test's folder; its bytes in `image`.
    QString writeGenerated(const QString& name, int layout, std::uint32_t seed, int programs,
                           QByteArray& image) {
        ChannelGeneratorOptions options;
        options.layout = std::uint8_t(layout);
        options.seed = seed;
        options.programs = programs;
        EXPECT_EQ(generateChannelImage(options, image), 0);
        QFile out(path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(image);
        return path(name);
    }
};

class RoundTrip : public GeneratedFileFixture, public ::testing::WithParamInterface<int> {};

TEST_P(RoundTrip, BrowsingEverythingAndSavingKeepsTheBytes) {
    QByteArray image;
    const QString original = writeGenerated(QStringLiteral("generated.cdf"), GetParam(),
                                            11 + std::uint32_t(GetParam()), 400, image);

    open(original);
    SatelliteTreeModel& model = editor->treeModel();
    ProgramNode* edited = nullptr;
    QModelIndex editedTransponder;
    for (int s = 0; s < model.rowCount(); ++s) {
        const QModelIndex satellite = model.index(s, 0);
        select(satellite);
        for (int t = 0; t < model.rowCount(satellite); ++t) {
            const QModelIndex transponder = model.index(t, 0, satellite);
            select(transponder);
            for (int p = 0; p < model.rowCount(transponder); ++p) {
                select(model.index(p, 0, transponder));
                if (!edited) {
                    edited = SatelliteTreeModel::programAt(model.index(p, 0, transponder));
                    editedTransponder = transponder;
                }
            }
        }
    }
    ASSERT_NE(edited, nullptr);
    EXPECT_FALSE(editor->isModified());
    EXPECT_TRUE(messages.empty());

    const QString copy = path(QStringLiteral("copy.cdf"));
    fileAnswers << copy;
    QTest::mouseClick(button("saveAs"), Qt::LeftButton);
    QByteArray saved = bytesOf(copy);
    ASSERT_EQ(saved.size(), image.size());
    // Only the saved date and time may differ.
    saved.replace(ChannelFileFormat::savedDateOffset, 5,
                  image.mid(ChannelFileFormat::savedDateOffset, 5));
    EXPECT_TRUE(saved == image);

    select(editedTransponder);
    const int row = edited->transponder()->indexOf(edited) + 1;
    const std::uint16_t newPcr = edited->pcrPid == 0x0123 ? 0x0124 : 0x0123;
    type(row, ProgramColumn::pcrPid, QString::asprintf("0x%04x", newPcr));
    QTest::mouseClick(button("save"), Qt::LeftButton);
    const QStringList changed = differences(original, copy);
    ASSERT_EQ(changed.size(), 1) << changed.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(changed[0].endsWith(QLatin1String("/pcrPid"))) << changed[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Layouts, RoundTrip, ::testing::Values(1, 2));

class EditorWindows : public GeneratedFileFixture {};

// The satellite and audio windows opened from the editor's own buttons: what they change
// reaches the file, and nothing else does.
TEST_F(EditorWindows, ASatellitesLnbTypeAndAnAudioTrackChangedThroughTheirWindowsAreSaved) {
    QByteArray image;
    const QString file = writeGenerated(QStringLiteral("layout2.cdf"), 2, 5, 60, image);
    {
        // Generated values are random; give the first satellite a position and skew the
        // window accepts, as a real receiver's file has.
        ChannelDatabase generated;
        ASSERT_EQ(readChannelFile(generated, file), 0);
        SatelliteNode* first = generated.satelliteAt(0);
        first->orbitalPosition = 192;
        first->skewH = 10;
        first->skewV = 20;
        // Settle the fields the window always writes in its fixed form, so that what differs
        // after the edit below is the edit alone.
        SatelliteDialog144 settle(generated, first);
        settle.show();
        for (QPushButton* b : settle.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("OK"))
                QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(settle.result(), QDialog::Accepted);
        ASSERT_EQ(writeChannelFile(generated, file), 0);
    }
    const QString copy = path(QStringLiteral("copy.cdf"));
    ASSERT_TRUE(QFile::copy(file, copy));

    open(copy, standardEditorWindows());
    SatelliteNode* satellite = database().satelliteAt(0);
    const int oldType = satellite->lnbType;
    int shownIcon = -1;
    select(node(0));
    onNextModal([&](QWidget* window) {
        auto* dialog = qobject_cast<SatelliteDialog144*>(window);
        ASSERT_NE(dialog, nullptr);
        // Any other entry of the list: the next one, or the first from the last.
        QComboBox* types = dialog->typeList();
        types->setCurrentIndex((types->currentIndex() + 1) % types->count());
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("OK"))
                QTest::mouseClick(b, Qt::LeftButton);
        shownIcon = dialog->treeIcon();
    });
    QTest::mouseClick(button("editSatellite"), Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(int(satellite->lnbType), oldType);
    EXPECT_TRUE(editor->isModified());
    EXPECT_EQ(editor->treeModel().satelliteImageOf(satellite), shownIcon);

    // The first transponder of a satellite that has programs; the audio PID of its first
    // program's first track.
    ProgramNode* program = nullptr;
    QModelIndex transponderIndex;
    for (int s = 0; s < database().satelliteCount() && !program; ++s)
        for (int t = 0; t < database().satelliteAt(s)->transponderCount() && !program; ++t)
            if (database().satelliteAt(s)->transponderAt(t)->programCount() > 0) {
                program = database().satelliteAt(s)->transponderAt(t)->programAt(0);
                transponderIndex = node(s, t);
            }
    ASSERT_NE(program, nullptr);
    select(transponderIndex);
    editor->grid()->selectRow(1);
    const std::uint16_t newPid =
        (program->audioTracks[0].audioPid & 0x1fff) == 0x123 ? 0x124 : 0x123;
    onNextModal([&](QWidget* window) {
        auto* dialog = qobject_cast<AudioPidDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        if (dialog->grid()->rowCount() < 2)
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Add"))
                    QTest::mouseClick(b, Qt::LeftButton);
        dialog->grid()->setCellText(1, AudioPidDialog::pidColumn,
                                    QString::asprintf("0x%x", unsigned(newPid)));
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("OK"))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    QTest::mouseClick(button("audio"), Qt::LeftButton);
    EXPECT_EQ(program->audioTracks[0].audioPid & 0x1fff, newPid);

    QTest::mouseClick(button("save"), Qt::LeftButton);
    EXPECT_FALSE(editor->isModified());
    const QStringList changed = differences(file, copy);
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_TRUE(changed.contains(QStringLiteral("/satellites/0/lnbType")))
        << changed.join(QLatin1Char(' ')).toStdString();
    bool audioChanged = false;
    for (const QString& key : changed) {
        // Only the satellite's LNB fields and the program's audio tracks may differ.
        const bool lnb = key.startsWith(QLatin1String("/satellites/0/lnb"));
        const bool audio = key.contains(QLatin1String("/audio"));
        audioChanged = audioChanged || audio;
        EXPECT_TRUE(lnb || audio) << key.toStdString();
    }
    EXPECT_TRUE(audioChanged);
}

} // namespace
