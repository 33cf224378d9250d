#include "ui/WindowPlacement.h"

#include "ui/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

WindowPlacement::WindowPlacement(QWidget& window, DesignFrame designFrame, When when)
    : QObject(&window), window_(window), designFrame_(std::move(designFrame)), when_(when) {
    window_.installEventFilter(this);
}

WindowPlacement* WindowPlacement::AtFrame(QWidget& window, const QRect& frame, When when) {
    return new WindowPlacement(
        window, [frame](const QRect&, const QMargins&) { return frame; }, when);
}

WindowPlacement* WindowPlacement::Centred(QWidget& window, When when) {
    return new WindowPlacement(
        window,
        [&window](const QRect& area, const QMargins& margins) {
            return ScreenFit(area).Centred(window.size().grownBy(margins));
        },
        when);
}

QMargins WindowPlacement::FrameMargins() const {
    const QWindow* handle = window_.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

bool WindowPlacement::FrameKnown(const QMargins& margins) {
    // A window manager that has put its frame window around ours but not sized it yet gives margins from a frame
    // smaller than the window: negative ones, which would make the inside larger than the frame.
    return margins.left() >= 0 && margins.top() >= 0 && margins.right() >= 0 && margins.bottom() >= 0;
}

void WindowPlacement::Place() {
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    placedWith_ = FrameMargins();
    const QMargins margins = FrameKnown(placedWith_) ? placedWith_ : QMargins();
    const QRect frame = ScreenFit(area).Fit(designFrame_(area, margins));
    // The position is the frame's, the size the inside's; whatever the margins, never more than the area.
    window_.move(frame.topLeft());
    window_.resize(frame.size().shrunkBy(margins).boundedTo(area.size()));
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_ && watched != window_.windowHandle()) {
        return false;
    }
    switch (event->type()) {
        case QEvent::Show:
            if (watched == &window_ && (!shown_ || when_ == When::EveryShow)) {
                shown_ = true;
                Place();
                waitingForFrame_ = true;
                // A window manager's frame is known by the time the window is first exposed, often with no move.
                if (QWindow* handle = window_.windowHandle(); handle && !watchingHandle_) {
                    watchingHandle_ = true;
                    handle->installEventFilter(this);
                }
            }
            break;
        case QEvent::Expose:
        case QEvent::Move:
        case QEvent::Resize:
            // The window manager has put its frame around the window; its margins are known from now on.
            if (waitingForFrame_ && FrameMargins() != placedWith_) {
                Place();
                // Margins of a frame not sized yet are no frame: its real ones are still to come.
                waitingForFrame_ = !FrameKnown(placedWith_);
            }
            break;
        case QEvent::Hide:
            waitingForFrame_ = false;
            break;
        default:
            break;
    }
    return false;
}
