#pragma once

// A runtime installation against a fake release server: a test archive whose
// "python3" plays pip and the helper's version probe, and a copy of the shipped
// resources, all in a temporary folder. Shared by the installer's tests and the
// setup screen's.

#include "runtime/RuntimeInstaller.h"
#include "runtime/RuntimeLayout.h"
#include "support/FakeHttpServer.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

namespace ostrevin::test {

using Phase = RuntimeInstaller::Phase;

inline const QString archivePath = QStringLiteral("/releases/download/cpython-3.12.14%2B20260929-test.tar.gz");

// The interpreter of the test archive, behaving as CPython does towards the user's
// environment: without "-I", PYTHONHOME swaps the standard library (it does not
// start) and PYTHONPATH comes first on the module path (pip finds a package there
// "already satisfied" and installs nothing). As pip it records its arguments,
// environment and working folder, installs the helper package into its own
// site-packages and does what the "pip-mode" cue says; as the helper
// ("-m pymobiledevice3") it needs that package and answers the version probe as
// "version-mode" says.
inline QByteArray python3Stub(const QString& cue)
{
    return QByteArrayLiteral("#!/bin/sh\ncue='") + cue.toUtf8() + QByteArray(R"SH('
site="$(dirname "$0")/../lib/python3.12/site-packages"
printf '%s\n' "$@" > "$cue/last-argv"
isolated=no
if [ "$1" = "-I" ]; then isolated=yes; shift; fi
if [ $isolated = no ] && [ -n "$PYTHONHOME" ]; then
  echo "Fatal Python error: init_fs_encoding: failed to get the Python codec of the filesystem encoding"
  echo "ModuleNotFoundError: No module named 'encodings'"
  exit 1
fi
found() {
  [ -e "$site/$1" ] && return 0
  [ $isolated = no ] && [ -n "$PYTHONPATH" ] && [ -e "$PYTHONPATH/$1" ] && return 0
  return 1
}
if [ "$2" = "pymobiledevice3" ]; then
  cp "$cue/last-argv" "$cue/helper-argv"
  if ! found pymobiledevice3; then echo "$0: No module named pymobiledevice3"; exit 1; fi
  case "$(cat "$cue/version-mode" 2>/dev/null)" in
    fail) echo "boom"; exit 1 ;;
    blank) printf '\n  \n\n'; exit 0 ;;
    hang) echo "INFO reading the package"; echo $$ > "$cue/helper-pid"; sleep 60 & wait; exit 0 ;;
  esac
  printf 'INFO reading the package\n  10.10.3\t\n'
  exit 0
fi
cp "$cue/last-argv" "$cue/pip-argv"
env > "$cue/pip-env"
pwd > "$cue/pip-cwd"
echo $$ > "$cue/pip-pid"
case "$(cat "$cue/pip-mode" 2>/dev/null)" in
  fail-output) echo "ERROR: No matching distribution found for pymobiledevice3==10.10.3" >&2; exit 1 ;;
  fail-silent) exit 1 ;;
  sleep|ignore-term) [ "$(cat "$cue/pip-mode")" = sleep ] || trap '' TERM; echo "Collecting pymobiledevice3"; sleep 60 &
    # Renamed into place: a test that sees the file must never read it empty.
    echo $! > "$cue/pip-child.partial" && mv -f "$cue/pip-child.partial" "$cue/pip-child"; wait; exit 0 ;;
  child-ignores-term) echo "Collecting pymobiledevice3"
    # pip obeys SIGTERM, the child it started does not; it names itself once its trap is set.
    sh -c 'trap "" TERM; echo $$ > "$1.partial" && mv -f "$1.partial" "$1"; exec sleep 60' sh "$cue/pip-child" &
    wait; exit 0 ;;
esac
if found pymobiledevice3; then
  echo "Requirement already satisfied: pymobiledevice3==10.10.3"
  exit 0
fi
mkdir -p "$site/pymobiledevice3" && : > "$site/pymobiledevice3/__init__.py"
printf 'Collecting pymobiledevice3\n  \t \nline 2\nline 3\nline 4\nline 5\nline 6\nSuccessfully installed pymobiledevice3-10.10.3\n'
)SH");
}

inline FakeHttpReply archiveReply(const QByteArray& body, bool closeDelimited = false, int delayMs = 0)
{
    FakeHttpReply reply;
    reply.body = body;
    reply.closeDelimited = closeDelimited;
    reply.delayMs = delayMs;
    return reply;
}

/// One installer against a fake release server, a test archive and a copy of the
/// shipped resources, all in a temporary folder.
class InstallBench {
public:
    InstallBench()
    {
        QDir().mkpath(cue());
        for (const QString& name : {QStringLiteral("requirements.txt"), QStringLiteral("tovrel_network_preference.py"),
                                    QStringLiteral("tovrel-network-preference.pth")}) {
            QDir().mkpath(resources());
            QFile::copy(QStringLiteral(OSTREVIN_SOURCE_DIR "/data/") + name, resources() + u'/' + name);
        }
        archive = makeArchive(true);
        configuration.runtimeDirectory = root();
        configuration.resourceDirectory = resources();
        configuration.build.url = server.url(archivePath);
        configuration.build.sha256 =
            QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex());
        configuration.build.expectedBytes = archive.size();
        server.setReply("GET", archivePath.toUtf8(), archiveReply(archive));
    }

    QString root() const { return dir.file(QStringLiteral("data/Ostrevin/Runtime")); }
    QString parent() const { return dir.file(QStringLiteral("data/Ostrevin")); }
    QString resources() const { return dir.file(QStringLiteral("resources")); }
    QString cue() const { return dir.file(QStringLiteral("cue")); }
    QString cueFile(const QString& name) const { return cue() + u'/' + name; }
    void setCue(const QString& name, const QByteArray& value) const { writeFile(cueFile(name), value); }

    QByteArray makeArchive(bool withPython3) const
    {
        const QString tree = dir.file(withPython3 ? QStringLiteral("tree") : QStringLiteral("tree-bare"));
        QDir().mkpath(tree + u"/python/lib/python3.12/site-packages");
        writeFile(tree + u"/python/lib/python3.12/os.py", "# stand-in\n");
        if (withPython3) {
            const QString python3 = tree + u"/python/bin/python3";
            writeFile(python3, python3Stub(cue()));
            QFile::setPermissions(python3, QFile::permissions(python3) | QFile::ExeOwner | QFile::ExeUser);
        }
        const QString out = tree + u".tar.gz";
        QProcess tar;
        tar.start(QStringLiteral("/bin/tar"),
                  {QStringLiteral("-czf"), out, QStringLiteral("-C"), tree, QStringLiteral("python")});
        tar.waitForFinished(30000);
        return readFile(out);
    }

    std::unique_ptr<RuntimeInstaller> makeInstaller()
    {
        auto installer = std::make_unique<RuntimeInstaller>(configuration);
        QObject::connect(installer.get(), &RuntimeInstaller::phaseChanged, installer.get(),
                         [this](const Phase& phase) { phases.append(phase); });
        return installer;
    }

    /// Installs and waits for the end; the final phase.
    Phase installAndWait()
    {
        auto installer = makeInstaller();
        installer->install();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 90000));
        return installer->phase();
    }

    ~InstallBench()
    {
        // Folders moved aside are deleted on Qt's shared pool; done before the
        // temporary folder goes.
        QThreadPool::globalInstance()->waitForDone();
    }
    InstallBench(const InstallBench&) = delete;
    InstallBench& operator=(const InstallBench&) = delete;

    /// The installed runtime counts as current.
    bool current() const { return RuntimeLayout(root()).currentManifest().has_value(); }

    TempDir dir;
    FakeHttpServer server;
    QByteArray archive;
    RuntimeInstaller::Configuration configuration;
    QList<Phase> phases;
};

} // namespace ostrevin::test
