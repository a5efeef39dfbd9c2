#include "settings/Reinstall.h"
#include "settings/SettingsStore.h"
#include "settings/ShellVerbs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <climits>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readNumber_data();
    void readNumber();
    void readString_data();
    void readString();
    void writeNumber_data();
    void writeNumber();
    void writesReachTheFile();
    void unwritableStoreIsSilent();

    void verbEntry_data();
    void verbEntry();
    void secondInstallReplaces();
    void reinstall_data();
    void reinstall();

private:
    QString StoreFile() const { return m_dir->filePath(QStringLiteral("Veldrun/Spanmeter.conf")); }
    QString VerbDir() const { return m_dir->filePath(QStringLiteral("applications")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

// Every test gets a store and an applications directory of its own.
void TestSettings::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir->path());
    SetShellVerbDirectory(VerbDir());
}

void TestSettings::cleanup() {
    SetShellVerbDirectory(QString());
    m_dir.reset();
}

void TestSettings::readNumber_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("missing gives the default") << false << QString() << 77;
    QTest::newRow("plain") << true << "9" << 9;
    QTest::newRow("trailing letters") << true << "12pt" << 12;
    QTest::newRow("empty is zero") << true << "" << 0;
    QTest::newRow("no digits is zero") << true << "pt" << 0;
    QTest::newRow("sign without digits") << true << " -x" << 0;
    QTest::newRow("leading blanks") << true << " \t 42" << 42;
    QTest::newRow("negative") << true << "-5" << -5;
    QTest::newRow("plus sign") << true << "+7" << 7;
    QTest::newRow("unsigned form of -1") << true << "4294967295" << -1;
    QTest::newRow("unsigned form of INT_MIN") << true << "2147483648" << INT_MIN;
    QTest::newRow("too large saturates") << true << "123456789012345678901234567890" << INT_MAX;
    QTest::newRow("too small saturates") << true << "-99999999999" << INT_MIN;
    QTest::newRow("stops at a zero character")
        << true << QStringLiteral("3") + QChar(u'\0') + "4" << 3;
    QTest::newRow("254 characters") << true << QString(u'7') + QString(253, u' ') << 7;
    QTest::newRow("255 characters count as missing")
        << true << QString(u'7') + QString(254, u' ') << 77;
}

void TestSettings::readNumber() {
    QFETCH(bool, stored);
    QFETCH(QString, text);
    QFETCH(int, expected);

    if (stored) {
        WriteRegString(QStringLiteral("fontsize"), text);
    }
    QCOMPARE(ReadRegNumber(QStringLiteral("fontsize"), 77), expected);
}

void TestSettings::readString_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString longest(254, u'a');
    QTest::newRow("missing gives the default") << false << QString() << "Courier New";
    QTest::newRow("face name") << true << "Liberation Mono"
                               << "Liberation Mono";
    QTest::newRow("empty") << true << ""
                           << "";
    QTest::newRow("commas and quotes") << true << "A, \"B\"; C"
                                       << "A, \"B\"; C";
    QTest::newRow("non-ASCII") << true << "DejaVu Sans Möno"
                               << "DejaVu Sans Möno";
    QTest::newRow("cut at a zero character")
        << true << QStringLiteral("Arial") + QChar(u'\0') + "Bold"
        << "Arial";
    QTest::newRow("254 characters") << true << longest << longest;
    QTest::newRow("255 characters count as missing") << true << longest + u'a' << "Courier New";
}

void TestSettings::readString() {
    QFETCH(bool, stored);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    if (stored) {
        WriteRegString(QStringLiteral("fontname"), text);
    }
    QCOMPARE(ReadRegString(QStringLiteral("fontname"), QStringLiteral("Courier New")), expected);
}

void TestSettings::writeNumber_data() {
    QTest::addColumn<uint>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("readBack");

    QTest::newRow("nine") << 9u << "9" << 9;
    QTest::newRow("zero") << 0u << "0" << 0;
    QTest::newRow("-1 as unsigned") << static_cast<uint>(-1) << "4294967295" << -1;
    QTest::newRow("largest signed") << 2147483647u << "2147483647" << INT_MAX;
}

// Numbers are stored as their unsigned decimal text and read back unchanged.
void TestSettings::writeNumber() {
    QFETCH(uint, value);
    QFETCH(QString, text);
    QFETCH(int, readBack);

    WriteRegNumber(QStringLiteral("ByteModeView"), value);
    QCOMPARE(ReadRegString(QStringLiteral("ByteModeView"), QStringLiteral("none")), text);
    QCOMPARE(ReadRegNumber(QStringLiteral("ByteModeView"), 5), readBack);
}

// A write creates the missing folder and file, and a second write replaces the value.
void TestSettings::writesReachTheFile() {
    QVERIFY(!QFile::exists(StoreFile()));
    WriteRegNumber(QStringLiteral("fontsize"), 12);
    WriteRegString(QStringLiteral("fontname"), QStringLiteral("Liberation Mono"));
    WriteRegNumber(QStringLiteral("fontsize"), 14);

    QFile file(StoreFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    QVERIFY2(contents.contains("fontsize=14\n"), contents.constData());
    QVERIFY(!contents.contains("fontsize=12"));
    QVERIFY(contents.contains("fontname=Liberation Mono\n"));
}

void TestSettings::unwritableStoreIsSilent() {
    // A folder below a regular file cannot be made, whoever runs the test.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, blocker + "/store");

    WriteRegNumber(QStringLiteral("TreeView"), 0);
    WriteRegString(QStringLiteral("fontname"), QStringLiteral("Arial"));

    QCOMPARE(QFileInfo(blocker).size(), 0);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestSettings::verbEntry_data() {
    QTest::addColumn<int>("verb");
    QTest::addColumn<QString>("modulePath");
    QTest::addColumn<QString>("entry");

    const QString head = QStringLiteral("[Desktop Entry]\nType=Application\nName=Spanmeter\n"
                                        "NoDisplay=true\n");
    QTest::newRow("directory") << int(ShellVerb::Directory) << "/usr/bin/spanmeter"
                               << head + "Exec=\"/usr/bin/spanmeter\" %f\n"
                                         "MimeType=inode/directory;\n";
    QTest::newRow("drive") << int(ShellVerb::Drive) << "/usr/bin/spanmeter"
                           << head + "Exec=\"/usr/bin/spanmeter\" %f\n"
                                     "MimeType=inode/mount-point;\n";
    QTest::newRow("blanks") << int(ShellVerb::Directory) << "/opt/Span Meter/span meter"
                            << head + "Exec=\"/opt/Span Meter/span meter\" %f\n"
                                      "MimeType=inode/directory;\n";
    // Inside quotes " ` $ \ take a backslash, which the string escapes double
    // again; a percent sign is doubled so it is no field code.
    QTest::newRow("special characters")
        << int(ShellVerb::Directory) << "/opt/a\"b$c`d\\e%f"
        << head + "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\" %f\n"
                  "MimeType=inode/directory;\n";
    QTest::newRow("line break") << int(ShellVerb::Drive) << "/opt/a\nb"
                                << head + "Exec=\"/opt/a\\nb\" %f\n"
                                          "MimeType=inode/mount-point;\n";
}

void TestSettings::verbEntry() {
    QFETCH(int, verb);
    QFETCH(QString, modulePath);
    QFETCH(QString, entry);

    QCOMPARE(ShellVerbEntry(static_cast<ShellVerb>(verb), modulePath), entry);
}

// Installing twice leaves one entry per verb, naming the program that runs.
void TestSettings::secondInstallReplaces() {
    WriteShellVerb(ShellVerb::Directory);
    WriteShellVerb(ShellVerb::Drive);
    WriteShellVerb(ShellVerb::Directory);
    WriteShellVerb(ShellVerb::Drive);

    const QDir dir(VerbDir());
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"spanmeter-directory.desktop", "spanmeter-drive.desktop"}));
    for (const ShellVerb verb : {ShellVerb::Directory, ShellVerb::Drive}) {
        QFile file(dir.filePath(ShellVerbFileName(verb)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), ShellVerbEntry(verb, GetModulePath()));
        // File managers of every user read the entry.
        QVERIFY(file.permissions() & QFile::ReadOther);
    }
}

void TestSettings::reinstall_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("blockDirectoryEntry");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("no writes nothing") << false << false << QStringList();
    QTest::newRow("yes writes both")
        << true << false << QStringList({"spanmeter-directory.desktop", "spanmeter-drive.desktop"});
    // A folder in the place of the first entry makes it fail; the second is still written.
    QTest::newRow("second after a failed first")
        << true << true << QStringList({"spanmeter-drive.desktop"});
}

void TestSettings::reinstall() {
    QFETCH(bool, yes);
    QFETCH(bool, blockDirectoryEntry);
    QFETCH(QStringList, entries);

    QDir dir(VerbDir());
    if (blockDirectoryEntry) {
        QVERIFY(dir.mkpath(QStringLiteral("spanmeter-directory.desktop")));
    }

    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool answered = false;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        answer.stop();
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        answered = true;
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    answer.start();
    OnReinstall(nullptr);

    QVERIFY(answered);
    QCOMPARE(text, "Install this copy of Spanmeter in the registry?\n(" + GetModulePath() + ")");
    QCOMPARE(title, QStringLiteral("Spanmeter"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);

    QStringList files = dir.entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, entries);
    // Nothing is shown after the answer.
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
