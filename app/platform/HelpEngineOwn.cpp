#include "app/platform/HelpEngine.h"

#include "app/HelpDocument.h"
#include "app/HelpWindow.h"

#include <QWidget>

// Where there is no Windows help engine, the program shows its guide in its own window, one per owner.
void ShowHelpTopics(QWidget* owner, const QString& helpFile) {
    const QString html = HelpDocument::Load(helpFile);
    auto* window = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new HelpWindow(owner);
    }
    window->ShowDocument(html);
}
