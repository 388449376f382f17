// Link faults the scripts cannot stage: a transport whose close reports
// nothing, and a port that closes while a key waits for transmit room.
#include "tools/replay_script.h"

#include <QtTest>

using namespace kordex;

namespace {
// A record of `type` without automatic login, connected.
void connectOne(ReplaySession &s, int type)
{
    TConnectionRec r;
    r.ConnectionType = uint8_t(type);
    r.AutoLogin = false;
    s.book.add(r);
    s.link.ConnectToStored(0);
}
}  // namespace

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void tearDownEndsWithoutAClosedNotification()
    {
        ReplaySession s(true);
        connectOne(s, 2);
        QVERIFY(s.session.Connected);
        s.socket.silentClose = true;
        s.link.DisconnectClick();
        s.advance(6000);
        QCOMPARE(s.session.StatusText, QByteArray("Not Connected"));
        QVERIFY(!s.session.ConnectionActive);
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
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
