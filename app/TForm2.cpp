#include "TForm2.h"

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setObjectName("Form2");
}
