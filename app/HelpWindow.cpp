#include "app/HelpWindow.h"

#include "app/Application.h"
#include "ui/WindowPlacement.h"

#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName("HelpWindow");
    setWindowTitle(QStringLiteral("Справка: %1").arg(Application::Title()));
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    const QRect frame(726, 223, 640, 560);
    resize(frame.size());
    WindowPlacement::AtFrame(*this, frame, WindowPlacement::When::FirstShow);
}

void HelpWindow::ShowDocument(const QString& html) {
    browser_->setHtml(html);
    browser_->moveCursor(QTextCursor::Start);
    show();
    raise();
    activateWindow();
}
