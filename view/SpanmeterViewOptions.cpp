// The view settings: read at start, and the Options command: the dialog,
// then what changed applied, stored and scanned once.
#include "settings/SettingsStore.h"
#include "ui/MessageBox.h"
#include "view/CListControl.h"
#include "view/COptionsDlg.h"
#include "view/CSpanmeterView.h"

#include <array>
#include <optional>

namespace {

// ByteModeView 0, 1 and 2, as stored.
constexpr std::array<SizeUnit, 3> kStoredUnits = {SizeUnit::Bytes, SizeUnit::Kilobytes,
                                                  SizeUnit::Megabytes};

// The unit a stored ByteModeView names; none for any other value, which the
// rows read as bytes.
std::optional<SizeUnit> StoredUnit(int stored) {
    if (stored < 0 || stored >= static_cast<int>(kStoredUnits.size()))
        return std::nullopt;
    return kStoredUnits[static_cast<size_t>(stored)];
}

// A unit as ByteModeView stores it; none is -1.
int StoredNumber(std::optional<SizeUnit> unit) {
    for (size_t k = 0; k < kStoredUnits.size(); ++k) {
        if (unit == kStoredUnits[k])
            return static_cast<int>(k);
    }
    return -1;
}

} // namespace

void CSpanmeterView::ReadViewSettings() {
    m_stored.treeView = ReadRegNumber(QStringLiteral("TreeView"), 1);
    m_stored.dateMode = ReadRegNumber(QStringLiteral("DateMode"), 0);
    m_stored.byteMode = ReadRegNumber(QStringLiteral("ByteModeView"), 0);
    // Only 1 shows the tree; any nonzero DateMode fixes the date form.
    m_treeView = m_stored.treeView == 1;
    m_scan.format.dateMode = m_stored.dateMode != 0;
    m_scan.format.byteMode = StoredUnit(m_stored.byteMode).value_or(SizeUnit::Bytes);
}

void CSpanmeterView::OnOptions() {
    COptionsDlg dialog(this);
    // The dialog starts from the stored font, not from the list's.
    const auto [fontName, fontSize] = StoredListFont();
    dialog.m_fontName = fontName;
    dialog.m_fontSize = fontSize;
    dialog.m_byteMode = StoredUnit(m_stored.byteMode);
    dialog.m_treeView = m_stored.treeView != 0;
    dialog.m_fixedDate = m_stored.dateMode != 0;
    if (dialog.exec() != QDialog::Accepted)
        return;

    bool changed = false;
    // The first value that could not be stored anywhere; one message tells of all.
    std::optional<StoreFailure> failure;
    const auto note = [&failure](std::optional<StoreFailure> written) {
        if (!failure)
            failure = std::move(written);
    };
    if (const int treeView = dialog.m_treeView ? 1 : 0; treeView != m_stored.treeView) {
        m_stored.treeView = treeView;
        m_treeView = dialog.m_treeView;
        note(WriteRegNumber(QStringLiteral("TreeView"), static_cast<uint32_t>(treeView)));
        changed = true;
    }
    if (const int dateMode = dialog.m_fixedDate ? 1 : 0; dateMode != m_stored.dateMode) {
        m_stored.dateMode = dateMode;
        m_scan.format.dateMode = dialog.m_fixedDate;
        note(WriteRegNumber(QStringLiteral("DateMode"), static_cast<uint32_t>(dateMode)));
        changed = true;
    }
    if (const int byteMode = StoredNumber(dialog.m_byteMode); byteMode != m_stored.byteMode) {
        m_stored.byteMode = byteMode;
        m_scan.format.byteMode = dialog.m_byteMode.value_or(SizeUnit::Bytes);
        // Retitled in place: a width the user dragged stays.
        m_list->SetUnitTitle(m_scan.format.byteMode);
        note(WriteRegNumber(QStringLiteral("ByteModeView"), static_cast<uint32_t>(byteMode)));
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
