// The settings store's reading and writing, and the shell verbs' desktop entries.
#include "ViewTestSupport.h"

#include "app/Reinstall.h"
#include "settings/SettingsStore.h"
#include "settings/ShellVerbs.h"

#include <climits>

using namespace viewtest;

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    // Every test gets a store and an applications directory of its own.
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir->path());
        SetShellVerbDirectory(m_dir->filePath("applications"));
    }

    void read_data() {
        QTest::addColumn<QString>("stored"); // null: missing
        QTest::addColumn<int>("number");     // the default is 77
        QTest::addColumn<QString>("text");   // the default is "Courier New"
        const QString longest = QString(u'7') + QString(253, u' ');
        QTest::newRow("missing") << QString() << 77 << "Courier New";
        QTest::newRow("trailing letters") << "12pt" << 12 << "12pt";
        QTest::newRow("empty") << "" << 0 << "";
        // Commas, quotes and other letters come back as they were written.
        QTest::newRow("blanks, sign") << " \t -5, \"B\"; Möno" << -5 << " \t -5, \"B\"; Möno";
        QTest::newRow("too large saturates") << "99999999999" << INT_MAX << "99999999999";
        // Numbers are written as "%u" text, which reads back as the number written.
        QTest::newRow("unsigned -1") << "4294967295" << -1 << "4294967295";
        QTest::newRow("cut at a zero character") << QString("3") + QChar(u'\0') + "4" << 3 << "3";
        QTest::newRow("254 characters") << longest << 7 << longest;
        QTest::newRow("255 characters count as missing") << longest + u' ' << 77 << "Courier New";
    }
    void read() {
        QFETCH(QString, stored);
        QFETCH(int, number);
        QFETCH(QString, text);
        if (!stored.isNull())
            WriteRegString("fontname", stored);
        QCOMPARE(ReadRegNumber("fontname", 77), number);
        QCOMPARE(ReadRegString("fontname", "Courier New"), text);
    }

    void unwritableStoreIsSilent() {
        // A folder below a regular file cannot be made, whoever runs the test.
        const QString blocker = m_dir->filePath("blocker");
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, blocker + "/store");
        WriteRegNumber("TreeView", 0);
        QCOMPARE(ReadRegNumber("TreeView", 5), 5);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    // The program's store is the machine-wide file, wherever XDG_CONFIG_DIRS points.
    void storeIsPinned() {
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir->path()));
        PinSettingsStore();
        qunsetenv("XDG_CONFIG_DIRS");
        QCOMPARE(QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Veldrun", "Spanmeter")
                     .fileName(),
                 "/etc/xdg/Veldrun/Spanmeter.conf");
    }

    void verbEntry() {
        const QString head = "[Desktop Entry]\nType=Application\nName=Spanmeter\nNoDisplay=true\n";
        // Inside quotes " ` $ \ take a backslash, which the string escapes double
        // again; a percent sign is doubled so it is no field code.
        QCOMPARE(ShellVerbEntry(ShellVerb::Drive, "/opt/a\"b$c`d\\e%f\ng"),
                 head + "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\\ng\" %f\n"
                        "MimeType=inode/mount-point;\n");
    }

    void reinstallTwice_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("blockFirst"); // a folder in the place of the first entry
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("No writes nothing") << false << false << QStringList();
        QTest::newRow("Yes: one entry each")
            << true << false
            << QStringList({"spanmeter-directory.desktop", "spanmeter-drive.desktop"});
        QTest::newRow("second after a failed first")
            << true << true << QStringList({"spanmeter-drive.desktop"});
    }
    // Each installation asks first, and nothing is shown afterwards; installing
    // twice leaves one entry per verb, naming the program that runs, readable by
    // the file managers of every user.
    void reinstallTwice() {
        QFETCH(bool, yes);
        QFETCH(bool, blockFirst);
        QFETCH(QStringList, entries);
        const QDir dir(ShellVerbDirectory());
        QVERIFY(!blockFirst || dir.mkpath("spanmeter-directory.desktop"));
        QString asked[2];
        const auto button = yes ? QMessageBox::Yes : QMessageBox::No;
        // The last answer waits for a message that must not come.
        QVERIFY(!AnswerModals(
            [] {
                OnReinstall(nullptr);
                OnReinstall(nullptr);
            },
            {ClickBox(button, &asked[0]), ClickBox(button, &asked[1]),
             On([](QDialog* dialog) { dialog->reject(); })}));
        const QString question = "Spanmeter|Install this copy of Spanmeter in the registry?\n(";
        QCOMPARE(QStringList({asked[0], asked[1]}),
                 QStringList(2, question + GetModulePath() + ")"));
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), entries);
        for (const QString& entry : entries) {
            QFile file(dir.filePath(entry));
            QVERIFY(file.open(QIODevice::ReadOnly) && (file.permissions() & QFile::ReadOther));
            const auto verb = entry.contains("drive") ? ShellVerb::Drive : ShellVerb::Directory;
            QCOMPARE(file.readAll(), ShellVerbEntry(verb, GetModulePath()).toUtf8());
        }
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
