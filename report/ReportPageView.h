#pragma once

#include "report/engine/ReportDocument.h"

#include <QAbstractScrollArea>

#include <memory>

namespace report {
class PageRenderer;
}

// Shows one generated page on a grey desk at a given scale, with scroll bars when it is larger than the view.
// The keys that page through the report go to the preview window, not to the scroll bars.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ReportPageView(QWidget* parent = nullptr);
    ~ReportPageView() override;

    // The document to draw from (kept alive by the caller) and the page to show; null shows an empty desk.
    void SetPage(const report::ReportDocument* document, int page);
    void SetScale(double pixelsPerPoint);
    double PageScale() const { return scale_; }
    // Scales at which the whole page, or its width, fits the view.
    double WholePageScale() const;
    double PageWidthScale() const;

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateScrollBars();
    QSizeF PaperPt() const;

    const report::ReportDocument* document_ = nullptr;
    std::unique_ptr<report::PageRenderer> renderer_;
    int page_ = -1;
    double scale_ = 1;
};
