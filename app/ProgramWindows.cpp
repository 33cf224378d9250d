#include "app/ProgramWindows.h"

#include "app/ErrorBox.h"
#include "app/MessageBox.h"
#include "app/TM.h"
#include "archive/DownloadPreferences.h"
#include "archive/Unit1.h"
#include "report/Unit2.h"
#include "serial/qt/QtMainThreadCaller.h"

#include <exception>

namespace {

void ShowInErrorBox(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (...) {
        ErrorBox::ShowCurrentException();
    }
}

}  // namespace

ProgramWindows::ProgramWindows()
    : mainThread_(std::make_shared<QtMainThreadCaller>(ShowInErrorBox)),
      m_(std::make_unique<TM>()),
      form1_(std::make_unique<TForm1>(m_->Table(), mainThread_)),
      form2_(std::make_unique<TForm2>(m_->Table())) {
    form1_->RememberIn(std::make_shared<DownloadPreferences>());
    form1_->SetMessageBox([form1 = form1_.get()](const QString& caption, const QString& text) {
        MessageBox::Show(form1, MessageBox::Icon::None, caption, text);
    });
    m_->SetDownloadDialog(form1_.get());
    m_->SetReportForm(form2_.get());
}

ProgramWindows::~ProgramWindows() {
    m_->SetReportForm(nullptr);
    form2_.reset();
    // No port event is handed over any more: the port closes with the dialog.
    mainThread_->Stop();
    form1_.reset();
    m_.reset();
}
