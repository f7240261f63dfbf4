// The real program asked only for its usage, or given a wrong option, and the
// real program started from a folder of someone else's files.
#include "ProgramMachine.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <link.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

struct Ended {
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QString output;
    QString errors;
};

Ended run(const Machine& machine, const QStringList& arguments, const QString& workingFolder)
{
    QProcess process;
    process.setProcessEnvironment(machine.environment());
    process.setWorkingDirectory(workingFolder);
    process.start(QStringLiteral(OSTREVIN_APP_BINARY), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    return {process.exitStatus(), process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

/// The file names this test's own libraries were found under: the program
/// asks the loader for the same ones.
QStringList loadedLibraryNames()
{
    QStringList names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            const QString name = QFileInfo(QString::fromLocal8Bit(info->dlpi_name)).fileName();
            if (name.startsWith(u"lib") || name.startsWith(u"ld-"))
                static_cast<QStringList*>(found)->append(name);
            return 0;
        },
        &names);
    return names;
}

} // namespace

TEST(ProgramCommandLine, UsageAndAWrongOptionEndTheProgramInOrderEvenAmongFilesNamedLikeItsLibraries)
{
    Machine machine;
    // Started from a folder of someone else's files named like the program's
    // libraries: anything the loader took from here would end it before main.
    const QString folder = machine.dir.file(QStringLiteral("downloads"));
    QDir().mkpath(folder);
    const QStringList names = loadedLibraryNames();
    ASSERT_TRUE(names.contains(QStringLiteral("libc.so.6"))) << names.join(u' ').toStdString();
    for (const QString& name : names)
        ASSERT_TRUE(writeFile(folder + u'/' + name, "not a library"));

    // The program's own threads were running when the command line ended it, and it
    // crashed on its way out most times: several runs show it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        SCOPED_TRACE(attempt);
        const Ended usage = run(machine, {attempt % 2 ? QStringLiteral("-h") : QStringLiteral("--help")}, folder);
        EXPECT_EQ(usage.status, QProcess::NormalExit) << usage.errors.toStdString();
        EXPECT_EQ(usage.code, 0) << usage.errors.toStdString();
        EXPECT_TRUE(usage.output.contains(QStringLiteral("--quit-after-first-frame"))) << usage.output.toStdString();

        const Ended wrong = run(machine, {QStringLiteral("--no-such-option")}, folder);
        EXPECT_EQ(wrong.status, QProcess::NormalExit) << wrong.errors.toStdString();
        EXPECT_EQ(wrong.code, 1) << wrong.errors.toStdString();
        EXPECT_TRUE(wrong.errors.contains(QStringLiteral("no-such-option"))) << wrong.errors.toStdString();
    }
}
