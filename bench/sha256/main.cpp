// Hashes a 256 MB file with the installer's digest and with sha256sum in the same
// run and prints the throughput of each. The file stays in the page cache after it
// is written, so both read from memory and the figures compare the hashing itself.
#include "runtime/RuntimeInstaller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 fileBytes = 256LL * 1024 * 1024;
constexpr int rounds = 3;

double megabytesPerSecond(qint64 nanoseconds)
{
    return (static_cast<double>(fileBytes) / (1024.0 * 1024.0)) / (static_cast<double>(nanoseconds) / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("archive.bin"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        QByteArray piece(1024 * 1024, Qt::Uninitialized);
        QRandomGenerator random(20260929);
        for (qint64 written = 0; written < fileBytes; written += piece.size()) {
            random.fillRange(reinterpret_cast<quint32*>(piece.data()), piece.size() / 4);
            file.write(piece);
        }
    }

    qint64 oursBest = std::numeric_limits<qint64>::max();
    qint64 theirsBest = std::numeric_limits<qint64>::max();
    QString ours;
    QString theirs;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        ours = ostrevin::RuntimeInstaller::sha256Hex(path);
        oursBest = std::min(oursBest, timer.nsecsElapsed());

        QProcess sha256sum;
        timer.restart();
        sha256sum.start(QStringLiteral("sha256sum"), {path});
        if (!sha256sum.waitForFinished(300000) || sha256sum.exitCode() != 0) {
            std::fprintf(stderr, "sha256sum did not run\n");
            return 1;
        }
        theirsBest = std::min(theirsBest, timer.nsecsElapsed());
        theirs = QString::fromLatin1(sha256sum.readAllStandardOutput().left(64));
    }

    const double oursRate = megabytesPerSecond(oursBest);
    const double theirsRate = megabytesPerSecond(theirsBest);
    std::printf("sha256 of 256 MB, best of %d\n", rounds);
    std::printf("  sha256Hex:  %8.1f MB/s\n", oursRate);
    std::printf("  sha256sum:  %8.1f MB/s\n", theirsRate);
    std::printf("  ratio:      %8.2f (target >= 0.80)\n", oursRate / theirsRate);
    std::printf("  digests %s\n", ours == theirs ? "agree" : "DIFFER");
    return ours == theirs ? 0 : 1;
}
