// Names of a file filled up to the maximum file size in a chosen character set: decoding every
// name (what the editor's tree, grid and channel list do when the set changes; target under
// 10 ms for windows-1251), sort keys of every name (a sort by name in the channel list) and a
// search that matches no name (the longest find in the tree).

#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/name_codec.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const std::vector<QByteArray>& allNames() {
    static const std::vector<QByteArray> names = [] {
        QByteArray image;
        generateChannelImage({.seed = 20240,
                              .layout = 1,
                              .headerFlags = 0x0F,
                              .programs = ChannelGeneratorOptions::asMany},
                             image);
        ChannelDatabase database;
        std::vector<QByteArray> list;
        if (readChannelImage(database, image) != 0)
            return list;
        for (const auto& satellite : database.satellites()) {
            list.push_back(satellite->name);
            for (const auto& transponder : satellite->transponders())
                for (const auto& program : transponder->programs())
                    list.push_back(program->name);
        }
        for (int g = 0; g < database.favoriteGroupCount; ++g)
            list.push_back(database.favoriteGroups[std::size_t(g)].name);
        return list;
    }();
    return names;
}

void describe(benchmark::State& state, const std::vector<QByteArray>& names) {
    state.counters["names"] = double(names.size());
    state.SetItemsProcessed(state.iterations() * qint64(names.size()));
}

void BM_DecodeAllNames(benchmark::State& state) {
    const NameCharset charset = NameCharset(state.range(0));
    const std::vector<QByteArray>& names = allNames();
    if (names.empty())
        state.SkipWithError("no file");
    for (auto _ : state) {
        qsizetype characters = 0;
        for (const QByteArray& name : names)
            characters += NameCodec::toText(name, charset).size();
        benchmark::DoNotOptimize(characters);
    }
    state.SetLabel(nameCharsetIanaName(charset).toStdString());
    describe(state, names);
}

void BM_SortKeysOfAllNames(benchmark::State& state) {
    NameCodec::setCharset(NameCharset::windows1251);
    const std::vector<QByteArray>& names = allNames();
    const QCollator& collator = NameCodec::collator();
    for (auto _ : state) {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(names.size());
        for (const QByteArray& name : names)
            keys.push_back(collator.sortKey(NameCodec::toText(name)));
        benchmark::DoNotOptimize(keys.data());
    }
    describe(state, names);
    NameCodec::setCharset(defaultNameCharset);
}

void BM_SearchMatchingNoName(benchmark::State& state) {
    NameCodec::setCharset(NameCharset::windows1251);
    const std::vector<QByteArray>& names = allNames();
    const QString search = QStringLiteral("Ящик");
    for (auto _ : state) {
        int found = 0;
        for (const QByteArray& name : names)
            found += NameCodec::holds(NameCodec::toText(name), search) ? 1 : 0;
        if (found != 0)
            state.SkipWithError("the search text is in a name");
    }
    describe(state, names);
    NameCodec::setCharset(defaultNameCharset);
}

} // namespace

BENCHMARK(BM_DecodeAllNames)
    ->Arg(int(NameCharset::windows1251))
    ->Arg(int(NameCharset::iso8859_1))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortKeysOfAllNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMatchingNoName)->Unit(benchmark::kMillisecond);
