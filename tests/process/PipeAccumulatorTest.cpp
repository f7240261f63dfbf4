#include "process/PipeAccumulator.h"

#include <QList>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(PipeAccumulator, KeepsTheFirstBytesUpToItsLimit)
{
    struct Case {
        const char* name;
        QList<QByteArray> chunks;
        QByteArray kept;
        bool truncated;
    };
    const QList<Case> cases{
        {"nothing", {"", ""}, "", false},
        {"exactly full", {"ab", "cd"}, "abcd", false},
        {"cut inside a chunk", {"abc", "de"}, "abcd", true},
        {"dropped whole when full", {"abcd", "x"}, "abcd", true},
        {"empty chunk when full changes nothing", {"abcd", ""}, "abcd", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PipeAccumulator accumulator(4);
        for (const QByteArray& chunk : c.chunks)
            accumulator.append(chunk);
        EXPECT_EQ(accumulator.data(), c.kept);
        EXPECT_EQ(accumulator.wasTruncated(), c.truncated);
    }
}
