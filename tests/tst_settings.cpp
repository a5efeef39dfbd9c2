// The settings store's two files, the user's and the machine's: where a
// value is read from and written to, its encoding, the message of a write
// that fails in both; and Re-install's context-menu actions and "Open With"
// entry, run as their file managers run them.
#include "ViewTestSupport.h"

#include "helpers/TestFiles.h"
#include "settings/SettingsStore.h"
#include "settings/ShellVerbs.h"
#include "view/COptionsDlg.h"
#include "view/Reinstall.h"

#include <QDirIterator>
#include <QStandardPaths>

#include <climits>

#include <unistd.h>

using namespace viewtest;

namespace {

// A store's value as the file holds it; null when it holds none.
QString InFile(const QString& file, const QString& name) {
    if (!QFileInfo(file).isFile())
        return {};
    const QSettings store(file, QSettings::NativeFormat);
    return store.contains(name) ? store.value(name).toString() : QString();
}

void Put(const QString& file, const QString& name, const QString& value) {
    QSettings store(file, QSettings::NativeFormat);
    store.setValue(name, value);
}

// A string value as a key file's reader takes it; a backslash before any
// other character makes it invalid (null).
QString Unescaped(QString value) {
    value.replace("\\\\", QChar(1)).replace("\\s", " ").replace("\\n", "\n");
    value.replace("\\t", "\t").replace("\\r", "\r");
    return value.contains(u'\\') ? QString() : value.replace(QChar(1), u'\\');
}

// The folders by which each file manager is found.
bool MakeManagerFolders(const VerbPlaces& places) {
    return QDir().mkpath(places.configDir + "/Thunar") && QDir().mkpath(places.dataDir + "/kio") &&
           QDir().mkpath(places.dataDir + "/nautilus") && QDir().mkpath(places.dataDir + "/nemo");
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString Blocker() {
        const QString blocker = m_dir->filePath("blocker");
        QFile(blocker).open(QIODevice::WriteOnly);
        return blocker;
    }
    // Verb places in the test's folder; the file managers are found by their folders.
    VerbPlaces Places(bool machineWide = false) const {
        const QString etc = m_dir->filePath("etc");
        return {machineWide, m_dir->filePath("data"), m_dir->filePath("config"), {etc}, {}};
    }
    // Each store writable or not: below a regular file no folder can be
    // made, whoever runs the test.
    void Stores(bool machineWritable, bool userWritable) {
        UseEmptySettings(m_dir->path());
        if (!userWritable) {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(Blocker() + "/config"));
            PinSettingsStore();
        }
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           machineWritable ? m_dir->path() : Blocker() + "/etc");
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void read_data() {
        QTest::addColumn<bool>("user");      // written where the machine's store is closed
        QTest::addColumn<QString>("stored"); // null: missing
        QTest::addColumn<int>("number");     // the default is 77
        QTest::addColumn<QString>("text");   // the default is "Courier New"
        const QString longest = QString(u'7') + QString(253, u' ');
        for (const bool user : {false, true}) {
            const auto row = [user](const char* name) -> QTestData& {
                return QTest::addRow("%s: %s", user ? "user" : "machine", name) << user;
            };
            row("missing") << QString() << 77 << "Courier New";
            row("trailing letters") << "12pt" << 12 << "12pt";
            // Commas, quotes and other letters come back as they were written.
            row("blanks, sign") << " \t -5, \"B\"; Möno" << -5 << " \t -5, \"B\"; Möno";
            row("too large saturates") << "99999999999" << INT_MAX << "99999999999";
            // Numbers are written as "%u" text, which reads back as the number written.
            row("unsigned -1") << "4294967295" << -1 << "4294967295";
            row("cut at a zero character") << QString("3") + QChar(u'\0') + "4" << 3 << "3";
            row("254 characters") << longest << 7 << longest;
            row("255 characters count as missing") << longest + u' ' << 77 << "Courier New";
        }
    }
    void read() {
        QFETCH(bool, user);
        QFETCH(QString, stored);
        QFETCH(int, number);
        QFETCH(QString, text);
        Stores(!user, true);
        if (!stored.isNull()) {
            QVERIFY(!WriteRegString("fontname", stored));
            QCOMPARE(InFile(user ? UserStoreFile() : MachineStoreFile(), "fontname"), stored);
        }
        QCOMPARE(ReadRegNumber("fontname", 77), number);
        QCOMPARE(ReadRegString("fontname", "Courier New"), text);
    }

    void storePlace_data() {
        QTest::addColumn<QString>("machine"); // "open", "closed" or "read-only"
        QTest::addColumn<bool>("userOpen");
        QTest::addColumn<QString>("lands"); // "machine", "user" or "" (nowhere)
        QTest::newRow("machine store writable") << "open" << true << "machine";
        QTest::newRow("machine store closed") << "closed" << true << "user";
        // Root may write it, as the administrator.
        QTest::newRow("machine store read-only")
            << "read-only" << true << (::geteuid() == 0 ? "machine" : "user");
        QTest::newRow("both closed") << "closed" << false << "";
    }
    // The user's value wins over the machine's; a write goes to the machine's
    // store when it may, and takes the user's older value away, else to the
    // user's store.
    void storePlace() {
        QFETCH(QString, machine);
        QFETCH(bool, userOpen);
        QFETCH(QString, lands);
        Stores(machine != "closed", userOpen);
        if (machine != "closed")
            Put(MachineStoreFile(), "TreeView", "3");
        if (userOpen) {
            Put(UserStoreFile(), "TreeView", "4");
            Put(UserStoreFile(), "DateMode", "1");
        }
        if (machine == "read-only") {
            QVERIFY(QFile::setPermissions(MachineStoreFile(), QFile::ReadOwner | QFile::ReadOther));
            QVERIFY(QFile::setPermissions(QFileInfo(MachineStoreFile()).absolutePath(),
                                          QFile::ReadOwner | QFile::ExeOwner));
        }
        QCOMPARE(ReadRegNumber("TreeView", 5), userOpen ? 4 : 5);

        const std::optional<StoreFailure> failure = WriteRegNumber("TreeView", 0);
        QCOMPARE(failure.has_value(), lands.isEmpty());
        if (failure) {
            QCOMPARE(failure->fileName, UserStoreFile());
            QCOMPARE(failure->reason, "Not a directory");
        }
        QCOMPARE(ReadRegNumber("TreeView", 5), lands.isEmpty() ? 5 : 0);
        QCOMPARE(InFile(MachineStoreFile(), "TreeView"), lands == "machine"    ? "0"
                                                         : machine == "closed" ? QString()
                                                                               : "3");
        QCOMPARE(InFile(UserStoreFile(), "TreeView"), lands == "user" ? "0" : QString());
        QCOMPARE(InFile(UserStoreFile(), "DateMode"), userOpen ? "1" : QString());
        QFile::setPermissions(QFileInfo(MachineStoreFile()).absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The machine's store stays where XDG_CONFIG_DIRS cannot move it; the
    // user's follows XDG_CONFIG_HOME as it is at start-up.
    void pinned() {
        // Pinned once already, as by an earlier start-up in the same process.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("earlier")));
        PinSettingsStore();
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir->path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("home config")));
        PinSettingsStore();
        qunsetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("later")));
        QCOMPARE(MachineStoreFile(), "/etc/xdg/Veldrun/Spanmeter.conf");
        QCOMPARE(UserStoreFile(), m_dir->filePath("home config/Veldrun/Spanmeter.conf"));
    }

    // Options OK with two values that cannot be stored: one message names the
    // file and the reason; the values are in use all the same.
    void failedWriteMessage() {
        Stores(false, false);
        const QString tree = m_dir->filePath("tree");
        QVERIFY(QDir().mkpath(tree));
        const auto view = ScannedView(tree);
        const auto click = [](int id) {
            return On<COptionsDlg>([id](COptionsDlg* dialog) {
                qobject_cast<QAbstractButton*>(dialog->Control(id))->click();
            });
        };
        QString message;
        // The last answer waits for a second message that must not come.
        QVERIFY(!AnswerModals(
            [&] { view->OnOptions(); },
            {click(COptionsDlg::IDC_TREE_VIEW), click(COptionsDlg::IDC_FIXED_DATE), click(1),
             ClickBox(QMessageBox::Ok, &message), On([](QDialog* dialog) { dialog->reject(); })}));
        QCOMPARE(message, "Spanmeter|The settings could not be saved in " + UserStoreFile() +
                              ".\nNot a directory");
    }

    // Every action, run as its file manager runs it, starts the program named
    // by a path with blanks, quotes, "%", "$", a backslash and non-ASCII
    // letters, with the directory as its one argument. Dolphin's service menu
    // has the Open With entry's Exec line.
    void verbRuns_data() {
        QTest::addColumn<VerbTarget>("target");
        QTest::newRow("Open With entry, gio launch") << VerbTarget::OpenWith;
        QTest::newRow("Nautilus script, a link") << VerbTarget::Nautilus;
        QTest::newRow("Nemo action") << VerbTarget::Nemo;
        QTest::newRow("Thunar custom action") << VerbTarget::Thunar;
    }
    void verbRuns() {
        QFETCH(VerbTarget, target);
        const QString gio = QStandardPaths::findExecutable("gio");
        if (target == VerbTarget::OpenWith && gio.isEmpty())
            QSKIP("gio is not installed");
        const QString weird = "a b'c\"d %f %F $e\\g ü€";
        const QString program = m_dir->filePath(weird + "/spanmeter");
        const QString out = m_dir->filePath("args");
        QVERIFY(WriteFile(program,
                          ("#!/bin/sh\n{ pwd; echo $#; for a; do printf '%s\\n' \"$a\"; done; } >" +
                           ShellWord(out) + "\n")
                              .toUtf8(),
                          true));
        const QString dir = m_dir->filePath("tree/" + weird + " -x");
        QVERIFY(QDir().mkpath(dir));
        const VerbPlaces places = Places();
        QVERIFY(MakeManagerFolders(places));
        QVERIFY(!InstallShellVerbs(places, program));
        const QString text = ReadFile(VerbFilePath(target, places));

        QProcess run;
        run.setWorkingDirectory(m_dir->path());
        // The file manager's own codes: the quoted directory for %f and %F, "%" for "%%".
        const auto percents = [&](QString line) {
            line.replace("%%", QChar(1)).replace("%f", QChar(2)).replace("%F", QChar(2));
            return line.replace(QChar(1), u'%').replace(QChar(2), ShellWord(dir));
        };
        if (target == VerbTarget::OpenWith) {
            run.start(gio, {"launch", VerbFilePath(target, places), dir});
        } else if (target == VerbTarget::Nautilus) {
            // Started in the folder on display with the selected name.
            run.setWorkingDirectory(QFileInfo(dir).absolutePath());
            run.start(VerbFilePath(target, places), {QFileInfo(dir).fileName()});
        } else if (target == VerbTarget::Nemo) {
            // Nemo puts the escaped paths in for %F and parses the command as a shell would.
            run.start("/bin/sh",
                      {"-c", percents(Unescaped(text.section("\nExec=", 1).section(u'\n', 0, 0)))});
        } else {
            QString command = text.section("<command>", 1).section("</command>", 0, 0);
            command.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">");
            run.start("/bin/sh", {"-c", percents(command.replace("&amp;", "&"))});
        }
        QVERIFY2(run.waitForFinished(20000) && run.exitCode() == 0,
                 qPrintable(run.readAllStandardError() + text));
        // gio launch returns before the program has run.
        QVERIFY(QTest::qWaitFor([&] { return ReadFile(out).count('\n') >= 3; }, 20000));
        const QStringList got = QString(ReadFile(out)).split(u'\n');
        QCOMPARE(
            got.mid(1, 2),
            QStringList({"1", target == VerbTarget::Nautilus ? QFileInfo(dir).fileName() : dir}));
    }

    // Machine-wide, only the file managers with a machine-wide folder of
    // actions are chosen: not Nautilus nor Thunar. (Per user, all of them:
    // verbRuns() and reinstall().)
    void machineWideTargets() {
        const VerbPlaces places = Places(true);
        QCOMPARE(ChosenTargets(places), QList{VerbTarget::OpenWith});
        QVERIFY(MakeManagerFolders(places));
        QCOMPARE(ChosenTargets(places),
                 (QList{VerbTarget::OpenWith, VerbTarget::Dolphin, VerbTarget::Nemo}));
    }

    // The Open With entry has no MimeType and is the only one in the
    // applications folder, where an earlier version's entries, which took
    // directories over, are removed; no default is written anywhere. So the
    // file manager stays the default for directories.
    void noDefaultHandler() {
        const VerbPlaces places = Places();
        QVERIFY(MakeManagerFolders(places));
        for (const char* old : {"spanmeter-directory.desktop", "spanmeter-drive.desktop"})
            QVERIFY(WriteFile(places.dataDir + "/applications/" + old,
                              "[Desktop Entry]\nType=Application\nName=S\nExec=x "
                              "%f\nMimeType=inode/directory;\n"));
        QVERIFY(!InstallShellVerbs(places, GetModulePath()));
        QCOMPARE(QDir(places.dataDir + "/applications").entryList({"*.desktop"}),
                 QStringList{"spanmeter-open-with.desktop"});
        QVERIFY(!ReadFile(VerbFilePath(VerbTarget::OpenWith, places)).contains("MimeType"));
        QVERIFY(!QDirIterator(m_dir->path(), {"*mimeapps.list"}, QDir::Files,
                              QDirIterator::Subdirectories)
                     .hasNext());
    }

    // Re-install asks, naming where it installs; a second installation
    // replaces every entry, Thunar's action too, and keeps Thunar's shipped
    // actions in the user's first own file.
    void reinstall_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No writes nothing") << false;
        QTest::newRow("Yes, twice") << true;
    }
    void reinstall() {
        QFETCH(bool, yes);
        const VerbPlaces places = Places();
        SetVerbPlaces(places);
        QVERIFY(WriteFile(m_dir->filePath("etc/Thunar/uca.xml"),
                          "<?xml version=\"1.0\"?>\n<actions>\n<action><name>Open Terminal "
                          "Here</name></action>\n</actions>\n"));
        QVERIFY(MakeManagerFolders(places));
        QVERIFY(!InstallShellVerbs(places, "/old/copy/spanmeter"));
        QString asked;
        // The last answer waits for a message that must not come.
        QVERIFY(!AnswerModals([] { OnReinstall(nullptr); },
                              {ClickBox(yes ? QMessageBox::Yes : QMessageBox::No, &asked),
                               On([](QDialog* dialog) { dialog->reject(); })}));
        SetVerbPlaces(std::nullopt);
        QCOMPARE(asked, "Spanmeter|Install this copy of Spanmeter in the file manager menus?\n(" +
                            GetModulePath() + ")");
        for (const VerbTarget target : ChosenTargets(places)) {
            const QString path = VerbFilePath(target, places);
            const QString text = target == VerbTarget::Nautilus ? QFileInfo(path).symLinkTarget()
                                                                : QString(ReadFile(path));
            QCOMPARE(text.contains("/old/copy/"), !yes);
            QCOMPARE(text.count("<unique-id>"), target == VerbTarget::Thunar ? 1 : 0);
        }
        QVERIFY(ReadFile(VerbFilePath(VerbTarget::Thunar, places)).contains("Open Terminal Here"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
