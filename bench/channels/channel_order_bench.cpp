// Order from a reference file with 16,000 programs on both sides (a rescanned list against
// the one saved before: lists shuffled, one program in twenty gone, as many new), and the
// comparison of two files of the maximum size: a file against an edited copy of itself and
// two unrelated files, each read from its bytes and compared.

#include "channels/channel_data_diff.h"
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/channel_reference_order.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

constexpr int programCount = 16000;

// 100 satellites at their own orbital positions, 16 transponders each, 10 programs on each
// transponder (seven TV, three radio).
void build(ChannelDatabase& database) {
    database.layout = 2;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    int made = 0;
    for (int s = 0; made < programCount; ++s) {
        Satellite satellite;
        satellite.name = "Satellite " + QByteArray::number(s);
        satellite.orbitalPosition = std::int16_t(s * 10 - 500);
        SatelliteNode* node = database.appendSatellite(satellite);
        for (int t = 0; t < 16 && made < programCount; ++t) {
            Transponder transponder;
            transponder.frequency = std::uint32_t(10700000 + t * 19000);
            transponder.polarization = std::uint8_t(t % 2);
            TransponderNode* tp = database.appendTransponder(node, transponder);
            for (int p = 0; p < 10 && made < programCount; ++p, ++made) {
                Program program;
                program.name = "Program " + QByteArray::number(made);
                program.serviceId = std::uint16_t(1000 + p);
                program.videoPid = p < 7 ? std::uint16_t(0x100 + p) : ChannelLimits::noPid;
                database.appendProgram(tp, program);
            }
        }
    }
    database.favoriteGroupCount = 4;
    for (int g = 0; g < 4; ++g) {
        FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
        group.name = "Group " + QByteArray::number(g);
        for (std::size_t i = std::size_t(g); i < database.tvList.size(); i += 40)
            group.tvMembers.push_back(database.tvList[i]);
    }
}

void BM_OrderFromReference16000(benchmark::State& state) {
    ChannelDatabase own;
    ChannelDatabase reference;
    build(own);
    build(reference);
    std::mt19937 random(7);
    std::shuffle(reference.tvList.begin(), reference.tvList.end(), random);
    std::shuffle(reference.radioList.begin(), reference.radioList.end(), random);
    // One in twenty gone from the reference, as many new ones in it.
    std::vector<ProgramNode*> doomed;
    for (std::size_t i = 0; i < reference.tvList.size(); i += 20)
        doomed.push_back(reference.tvList[i]);
    for (ProgramNode* program : doomed) {
        TransponderNode* transponder = program->transponder();
        reference.deleteProgram(transponder, program);
        Program fresh;
        fresh.name = "New";
        fresh.serviceId = 7;
        fresh.videoPid = 0x200;
        reference.appendProgram(transponder, fresh);
    }
    ReferenceOrderCounts counts;
    for (auto _ : state) {
        ChannelOrder order = channelOrderOf(own);
        counts = orderFromReference(own, order, &Program::pendingFavoriteMask, reference);
        benchmark::DoNotOptimize(order.tvList.data());
    }
    state.counters["programs"] = double(own.tvList.size() + own.radioList.size());
    state.counters["matched"] = double(counts.tvMatched + counts.radioMatched);
    state.counters["unmatched"] = double(counts.tvUnmatched + counts.radioUnmatched);
}

QByteArray maximumImage(std::uint32_t seed) {
    QByteArray image;
    generateChannelImage({.seed = seed, .layout = 2, .programs = ChannelGeneratorOptions::asMany},
                         image);
    return image;
}

void diffImages(benchmark::State& state, const QByteArray& first, const QByteArray& second) {
    std::size_t found = 0;
    for (auto _ : state) {
        ChannelDatabase a;
        ChannelDatabase b;
        if (readChannelImage(a, first) != 0 || readChannelImage(b, second) != 0)
            state.SkipWithError("read failed");
        found = diffChannelData(a, b).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["differences"] = double(found);
    state.counters["file_bytes"] = double(first.size());
}

void BM_DiffMaximumFileAgainstEditedCopy(benchmark::State& state) {
    const QByteArray first = maximumImage(31);
    ChannelDatabase edited;
    readChannelImage(edited, first);
    std::mt19937 random(3);
    std::shuffle(edited.tvList.begin(), edited.tvList.begin() + 200, random);
    for (std::size_t i = 0; i < edited.radioList.size(); i += 50)
        edited.radioList[i]->pcrPid ^= 0x11;
    edited.favoriteGroups[0].name = "Renamed";
    ProgramNode* gone = edited.tvList.back();
    edited.deleteProgram(gone->transponder(), gone);
    QByteArray second;
    encodeChannelImage(edited, second);
    diffImages(state, first, second);
}

void BM_DiffTwoUnrelatedMaximumFiles(benchmark::State& state) {
    diffImages(state, maximumImage(31), maximumImage(32));
}

} // namespace

BENCHMARK(BM_OrderFromReference16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffMaximumFileAgainstEditedCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffTwoUnrelatedMaximumFiles)->Unit(benchmark::kMillisecond);
