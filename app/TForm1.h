#pragma once

#include <QDialog>

// The download dialog ("Form1"), shown modally by "Принять данные". For now an empty window of the dialog's
// caption and size; the download itself replaces it.
class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};
