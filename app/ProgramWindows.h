#pragma once

#include <memory>

class QtMainThreadCaller;
class TM;
class TForm1;
class TForm2;

// The program's three windows, created in their fixed order (the main window "M", the download dialog "Form1",
// the report form "Form2") and destroyed in the reverse one. Raises what their creation raises. They share one
// hand-over of serial-port events to the main thread, whose errors go to the application's error box.
class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();

    TM& M() const { return *m_; }
    TForm1& Form1() const { return *form1_; }
    TForm2& Form2() const { return *form2_; }

private:
    std::shared_ptr<QtMainThreadCaller> mainThread_;
    std::unique_ptr<TM> m_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
};
