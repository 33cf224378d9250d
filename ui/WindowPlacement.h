#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>

class QWidget;

// Puts a top-level window where its layout wants it, fitted into the available area of its screen (ScreenFit),
// when the window is shown: on its first showing only, or on every one. The layout's rectangle is the window's
// frame, its outer rectangle. Qt places the frame but sizes the inside, so the frame's margins are taken off the
// size; where the platform learns them only after the window is mapped (a window manager's decoration), the window
// is placed once more when they become known.
//
// Lives as a child of the window, main thread only.
class WindowPlacement : public QObject {
    Q_OBJECT

public:
    enum class When { FirstShow, EveryShow };
    // The frame the layout wants on a screen with that available area, for a window with those frame margins.
    using DesignFrame = std::function<QRect(const QRect& availableArea, const QMargins& frameMargins)>;

    WindowPlacement(QWidget& window, DesignFrame designFrame, When when);

    // The frame at a fixed place and outer size on the screen.
    static WindowPlacement* AtFrame(QWidget& window, const QRect& frame, When when);
    // The window with its inside at its size when shown, in the middle of the available area.
    static WindowPlacement* Centred(QWidget& window, When when);

    // Places the window now.
    void Place();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The window's frame margins as the platform knows them now.
    virtual QMargins FrameMargins() const;

private:
    static bool FrameKnown(const QMargins& margins);

    QWidget& window_;
    DesignFrame designFrame_;
    When when_;
    bool shown_ = false;
    bool waitingForFrame_ = false;
    bool watchingHandle_ = false;
    QMargins placedWith_;
};
