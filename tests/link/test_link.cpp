// Link faults the scripts cannot stage: a transport whose close reports
// nothing, a port that closes while a key waits for transmit room, a file
// dialog answered after the link went.
#include "replay/replay_script.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kordex;

namespace {
// A record of `type` without automatic login, connected.
void connectOne(ReplaySession &s, int type)
{
    ConnectionRecord r;
    r.connectionType = ConnectionType(type);
    r.autoLogin = false;
    s.book.add(r);
    s.link.connectToStored(0);
}

// File dialogs answered when the test says; every other box at once.
struct HeldPrompter final : Prompter {
    std::vector<Chosen> pending;
    std::vector<FileDialog> dialogs;
    void message(const QString &, const QString &, Icon, Closed closed) override
    {
        if (closed)
            closed();
    }
    void askYesNo(const QString &, const QString &, YesNo answered) override { answered(true); }
    void openFileName(const FileDialog &d, Chosen chosen) override
    {
        dialogs.push_back(d);
        pending.push_back(std::move(chosen));
    }
    void saveFileName(const FileDialog &d, Chosen chosen) override { openFileName(d, std::move(chosen)); }
    void beep() override {}
    void answer(const QString &path)
    {
        for (Chosen &c : std::exchange(pending, {}))
            c(path);
    }
};

// The link over a fake socket, with a prompter that holds file dialogs open.
struct HeldRig {
    VirtualClock clock;
    RecordingView view;
    HeldPrompter prompter;
    SessionState session;
    ConnectionBook book;
    Engine engine{clock, view, session};
    FaceController faces{engine};
    LinkSession link{engine, book, prompter};
    FakeTransport socket{clock, false};
    QByteArray sent;
    HeldRig()
    {
        engine.setFaces(faces);
        link.setTransports(nullptr, &socket);
        socket.onWrite = [this](const QByteArray &b) { sent += b; };
        engine.startUp();
        clock.advance(10050);
        ConnectionRecord r;
        r.systemName = "Gate";
        r.connectionType = ConnectionType::TcpIp;
        r.autoLogin = false;
        book.add(r);
    }
    ~HeldRig()
    {
        link.cancelAll();
        link.setTransports(nullptr, nullptr);
    }
};

}  // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void tearDownEndsWithoutAClosedNotification()
    {
        ReplaySession s(true);
        connectOne(s, 2);
        QVERIFY(s.session.connected);
        s.socket.silentClose = true;
        s.link.requestDisconnect();
        s.advance(6000);
        QCOMPARE(s.session.statusText, QByteArray("Not Connected"));
        QVERIFY(!s.session.connectionActive);
        QVERIFY(s.link.idle());
    }

    void aKeyWaitingForRoomGivesUpWhenThePortCloses()
    {
        ReplaySession s(true);
        connectOne(s, 1);
        s.port.txRoom = 99;
        QVERIFY(s.link.sendKey('A'));
        QVERIFY(s.link.sendKey('B'));
        s.advance(60000);
        QVERIFY(s.sent.empty());  // 99 free bytes keep it waiting
        s.port.tearDown();
        s.port.events()->transmitChanged();
        QVERIFY(s.sent.empty());
        QVERIFY(s.link.idle());  // the wait ended instead of looping on
        QVERIFY(!s.link.sendKey('C'));
    }

    // A file chosen after the link went down, or after another link came up,
    // is neither sent nor captured to: a send without its link could not be
    // stopped and would end up inside the next connection's login.
    void aFileChosenAfterTheLinkWentIsNotUsed()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("db.s28"));
        QFile f(db);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("S1 LINE\n");
        f.close();
        for (bool reconnected : {false, true}) {
            HeldRig r;
            r.link.connectToStored(0);
            QVERIFY(r.session.connected);
            r.link.toggleFileSend();
            r.socket.peerClose(0);
            r.clock.advance(7000);
            QCOMPARE(r.session.statusText, QByteArray("Not Connected"));
            if (reconnected) {
                r.link.connectToStored(0);
                QVERIFY(r.session.connected);
            }
            r.prompter.answer(db);
            r.link.toggleCapture();
            r.prompter.answer(dir.filePath(QStringLiteral("capture.txt")));
            QVERIFY(!r.session.sendingFile);
            r.clock.advance(60000);
            QVERIFY(!r.sent.contains("LINE"));
            QVERIFY(!r.session.capturing || reconnected);
            // Every file is offered: on Linux a name need not have a dot.
            for (const FileDialog &d : r.prompter.dialogs)
                QVERIFY(d.filter.endsWith(QStringLiteral("All files (*)")));
        }
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
