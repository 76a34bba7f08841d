// Runs a fuzz target's seed corpus and recorded regressions as an ordinary test.
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
int replayAll(const QString& dir) {
    int count = 0;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
            continue;
        }
        const QByteArray bytes = file.readAll();
        SCOPED_TRACE(file.fileName().toStdString());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::size_t(bytes.size()));
        ++count;
    }
    return count;
}
} // namespace

TEST(FuzzReplay, SeedCorpusAndRegressionsRunCleanly) {
    const QString inputs = QStringLiteral(RX_FUZZ_INPUTS);
    const int seeds = replayAll(inputs + "/corpus");
    replayAll(inputs + "/regressions");
    EXPECT_GT(seeds, 0) << "the seed corpus is empty";
}
