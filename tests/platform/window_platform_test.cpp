#include "platform/window_platform.h"

#include <QTest>

class WindowPlatformTest final : public QObject
{
    Q_OBJECT
private slots:
    void waylandSessionsMoveToXWayland()
    {
        WindowPlatformChoice choice;
        choice.x11Display = ":0";
        QVERIFY(!ShouldUseXcbPlatform(choice)); // plain X11 session: Qt picks xcb itself

        choice.xdgSessionType = "wayland";
        QVERIFY(ShouldUseXcbPlatform(choice));
        choice.xdgSessionType = "x11";
        choice.waylandDisplay = "wayland-0";
        QVERIFY(ShouldUseXcbPlatform(choice));

        // Without an X server to talk to, xcb would not start at all.
        choice.x11Display.clear();
        QVERIFY(!ShouldUseXcbPlatform(choice));
    }

    void userChoiceWins()
    {
        WindowPlatformChoice choice;
        choice.xdgSessionType = "wayland";
        choice.x11Display = ":0";
        choice.qpaPlatform = "wayland";
        QVERIFY(!ShouldUseXcbPlatform(choice));
        choice.qpaPlatform.clear();
        choice.platformArgument = true;
        QVERIFY(!ShouldUseXcbPlatform(choice));
    }

    void platformArgument()
    {
        auto given = [](std::initializer_list<const char*> args) {
            std::vector<char*> argv;
            for (const char* arg : args)
                argv.push_back(const_cast<char*>(arg));
            return HasPlatformArgument(int(argv.size()), argv.data());
        };
        QVERIFY(given({"pawmelo", "-platform", "xcb"}));
        QVERIFY(given({"pawmelo", "--platform", "wayland"}));
        QVERIFY(!given({"pawmelo"}));
        QVERIFY(!given({"-platform"})); // the program's own name
        QVERIFY(!given({"pawmelo", "-platformtheme", "gtk3"}));
        QVERIFY(!given({"pawmelo", "platform"}));
    }
};

QTEST_GUILESS_MAIN(WindowPlatformTest)
#include "window_platform_test.moc"
