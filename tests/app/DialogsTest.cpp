// The settings dialog (lists, what it preselects from the stored settings,
// the timeout check, what OK hands back, a port mapped to a network line)
// and the filter dialog.
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/CommSettingsDlg.h"
#include "app/ControlId.h"
#include "app/TelegramFilterDlg.h"
#include "simulation/PtyLine.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/OpenWatch.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/Unprivileged.h"

namespace {
QStringList Texts(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

QList<int> Codes(const QComboBox* list)
{
    QList<int> codes;
    for (int i = 0; i < list->count(); ++i)
        codes << list->itemData(i).toInt();
    return codes;
}

// Every COM number mapped to nothing except those given.
QByteArray PortsOnly(const QMap<int, QString>& present)
{
    QStringList entries;
    for (int n = 1; n <= CCommSettingsDlg::kHighestPortNumber; ++n)
        entries << QString("COM%1=%2").arg(n).arg(present.value(n));
    return entries.join(';').toUtf8();
}
} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CPtyLine> line;
    std::unique_ptr<CCommSettingsDlg> dialog;

    QComboBox* List(int id) { return FindControl<QComboBox>(dialog.get(), id); }
    QLineEdit* TimeoutEdit() { return FindControl<QLineEdit>(dialog.get(), CCommSettingsDlg::kReceiveTimeoutEdit); }

    void Open(const std::string& port, const std::string& config, int type, int timeout = 2,
              CFraming framing = CFraming::BySilence)
    {
        dialog = std::make_unique<CCommSettingsDlg>();
        dialog->framing = framing;
        dialog->portName = port;
        dialog->configString = config;
        dialog->telegramType = type;
        dialog->receiveTimeout = timeout;
        dialog->show();
    }

private slots:
    void initTestCase()
    {
        line = std::make_unique<CPtyLine>();
        qputenv("VANTREL_PORTS", PortsOnly({{3, QString::fromStdString(line->SlavePath())},
                                            {5, "/nonexistent/ttyX"}}));
    }

    void cleanup()
    {
        dialog.reset();
    }

    void listsInTheirOrder()
    {
        Open("COM3", "Config(9600,8,N,1)", 6);
        QCOMPARE(Texts(List(CCommSettingsDlg::kTelegramTypeList)),
                 QStringList({"HPR 418D", "HPR 418F", "HPR 309", "ZAQ ASCII", "HPR 418 BCD", "NMEA SSB/LBP"}));
        QCOMPARE(Codes(List(CCommSettingsDlg::kTelegramTypeList)), QList<int>({1, 6, 0, 2, 3, 4}));
        QCOMPARE(Texts(List(CCommSettingsDlg::kBaudRateList)),
                 QStringList({"2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
        QCOMPARE(Texts(List(CCommSettingsDlg::kFrameList)), QStringList({"O-7-2", "N-8-1"}));
        QCOMPARE(Codes(List(CCommSettingsDlg::kFrameList)), QList<int>({0, 1}));
    }

    void portListHoldsPresentPortsAndTheCurrentOne()
    {
        // Only COM3 answers; COM5 maps to a device that is not there.
        Open("COM3", "", 6);
        QCOMPARE(Texts(List(CCommSettingsDlg::kPortList)), QStringList({"COM3"}));
        QCOMPARE(List(CCommSettingsDlg::kPortList)->currentText(), QString("COM3"));
        QCOMPARE(dialog->findChild<QLabel*>("devicePath")->text(), QString::fromStdString(line->SlavePath()));

        // The current port is offered even when absent, and selected.
        Open("COM7", "", 6);
        QCOMPARE(Texts(List(CCommSettingsDlg::kPortList)), QStringList({"COM3", "COM7"}));
        QCOMPARE(List(CCommSettingsDlg::kPortList)->currentText(), QString("COM7"));
        QCOMPARE(List(CCommSettingsDlg::kPortList)->currentData().toInt(), 7);

        // No stored port: the first one listed is selected.
        Open("", "", 6);
        QCOMPARE(List(CCommSettingsDlg::kPortList)->currentText(), QString("COM3"));

        // A port that another program holds locked is not offered, unless
        // it is the current one (which our own reader holds just so).
        const int holder = ::open(line->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(holder >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        Open("COM7", "", 6);
        const QStringList whileHeld = Texts(List(CCommSettingsDlg::kPortList));
        Open("COM3", "", 6);
        const QStringList currentWhileHeld = Texts(List(CCommSettingsDlg::kPortList));
        ::close(holder);
        QCOMPARE(whileHeld, QStringList({"COM7"}));
        QCOMPARE(currentWhileHeld, QStringList({"COM3"}));
    }

    void portListOpensNothingButCharacterDevices()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo");
        const QString file = dir.filePath("file");
        const QString folder = dir.filePath("folder");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QFile content(file);
        QVERIFY(content.open(QIODevice::WriteOnly));
        content.write("not a line");
        content.close();
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        const QByteArray ports = qgetenv("VANTREL_PORTS");
        qputenv("VANTREL_PORTS", PortsOnly({{3, QString::fromStdString(line->SlavePath())},
                                            {10, fifo}, {11, file}, {12, folder}}));
        COpenWatch watch(dir.path().toStdString());
        Open("COM3", "", 6);
        const QStringList listed = Texts(List(CCommSettingsDlg::kPortList));
        QStringList opened;
        for (const std::string& name : watch.Opened())
            opened << QString::fromStdString(name);
        qputenv("VANTREL_PORTS", ports);
        QCOMPARE(listed, QStringList({"COM3"}));
        QCOMPARE(opened, QStringList());
        QVERIFY(content.open(QIODevice::ReadOnly));
        QCOMPARE(content.readAll(), QByteArray("not a line"));
    }

    void portsNotOpenToTheUserAreToldWithWhatToDo()
    {
        const group* dialout = getgrnam("dialout");
        if (geteuid() != 0 || dialout == nullptr)
            QSKIP("needs root and the group dialout, to hand devices to a group nobody is not in");
        const CPseudoTerminal open, refused, alike, closed;
        QVERIFY(CUnprivileged::HandOver(open.SlavePath(), 0, 0666));
        QVERIFY(CUnprivileged::HandOver(refused.SlavePath(), dialout->gr_gid, 0660));
        QVERIFY(CUnprivileged::HandOver(alike.SlavePath(), dialout->gr_gid, 0660));
        QVERIFY(CUnprivileged::HandOver(closed.SlavePath(), dialout->gr_gid, 0600));
        const QByteArray ports = qgetenv("VANTREL_PORTS");
        qputenv("VANTREL_PORTS", PortsOnly({{3, QString::fromStdString(open.SlavePath())},
                                            {4, QString::fromStdString(refused.SlavePath())},
                                            {6, QString::fromStdString(alike.SlavePath())},
                                            {8, QString::fromStdString(closed.SlavePath())}}));
        QStringList listed;
        QString told;
        bool toldShown = false;
        {
            const CUnprivileged user;
            QVERIFY2(user.Active(), user.Why().c_str());
            Open("COM3", "", 6);
            listed = Texts(List(CCommSettingsDlg::kPortList));
            told = dialog->findChild<QLabel*>("deniedPorts")->text();
            toldShown = dialog->findChild<QLabel*>("deniedPorts")->isVisibleTo(dialog.get());
        }
        Open("COM3", "", 6);
        const bool shownToRoot = dialog->findChild<QLabel*>("deniedPorts")->isVisibleTo(dialog.get());
        qputenv("VANTREL_PORTS", ports);

        QCOMPARE(listed, QStringList({"COM3"}));
        const QString group = dialout->gr_name;
        QCOMPARE(told, QString("COM4: %1 is not open to you: it belongs to group %2; run: sudo usermod -aG %2 $USER, "
                               "then log out and in (1 more port likewise)\n"
                               "COM8: %3 is not open to you: permission denied (owner root, group %2, mode 0600)")
                           .arg(QString::fromStdString(refused.SlavePath()), group,
                                QString::fromStdString(closed.SlavePath())));
        QVERIFY(toldShown);
        QVERIFY(!shownToRoot);
    }

    void portMappedToAStableNameShowsTheDeviceItLeadsTo()
    {
        QTemporaryDir byId;
        const QString stable = byId.filePath("usb-Quorvane_USB_Serial_A50285BI-if00-port0");
        QVERIFY(QFile::link(QString::fromStdString(line->SlavePath()), stable));
        const QByteArray ports = qgetenv("VANTREL_PORTS");
        qputenv("VANTREL_PORTS", PortsOnly({{3, QString::fromStdString(line->SlavePath())}, {33, stable}}));
        Open("COM33", "", 6);
        const QStringList listed = Texts(List(CCommSettingsDlg::kPortList));
        const QString path = dialog->findChild<QLabel*>("devicePath")->text();
        const QString leadsTo = dialog->findChild<QLabel*>("stableName")->text();
        List(CCommSettingsDlg::kPortList)->setCurrentIndex(0);
        const QString kernelNameOnly = dialog->findChild<QLabel*>("stableName")->text();
        qputenv("VANTREL_PORTS", ports);

        QCOMPARE(listed, QStringList({"COM3", "COM33"}));
        QCOMPARE(path, stable);
        QCOMPARE(leadsTo, QString::fromStdString(line->SlavePath()));
        QCOMPARE(kernelNameOnly, QString());
    }

    void networkPortShowsItsUrlAndKeepsTheStoredFrame()
    {
        // The reader holds its UDP port: the dialog must not need it.
        const CBoundSocket held(SOCK_DGRAM, "127.0.0.1");
        const QString udp = QString("udp://127.0.0.1:%1").arg(held.Port());
        const QByteArray ports = qgetenv("VANTREL_PORTS");
        qputenv("VANTREL_PORTS", PortsOnly({{3, QString::fromStdString(line->SlavePath())},
                                            {9, udp}, {11, "tcp://127.0.0.1:4001"}}));
        Open("COM3", "Config(19200,7,O,2)", 6);
        const QStringList listed = Texts(List(CCommSettingsDlg::kPortList));
        const bool serialFrameOffered = List(CCommSettingsDlg::kBaudRateList)->isEnabled() &&
                                        List(CCommSettingsDlg::kFrameList)->isEnabled();
        QComboBox* portList = List(CCommSettingsDlg::kPortList);
        portList->setCurrentIndex(portList->findText("COM9"));
        const QString shownForUdp = dialog->findChild<QLabel*>("devicePath")->text();
        const bool frameOfferedForUdp = List(CCommSettingsDlg::kBaudRateList)->isEnabled() ||
                                        List(CCommSettingsDlg::kFrameList)->isEnabled();
        const bool framingOfferedForUdp = List(CCommSettingsDlg::kFramingList)->isEnabled();
        dialog->accept();
        const std::string udpPort = dialog->portName;
        const std::string udpConfig = dialog->configString;

        // The stored port is a TCP line; choosing a serial port offers the frame again.
        Open("COM11", "Config(9600,8,N,1)", 6);
        const QString shownForTcp = dialog->findChild<QLabel*>("devicePath")->text();
        const bool frameOfferedForTcp = List(CCommSettingsDlg::kBaudRateList)->isEnabled();
        dialog->accept();
        const std::string tcpConfig = dialog->configString;
        Open("COM11", "Config(9600,8,N,1)", 6);
        List(CCommSettingsDlg::kPortList)->setCurrentIndex(List(CCommSettingsDlg::kPortList)->findText("COM3"));
        const bool frameOfferedAgain = List(CCommSettingsDlg::kBaudRateList)->isEnabled() &&
                                       List(CCommSettingsDlg::kFrameList)->isEnabled();
        List(CCommSettingsDlg::kBaudRateList)->setCurrentIndex(0);
        dialog->accept();
        qputenv("VANTREL_PORTS", ports);

        QCOMPARE(listed, QStringList({"COM3", "COM9", "COM11"}));
        QVERIFY(serialFrameOffered);
        QCOMPARE(shownForUdp, udp);
        QVERIFY(!frameOfferedForUdp);
        QVERIFY(framingOfferedForUdp);
        QCOMPARE(udpPort, std::string("COM9"));
        QCOMPARE(udpConfig, std::string("Config(19200,7,O,2)"));
        QCOMPARE(shownForTcp, QString("tcp://127.0.0.1:4001"));
        QVERIFY(!frameOfferedForTcp);
        QCOMPARE(tcpConfig, std::string("Config(9600,8,N,1)"));
        QVERIFY(frameOfferedAgain);
        QCOMPARE(dialog->portName, std::string("COM3"));
        QCOMPARE(dialog->configString, std::string("Config(2400,8,N,1)"));
    }

    void preselectionFromTheStoredSettings_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("frame");
        QTest::newRow("19200 7-O-2") << "Config(19200,7,O,2)" << "19200" << "O-7-2";
        QTest::newRow("9600 8-N-1") << "Config(9600,8,N,1)" << "9600" << "N-8-1";
        QTest::newRow("115200") << "Config(115200,8,N,1)" << "115200" << "N-8-1";
        QTest::newRow("nothing named") << "" << "4800" << "O-7-2";
        QTest::newRow("unknown rate") << "Config(1200,8,N,1)" << "4800" << "N-8-1";
    }

    void preselectionFromTheStoredSettings()
    {
        QFETCH(QString, config);
        QFETCH(QString, baud);
        QFETCH(QString, frame);
        Open("COM3", config.toStdString(), 6);
        QCOMPARE(List(CCommSettingsDlg::kBaudRateList)->currentText(), baud);
        QCOMPARE(List(CCommSettingsDlg::kFrameList)->currentText(), frame);
    }

    void telegramTypeSelection()
    {
        Open("COM3", "", 6);
        QComboBox* types = List(CCommSettingsDlg::kTelegramTypeList);
        QCOMPARE(types->currentText(), QString("HPR 418F"));
        types->setCurrentIndex(types->findText("HPR 309"));
        QCOMPARE(dialog->telegramType, 0);
        types->setCurrentIndex(types->findText("HPR 418F"));
        QCOMPARE(dialog->telegramType, 6);

        // A type that is not offered selects nothing and is kept.
        Open("COM3", "", 5);
        QCOMPARE(List(CCommSettingsDlg::kTelegramTypeList)->currentIndex(), -1);
        dialog->accept();
        QCOMPARE(dialog->telegramType, 5);
    }

    void receiveTimeoutMustBeOneToTwenty_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0") << "0" << false;
        QTest::newRow("21") << "21" << false;
        QTest::newRow("not a number") << "two" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("20") << "20" << true;
    }

    void receiveTimeoutMustBeOneToTwenty()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        Open("COM3", "Config(9600,8,N,1)", 6, 2);
        TimeoutEdit()->setText(text);
        dialog->accept();
        QCOMPARE(dialog->isVisible(), !accepted);
        QMessageBox* message = dialog->findChild<QMessageBox*>("rangeMessage");
        if (accepted) {
            QVERIFY(!message);
            QCOMPARE(dialog->receiveTimeout, text.toInt());
        } else {
            QVERIFY(message && message->isVisible());
            QVERIFY(message->text().contains("1") && message->text().contains("20"));
            QCOMPARE(dialog->receiveTimeout, 2);
            message->close();
        }
    }

    void okRebuildsPortAndConfiguration()
    {
        // Untouched, OK gives the stored values back in their canonical form.
        Open("COM3", "Config(19200,7,O,2)", 6);
        dialog->accept();
        QCOMPARE(dialog->portName, std::string("COM3"));
        QCOMPARE(dialog->configString, std::string("Config(19200,7,O,2)"));

        Open("COM7", "Config(9600,8,N,1)", 6);
        List(CCommSettingsDlg::kPortList)->setCurrentIndex(0);
        List(CCommSettingsDlg::kBaudRateList)->setCurrentIndex(6);
        List(CCommSettingsDlg::kFrameList)->setCurrentIndex(0);
        dialog->accept();
        QCOMPARE(dialog->portName, std::string("COM3"));
        QCOMPARE(dialog->configString, std::string("Config(115200,7,O,2)"));

        // The framing shown is the stored one, and the one chosen comes back.
        Open("COM3", "Config(19200,7,O,2)", 6, 2, CFraming::ByContent);
        QCOMPARE(Texts(List(CCommSettingsDlg::kFramingList)), QStringList({"By silence", "By content"}));
        QCOMPARE(List(CCommSettingsDlg::kFramingList)->currentText(), QString("By content"));
        dialog->accept();
        QCOMPARE(dialog->framing, CFraming::ByContent);
        Open("COM3", "Config(19200,7,O,2)", 6, 2, CFraming::ByContent);
        List(CCommSettingsDlg::kFramingList)->setCurrentIndex(0);
        dialog->accept();
        QCOMPARE(dialog->framing, CFraming::BySilence);

        // Settings the controller could not give: defaults offered, a timeout needed.
        Open("", "", 6, 0);
        dialog->accept();
        QVERIFY(dialog->isVisible());
        dialog->findChild<QMessageBox*>("rangeMessage")->close();
        TimeoutEdit()->setText("2");
        dialog->accept();
        QCOMPARE(dialog->configString, std::string("Config(4800,7,O,2)"));
        QCOMPARE(dialog->portName, std::string("COM3"));
    }

    void filterDialog()
    {
        CTelegramFilterDlg filter("0");
        filter.show();
        QCOMPARE(filter.windowTitle(), QString("Telegram filter"));
        auto* edit = FindControl<QLineEdit>(&filter, CTelegramFilterDlg::kFilterEdit);
        QCOMPARE(edit->text(), QString("0"));
        QCOMPARE(FindControl<QPushButton>(&filter, CTelegramFilterDlg::kOk)->text(), QString("OK"));
        QCOMPARE(FindControl<QPushButton>(&filter, CTelegramFilterDlg::kCancel)->text(), QString("Cancel"));
        QStringList labels;
        for (const QLabel* label : filter.findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains("Only telegrams with the following text in the DP index field will be dislpayed."));
        QVERIFY(labels.contains("Filter text"));
        QTest::keyClicks(edit, "B1");  // typing replaces the selected text
        FindControl<QPushButton>(&filter, CTelegramFilterDlg::kOk)->click();
        QCOMPARE(filter.result(), int(QDialog::Accepted));
        QCOMPARE(filter.filterText, QString("B1"));
    }
};

QTEST_MAIN(TestDialogs)
#include "DialogsTest.moc"
