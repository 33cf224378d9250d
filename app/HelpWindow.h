#pragma once

#include <QWidget>

class QTextBrowser;

// The program's own help window: the user guide with its contents, links between its sections working.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the guide (HTML) from its beginning and brings the window to the front.
    void ShowDocument(const QString& html);

    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};
