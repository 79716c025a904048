#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "app/mainwindow.h"
#include "shared/App.h"
#include "shared/IniText.h"
#include "shared/SharedStruct.h"
#include "shared/WholeFile.h"
#include "support/TestWorkDir.h"

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every change of the process's umask made in this program, counted; the
// kernel's own call does the change.
static std::atomic<int> umaskCalls{0};
extern "C" mode_t umask(mode_t mask) noexcept
{
    ++umaskCalls;
    return mode_t(::syscall(SYS_umask, mask));
}

using KeyValues = QList<QPair<QString, QVariant>>;
Q_DECLARE_METATYPE(KeyValues)

namespace {
// The record's fields by name, so cases can name the field they pin.
QVariant field(const s_MachineSettings &m, const QString &name)
{
    const QHash<QString, QVariant> f = {
        {"isMM", m.isMM},
        {"isRadius", m.isRadius},
        {"Language", m.Language},
        {"Password", m.Password},
        {"hasIndex", m.hasIndex},
        {"debug", m.debug},
        {"type", m.type},
        {"isPivra", m.isPivra},
        {"hasCAxis", m.hasCAxis},
        {"pulseRevC", m.pulseRevC},
        {"coarseZeroSearch", m.coarseZeroSearch},
        {"disableAnimation", m.disableAnimation},
        {"zeroReset", m.zeroReset},
        {"ClearLabelMode", m.ClearLabelMode},
        {"idleClick", m.idleClick},
        {"frameCounter", int(m.frameCounter)},
        {"axbVersion", m.axbVersion},
        {"printing", m.printing},
        {"ppEnabled", m.ppEnabled},
        {"ppFormatLocked", m.ppFormatLocked},
        {"ppDirLocked", m.ppDirLocked},
        {"balluffEnabled", m.balluffEnabled},
        {"logoPrint", m.logoPrint},
        {"custom", m.custom},
        {"vendorName", m.vendorName},
        {"logoName", m.logoName},
        {"mmDecimals", int(m.mmDecimals)},
        {"inchDecimals", int(m.inchDecimals)},
        {"angularHead", m.angularHead},
        {"automaticSpindle", m.automaticSpindle},
        {"disableRunout", m.disableRunout},
        {"AbsRefX", m.AbsRefX},
        {"AbsSysRefX", m.AbsSysRefX},
        {"AbsRefZ", m.AbsRefZ},
        {"AbsSysRefZ", m.AbsSysRefZ},
        {"hasNfc", m.hasNfc},
    };
    return f.value(name);
}

void writeSettings(const KeyValues &keys)
{
    App::resetKovraSettings();
    {
        QSettings s(QStringLiteral("./T8A_M.cfg"), QSettings::IniFormat);
        s.setIniCodec("UTF-8");
        for (const auto &kv : keys)
            s.setValue(kv.first, kv.second);
    }
    App::resetKovraSettings();
}
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void initialValues_data();
    void initialValues();
    void loader_data();
    void loader();
    void loaderKeepsRunTimeFields();
    void loaderWritesNothing();
    void translationFile_data();
    void translationFile();
    void replacedFileKeepsItsPlace_data();
    void replacedFileKeepsItsPlace();
    void otherThreadsKeepTheUmask_data();
    void otherThreadsKeepTheUmask();
    void ownerKept();
    void saveLeftoversRemovedAtStart_data();
    void saveLeftoversRemovedAtStart();
    void settingsWriteKeepsTheText_data();
    void settingsWriteKeepsTheText();
    void valueAsTheToolkitWritesIt_data();
    void valueAsTheToolkitWritesIt();
};

void TestSettings::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestSettings::initialValues_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("isMM") << "isMM" << QVariant(true);
    QTest::newRow("isRadius") << "isRadius" << QVariant(true);
    QTest::newRow("Language") << "Language" << QVariant(QString());
    QTest::newRow("Password") << "Password" << QVariant(QString("tavo"));
    QTest::newRow("hasIndex") << "hasIndex" << QVariant(false);
    QTest::newRow("pulseRevC") << "pulseRevC" << QVariant(1000);
    QTest::newRow("ClearLabelMode") << "ClearLabelMode" << QVariant(2);
    QTest::newRow("idleClick") << "idleClick" << QVariant(0);
    QTest::newRow("frameCounter") << "frameCounter" << QVariant(0);
    QTest::newRow("axbVersion") << "axbVersion" << QVariant(QString("Axb version not available"));
    QTest::newRow("logoPrint") << "logoPrint" << QVariant(QString());
    QTest::newRow("custom") << "custom" << QVariant(QString());
    QTest::newRow("vendorName") << "vendorName" << QVariant(QString("Kovra"));
    QTest::newRow("mmDecimals") << "mmDecimals" << QVariant(3);
    QTest::newRow("inchDecimals") << "inchDecimals" << QVariant(4);
    QTest::newRow("hasNfc") << "hasNfc" << QVariant(false);
}

void TestSettings::initialValues()
{
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    QCOMPARE(field(s_MachineSettings(), name), expected);
    // The global starts as a fresh record does.
    QCOMPARE(field(MachineSettings, name), expected);
}

void TestSettings::loader_data()
{
    QTest::addColumn<KeyValues>("keys");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");

    const KeyValues none;
    auto one = [](const char *key, const QVariant &v) { return KeyValues{{QString::fromLatin1(key), v}}; };

    QTest::newRow("vendor absent") << none << "vendorName" << QVariant(QString("Kovra"));
    QTest::newRow("vendor blanks") << one("/Machine/vendorName", "   ") << "vendorName" << QVariant(QString("Kovra"));
    QTest::newRow("vendor trimmed") << one("/Machine/vendorName", " Acme ") << "vendorName" << QVariant(QString("Acme"));
    QTest::newRow("logoPrint absent") << none << "logoPrint" << QVariant(QString("Kovra"));
    QTest::newRow("logoPrint blanks kept") << one("/Machine/logoPrint", "   ") << "logoPrint" << QVariant(QString("   "));
    QTest::newRow("custom absent") << none << "custom" << QVariant(QString("Kovra"));
    QTest::newRow("custom empty") << one("/Machine/custom", "") << "custom" << QVariant(QString("Kovra"));
    QTest::newRow("custom trimmed") << one("/Machine/custom", " shop.cfg ") << "custom" << QVariant(QString("shop.cfg"));
    QTest::newRow("logoName trimmed") << one("/Machine/logoName", " a.png ") << "logoName" << QVariant(QString("a.png"));
    QTest::newRow("logoName absent") << none << "logoName" << QVariant(QString());

    QTest::newRow("mm decimals absent") << none << "mmDecimals" << QVariant(3);
    QTest::newRow("mm decimals 0") << one("/Machine/mmDecimals", 0) << "mmDecimals" << QVariant(3);
    QTest::newRow("mm decimals 1") << one("/Machine/mmDecimals", 1) << "mmDecimals" << QVariant(1);
    QTest::newRow("mm decimals 4") << one("/Machine/mmDecimals", 4) << "mmDecimals" << QVariant(3);
    QTest::newRow("mm decimals 258") << one("/Machine/mmDecimals", 258) << "mmDecimals" << QVariant(2);
    QTest::newRow("inch decimals absent") << none << "inchDecimals" << QVariant(4);
    QTest::newRow("inch decimals 5") << one("/Machine/inchDecimals", 5) << "inchDecimals" << QVariant(5);
    QTest::newRow("inch decimals 6") << one("/Machine/inchDecimals", 6) << "inchDecimals" << QVariant(4);
    QTest::newRow("inch decimals 0") << one("/Machine/inchDecimals", 0) << "inchDecimals" << QVariant(4);
    QTest::newRow("inch decimals 257") << one("/Machine/inchDecimals", 257) << "inchDecimals" << QVariant(1);

    QTest::newRow("idle absent") << none << "idleClick" << QVariant(0);
    QTest::newRow("idle 250") << one("/Machine/idleClick", 250) << "idleClick" << QVariant(250000);
    QTest::newRow("idle 60000") << one("/Machine/idleClick", 60000) << "idleClick" << QVariant(60000000);
    QTest::newRow("idle too long") << one("/Machine/idleClick", 3000000) << "idleClick" << QVariant(60000000);
    QTest::newRow("idle negative") << one("/Machine/idleClick", -5) << "idleClick" << QVariant(0);

    QTest::newRow("abs ref truncated") << one("/System/AbsRefX", "-12.9") << "AbsRefX" << QVariant(-12);
    QTest::newRow("abs sys ref X") << one("/System/AbsSysRefX", "7.99") << "AbsSysRefX" << QVariant(7);
    QTest::newRow("abs ref Z") << one("/System/AbsRefZ", "350") << "AbsRefZ" << QVariant(350);
    QTest::newRow("abs sys ref Z") << one("/System/AbsSysRefZ", "-0.5") << "AbsSysRefZ" << QVariant(0);

    QTest::newRow("language absent") << none << "Language" << QVariant(QString("English"));
    QTest::newRow("language as stored")
        << one("/Machine/Language", "Italiano|t8a_it.qm") << "Language" << QVariant(QString("Italiano|t8a_it.qm"));
    QTest::newRow("password absent") << none << "Password" << QVariant(QString("tavo"));
    QTest::newRow("password as stored") << one("/Machine/Password", " Ab1 ") << "Password" << QVariant(QString(" Ab1 "));

    QTest::newRow("hasIndex absent") << none << "hasIndex" << QVariant(true);
    QTest::newRow("hasIndex false") << one("/Machine/hasIndex", "false") << "hasIndex" << QVariant(false);
    QTest::newRow("isMM absent") << none << "isMM" << QVariant(true);
    QTest::newRow("isMM false") << one("/Machine/isMM", "false") << "isMM" << QVariant(false);
    QTest::newRow("isRadius false") << one("/Machine/isRadius", false) << "isRadius" << QVariant(false);
    QTest::newRow("type 3") << one("/Machine/type", 3) << "type" << QVariant(3);
    QTest::newRow("pulseRevC absent") << none << "pulseRevC" << QVariant(1000);
    QTest::newRow("pulseRevC") << one("/Machine/pulseRevC", "36000") << "pulseRevC" << QVariant(36000);
    QTest::newRow("ClearLabelMode absent") << none << "ClearLabelMode" << QVariant(2);
    QTest::newRow("ClearLabelMode 0") << one("/Machine/ClearLabelMode", 0) << "ClearLabelMode" << QVariant(0);
    QTest::newRow("hasCAxis") << one("/Machine/hasCAxis", true) << "hasCAxis" << QVariant(true);
    QTest::newRow("coarseZeroSearch") << one("/Machine/coarseZeroSearch", true) << "coarseZeroSearch" << QVariant(true);
    QTest::newRow("disableAnimation") << one("/Machine/disableAnimation", true) << "disableAnimation" << QVariant(true);
    QTest::newRow("isPivra") << one("/Machine/isPivra", true) << "isPivra" << QVariant(true);
    QTest::newRow("ppEnabled") << one("/Machine/ppEnabled", true) << "ppEnabled" << QVariant(true);
    QTest::newRow("ppFormatLocked") << one("/Machine/ppFormatLocked", true) << "ppFormatLocked" << QVariant(true);
    QTest::newRow("ppDirLocked") << one("/Machine/ppDirLocked", true) << "ppDirLocked" << QVariant(true);
    QTest::newRow("balluffEnabled") << one("/Machine/balluffEnabled", true) << "balluffEnabled" << QVariant(true);
    QTest::newRow("angularHead") << one("/Machine/angularHead", true) << "angularHead" << QVariant(true);
    QTest::newRow("automaticSpindle") << one("/Machine/automaticSpindle", true) << "automaticSpindle" << QVariant(true);
    QTest::newRow("disableRunout") << one("/Machine/disableRunout", true) << "disableRunout" << QVariant(true);
    QTest::newRow("hasNfc") << one("/Machine/hasNfc", true) << "hasNfc" << QVariant(true);
    // Keys are found with or without the leading slash.
    QTest::newRow("key without slash") << one("Machine/type", 1) << "type" << QVariant(1);
}

void TestSettings::loader()
{
    QFETCH(KeyValues, keys);
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    TestWorkDir wd;
    writeSettings(keys);

    // Start from a record whose fields all differ from what the file gives,
    // so a field the loader forgets shows.
    s_MachineSettings m;
    m.vendorName = m.custom = m.logoPrint = m.logoName = m.Language = m.Password = QStringLiteral("stale");
    m.type = m.pulseRevC = m.ClearLabelMode = m.idleClick = 77;
    m.AbsRefX = m.AbsSysRefX = m.AbsRefZ = m.AbsSysRefZ = 77;
    m.mmDecimals = m.inchDecimals = 77;
    loadMachineSettings(m);
    QCOMPARE(field(m, name), expected);
    App::resetKovraSettings();
}

void TestSettings::loaderKeepsRunTimeFields()
{
    TestWorkDir wd;
    writeSettings({{"/Machine/vendorName", "Acme"}});
    s_MachineSettings m;
    m.debug = true;
    m.zeroReset = true;
    m.axbVersion = QStringLiteral("AXB 2.7");
    m.printing = true;
    m.frameCounter = 5;
    loadMachineSettings(m);
    QCOMPARE(m.vendorName, QString("Acme"));
    QCOMPARE(m.debug, true);
    QCOMPARE(m.zeroReset, true);
    QCOMPARE(m.axbVersion, QString("AXB 2.7"));
    QCOMPARE(m.printing, true);
    QCOMPARE(int(m.frameCounter), 5);

    // A copy carries the counter too (the configuration dialog copies records).
    const s_MachineSettings copy = m;
    QCOMPARE(int(copy.frameCounter), 5);
    App::resetKovraSettings();
}

void TestSettings::loaderWritesNothing()
{
    TestWorkDir wd;
    App::resetKovraSettings();
    s_MachineSettings m;
    loadMachineSettings(m);
    App::resetKovraSettings();
    QVERIFY(!QFile::exists(wd.filePath("T8A_M.cfg")));

    writeSettings({{"/Machine/idleClick", 250}, {"/Machine/mmDecimals", 9}});
    QFile f(wd.filePath("T8A_M.cfg"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    loadMachineSettings(m);
    App::resetKovraSettings();
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestSettings::translationFile_data()
{
    QTest::addColumn<QVariant>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absent") << QVariant() << "none";
    QTest::newRow("name only") << QVariant("English") << "none";
    QTest::newRow("name and file") << QVariant("Italiano|t8a_it.qm") << "t8a_it.qm";
    QTest::newRow("two bars") << QVariant("Italiano|t8a_it.qm|x") << "none";
    QTest::newRow("empty file part") << QVariant("Deutsch|") << "";
    QTest::newRow("empty name part") << QVariant("|t8a_de.qm") << "t8a_de.qm";
}

void TestSettings::translationFile()
{
    QFETCH(QVariant, language);
    QFETCH(QString, expected);
    TestWorkDir wd;
    KeyValues keys;
    if (language.isValid())
        keys << qMakePair(QStringLiteral("/Machine/Language"), language);
    writeSettings(keys);
    QCOMPARE(GetTranslationFileName(), expected);
    App::resetKovraSettings();
}

void TestSettings::replacedFileKeepsItsPlace_data()
{
    QTest::addColumn<QString>("kind"); // what stands at the path
    QTest::addColumn<bool>("replaced");
    QTest::newRow("a link: the file it leads to is replaced") << "link" << true;
    QTest::newRow("a file of restricted mode keeps it") << "mode" << true;
    QTest::newRow("a folder is not replaced") << "folder" << false;
}

void TestSettings::replacedFileKeepsItsPlace()
{
    QFETCH(QString, kind);
    QFETCH(bool, replaced);
    TestWorkDir wd;
    QVERIFY(wd.writeFile("real", "old"));
    QFile::setPermissions("real", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString path = kind == "link" ? "link" : kind == "mode" ? "real" : "folder";
    if (kind == "link")
        QVERIFY(QFile::link("real", "link"));
    if (kind == "folder")
        QVERIFY(QDir().mkdir("folder"));
    QCOMPARE(WholeFile::replace(path, "new"), replaced);
    QCOMPARE(TestWorkDir::readFile("real"), QByteArray(replaced ? "new" : "old"));
    QCOMPARE(QFileInfo("link").isSymLink(), kind == "link");
    QCOMPARE(QFileInfo("folder").isDir(), kind == "folder");
    QCOMPARE(QFile::permissions("real"), QFile::ReadOwner | QFile::ReadUser | QFile::WriteOwner | QFile::WriteUser
                                             | QFile::ReadGroup);
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot).size(),
             kind == "mode" ? 1 : 2);
}

// New files, the replacement's and those another thread makes meanwhile,
// get the mode the process's umask gives: a replace never changes the umask,
// not even for the moment another thread's new file would take it. Counted,
// any change shows, however short.
void TestSettings::otherThreadsKeepTheUmask_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("before"); // the replaced file's mode, -1 for none
    QTest::addColumn<int>("mode");
    QTest::newRow("new file, 022") << 022 << -1 << 0644;
    QTest::newRow("new file, 077") << 077 << -1 << 0600;
    QTest::newRow("new file, 002") << 002 << -1 << 0664;
    QTest::newRow("file replaced") << 077 << 0640 << 0640;
}

void TestSettings::otherThreadsKeepTheUmask()
{
    QFETCH(int, mask);
    QFETCH(int, before);
    QFETCH(int, mode);
    TestWorkDir wd;
    if (before >= 0) {
        QVERIFY(wd.writeFile("new", "old"));
        QCOMPARE(::chmod("new", mode_t(before)), 0);
    }
    const mode_t saved = ::umask(mode_t(mask));
    const int calls = umaskCalls;
    const bool replaced = WholeFile::replace("new", "x");
    const int changes = umaskCalls - calls;
    ::umask(saved);
    QVERIFY(replaced);
    QCOMPARE(changes, 0);
    struct stat st;
    QCOMPARE(::stat("new", &st), 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
}

// Run by the super user, a replaced file keeps its owner and group: the
// operator's user may still write it.
void TestSettings::ownerKept()
{
    if (::geteuid() != 0)
        QSKIP("only the super user may give a file away");
    TestWorkDir wd;
    QVERIFY(wd.writeFile("T8A_M.cfg", "[a]\nb=1\n"));
    QCOMPARE(::chown("T8A_M.cfg", 65534, 65534), 0);
    App::resetKovraSettings();
    QVERIFY(App::writeKovraSettings({{"a/b", 2}}));
    struct stat st;
    QCOMPARE(::stat("T8A_M.cfg", &st), 0);
    QCOMPARE(int(st.st_uid), 65534);
    QCOMPARE(int(st.st_gid), 65534);
    QCOMPARE(App::kovraSettings().value("a/b").toInt(), 2);
    App::resetKovraSettings();
}

// What a killed save left, and only that, goes at the program's start from
// every folder the program writes whole files into (the settings file's and
// its link target's, the reports', the tag's, each machine's post-processor
// output folder and tag layout folder): the drafts the writers make, the
// toolkit's lock and temporary of such a draft, earlier versions' settings
// drafts by their role word; a name an operator may have chosen stays byte
// for byte, and so does a draft in a folder the program does not write.
void TestSettings::saveLeftoversRemovedAtStart_data()
{
    QTest::addColumn<QString>("file");   // a real draft of this file, or the name itself
    QTest::addColumn<bool>("draft");
    QTest::addColumn<QString>("suffix"); // after the draft's name
    QTest::addColumn<bool>("gone");
    QTest::addColumn<bool>("linked");    // the settings file a link to elsewhere/real.cfg
    QTest::newRow("settings draft") << "T8A_M.cfg" << true << "" << true << false;
    QTest::newRow("toolkit lock of a settings draft") << "T8A_M.cfg" << true << ".lock" << true << false;
    QTest::newRow("toolkit temporary of a settings draft") << "T8A_M.cfg" << true << ".aBcDeF" << true << false;
    QTest::newRow("settings draft beside the link's target") << "T8A_M.cfg" << true << "" << true << true;
    QTest::newRow("earlier draft") << ".T8A_M.cfg.draft.aB3dE9" << false << "" << true << false;
    QTest::newRow("earlier check") << ".T8A_M.cfg.check.aB3dE9" << false << "" << true << false;
    QTest::newRow("report draft") << "report/TURRET A.pdf" << true << "" << true << false;
    QTest::newRow("raw copy draft, written") << "balluff/BalluffOut.bin" << true << "" << true << false;
    QTest::newRow("raw copy draft, read") << "balluff/BalluffIn.bin" << true << "" << true << false;
    QTest::newRow("settings backup") << ".T8A_M.cfg.backup" << false << "" << false << false;
    QTest::newRow("settings numbered copy") << ".T8A_M.cfg.OLD001" << false << "" << false << false;
    QTest::newRow("lock of a copy") << ".T8A_M.cfg.bak123.lock" << false << "" << false << false;
    QTest::newRow("backup beside the link's target") << "elsewhere/.real.cfg.backup" << false << "" << false << true;
    QTest::newRow("report backup") << "report/.TURRET A.pdf.backup" << false << "" << false << false;
    QTest::newRow("report folder note") << "report/.report-backup" << false << "" << false << false;
    QTest::newRow("raw copy backup") << "balluff/.BalluffOut.bin.backup" << false << "" << false << false;
    QTest::newRow("a report") << "report/SHAFT.pdf" << false << "" << false << false;
    QTest::newRow("draft of another file of a written folder") << "T8A_M.sqlite" << true << "" << true << false;
    QTest::newRow("post-processor output draft") << "export/TURRET" << true << "" << true << false;
    QTest::newRow("post-processor output draft, no folder set") << "TURRET.nc" << true << "" << true << false;
    QTest::newRow("tag layout counter draft") << "balluff/layout.ini" << true << "" << true << false;
    QTest::newRow("counter draft beside a layout link's target") << "balluff/linked.ini" << true << "" << true
                                                                 << false;
    QTest::newRow("toolkit lock of a report draft") << "report/SHAFT.pdf" << true << ".lock" << true << false;
    QTest::newRow("a post-processor output") << "export/TURRET" << false << "" << false << false;
    QTest::newRow("post-processor output backup") << "export/.TURRET.backup" << false << "" << false << false;
    QTest::newRow("earlier versions' name of an output") << "export/.TURRET.draft.aB3dE9" << false << "" << false
                                                         << false;
    QTest::newRow("draft in a folder no machine writes") << "other/TURRET" << true << "" << false << false;
    QTest::newRow("a tag layout") << "balluff/layout.ini" << false << "" << false << false;
    QTest::newRow("backup beside a layout link's target") << "layouts/.linked.ini.backup" << false << "" << false
                                                          << false;
    QTest::newRow("draft of a settings file of another folder") << "postpro/T8A_M.cfg" << true << "" << false << false;
    QTest::newRow("a draft's name with another random part") << ".T8A_M.cfg.~draft-0123456789ABCDEF" << false << ""
                                                             << false << false;
}

void TestSettings::saveLeftoversRemovedAtStart()
{
    QFETCH(QString, file);
    QFETCH(bool, draft);
    QFETCH(QString, suffix);
    QFETCH(bool, gone);
    QFETCH(bool, linked);
    TestWorkDir wd;
    for (const QString &folder : {"report", "balluff", "postpro", "elsewhere", "export", "layouts", "other"})
        QVERIFY(QDir().mkpath(folder));
    if (linked) {
        QVERIFY(wd.writeFile("elsewhere/real.cfg", "[a]\nb=1\n"));
        QVERIFY(QFile::link("elsewhere/real.cfg", "T8A_M.cfg"));
    } else {
        QVERIFY(wd.writeFile("T8A_M.cfg", "[a]\nb=1\n"));
    }
    QVERIFY(wd.writeFile("layouts/linked.ini", "[SETTINGS]\nWriteCounter=1\n"));
    QVERIFY(QFile::link("../layouts/linked.ini", "balluff/linked.ini"));
    // One machine writes its output into "export", one into the working
    // directory; their layouts, one of them a link.
    App::resetKovraSettings();
    QVERIFY(openDatabase());
    const auto closeDb = qScopeGuard([] {
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        App::resetKovraSettings();
    });
    QSqlQuery q;
    QVERIFY(q.prepare("INSERT INTO machine (name, networkPath, Balluff) VALUES (?, ?, ?)"));
    for (const QStringList &m : {QStringList{"A", wd.filePath("export"), "layout.ini"}, QStringList{"B", "", "linked.ini"}}) {
        q.addBindValue(m[0]);
        q.addBindValue(m[1]);
        q.addBindValue(m[2]);
        QVERIFY(q.exec());
    }
    QString name = file;
    if (draft) {
        name = WholeFile::createDraft(file);
        QVERIFY(!name.isEmpty());
        name = QDir::current().relativeFilePath(name) + suffix;
    }
    const QByteArray content("kept \xff\n", 7);
    QVERIFY(wd.writeFile(name, content));
    MainWindow::removeSaveLeftovers();
    QVERIFY2(QFile::exists(name) != gone, qPrintable(name));
    if (!gone)
        QCOMPARE(TestWorkDir::readFile(name), content);
    QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), QByteArray("[a]\nb=1\n"));
}

// A settings write sets its keys in the file's text: comments, order,
// blanks and a byte written by hand stay; the value is written as the
// toolkit's writer writes it, so its reader reads the same value back.
void TestSettings::settingsWriteKeepsTheText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("from"); // the one part of the file that changes
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<bool>("commaLocale");
    QTest::addColumn<QByteArray>("file"); // instead of the hand-written file below
    QTest::newRow("a value") << "System/GaugeX" << QVariant(QString("13.25")) << QByteArray("GaugeX=12.5")
                             << QByteArray("GaugeX=13.25") << false << QByteArray();
    QTest::newRow("blanks and comment around the value") << "/System/RefX" << QVariant(200)
                                                          << QByteArray("RefX = 100   ;") << QByteArray("RefX = 200   ;")
                                                          << false << QByteArray();
    QTest::newRow("a number in a comma-decimal locale") << "System/GaugeX" << QVariant(0.5)
                                                        << QByteArray("GaugeX=12.5") << QByteArray("GaugeX=0.5") << true << QByteArray();
    QTest::newRow("a flag") << "Machine/isMM" << QVariant(false) << QByteArray("isMM=true")
                            << QByteArray("isMM=false") << false << QByteArray();
    QTest::newRow("a text with a comma, quotes and a semicolon")
        << "Machine/Note" << QVariant(QString("x, \"y\"; z")) << QByteArray("Note = a b")
        << QByteArray("Note = \"x, \\\"y\\\"; z\"") << false << QByteArray();
    QTest::newRow("a text beginning with @") << "Machine/Note" << QVariant(QString("@x")) << QByteArray("Note = a b")
                                              << QByteArray("Note = @@x") << false << QByteArray();
    QTest::newRow("a text beyond Latin-1 and a tab") << "Machine/Note" << QVariant(QString::fromUtf8("M\xc3\xbc\tller \xe2\x82\xac"))
                                                     << QByteArray("Note = a b")
                                                     << QByteArray("Note = M\xc3\xbc\\tller \xe2\x82\xac") << false << QByteArray();
    QTest::newRow("a list") << "Machine/Note" << QVariant(QStringList{"a", "b c"}) << QByteArray("Note = a b")
                            << QByteArray("Note = a, b c") << false << QByteArray();
    QTest::newRow("a new key after its group's last") << "Machine/type" << QVariant(3)
                                                      << QByteArray("isMM=true\n") << QByteArray("isMM=true\ntype=3\n")
                                                      << false << QByteArray();
    QTest::newRow("a new key deeper in its group") << "Machine/sub/key" << QVariant(1)
                                                   << QByteArray("isMM=true\n") << QByteArray("isMM=true\nsub\\key=1\n")
                                                   << false << QByteArray();
    QTest::newRow("a new group at the end") << "sensorMeasure/Brightness" << QVariant(50)
                                            << QByteArray("; end\n") << QByteArray("; end\n\n[sensorMeasure]\nBrightness=50\n")
                                            << false << QByteArray();
    QTest::newRow("a removed key") << "Machine/isMM" << QVariant() << QByteArray("isMM=true\n") << QByteArray()
                                   << false << QByteArray();
    const QByteArray twice("[A]\r\nk=1\r\n[B]\r\nx=2\r\n[A]\r\nk = 1 ;again\r\n");
    QTest::newRow("a key on two lines of a CRLF file") << "A/k" << QVariant(5) << twice
                                                       << QByteArray("[A]\r\nk=5\r\n[B]\r\nx=2\r\n[A]\r\nk = 5 ;again\r\n")
                                                       << false << twice;
    QTest::newRow("a key removed from two lines") << "A/k" << QVariant() << twice
                                                  << QByteArray("[A]\r\n[B]\r\nx=2\r\n[A]\r\n") << false << twice;
    QTest::newRow("a new key in a CRLF file") << "B/y" << QVariant(3) << twice
                                              << QByteArray("[A]\r\nk=1\r\n[B]\r\nx=2\r\ny=3\r\n[A]\r\nk = 1 ;again\r\n")
                                              << false << twice;
}

void TestSettings::settingsWriteKeepsTheText()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(bool, commaLocale);
    QFETCH(QByteArray, file);
    TestWorkDir wd;
    const QByteArray handWritten("; calibrated by service 2026-03-02\n"
                          "[Machine]\n"
                          "Note = a b\n"
                          "VendorName=M\xfcller\n"
                          "isMM=true\n"
                          "\n"
                          "; the references\n"
                          "[System]\n"
                          "RefX = 100   ; by hand\n"
                          "GaugeX=12.5\n"
                          "; end\n");
    const QByteArray text = file.isEmpty() ? handWritten : file;
    QVERIFY(wd.writeFile("T8A_M.cfg", text));
    App::resetKovraSettings();
    QMap<QString, QVariant> before;
    for (const QString &k : App::kovraSettings().allKeys())
        before.insert(k, App::kovraSettings().value(k));
    if (commaLocale)
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    const bool written = App::writeKovraSettings({{key, value}});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(written);
    QByteArray expected = text;
    QCOMPARE(expected.count(from), 1);
    expected.replace(from, to);
    QCOMPARE(TestWorkDir::readFile("T8A_M.cfg"), expected);
    // The toolkit's reader, on the file anew: the key as set, the others as they were.
    const QString k = QString(key).remove(0, key.startsWith('/') ? 1 : 0);
    if (value.isValid())
        before.insert(k, value);
    else
        before.remove(k);
    App::resetKovraSettings();
    QSettings r("./T8A_M.cfg", QSettings::IniFormat);
    r.setIniCodec("UTF-8");
    QCOMPARE(r.allKeys().size(), before.size());
    for (auto b = before.cbegin(); b != before.cend(); ++b)
        QVERIFY2(r.value(b.key()) == b.value() || r.value(b.key()).toString() == b.value().toString(),
                 qPrintable(b.key()));
    if (value.userType() == QMetaType::QStringList)
        QCOMPARE(r.value(k).toStringList(), value.toStringList());
    App::resetKovraSettings();
}

// A value reaches the file as the toolkit's own writer writes it.
void TestSettings::valueAsTheToolkitWritesIt_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("comma, quotes, semicolon") << QVariant(QString("x, \"y\"; z"));
    QTest::newRow("equals sign") << QVariant(QString("a=b"));
    QTest::newRow("leading @") << QVariant(QString("@x"));
    QTest::newRow("blanks around") << QVariant(QString(" lead "));
    QTest::newRow("backslash") << QVariant(QString("C:\\cnc"));
    QTest::newRow("control characters before hex digits") << QVariant(QString(QChar(1)) + "a\x02" + "F\n\r\t");
    QTest::newRow("a null character") << QVariant(QString(QChar(0)) + "7");
    QTest::newRow("beyond ASCII") << QVariant(QString::fromUtf8("M\xc3\xbcller \xe2\x82\xac a\xc2\x80"));
    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("list") << QVariant(QStringList{"a", "b, c", ""});
    QTest::newRow("empty list") << QVariant(QStringList{});
    QTest::newRow("list of values") << QVariant(QVariantList{QString("a,b"), 3, true});
    QTest::newRow("int") << QVariant(-42);
    QTest::newRow("long long") << QVariant(Q_INT64_C(-9007199254740993));
    QTest::newRow("unsigned") << QVariant(4000000000u);
    QTest::newRow("double") << QVariant(0.1);
    QTest::newRow("large double") << QVariant(1e20);
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("byte array") << QVariant(QByteArray("a\0b", 3));
}

void TestSettings::valueAsTheToolkitWritesIt()
{
    QFETCH(QVariant, value);
    TestWorkDir wd;
    {
        QSettings w("toolkit.ini", QSettings::IniFormat);
        w.setIniCodec("UTF-8");
        w.setValue("g/k", value);
    }
    QByteArray mine;
    QVERIFY(IniText::iniValue(value, mine));
    QCOMPARE(TestWorkDir::readFile("toolkit.ini"), "[g]\nk=" + mine + "\n");
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
