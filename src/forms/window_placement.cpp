#include "forms/window_placement.h"

#include "forms/desktop_hints.h"
#include "forms/placement.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {
// The frame a window was last framed with, kept on the window and, for
// windows not yet framed, on the application.
constexpr char kFrameMargins[] = "pawmeloFrameMargins";
constexpr char kFrameMarginsAsked[] = "pawmeloFrameMarginsAsked";
// How long after a show the real frame is waited for.
constexpr int kFrameWaitMs = 3000;

QMargins drawnMargins(const QWidget* window)
{
    if (!window->isVisible())
        return {};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

void remember(QWidget* window, const QMargins& margins)
{
    window->setProperty(kFrameMargins, QVariant::fromValue(margins));
    qApp->setProperty(kFrameMargins, QVariant::fromValue(margins));
}

QMargins expectedMargins(const QWidget* window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    if (const QMargins drawn = drawnMargins(window); !drawn.isNull())
        return drawn;
    if (const QVariant own = window->property(kFrameMargins); own.isValid())
        return own.value<QMargins>();
    // Asked once a run; a window manager that does not say is learnt from
    // the first window it frames.
    if (!qApp->property(kFrameMarginsAsked).toBool()) {
        qApp->setProperty(kFrameMarginsAsked, true);
        if (const std::optional<QMargins> told = AskFrameMargins())
            qApp->setProperty(kFrameMargins, QVariant::fromValue(*told));
    }
    return qApp->property(kFrameMargins).value<QMargins>();
}

// Places one window's frame, now or at its next show, and places it again
// if the window manager's frame turns out other than expected.
class FramePlacer final : public QObject
{
public:
    explicit FramePlacer(QWidget* window)
        : QObject(window)
        , m_window(window)
    {
        setObjectName(QStringLiteral("FramePlacer"));
        window->installEventFilter(this);
    }

    void place(std::function<QRect(QSize)> place)
    {
        m_place = std::move(place);
        m_pending = !m_window->isVisible();
        if (!m_pending)
            apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            if (m_pending) {
                m_pending = false;
                apply();
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Paint:
            checkFrame();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void apply()
    {
        // The client area goes where the expected frame puts it: a window
        // manager keeps a client where it is asked to be and frames it.
        m_used = expectedMargins(m_window);
        const QRect frame = m_place(m_window->size().grownBy(m_used));
        m_window->setGeometry(QRect(frame.topLeft() + QPoint(m_used.left(), m_used.top()), m_window->size()));
        m_waiting = !(m_window->windowFlags() & Qt::FramelessWindowHint);
        m_sinceShown.start();
        // Not every window manager moves the client when it frames it, so
        // the frame is looked at a few times, too.
        for (int ms : {150, 500, 1500})
            QTimer::singleShot(ms, this, [this] { checkFrame(); });
    }

    void checkFrame()
    {
        if (!m_waiting || !m_window->isVisible())
            return;
        if (m_sinceShown.elapsed() > kFrameWaitMs) {
            m_waiting = false;
            return;
        }
        const QMargins drawn = drawnMargins(m_window);
        if (drawn.isNull())
            return; // not framed yet (or never: no window manager)
        m_waiting = false;
        remember(m_window, drawn);
        if (drawn != m_used)
            apply();
    }

    QWidget* m_window;
    std::function<QRect(QSize)> m_place;
    bool m_pending = false;
    bool m_waiting = false;
    QMargins m_used;
    QElapsedTimer m_sinceShown;
};
} // namespace

QList<QRect> MonitorGeometries()
{
    QList<QRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.append(screen->geometry());
    return monitors;
}

QRect AvailableAreaFor(const QRect& frame)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> monitors;
    for (const QScreen* screen : screens)
        monitors.append(screen->geometry());
    const int holding = MonitorHolding(frame, monitors);
    if (holding >= 0)
        return screens[holding]->availableGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry() : QRect();
}

QRect HomeArea(const QWidget* panel, const QWidget* mascot)
{
    if (panel && panel->isVisible())
        return AvailableAreaFor(ExpectedFrame(panel));
    if (mascot)
        return AvailableAreaFor(mascot->geometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry() : QRect();
}

QRect ExpectedFrame(const QWidget* window)
{
    return window->geometry().marginsAdded(expectedMargins(window));
}

QRect CentredIn(QSize size, const QRect& area)
{
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(area.center());
    return frame;
}

bool FocusFirstEmpty(std::initializer_list<QLineEdit*> boxes)
{
    for (QLineEdit* box : boxes) {
        if (box->text().isEmpty()) {
            box->setFocus();
            return true;
        }
    }
    return false;
}

void PlaceFrame(QWidget* window, std::function<QRect(QSize frameSize)> place)
{
    auto* placer = window->findChild<FramePlacer*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly);
    if (!placer)
        placer = new FramePlacer(window);
    placer->place(std::move(place));
}
