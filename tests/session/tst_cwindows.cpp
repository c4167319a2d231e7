// The search for the host's window: the presence marker where no window list can be read,
// and the X11 window walk on a real X server (the one in $DISPLAY, else a private Xvfb;
// skipped when neither is there).

#include "declmod/session/cwindows.h"

#include "common/host/presence.h"
#include "tests/support/sandbox.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace declmod;

class TestCWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_xvfb;
    QByteArray m_display;
    Display *m_x = nullptr;
    QList<Window> m_made;

    bool startX()
    {
        if (m_x)
            return true;
        m_display = qgetenv("DISPLAY");
        if (!m_display.isEmpty() && (m_x = XOpenDisplay(m_display.constData())))
            return true;
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            return false;
        for (int n = 87; n < 99 && !m_x; ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_display = ":" + QByteArray::number(n);
            m_xvfb.start(xvfb, {QString::fromLatin1(m_display), "-nolisten", "tcp", "-screen", "0",
                                "640x480x24"});
            if (!m_xvfb.waitForStarted(3000))
                return false;
            for (int i = 0; i < 50 && !m_x && m_xvfb.state() == QProcess::Running; ++i) {
                QTest::qWait(100);
                m_x = XOpenDisplay(m_display.constData());
            }
            if (!m_x) {
                m_xvfb.kill();
                m_xvfb.waitForFinished();
            }
        }
        return m_x != nullptr;
    }

    Window makeWindow(const QByteArray &wmName, bool mapped, Window parent = 0,
                      const QByteArray &netWmName = {})
    {
        const Window w = XCreateSimpleWindow(m_x, parent ? parent : DefaultRootWindow(m_x), 0, 0,
                                             50, 50, 0, 0, 0);
        if (!wmName.isNull())
            XStoreName(m_x, w, wmName.constData());
        if (!netWmName.isNull())
            XChangeProperty(m_x, w, XInternAtom(m_x, "_NET_WM_NAME", False),
                            XInternAtom(m_x, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(netWmName.constData()),
                            int(netWmName.size()));
        if (mapped)
            XMapWindow(m_x, w);
        XSync(m_x, False);
        m_made << w;
        return w;
    }

    QStringList captions()
    {
        const auto list = cWindows::x11VisibleCaptions(m_display);
        return list ? *list : QStringList{QStringLiteral("<display did not open>")};
    }

    Window findTopLevel(const QString &captionStart)
    {
        Window rootReturn, parentReturn;
        Window *children = nullptr;
        unsigned int n = 0;
        Window found = 0;
        if (XQueryTree(m_x, DefaultRootWindow(m_x), &rootReturn, &parentReturn, &children, &n)) {
            for (unsigned int i = 0; i < n && !found; ++i) {
                char *name = nullptr;
                if (XFetchName(m_x, children[i], &name) && name) {
                    if (QString::fromLocal8Bit(name).startsWith(captionStart))
                        found = children[i];
                    XFree(name);
                }
            }
            if (children)
                XFree(children);
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void cleanup()
    {
        cWindows::setAnswerHook({});
        if (m_x) {
            // Children were made after their frames: destroy them first.
            for (qsizetype i = m_made.size() - 1; i >= 0; --i)
                XDestroyWindow(m_x, m_made[i]);
            XDeleteProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_CLIENT_LIST", False));
            XSync(m_x, False);
        }
        m_made.clear();
    }

    void cleanupTestCase()
    {
        if (m_x)
            XCloseDisplay(m_x);
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            if (!m_xvfb.waitForFinished(3000))
                m_xvfb.kill();
        }
    }

    // Offscreen there is no window list: the host is there while its marker answers.
    void presenceMarkerAnswers()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        const cWindows windows;
        QVERIFY(!windows.CorreApp("QAV"));
        {
            qav::HostPresenceMarker marker;
            QVERIFY(marker.isPublished());
            QVERIFY(windows.CorreApp("QAV"));
        }
        QVERIFY(!windows.CorreApp("QAV"));
    }

    void hookReplacesTheSearch()
    {
        qav::HostPresenceMarker marker;
        QStringList asked;
        cWindows::setAnswerHook([&](const QString &c) { asked << c; return false; });
        QVERIFY(!cWindows().CorreApp("QAV"));
        QCOMPARE(asked, QStringList{"QAV"});
    }

    void noDisplayNoList()
    {
        QVERIFY(!cWindows::x11VisibleCaptions(":9876"));
    }

    void onlyExactVisibleCaption_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<int>("wmState");
        QTest::addColumn<bool>("found");
        QTest::newRow("exact, visible") << QByteArray("QAV") << true << -1 << true;
        QTest::newRow("trailing blank") << QByteArray("QAV ") << true << -1 << false;
        QTest::newRow("other case") << QByteArray("qav") << true << -1 << false;
        QTest::newRow("longer caption") << QByteArray("QAV Integrador") << true << -1 << false;
        QTest::newRow("hidden window") << QByteArray("QAV") << false << -1 << false;
        QTest::newRow("withdrawn window") << QByteArray("QAV") << false << int(WithdrawnState) << false;
        QTest::newRow("minimized window") << QByteArray("QAV") << false << int(IconicState) << true;
        QTest::newRow("minimized, other caption") << QByteArray("QAV2") << false << int(IconicState)
                                                  << false;
    }

    // Only a visible window captioned exactly "QAV" counts; a minimized one is visible.
    void onlyExactVisibleCaption()
    {
        if (!startX())
            QSKIP("no X server available");
        QFETCH(QByteArray, name);
        QFETCH(bool, mapped);
        QFETCH(int, wmState);
        QFETCH(bool, found);
        makeWindow("Otra ventana", true);
        const Window w = makeWindow(name, mapped);
        if (wmState >= 0) {
            // What a window manager leaves on a client it has minimized or withdrawn.
            const Atom atom = XInternAtom(m_x, "WM_STATE", False);
            const long state[2] = {wmState, 0};
            XChangeProperty(m_x, w, atom, atom, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(state), 2);
            XSync(m_x, False);
        }
        const QStringList seen = captions();
        QVERIFY2(seen.contains("Otra ventana"), qPrintable(seen.join('|')));
        QCOMPARE(seen.contains("QAV"), found);
    }

    // A reparenting window manager puts the captioned client inside an unnamed frame; a
    // client inside an unmapped frame is not visible.
    void clientInsideFrame()
    {
        if (!startX())
            QSKIP("no X server available");
        const Window frame = makeWindow(QByteArray(), true);
        makeWindow("QAV", true, frame);
        QVERIFY(captions().contains("QAV"));
        XUnmapWindow(m_x, frame);
        XSync(m_x, False);
        QVERIFY(!captions().contains("QAV"));
    }

    void utf8NameWins()
    {
        if (!startX())
            QSKIP("no X server available");
        makeWindow("Declaracion", true, 0, QByteArray("Declaración Pago"));
        const QStringList seen = captions();
        QVERIFY2(seen.contains(QStringLiteral("Declaración Pago")), qPrintable(seen.join('|')));
        QVERIFY(!seen.contains("Declaracion"));
    }

    // With the window manager's client list, the windows it names are the top-level ones.
    void clientListIsUsed()
    {
        if (!startX())
            QSKIP("no X server available");
        const Window frame = makeWindow(QByteArray(), true);
        const Window client = makeWindow("QAV", true, frame);
        makeWindow("Fuera de la lista", true);
        const unsigned long ids[] = {client};
        XChangeProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_CLIENT_LIST", False),
                        XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char *>(ids), 1);
        XSync(m_x, False);
        QCOMPARE(captions(), QStringList{"QAV"});
    }

    // declmod itself under X11: it finds the host's window, shows its main window, and
    // ends with 0 when that window is closed.
    void declmodStartsUnderX11()
    {
        if (!startX())
            QSKIP("no X server available");
        const QString exe = qEnvironmentVariable("QAV_BIN_DIR") + "/declmod";
        if (!QFileInfo(exe).isExecutable())
            QSKIP("declmod is not built");
        qavtest::Sandbox sb;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        makeWindow("QAV", true);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", QString::fromLatin1(m_display));
        QProcess module;
        module.setProcessEnvironment(env);
        module.start(exe);
        QVERIFY(module.waitForStarted());
        Window mainWindow = 0;
        for (int i = 0; i < 100 && !mainWindow && module.state() == QProcess::Running; ++i) {
            QTest::qWait(100);
            mainWindow = findTopLevel("QAV  Detalle de Operaciones");
        }
        if (!mainWindow) {
            module.kill();
            module.waitForFinished();
            QFAIL(module.readAllStandardError().constData());
        }
        // Close it as a window manager would.
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = mainWindow;
        e.xclient.message_type = XInternAtom(m_x, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(XInternAtom(m_x, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_x, mainWindow, False, NoEventMask, &e);
        XSync(m_x, False);
        const bool ended = module.waitForFinished(10000);
        if (!ended)
            module.kill();
        QVERIFY(ended);
        QCOMPARE(module.exitStatus(), QProcess::NormalExit);
        QCOMPARE(module.exitCode(), 0);
    }
};

QTEST_MAIN(TestCWindows)
#include "tst_cwindows.moc"
