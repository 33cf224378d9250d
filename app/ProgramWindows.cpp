#include "ProgramWindows.h"

#include "TForm1.h"
#include "TForm2.h"
#include "TM.h"

ProgramWindows::ProgramWindows()
    : m_(std::make_unique<TM>()), form1_(std::make_unique<TForm1>()), form2_(std::make_unique<TForm2>()) {
    m_->SetDownloadDialog(form1_.get());
}

ProgramWindows::~ProgramWindows() {
    form2_.reset();
    form1_.reset();
    m_.reset();
}
