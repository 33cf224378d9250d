#pragma once

#include <QWidget>

// The report form ("Form2"): holds the printed report and is never shown. For now an empty window; the report
// replaces it.
class TForm2 : public QWidget {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
};
