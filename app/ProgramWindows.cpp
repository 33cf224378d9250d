#include "app/ProgramWindows.h"

#include "app/ErrorBox.h"
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
