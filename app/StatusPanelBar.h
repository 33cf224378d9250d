#pragma once

#include <QRect>
#include <QStatusBar>
#include <QString>

#include <vector>

// A status bar made of panels with sunken frames, each a fixed width except the last, which reaches to the right
// edge. A panel shows a text or is owner-drawn: whenever the bar draws an owner-drawn panel (and whenever the bar
// is resized) it emits DrawPanel with the panel's inner rectangle, so that its owner can place something there.
class StatusPanelBar : public QStatusBar {
    Q_OBJECT

public:
    enum class PanelStyle { Text, OwnerDraw };

    explicit StatusPanelBar(QWidget* parent = nullptr);

    // Panels are added left to right; `width` in pixels (the last panel takes whatever is left of the bar).
    void AddPanel(int width, PanelStyle style = PanelStyle::Text);
    int PanelCount() const { return static_cast<int>(panels_.size()); }

    // Shows the text at once, also while the caller keeps the event loop from running.
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;

    // The panel's area inside its one-pixel frame, in the bar's coordinates.
    QRect PanelRect(int panel) const;

signals:
    void DrawPanel(StatusPanelBar* bar, int panel, const QRect& rect);
    // The left button was pressed and released on the panel.
    void PanelClicked(int panel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Panel {
        int width;
        PanelStyle style;
        QString text;
    };

    QRect PanelFrame(int panel) const;
    void EmitOwnerDrawnPanels();

    std::vector<Panel> panels_;
};
