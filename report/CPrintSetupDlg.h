#pragma once

#include <QDialog>

class QComboBox;
class QPrinter;
class QRadioButton;

// Print Setup: chooses the printer (a system print queue, or Qt's PDF
// printer), the paper and the orientation that later printing and previews
// use. The printer is changed only when the dialog is accepted.
class CPrintSetupDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPrintSetupDlg(QPrinter* printer, QWidget* parent = nullptr);

    void accept() override;

private:
    void FillPaperSizes();

    QPrinter* m_printer;
    QComboBox* m_name = nullptr;
    QComboBox* m_paper = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
};
