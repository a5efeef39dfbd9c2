// The Options command: the dialog, then what changed applied, stored and
// scanned once.
#include "settings/SettingsStore.h"
#include "ui/MessageBox.h"
#include "view/CListControl.h"
#include "view/COptionsDlg.h"
#include "view/CSpanmeterView.h"

void CSpanmeterView::OnOptions() {
    COptionsDlg dialog(this);
    // The dialog starts from the stored font, not from the list's.
    const auto [fontName, fontSize] = StoredListFont();
    dialog.m_fontName = fontName;
    dialog.m_fontSize = fontSize;
    dialog.m_byteMode = m_scan.format.byteMode;
    dialog.m_treeView = m_treeView;
    dialog.m_fixedDate = m_scan.format.dateMode;
    if (dialog.exec() != QDialog::Accepted)
        return;

    bool changed = false;
    // The first value that could not be stored anywhere; one message tells of all.
    std::optional<StoreFailure> failure;
    const auto note = [&failure](std::optional<StoreFailure> written) {
        if (!failure)
            failure = std::move(written);
    };
    if (dialog.m_treeView != m_treeView) {
        m_treeView = dialog.m_treeView;
        note(WriteRegNumber(QStringLiteral("TreeView"), static_cast<uint32_t>(m_treeView)));
        changed = true;
    }
    if (dialog.m_fixedDate != m_scan.format.dateMode) {
        m_scan.format.dateMode = dialog.m_fixedDate;
        note(WriteRegNumber(QStringLiteral("DateMode"),
                            static_cast<uint32_t>(m_scan.format.dateMode)));
        changed = true;
    }
    if (dialog.m_byteMode != m_scan.format.byteMode) {
        m_scan.format.byteMode = dialog.m_byteMode;
        // Retitled in place: a width the user dragged stays.
        m_list->SetUnitTitle(m_scan.format.byteMode);
        note(WriteRegNumber(QStringLiteral("ByteModeView"),
                            static_cast<uint32_t>(m_scan.format.byteMode)));
        changed = true;
    }
    if (dialog.m_fontName != fontName || dialog.m_fontSize != fontSize) {
        note(WriteRegString(QStringLiteral("fontname"), dialog.m_fontName));
        note(WriteRegNumber(QStringLiteral("fontsize"), static_cast<uint32_t>(dialog.m_fontSize)));
        SetListFont(CreatePointFont(dialog.m_fontName, dialog.m_fontSize));
        changed = true;
    }
    // One scan for any number of changes, none without.
    if (changed)
        StartScan();
    // The values stay in use until the program ends.
    if (failure)
        ShowWarning(this, QStringLiteral("The settings could not be saved in %1.\n%2")
                              .arg(failure->fileName, failure->reason));
}
