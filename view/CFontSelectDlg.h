#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The list font's choice, opened by the Options dialog's "Font select": only
// fixed-pitch families, no script choice, sizes in whole points. Qt's own font
// dialog lists every family whatever its options say, and takes "10.5" as 105.
class CFontSelectDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMinPoints = 1;
    static constexpr int kMaxPoints = 72;

    // Starts at `face` and `points`; a face that is no family here (the
    // default "Courier New") starts at the family it resolves to.
    explicit CFontSelectDlg(const QString& face, int points, QWidget* parent = nullptr);

    // The families of this machine whose faces are fixed-pitch, sorted.
    static QStringList FixedPitchFamilies();

    // After OK: the chosen face, and the size in whole points. While the start
    // family stays selected the face is the one given, spelled as it was given.
    QString Face() const { return m_face; }
    int Points() const { return m_points; }

    QListWidget* FamilyList() const { return m_families; }
    QLineEdit* SizeField() const { return m_sizeField; }
    QPushButton* OkButton() const { return m_ok; }

    void accept() override;

private:
    // The whole points of the size field; 0 when it holds no size from 1 to 72.
    int TypedPoints() const;
    QString SelectedFamily() const;
    void OnChange();

    QListWidget* m_families = nullptr;
    QLineEdit* m_sizeField = nullptr;
    QListWidget* m_sizes = nullptr;
    QLabel* m_sample = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_startFamily;
    QString m_face;
    int m_points = 0;
};
