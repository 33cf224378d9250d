#include "app/StatusPanelBar.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

namespace {
// As the platform's status bar draws them: a gap between panels and a margin above them, in pixels.
constexpr int kPanelGap = 2;
constexpr int kTopMargin = 2;
constexpr int kBarHeight = 19;
constexpr int kTextIndent = 2;
}  // namespace

StatusPanelBar::StatusPanelBar(QWidget* parent) : QStatusBar(parent) {
    setFixedHeight(kBarHeight);
    setSizeGripEnabled(true);
}

void StatusPanelBar::AddPanel(int width, PanelStyle style) {
    panels_.push_back({width, style, QString()});
    update();
}

void StatusPanelBar::SetPanelText(int panel, const QString& text) {
    panels_.at(panel).text = text;
    repaint(PanelFrame(panel));
}

QString StatusPanelBar::PanelText(int panel) const {
    return panels_.at(panel).text;
}

QRect StatusPanelBar::PanelFrame(int panel) const {
    int left = 0;
    for (int i = 0; i < panel; ++i) {
        left += panels_.at(i).width + kPanelGap;
    }
    const bool last = panel + 1 == PanelCount();
    const int width = last ? std::max(0, this->width() - left) : panels_.at(panel).width;
    return QRect(left, kTopMargin, width, height() - kTopMargin);
}

QRect StatusPanelBar::PanelRect(int panel) const {
    return PanelFrame(panel).adjusted(1, 1, -1, -1);
}

void StatusPanelBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < PanelCount(); ++i) {
        qDrawShadePanel(&painter, PanelFrame(i), palette(), /*sunken=*/true, /*lineWidth=*/1);
        const Panel& panel = panels_[i];
        if (panel.style == PanelStyle::Text) {
            const QRect area = PanelRect(i).adjusted(kTextIndent, 0, 0, 0);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                             fontMetrics().elidedText(panel.text, Qt::ElideRight, area.width()));
        }
    }
    painter.end();
    EmitOwnerDrawnPanels();
}

void StatusPanelBar::mouseReleaseEvent(QMouseEvent* event) {
    QStatusBar::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    for (int i = 0; i < PanelCount(); ++i) {
        if (PanelFrame(i).contains(event->position().toPoint())) {
            emit PanelClicked(i);
        }
    }
}

void StatusPanelBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    EmitOwnerDrawnPanels();
}

void StatusPanelBar::EmitOwnerDrawnPanels() {
    for (int i = 0; i < PanelCount(); ++i) {
        if (panels_[i].style == PanelStyle::OwnerDraw) {
            emit DrawPanel(this, i, PanelRect(i));
        }
    }
}
