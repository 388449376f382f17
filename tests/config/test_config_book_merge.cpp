// Two windows on one "Kordex.ini": the three-way merge as a table, and the
// saves of two Configurations on one folder (an unchanged book writes
// nothing, a conflict keeps the disk's file beside, the lock).
#include "config/book_merge.h"
#include "config/configuration.h"
#include "config_test_support.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace kordex;
using namespace kordex::test;

namespace {
// "A:1 b:2": records by name, the number being the phone number (the
// record's version); "~" in a name stands for a blank.
Records book(const QByteArray &text)
{
    Records r;
    for (const QByteArray &item : text.split(' ')) {
        if (item.isEmpty())
            continue;
        const qsizetype colon = item.indexOf(':');
        ConnectionRecord rec = named(QByteArray(item.left(colon)).replace('~', ' '));
        rec.phoneNumber = item.mid(colon + 1);
        r.push_back(rec);
    }
    return r;
}

QByteArray text(const Records &records)
{
    QList<QByteArray> items;
    for (const ConnectionRecord &r : records)
        items << QByteArray(r.systemName).replace(' ', '~') + ':' + r.phoneNumber;
    return items.join(' ');
}

QByteArray conflictText(const std::vector<MergeConflict> &conflicts)
{
    static const char *const kinds[] = {"both", "deletedThere", "deletedHere"};
    QList<QByteArray> items;
    for (const MergeConflict &c : conflicts)
        items << c.name + '=' + kinds[int(c.kind)];
    return items.join(' ');
}

ConnectionBook asBook(const QByteArray &text)
{
    ConnectionBook b;
    b.assign(book(text));
    return b;
}
}  // namespace

class TestBookMerge : public QObject {
    Q_OBJECT
private slots:
    void merge_data();
    void merge();
    void messageNamesRecordsAndFiles();
    void unchangedWindowNeverWrites();
    void conflictKeepsDiskFileBesideAndTells();
    void goneFileGetsTheWholeBook();
    void liveLockFailsTheSaveAfterTheWait();
};

void TestBookMerge::merge_data()
{
    QTest::addColumn<QByteArray>("loaded");
    QTest::addColumn<QByteArray>("ours");
    QTest::addColumn<QByteArray>("disk");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QByteArray>("conflicts");
    auto row = [](const char *tag, const char *l, const char *o, const char *d, const char *s, bool b,
                  const char *c = "") {
        QTest::newRow(tag) << QByteArray(l) << QByteArray(o) << QByteArray(d) << QByteArray(s) << b << QByteArray(c);
    };
    row("nothing changed", "A:1 B:1", "A:1 B:1", "A:1 B:1", "A:1 B:1", false);
    row("added on disk", "A:1", "A:1", "A:1 C:1", "A:1 C:1", false);
    row("changed on disk", "A:1 B:1", "A:1 B:1", "A:2 B:1", "A:2 B:1", false);
    row("deleted on disk", "A:1 B:1", "A:1 B:1", "A:1", "A:1", false);
    row("added here", "A:1", "A:1 Z:1", "A:1", "A:1 Z:1", false);
    row("changed here", "A:1 B:1", "A:2 B:1", "A:1 B:1", "A:2 B:1", false);
    row("deleted here", "A:1 B:1", "A:1", "A:1 B:1", "A:1", false);
    row("added on both sides", "A:1", "A:1 Z:1", "A:1 C:1", "A:1 C:1 Z:1", false);
    row("each side changed another", "A:1 B:1", "A:2 B:1", "A:1 B:3", "A:2 B:3", false);
    row("changed alike on both", "A:1", "A:2", "A:2", "A:2", false);
    row("deleted on both", "A:1 B:1", "A:1", "A:1", "A:1", false);
    row("changed on both", "A:1 B:1", "A:2 B:1", "A:3 B:1", "A:2 B:1", true, "A=both");
    row("added on both, unlike", "", "N:1", "N:2", "N:1", true, "N=both");
    row("deleted on disk, changed here", "A:1 B:1", "A:1 B:2", "A:1", "A:1 B:2", false, "B=deletedThere");
    row("deleted here, changed on disk", "A:1 B:1", "A:1", "A:1 B:2", "A:1 B:2", false, "B=deletedHere");
    // The name is the key, letter case ignored: a rename is a deletion and an addition.
    row("renamed here, changed on disk", "A:1", "Q:1", "A:2", "A:2 Q:1", false, "A=deletedHere");
    row("letter case changed here", "abc:1", "ABC:1", "abc:1", "ABC:1", false);
    row("letter case here, changed on disk", "abc:1", "ABC:1", "aBc:2", "ABC:1", true, "ABC=both");
    // As the file gives them back: blanks around a name are no change.
    row("blank after a name here", "A:1", "A~:1", "A:2", "A:2", false);
    // A name twice in a hand-edited file: each occurrence on its own.
    row("name twice", "D:1 d:2", "D:1 d:3", "D:1 d:2 E:1", "D:1 d:3 E:1", false);
    // The disk's order, this window's new records after it, then sorted.
    row("order", "", "m:1 c:1", "Z:1 b:1", "b:1 c:1 m:1 Z:1", false);
    row("all at once", "A:1 B:1 C:1 D:1", "A:2 C:2 E:1", "B:1 C:3 D:2 F:1", "A:2 C:2 D:2 E:1 F:1", true,
        "C=both D=deletedHere A=deletedThere");
}

void TestBookMerge::merge()
{
    QFETCH(QByteArray, loaded);
    QFETCH(QByteArray, ours);
    QFETCH(QByteArray, disk);
    const MergedBook m = mergeBooks(book(loaded), book(ours), book(disk));
    QTEST(text(m.records), "saved");
    QTEST(m.needsBackup(), "backup");
    QTEST(conflictText(m.conflicts), "conflicts");
}

void TestBookMerge::messageNamesRecordsAndFiles()
{
    const QString text = mergeMessage({{MergeConflict::Kind::ChangedInBoth, "Plant \xe9"},
                                       {MergeConflict::Kind::ChangedInBoth, "Lobby"},
                                       {MergeConflict::Kind::DeletedThereChangedHere, "Roof"},
                                       {MergeConflict::Kind::DeletedHereChangedThere, "Cellar"}},
                                      QStringLiteral("/c/Kordex.ini"), QStringLiteral("/c/Kordex.ini.bak2"));
    for (const char *part :
         {"/c/Kordex.ini was changed", "\"Plant \xc3\xa9\", \"Lobby\"", "Kordex.ini.bak2",
          "changed here, so kept: \"Roof\"", "changed elsewhere, so kept as changed there: \"Cellar\""})
        QVERIFY2(text.contains(QString::fromUtf8(part)), qPrintable(text));
    QVERIFY(!mergeMessage({{MergeConflict::Kind::DeletedHereChangedThere, "Cellar"}}, QStringLiteral("/c/Kordex.ini"),
                          QString())
                 .contains(QStringLiteral("Changed in both")));
}

// Window A loaded the file and changed nothing; window B then added a record,
// and a hand edit put in a comment. A's save (its close) leaves the file as it is.
void TestBookMerge::unchangedWindowNeverWrites()
{
    Folders dirs;
    ScriptedPrompter pa, pb;
    Configuration a(dirs.folders, pa), b(dirs.folders, pb);
    const QString ini = dirs.shared(kIniFileName);
    ConnectionBook bookA = asBook("Alpha:1 Bravo:1"), bookB;
    QVERIFY(a.saveConnections(bookA));
    a.loadConnections(bookA);
    b.loadConnections(bookB);
    bookB.add(named("Charlie"));
    QVERIFY(b.saveConnections(bookB));
    writeFile(ini, "; by hand\r\n" + readFile(ini));
    const QByteArray before = readFile(ini);

    QVERIFY(a.saveConnections(bookA));
    QVERIFY(!a.lastSaveFailed());
    QCOMPARE(readFile(ini), before);
    QVERIFY(pa.messages.empty());
    // Unsorted by hand: order alone is no change either.
    writeFile(ini, "[Connections]\r\nCount=2\r\n[Connection0]\r\nSystemName=Z\r\n[Connection1]\r\nSystemName=A\r\n");
    a.loadConnections(bookA);
    QVERIFY(a.saveConnections(bookA));
    QVERIFY(readFile(ini).startsWith("[Connections]\r\nCount=2\r\n[Connection0]\r\nSystemName=Z\r\n"));
}

// Both changed "Alpha"; the disk also has a record and a section of its own.
// A "Kordex.ini.bak" kept earlier for an unreadable file is not replaced.
void TestBookMerge::conflictKeepsDiskFileBesideAndTells()
{
    Folders dirs;
    ScriptedPrompter pa, pb;
    Configuration a(dirs.folders, pa), b(dirs.folders, pb);
    const QString ini = dirs.shared(kIniFileName);
    writeFile(ini + QStringLiteral(".bak"), "an old unreadable book");
    ConnectionBook bookA = asBook("Alpha:1 Bravo:1"), bookB;
    QVERIFY(a.saveConnections(bookA));
    a.loadConnections(bookA);
    b.loadConnections(bookB);
    bookB.at(0).phoneNumber = "theirs";
    bookB.add(named("Charlie"));
    QVERIFY(b.saveConnections(bookB));
    writeFile(ini, readFile(ini) + "[Extra]\r\nKeep=me\r\n");
    const QByteArray disk = readFile(ini);

    bookA.at(0).phoneNumber = "ours";
    bookA.removeAt(1);
    QVERIFY(a.saveConnections(bookA));
    QCOMPARE(text(bookA.records()), QByteArray("Alpha:ours Charlie:"));
    ConnectionBook back;
    b.loadConnections(back);
    QCOMPARE(text(back.records()), QByteArray("Alpha:ours Charlie:"));
    QVERIFY(readFile(ini).contains("[Extra]\r\nKeep=me\r\n"));
    QCOMPARE(readFile(ini + QStringLiteral(".bak")), QByteArray("an old unreadable book"));
    QCOMPARE(readFile(ini + QStringLiteral(".bak2")), disk);
#ifdef Q_OS_UNIX
    struct stat st {};
    QCOMPARE(stat(QFile::encodeName(ini + QStringLiteral(".bak2")).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
#endif
    QCOMPARE(pa.messages.size(), size_t(1));
    QVERIFY(pa.messages[0].text.contains(QStringLiteral("\"Alpha\"")));
    QVERIFY(pa.messages[0].text.contains(ini + QStringLiteral(".bak2")));
    // The merged book is what A now has loaded: unchanged again, nothing written.
    const QByteArray merged = readFile(ini);
    QVERIFY(a.saveConnections(bookA));
    QCOMPARE(readFile(ini), merged);
}

// A file removed by hand while a window had it: that window's next save
// writes its whole book, not just what it changed.
void TestBookMerge::goneFileGetsTheWholeBook()
{
    Store s;
    s.book = asBook("Alpha:1 Bravo:1");
    QVERIFY(s.cfg.saveConnections(s.book));
    s.cfg.loadConnections(s.book);
    QVERIFY(QFile::remove(s.dirs.shared(kIniFileName)));
    s.book.at(1).phoneNumber = "2";
    QVERIFY(s.cfg.saveConnections(s.book));
    ConnectionBook back;
    s.cfg.loadConnections(back);
    QCOMPARE(text(back.records()), QByteArray("Alpha:1 Bravo:2"));
}

// Another window that holds the lock and does not end its save: this save
// gives up after the wait, says so and leaves the file alone.
void TestBookMerge::liveLockFailsTheSaveAfterTheWait()
{
    Store s;
    const QString ini = s.dirs.shared(kIniFileName);
    s.book = asBook("Alpha:1");
    QVERIFY(s.cfg.saveConnections(s.book));
    const QByteArray before = readFile(ini);
    QLockFile other(Configuration::lockFileOf(ini));
    QVERIFY(other.tryLock(0));
    s.book.add(named("Bravo"));
    QElapsedTimer waited;
    waited.start();
    QVERIFY(!s.cfg.saveConnections(s.book));
    QVERIFY(waited.elapsed() >= Configuration::kLockWait.count() - 100);
    QCOMPARE(s.p.messages.back().text, QStringLiteral("File Write Error. Records not saved."));
    QCOMPARE(readFile(ini), before);
    other.unlock();
    QVERIFY(s.cfg.saveConnections(s.book));
    QVERIFY(readFile(ini).contains("SystemName=Bravo"));
}

QTEST_GUILESS_MAIN(TestBookMerge)
#include "test_config_book_merge.moc"
