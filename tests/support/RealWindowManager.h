#pragma once

#include "support/XInputFocus.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>

namespace ostrevin::test {

/// A real window manager program on the test's X display, counted as started only once it
/// manages windows.
///
/// That it runs, or that it has put the keyboard on a window of its own, says little:
/// openbox does that early in its start, and a window mapped in the rest of its start
/// waits in openbox's own event queue until some later event wakes it; with nothing
/// else happening, it stays unmanaged for good. So a probe window of the test's own
/// must first be framed and, where the window manager gives new windows the keyboard,
/// made the active one; a probe that waits is replaced by a new one, whose mapping
/// wakes the window manager.
class RealWindowManager {
public:
    enum class Kind { twm, openbox };

    /// configFolder: where twm's configuration file goes.
    RealWindowManager(Kind kind, QString configFolder)
        : m_kind(kind), m_configFolder(std::move(configFolder)),
          m_program(
              QStandardPaths::findExecutable(kind == Kind::twm ? QStringLiteral("twm") : QStringLiteral("openbox")))
    {
    }
    ~RealWindowManager() { stop(); }
    RealWindowManager(const RealWindowManager&) = delete;
    RealWindowManager& operator=(const RealWindowManager&) = delete;

    QString name() const { return m_kind == Kind::twm ? QStringLiteral("twm") : QStringLiteral("openbox"); }
    bool installed() const { return !m_program.isEmpty(); }

    /// Starts it and waits until it manages windows, starting it once more if it ended or
    /// never did; the failure names it, says what it printed and how far it got.
    testing::AssertionResult start()
    {
        QString why;
        for (int attempt = 0; attempt < 2; ++attempt) {
            launch();
            why = ready();
            if (why.isEmpty())
                return testing::AssertionSuccess();
            stop();
        }
        return testing::AssertionFailure()
               << name().toStdString() << " never managed a window, in two starts: " << why.toStdString();
    }

    /// Waits until the window manager has handled what this program asked of it so far
    /// (openbox handles a window's request to be activated a while after the window
    /// got the keyboard on its mapping, and would take the keys back from wherever
    /// a test put them meanwhile): true once it has, within 5 s. twm is asked
    /// nothing: Qt gives the keyboard itself where no window manager says it would.
    bool caughtUp() const
    {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (m_kind == Kind::twm || !x11)
            return true;
        // Through this program's own connection, after its earlier requests: an EWMH
        // window manager answers a window's request for its frame's size on the spot.
        xcb_connection_t* connection = x11->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_window_t asking = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, asking, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = asking;
        request.type = internAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&request));
        xcb_flush(connection);
        const xcb_atom_t extents = internAtom(connection, "_NET_FRAME_EXTENTS");
        const bool answered = QTest::qWaitFor(
            [&] {
                xcb_get_property_reply_t* reply = xcb_get_property_reply(
                    connection, xcb_get_property(connection, 0, asking, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
                const bool set = reply && xcb_get_property_value_length(reply) > 0;
                free(reply);
                return set;
            },
            5000);
        xcb_destroy_window(connection, asking);
        xcb_flush(connection);
        return answered;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
        m_output += m_process.readAll();
    }

    /// What it printed so far.
    QByteArray output()
    {
        m_output += m_process.readAll();
        return m_output;
    }

private:
    void launch()
    {
        QStringList arguments;
        if (m_kind == Kind::twm) {
            // Without a placement rule twm waits for the user to place every new window;
            // its default fonts are not on a bare X server, "fixed" is built into every one.
            QFile rc(QDir(m_configFolder).filePath(QStringLiteral("twmrc")));
            if (rc.open(QIODevice::WriteOnly)) {
                // Dialogs and the settings window get a title bar, as on a desktop.
                rc.write("RandomPlacement\nUsePPosition \"on\"\nDecorateTransients\n");
                for (const char* font : {"TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont"})
                    rc.write(QByteArray(font) + " \"fixed\"\n");
            }
            arguments << QStringLiteral("-f") << rc.fileName();
        } else {
            arguments << QStringLiteral("--sm-disable");
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        // Openbox reads its menu through GIO, which would otherwise start GNOME's virtual
        // file system daemon on the test's session bus and wait for it in the middle of
        // openbox's start.
        environment.insert(QStringLiteral("GIO_USE_VFS"), QStringLiteral("local"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(m_program, arguments);
    }

    /// Empty once a probe window is managed; else how far it got.
    QString ready()
    {
        if (!m_process.waitForStarted(5000))
            return QStringLiteral("it did not start: ") + m_process.errorString();
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        QString why = m_kind == Kind::twm ? QStringLiteral("no probe window was framed within 10 s")
                                          : QStringLiteral("no probe window was framed and active within 10 s");
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            const xcb_window_t probe = xcb_generate_id(connection);
            xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 50, 50, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_map_window(connection, probe);
            xcb_flush(connection);
            const bool managed = QTest::qWaitFor([&] { return manages(connection, root, probe); }, 1000);
            xcb_destroy_window(connection, probe);
            inputFocus(connection);
            if (managed) {
                xcb_disconnect(connection);
                return {};
            }
        }
        xcb_disconnect(connection);
        if (m_process.state() != QProcess::Running)
            why = QStringLiteral("it ended");
        return why + QStringLiteral("; it printed: ") + QString::fromLocal8Bit(output());
    }

    /// Whether probe is in a frame and, for openbox, which gives every new window the
    /// keyboard and announces itself as an EWMH window manager, the active window.
    bool manages(xcb_connection_t* connection, xcb_window_t root, xcb_window_t probe) const
    {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, probe), nullptr);
        const bool framed = tree && tree->parent != tree->root;
        free(tree);
        if (!framed || m_kind == Kind::twm)
            return framed;
        const xcb_window_t check = windowProperty(connection, root, "_NET_SUPPORTING_WM_CHECK");
        return check != XCB_WINDOW_NONE && windowProperty(connection, check, "_NET_SUPPORTING_WM_CHECK") == check &&
               windowProperty(connection, root, "_NET_ACTIVE_WINDOW") == probe;
    }

    static xcb_window_t windowProperty(xcb_connection_t* connection, xcb_window_t window, const char* name)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, internAtom(connection, name), XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        xcb_window_t value = XCB_WINDOW_NONE;
        if (reply && xcb_get_property_value_length(reply) == sizeof(xcb_window_t))
            value = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        free(reply);
        return value;
    }

    Kind m_kind;
    QString m_configFolder;
    QString m_program;
    QProcess m_process;
    QByteArray m_output;
};

} // namespace ostrevin::test
