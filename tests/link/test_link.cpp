// Link faults the scripts cannot stage: a transport whose close reports
// nothing, and a port that closes while a key waits for transmit room.
#include "tools/replay_script.h"

#include <QtTest>

using namespace kordex;

class TestLink : public QObject {
    Q_OBJECT
private slots:
    void tearDownEndsWithoutAClosedNotification()
    {
        ReplaySession s(true);
        TConnectionRec r;
        r.SystemName = "Gate";
        r.ConnectionType = 2;
        r.AutoLogin = false;
        s.book.add(r);
        s.link.ConnectToStored(0);
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
        TConnectionRec r;
        r.SystemName = "Line";
        r.ConnectionType = 1;
        r.AutoLogin = false;
        s.book.add(r);
        s.link.ConnectToStored(0);
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
