#pragma once

#include "scan/SizeUnit.h"

#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;
class QComboBox;

// The Options dialog: tree display, fixed date form, size unit, list font, and
// the shell entries installed again. The caller fills the members, shows the
// dialog and, after OK, reads them back; the dialog itself applies nothing
// but the re-installation.
class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids of the dialog template; OK is 1 and Cancel 2.
    enum ControlId : int {
        IDC_FONT_SELECT = 1010,
        IDC_REINSTALL = 1011,
        IDC_TREE_VIEW = 1012,
        IDC_UNIT = 1014,
        IDC_FIXED_DATE = 1015,
    };

    explicit COptionsDlg(QWidget* parent = nullptr);

    // The control with a template id; nullptr when there is none.
    QWidget* Control(int id) const;

    QString m_fontName;                 // face of the list font
    int m_fontSize = 0;                 // in whole points
    std::optional<SizeUnit> m_byteMode; // the unit list's entry; none selected: no value
    bool m_treeView = false;
    bool m_fixedDate = false;

    // OK: takes the unit list's selection and the check boxes, then closes.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    // The first paint selects the entry of m_byteMode, none without a value.
    void paintEvent(QPaintEvent* event) override;

private:
    void OnSelectFont();

    QComboBox* m_comboUnit = nullptr;
    QCheckBox* m_checkTreeView = nullptr;
    QCheckBox* m_checkFixedDate = nullptr;
    bool m_firstPaint = true;
    bool m_shown = false;
};
