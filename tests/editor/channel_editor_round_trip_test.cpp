// Browsing never changes a file: open a generated file, select every node, save, and the bytes
// are the same apart from the saved date; one typed PID changes exactly that field.
#include "tests/editor/channel_editor_fixture.h"

#include "channels/channel_data_json.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "editor/channel_cells.h"

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

class RoundTrip : public ChannelEditorFixture, public ::testing::WithParamInterface<int> {};

TEST_P(RoundTrip, BrowsingEverythingAndSavingKeepsTheBytes) {
    ChannelGeneratorOptions options;
    options.layout = std::uint8_t(GetParam());
    options.seed = 11 + std::uint32_t(GetParam());
    options.programs = 400;
    QByteArray image;
    ASSERT_EQ(generateChannelImage(options, image), 0);
    const QString original = path(QStringLiteral("generated.cdf"));
    QFile out(original);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(image);
    out.close();

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

} // namespace
