// The steps the document records, replayed without any window: random changes of generated
// files, all taken back and made again, give the bytes from before and after.
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_document.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

QByteArray encoded(ChannelDatabase& database) {
    QByteArray image;
    EXPECT_EQ(encodeChannelImage(database, image), 0);
    return image;
}

// Applies one random change of any kind the document records; false when none was possible.
bool changeSomething(ChannelDocument& document, std::mt19937& random) {
    ChannelDatabase& database = document.database();
    const auto pick = [&random](int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    SatelliteNode* satellite = database.satelliteAt(pick(database.satelliteCount()));
    TransponderNode* transponder =
        satellite->transponderAt(pick(satellite->transponderCount() + 1));
    ProgramNode* program =
        transponder ? transponder->programAt(pick(transponder->programCount() + 1)) : nullptr;
    switch (pick(9)) {
    case 0:
        return transponder && document.apply(TransponderRemoval{satellite, transponder});
    case 1:
        return program && document.apply(ProgramRemoval{transponder, program});
    case 2:
        return document.apply(TransponderAddition{satellite, {}}) != nullptr;
    case 3: {
        Program added;
        added.videoPid = std::uint16_t(pick(2) ? 0x100 : ChannelLimits::noPid);
        return transponder && document.apply(ProgramAddition{transponder, added});
    }
    case 4: {
        if (!transponder)
            return false;
        Transponder after = transponder->record();
        after.frequency += 1000;
        document.apply(TransponderEdit{transponder, transponder->record(), after});
        return true;
    }
    case 5:
    case 6: {
        // A TV program becomes a radio program or the other way round.
        if (!program)
            return false;
        Program after = program->record();
        after.videoPid = program->hasVideo() ? ChannelLimits::noPid : std::uint16_t(0x123);
        after.name += "*";
        return document.apply(ProgramEdit{program, program->record(), after}).isEmpty();
    }
    case 8: {
        // Every third program of the satellite, across its transponders, at once.
        ProgramsRemoval removal;
        int n = pick(3);
        for (const auto& node : satellite->transponders())
            for (const auto& each : node->programs())
                if (n++ % 3 == 0)
                    removal.programs.push_back(each.get());
        return !removal.programs.empty() && document.apply(removal) == int(removal.programs.size());
    }
    default: {
        const ChannelListState before = document.channelListState();
        std::shuffle(database.tvList.begin(), database.tvList.end(), random);
        database.favoriteGroups[0].name = "G" + QByteArray::number(pick(100));
        document.channelListsEdited(before);
        return true;
    }
    }
}

TEST(DocumentSteps, RandomChangesUndoAndRedoToTheSameBytes) {
    for (const std::uint8_t layout : {1, 2}) {
        for (std::uint32_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(testing::Message() << "layout " << int(layout) << " seed " << seed);
            ChannelGeneratorOptions options;
            options.layout = layout;
            options.seed = seed;
            options.programs = 120;
            QByteArray image;
            ASSERT_EQ(generateChannelImage(options, image), 0);
            ChannelDocument document;
            ASSERT_EQ(readChannelImage(document.database(), image), 0);
            std::vector<std::unique_ptr<DocumentStep>> steps;
            document.setStepRecorder(
                [&steps](std::unique_ptr<DocumentStep> step) { steps.push_back(std::move(step)); });
            const QByteArray loaded = encoded(document.database());

            std::mt19937 random(seed);
            int changes = 0;
            for (int attempt = 0; attempt < 60; ++attempt)
                changes += changeSomething(document, random) ? 1 : 0;
            EXPECT_EQ(int(steps.size()), changes);
            const QByteArray changed = encoded(document.database());
            ASSERT_NE(changed, loaded);

            for (auto it = steps.rbegin(); it != steps.rend(); ++it)
                document.undo(**it);
            EXPECT_EQ(encoded(document.database()), loaded);
            for (const auto& step : steps)
                document.redo(*step);
            EXPECT_EQ(encoded(document.database()), changed);
        }
    }
}

} // namespace
