#pragma once

#include <QMessageBox>

// The program's one kind of message box: titled "Spanmeter", with a warning
// icon, its text shown as it is (a path is never taken for markup). Returns
// the button that closed it.
QMessageBox::StandardButton
ShowWarning(QWidget* parent, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
