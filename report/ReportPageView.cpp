#include "report/ReportPageView.h"

#include "report/engine/PageRenderer.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

using namespace report;

namespace {

constexpr int kDeskMargin = 12;  // pixels of desk around the page
const QColor kDeskColor(128, 128, 128);

}  // namespace

ReportPageView::ReportPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("PageView"));
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
}

ReportPageView::~ReportPageView() = default;

void ReportPageView::SetPage(const ReportDocument* document, int page) {
    if (document != document_) {
        document_ = document;
        renderer_ = document ? std::make_unique<PageRenderer>(*document) : nullptr;
    }
    page_ = page;
    UpdateScrollBars();
    viewport()->update();
}

void ReportPageView::SetScale(double pixelsPerPoint) {
    scale_ = std::clamp(pixelsPerPoint, 0.05, 20.0);
    UpdateScrollBars();
    viewport()->update();
}

QSizeF ReportPageView::PaperPt() const {
    return document_ ? document_->definition.page.paperMm * kPointsPerMm : QSizeF(842, 595);
}

double ReportPageView::WholePageScale() const {
    const QSizeF paper = PaperPt();
    const QSize room = viewport()->size() - QSize(2 * kDeskMargin, 2 * kDeskMargin);
    return std::max(0.05, std::min(room.width() / paper.width(), room.height() / paper.height()));
}

double ReportPageView::PageWidthScale() const {
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    return std::max(0.05, (viewport()->width() - 2 * kDeskMargin - scrollBar) / PaperPt().width());
}

void ReportPageView::UpdateScrollBars() {
    const QSizeF paper = PaperPt() * scale_;
    const QSize content(static_cast<int>(paper.width()) + 2 * kDeskMargin,
                        static_cast<int>(paper.height()) + 2 * kDeskMargin);
    const QSize room = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setRange(0, std::max(0, content.height() - room.height()));
    verticalScrollBar()->setPageStep(room.height());
}

void ReportPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    emit Resized();
}

void ReportPageView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
            event->ignore();  // the preview window pages and closes
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void ReportPageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kDeskColor);
    if (!document_ || page_ < 0 || page_ >= static_cast<int>(document_->pages.size())) {
        return;
    }
    const QSizeF paper = PaperPt() * scale_;
    // Centred while the page is narrower than the view, else scrolled.
    const double x = paper.width() + 2 * kDeskMargin < viewport()->width()
                         ? (viewport()->width() - paper.width()) / 2
                         : kDeskMargin - horizontalScrollBar()->value();
    const double y = paper.height() + 2 * kDeskMargin < viewport()->height()
                         ? (viewport()->height() - paper.height()) / 2
                         : kDeskMargin - verticalScrollBar()->value();
    const QRectF sheet(QPointF(x, y), paper);
    painter.fillRect(sheet.translated(3, 3), QColor(64, 64, 64));
    painter.fillRect(sheet, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(x, y);
    painter.scale(scale_, scale_);
    painter.setClipRect(QRectF(QPointF(0, 0), PaperPt()));
    renderer_->Draw(painter, document_->pages[static_cast<std::size_t>(page_)]);
}
