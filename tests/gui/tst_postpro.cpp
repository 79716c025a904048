#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextEdit>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

#include "exchange/postpro.h"
#include "shared/WholeFile.h"
#include "support/ChooserRows.h"
#include "support/MainWindowFixture.h"
#include "support/Screenshot.h"
#include "support/StorageFault.h"
#include "support/TestWorkDir.h"
#include "support/ToolingDb.h"
#include "support/UnexpectedBoxes.h"
#include "tooling/csetlist.h"

// The post-processor panel in the main window: opened from the table list,
// the tick list and live preview, saving with its questions and checks, the
// machine's default format and folder, and the buttons locked meanwhile.
class tst_postpro : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpWindowCase(); }
    void cleanupTestCase() { tearDownWindowCase(); }
    void init()
    {
        setUpWindow();
        m_answer = QMessageBox::NoButton; // every box takes its default
        QVERIFY(m_wd->writeFile("postpro/plain.pp", "%\r\nO100\r\n<S>\r\nT@T X@R Z@L\r\n<E>\r\nM30"));
        QVERIFY(m_wd->writeFile("postpro/codes.pp", "<S>\n@D(5)\n<E>"));
        QVERIFY(QDir(m_wd->path()).mkpath("export"));
        QVERIFY(QDir(m_wd->path()).mkpath("other"));
        m_export = m_wd->filePath("export");
    }
    void cleanup() { tearDownWindow(); }

    void openTickAndClose_data()
    {
        QTest::addColumn<bool>("automaticSpindle");
        QTest::newRow("run-out button follows") << false;
        QTest::newRow("automatic spindle: run-out button untouched") << true;
    }
    void openTickAndClose()
    {
        QFETCH(bool, automaticSpindle);
        build({{"/Machine/automaticSpindle", automaticSpindle}, {"/Machine/defaultExt", ".tab"}});
        ui->tbTestRnOut->setEnabled(false);
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbPostPro")->click();

        QVERIFY(m_w->panels().isEnlarged("postPro"));
        QCOMPARE(ui->leToolset->text(), QString("TURRET"));
        QVERIFY(!ui->leToolset->isHidden());
        for (QWidget *w : {(QWidget *)ui->tbMachineList, (QWidget *)ui->tbSetList, (QWidget *)ui->tbConfigure,
                           (QWidget *)ui->tbBrake, (QWidget *)ui->tbIndex, (QWidget *)ui->cmbMachine})
            QVERIFY(!w->isEnabled());
        QVERIFY(m_boxes.isEmpty());

        QCOMPARE(items(), (QStringList{"T1 A", "T2 B", "T12.5 C"}));
        QCOMPARE(pp()->generatedText(), QString("%\r\nO100T1 X10.000 Z1.000\r\nT2 X20.000 Z2.000\r\n"
                                                "T12 X30.000 Z3.000\r\nM30"));
        QCOMPARE(w<QTextEdit>("editBox")->toPlainText(), QString("%\nO100T1 X10.000 Z1.000\nT2 X20.000 Z2.000\n"
                                                         "T12 X30.000 Z3.000\nM30"));
        QCOMPARE(w<QLineEdit>("leFilename")->text(), QString("TURRET.tab"));
        QCOMPARE(w<QLabel>("lblPath")->text(), m_export);
        QCOMPARE(w<QComboBox>("cmbPostProcessor")->currentText(), QString("plain.pp"));

        // A click on the row or on its tick mark takes the tool out once.
        QListWidget *list = w<QListWidget>("lstExistingFiles");
        list->item(1)->setCheckState(Qt::Unchecked); // what the tick mark does before the click arrives
        emit list->itemClicked(list->item(1));
        QCOMPARE(pp()->generatedText(), QString("%\r\nO100T1 X10.000 Z1.000\r\nT12 X30.000 Z3.000\r\nM30"));
        pp()->toggleCheck(list->item(1));
        QCOMPARE(list->item(1)->checkState(), Qt::Checked);
        w<QPushButton>("pbUncheckAll")->click();
        QCOMPARE(pp()->generatedText(), QString("%\r\nO100M30"));
        w<QPushButton>("pbCheckAll")->click();
        QVERIFY(pp()->generatedText().contains("T2 X20.000"));
        if (!qEnvironmentVariableIsEmpty("SCREENSHOT_DIR")) {
            QTRY_COMPARE_WITH_TIMEOUT(pp()->geometry(), QRect(0, 137, 1011, 564), 15000);
            saveScreenshot(m_w.get(), "postpro");
        }

        w<QPushButton>("pbExit")->click();
        QVERIFY(!m_w->panels().isEnlarged("postPro"));
        QVERIFY(ui->leToolset->isHidden());
        for (QWidget *w : {(QWidget *)ui->tbMachineList, (QWidget *)ui->tbSetList, (QWidget *)ui->tbConfigure,
                           (QWidget *)ui->tbBrake, (QWidget *)ui->tbIndex, (QWidget *)ui->cmbMachine})
            QVERIFY(w->isEnabled());
        QCOMPARE(ui->tbTestRnOut->isEnabled(), !automaticSpindle);
    }

    // Tools the format's MT leaves out are named, not dropped unseen.
    void toolsBeyondMtTold()
    {
        QVERIFY(m_wd->writeFile("postpro/short.pp", "<SD>\nMT=2\n<ED>\n<S>\nT@T\n<E>"));
        build({});
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbPostPro")->click();
        QVERIFY(m_boxes.isEmpty());
        w<QComboBox>("cmbPostProcessor")->setCurrentText("short.pp");
        QCOMPARE(pp()->generatedText(), QString("T1\r\nT2\r\n"));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text, QString("Tools beyond MT 2 are not written: 12"));
        // Told once: a tick that leaves the same tools out asks nothing.
        w<QPushButton>("pbUncheckAll")->click();
        QCOMPARE(m_boxes.size(), 1);
    }

    // A value whose digits the mask drops on the left is written by the rule
    // and named in the preview's warning, once.
    void valueCutByMaskTold_data()
    {
        QTest::addColumn<double>("z");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("told");
        QTest::newRow("fits") << 9999.5 << "T3 Z9999.500" << "";
        QTest::newRow("cut on the left") << 99999.9999 << "T3 Z0000.000" << "T3 Z 99999.9999 does not fit ###0.000";
        QTest::newRow("rounded past the mask") << 9999.9999 << "T3 Z0000.000" << "T3 Z 9999.9999 does not fit ###0.000";
        QTest::newRow("negative, minus in front") << -9999.5 << "T3 Z-9999.500" << "";
        QTest::newRow("negative cut") << -12345.5 << "T3 Z-2345.500" << "T3 Z -12345.5 does not fit ###0.000";
    }
    void valueCutByMaskTold()
    {
        QFETCH(double, z);
        QFETCH(QString, line);
        QFETCH(QString, told);
        QVERIFY(m_wd->writeFile("postpro/wide.pp", "<S>\nT@T Z@Z\n<E>"));
        build({}, false, "wide.pp");
        QVERIFY(ToolingDb::exec(QString("INSERT INTO tools (idTable,t,x,z,Zth) VALUES (%1,3,1,1,%2)")
                                    .arg(m_table)
                                    .arg(z, 0, 'f', 4)));
        ui->tbSetList->click();
        m_w->setListPanel()->findChild<QPushButton *>("tbPostPro")->click();
        QCOMPARE(pp()->generatedText(), line + "\r\n");
        QCOMPARE(m_boxes.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QCOMPARE(m_boxes.first().text, told);
        w<QPushButton>("pbCheckAll")->click();
        QCOMPARE(m_boxes.size(), told.isEmpty() ? 0 : 1);
    }

    void save_data()
    {
        QTest::addColumn<QString>("file");      // file name typed
        QTest::addColumn<QByteArray>("before"); // content of that file before; null: none
        QTest::addColumn<int>("answer");        // answer to the overwrite question
        QTest::addColumn<bool>("tools");        // the table has tools
        QTest::addColumn<QString>("box");       // the first box after Save
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "T.tab" << QByteArray() << 0 << true << "%1 saved successfully" << true;
        QTest::newRow("existing, No") << "T.tab" << QByteArray("old") << int(QMessageBox::No) << true
                                      << "File already exists.Overwrite?" << false;
        QTest::newRow("existing, Yes") << "T.tab" << QByteArray("old") << int(QMessageBox::Yes) << true
                                       << "File already exists.Overwrite?" << true;
        QTest::newRow("no file name") << "" << QByteArray() << 0 << true << "Invalid filename " << false;
        QTest::newRow("failed generation") << "T.tab" << QByteArray() << 0 << false << "Empty tooling set" << false;
    }
    void save()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, before);
        QFETCH(int, answer);
        QFETCH(bool, tools);
        QFETCH(QString, box);
        QFETCH(bool, written);
        build({}, tools);
        if (!before.isNull())
            QVERIFY(m_wd->writeFile("export/T.tab", before));
        m_w->ppToolset(m_table, "TURRET");
        w<QLineEdit>("leFilename")->setText(file);
        m_boxes.clear();
        if (answer)
            m_answers << QMessageBox::StandardButton(answer);
        w<QPushButton>("pbSave")->click();

        QVERIFY(!m_boxes.isEmpty());
        const QString path = m_export + "/T.tab";
        QCOMPARE(m_boxes.first().text, QString(box).replace("%1", path));
        QCOMPARE(m_boxes.first().title, QString("TARN"));
        QFile f(path);
        const QByteArray expected = "%\r\nO100T1 X10.000 Z1.000\r\nT2 X20.000 Z2.000\r\nT12 X30.000 Z3.000\r\nM30";
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), written ? expected : before);
        // The folder and format are the machine's own: no defaults question.
        QCOMPARE(m_boxes.last().text, written ? path + " saved successfully" : box);
        QCOMPARE(m_w->panels().isEnlarged("postPro"), !written);
    }

    // A file system that stops the write part-way: the file is not reported
    // as saved and the panel stays open.
    void saveFailsPartWay()
    {
        build();
        m_w->ppToolset(m_table, "TURRET");
        m_boxes.clear();
        rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 10;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        w<QPushButton>("pbSave")->click();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text, "Could not write to " + m_export + "/TURRET");
        QVERIFY(m_w->panels().isEnlarged("postPro"));
    }

    // A file the disk refuses: said, and the old file stays byte for byte (or
    // no file is there), never a file cut before its end block.
    void refusedFile_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("existing");
        for (const bool existing : {true, false})
            for (const int fault : StorageFault::kinds())
                if (existing || fault != StorageFault::ReadOnlyFile)
                    QTest::newRow(qPrintable(QString("%1 file, %2").arg(existing ? "existing" : "new",
                                                                      StorageFault::name(StorageFault::Kind(fault)))))
                        << fault << existing;
    }
    void refusedFile()
    {
        QFETCH(int, fault);
        QFETCH(bool, existing);
        const bool refused = fault != StorageFault::None;
        build();
        const QString path = m_export + "/TURRET";
        const QByteArray before = "%\r\nO100T7 X70.000 Z7.000\r\nT8 X80.000 Z8.000\r\nM30";
        if (existing)
            QVERIFY(m_wd->writeFile("export/TURRET", before));
        m_w->ppToolset(m_table, "TURRET");
        m_boxes.clear();
        m_answers << QMessageBox::Yes;
        {
            StorageFault disk(StorageFault::Kind(fault), path, existing ? -1 : 10);
            QVERIFY(disk.holds());
            w<QPushButton>("pbSave")->click();
        }
        QCOMPARE(m_boxes.last().text, refused ? "Could not write to " + path : path + " saved successfully");
        QCOMPARE(QFile::exists(path), existing || !refused);
        const QByteArray expected = "%\r\nO100T1 X10.000 Z1.000\r\nT2 X20.000 Z2.000\r\nT12 X30.000 Z3.000\r\nM30";
        if (QFile::exists(path))
            QCOMPARE(TestWorkDir::readFile(path), refused ? before : expected);
        QCOMPARE(StorageFault::leftovers(path), QStringList());
        QCOMPARE(m_w->panels().isEnlarged("postPro"), refused);
    }

    // A store that refuses the new default (a read-only database): said, and
    // the machine keeps the format and folder its row holds.
    void refusedDefaults()
    {
        build();
        m_w->ppToolset(m_table, "TURRET");
        w<QComboBox>("cmbPostProcessor")->setCurrentText("codes.pp");
        m_boxes.clear();
        m_answers << QMessageBox::Ok << QMessageBox::Yes;
        QSqlQuery readOnly;
        QVERIFY(readOnly.exec("PRAGMA query_only=1"));
        w<QPushButton>("pbSave")->click();
        QVERIFY(readOnly.exec("PRAGMA query_only=0"));
        QCOMPARE(m_boxes.size(), 3);
        QCOMPARE(m_boxes[2].kind, QMessageBox::Critical);
        QVERIFY2(m_boxes[2].text.startsWith("The configuration could not be stored\n\n"), qPrintable(m_boxes[2].text));
        QCOMPARE(CurrentMachine.PostPro, QString("plain.pp"));
        QCOMPARE(ToolingDb::probe(QString("SELECT PostPro FROM machine WHERE idMachine=%1").arg(m_machine)).toString(),
                 QString("plain.pp"));
    }

    void folderByTap_data()
    {
        QTest::addColumn<bool>("tapSub");
        QTest::newRow("a sub-folder tapped is the one chosen") << true;
        QTest::newRow("nothing tapped: the folder shown") << false;
    }
    // The chooser as the operator works it: a tap on a folder, then Choose.
    void folderByTap()
    {
        QFETCH(bool, tapSub);
        build();
        QVERIFY(QDir(m_export).mkpath("sub"));
        m_w->ppToolset(m_table, "TURRET");
        WhenModalOpens choose([&](QWidget *box) {
            auto *chooser = qobject_cast<QFileDialog *>(box);
            if (!chooser)
                return false;
            QAbstractItemView *view = nullptr;
            const QModelIndex sub = firstChooserRow(chooser, &view);
            if (tapSub && sub.data().toString() == "sub")
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(sub).center());
            saveScreenshot(chooser, QString("postpro-folder-chooser-%1").arg(tapSub));
            QTest::mouseClick(chooser->findChild<QDialogButtonBox *>()->buttons().first(), Qt::LeftButton);
            if (chooser->isVisible())
                chooser->reject();
            return true;
        });
        w<QPushButton>("pbPath")->click();
        QVERIFY(choose.done());
        QCOMPARE(w<QLabel>("lblPath")->text(), QDir(m_export + (tapSub ? "/sub" : "")).canonicalPath());
    }

    void defaults_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes stores them") << int(QMessageBox::Yes);
        QTest::newRow("No keeps the machine's") << int(QMessageBox::No);
    }
    void defaults()
    {
        QFETCH(int, answer);
        build();
        m_w->ppToolset(m_table, "TURRET");
        w<QComboBox>("cmbPostProcessor")->setCurrentText("codes.pp");
        QCOMPARE(pp()->generatedText(), QString("A\r\nB\r\nC\r\n"));
        chooseFolder(m_wd->filePath("other"));
        QCOMPARE(w<QLabel>("lblPath")->text(), QDir(m_wd->filePath("other")).canonicalPath());
        m_boxes.clear();
        m_answers << QMessageBox::Ok << QMessageBox::StandardButton(answer);
        w<QPushButton>("pbSave")->click();

        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[1].title, QString("Post processor configuration"));
        QCOMPARE(m_boxes[1].text, QString("Save current configuration as default?"));
        QCOMPARE(m_boxes[1].parent, static_cast<QWidget *>(m_w.get()));
        QVERIFY(QFile::exists(m_wd->filePath("other/TURRET")));
        QVERIFY(!m_w->panels().isEnlarged("postPro"));
        const bool yes = answer == QMessageBox::Yes;
        const QString folder = yes ? QDir(m_wd->filePath("other")).canonicalPath() : m_export;
        QCOMPARE(ToolingDb::probe(QString("SELECT PostPro FROM machine WHERE idMachine=%1").arg(m_machine)).toString(),
                 QString(yes ? "codes.pp" : "plain.pp"));
        QCOMPARE(ToolingDb::probe(QString("SELECT networkPath FROM machine WHERE idMachine=%1").arg(m_machine))
                     .toString(),
                 folder);
        QCOMPARE(CurrentMachine.networkPath, folder);
    }

    void lockedFormatAndFolder()
    {
        build({{"/Machine/ppFormatLocked", true}, {"/Machine/ppDirLocked", true}});
        m_w->ppToolset(m_table, "TURRET");
        QVERIFY(!w<QComboBox>("cmbPostProcessor")->isEnabled());
        QVERIFY(!w<QPushButton>("pbPath")->isEnabled());
        QVERIFY(w<QLineEdit>("leFilename")->isEnabled());
    }

    // The machine's format is gone: the opening says so, the preview reports
    // the engine's error and no format is selected.
    void missingFormat()
    {
        build({}, true, "gone.pp");
        m_w->ppToolset(m_table, "TURRET");
        QVERIFY(m_w->panels().isEnlarged("postPro"));
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(m_boxes[0].kind, QMessageBox::Critical);
        QCOMPARE(m_boxes[0].text, QString("Invalid post processor [gone.pp]"));
        QCOMPARE(m_boxes[0].parent, static_cast<QWidget *>(m_w.get()));
        QCOMPARE(m_boxes[1].text, QString("Empty postprocessor format"));
        QCOMPARE(w<QComboBox>("cmbPostProcessor")->currentIndex(), -1);
        QVERIFY(w<QTextEdit>("editBox")->toPlainText().isEmpty());
    }

    // A save killed before its draft took the output's name leaves nothing
    // after the next start, in the machine's output folder as beside the
    // tag layouts; the files beside stay.
    void killedDraftsGoneAtStart()
    {
        QVERIFY(QDir(m_wd->path()).mkpath("balluff"));
        const QString output = WholeFile::createDraft(m_export + "/TURRET");
        const QString counter = WholeFile::createDraft(m_wd->filePath("balluff/TAG.ini"));
        QVERIFY(!output.isEmpty() && !counter.isEmpty());
        QVERIFY(m_wd->writeFile("export/.TURRET.backup", "kept"));
        build();
        QVERIFY(!QFile::exists(output));
        QVERIFY(!QFile::exists(counter));
        QCOMPARE(TestWorkDir::readFile(m_export + "/.TURRET.backup"), QByteArray("kept"));
    }

    // Opening the panel writes nothing, not even on a database without the
    // folder column (the start's upgrade adds that).
    void openingWritesNothing()
    {
        build();
        QVERIFY(ToolingDb::exec("ALTER TABLE machine DROP COLUMN networkPath"));
        const QString file = QSqlDatabase::database().databaseName();
        const QString schemaSql = "SELECT group_concat(sql, ';') FROM sqlite_master";
        const QByteArray bytes = TestWorkDir::readFile(file);
        const QString schema = ToolingDb::probe(schemaSql).toString();
        QVERIFY(!bytes.isEmpty());
        m_w->ppToolset(m_table, "TURRET");
        QVERIFY(m_w->panels().isEnlarged("postPro"));
        QCOMPARE(ToolingDb::probe(schemaSql).toString(), schema);
        QVERIFY(TestWorkDir::readFile(file) == bytes);
    }

private:
    void build(const QMap<QString, QVariant> &settings = {}, bool withTools = true,
               const QString &format = "plain.pp")
    {
        QMap<QString, QVariant> values{{"/Machine/disableAnimation", true}, {"/Machine/ppEnabled", true}};
        for (auto it = settings.begin(); it != settings.end(); ++it)
            values.insert(it.key(), it.value());
        writeSettings(values);
        QVERIFY(ToolingDb::open());
        m_machine = ToolingDb::addMachine("LATHE 1");
        QSqlQuery q;
        q.prepare("UPDATE machine SET PostPro=:p, networkPath=:n WHERE idMachine=:id");
        q.bindValue(":p", format);
        q.bindValue(":n", m_export);
        q.bindValue(":id", m_machine);
        QVERIFY(q.exec());
        m_table = ToolingDb::addTable(m_machine, "TURRET");
        if (withTools) {
            ToolingDb::addTool(m_table, 2, 20, 2, "B");
            ToolingDb::addTool(m_table, 1, 10, 1, "A");
            ToolingDb::exec(QString("INSERT INTO tools (idTable,t,x,z,code) VALUES (%1,12.5,30,3,'C')").arg(m_table));
        }
        ToolingDb::close();
        openWindow();
        QVERIFY(m_w->isComplete());
        m_w->selectMachine("LATHE 1");
        QCOMPARE(m_w->currentMachine(), m_machine);
    }
    // Picks a folder in the panel's folder chooser.
    void chooseFolder(const QString &folder)
    {
        WhenModalOpens choose([&](QWidget *box) {
            auto *chooser = qobject_cast<QFileDialog *>(box);
            if (chooser) {
                chooser->setDirectory(folder);
                static_cast<QDialog *>(chooser)->accept();
            }
            return chooser != nullptr;
        });
        w<QPushButton>("pbPath")->click();
        QVERIFY(choose.done());
    }
    postPro *pp() const { return m_w->postProPanel(); }
    template <typename T>
    T *w(const char *name) const
    {
        T *found = pp()->findChild<T *>(name);
        if (!found)
            qFatal("no %s in the panel", name);
        return found;
    }
    QStringList items() const
    {
        QStringList out;
        for (int i = 0; i < w<QListWidget>("lstExistingFiles")->count(); ++i) {
            out << w<QListWidget>("lstExistingFiles")->item(i)->text();
            if (w<QListWidget>("lstExistingFiles")->item(i)->checkState() != Qt::Checked)
                out.last() += " (unticked)";
        }
        return out;
    }

    QString m_export;
    int m_machine = -1;
    int m_table = -1;
};

QTEST_MAIN(tst_postpro)
#include "tst_postpro.moc"
