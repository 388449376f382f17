// Two windows, one connection book. Real processes on one configuration
// folder: the real kordex, and operator windows (this program started again
// as a Kordex window whose Connection Properties dialog is worked from
// standard input), with hand edits of "Kordex.ini" between them.
#include "app/program.h"
#include "e2e_support.h"
#include "faces/connection_properties.h"
#include "platform/folders.h"
#include "platform/qt_clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLockFile>

#include <iostream>
#include <string>
#include <unistd.h>

using namespace kordex;
using namespace kordex::test;

namespace {

// A Kordex window whose operator reads one command a line:
//   show                the Connection Properties dialog, in its manage mode
//   add NAME PHONE      a new entry
//   edit NAME PHONE     an entry's phone number changed
//   delete NAME         an entry deleted
//   close               the window closed (with its save); the program ends
// Each is answered by the texts of the boxes it brought, one a line, then "ok".
int operatorWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    QtClock clock;
    ScriptedPrompter prompter;
    Configuration configuration(resolveStorageFolders(), prompter);
    Program::Options options;
    options.flashLamps = false;
    options.configuration = &configuration;
    Program program(clock, prompter, options);
    ConnectionPropertiesLogic &dialog = program.dialog->logic();
    size_t told = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        const QList<QByteArray> words = QByteArray::fromStdString(line).split(' ');
        const QByteArray command = words.value(0), name = words.value(1), phone = words.value(2);
        const auto &list = dialog.listItems();
        const int entry = int(std::find(list.begin(), list.end(), name) - list.begin());
        const bool listed = entry < int(list.size());
        if (command == "show") {
            program.dialog->showInMode(DialogMode::Manage);
        } else if (command == "add") {
            dialog.accept();  // "New"
            dialog.fields.systemName = name;
            dialog.fields.phoneNumber = phone;
            dialog.accept();
        } else if (command == "edit" && listed) {
            dialog.selectEntry(entry);
            dialog.editEntry();
            dialog.fields.phoneNumber = phone;
            dialog.accept();
        } else if (command == "delete" && listed) {
            dialog.selectEntry(entry);
            dialog.deleteEntry();
        } else if (command == "close") {
            program.window.close();
        } else {
            std::cout << "cannot " << line << '\n';
        }
        for (; told < prompter.messages.size(); ++told)
            std::cout << prompter.messages[told].text.simplified().toStdString() << '\n';
        std::cout << "ok" << std::endl;
        if (command == "close")
            break;
    }
    return 0;
}

// Holds the lock of the saves of `ini` until killed.
int lockHolder(const char *ini)
{
    QLockFile lock(Configuration::lockFileOf(QFile::decodeName(ini)));
    if (!lock.tryLock(0))
        return 1;
    std::cout << "locked" << std::endl;
    for (;;)
        ::pause();
}

struct Operator {
    QProcess process;
    explicit Operator(const Home &home)
    {
        process.setProcessEnvironment(home.environment());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window")});
    }
    ~Operator()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    void send(const QByteArray &command) { process.write(command + '\n'); }
    // The box texts of the next command, and "no answer" when none came.
    QStringList answer()
    {
        QStringList told;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kLimitMs) {
            if (!process.canReadLine() && !process.waitForReadyRead(1000))
                continue;
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == QLatin1String("ok"))
                return told;
            told << line;
        }
        return told << QStringLiteral("no answer");
    }
    QStringList operator()(const QByteArray &command)
    {
        send(command);
        return answer();
    }
};

// "Alpha:1 Bravo:2": the names and phone numbers of a book.
QByteArray text(const ConnectionBook &book)
{
    QList<QByteArray> items;
    for (int i = 0; i < book.count(); ++i)
        items << book.at(i).systemName + ':' + book.at(i).phoneNumber;
    return items.join(' ');
}

void store(const Home &home, const QByteArray &names)
{
    ConnectionBook book;
    for (const QByteArray &item : names.split(' ')) {
        ConnectionRecord r;
        r.systemName = item.left(item.indexOf(':'));
        r.phoneNumber = item.mid(item.indexOf(':') + 1);
        book.add(r);
    }
    ScriptedPrompter silent;
    Configuration({QString(), home.folder, true}, silent).saveConnections(book);
}

QByteArray stored(const Home &home)
{
    ConnectionBook book;
    ScriptedPrompter silent;
    Configuration({QString(), home.folder, true}, silent).loadConnections(book);
    return text(book);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The real kordex, started on the book and left alone.
void startUntouched(Home &home)
{
    home.start();
    QTRY_VERIFY_WITH_TIMEOUT(home.traced("status \"Not Connected\""), kLimitMs);
}

void endUntouched(Home &home)
{
    home.terminate();
    QVERIFY(home.process.waitForFinished(kLimitMs));
    QCOMPARE(home.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(home.process.exitCode(), 0);
}

bool mentions(const QStringList &told, const QString &a, const QString &b)
{
    return told.size() == 1 && told[0].contains(a) && told[0].contains(b);
}
}  // namespace

class TestE2eBook : public QObject {
    Q_OBJECT
private slots:
    void untouchedWindowKeepsWhatOthersSaved();
    void twoWindowsAndAHandEditLoseNothing();
    void savesNeverInterleave();
    void lockOfAKilledProgramIsTakenOver();
};

// Started, and closed without a touch while another window added a record
// and a hand edit went in: the close used to write its stale book over both.
void TestE2eBook::untouchedWindowKeepsWhatOthersSaved()
{
    Home home;
    store(home, "Alpha:1 Bravo:1");
    startUntouched(home);
    Operator other(home);
    QCOMPARE(other("show"), QStringList());
    QCOMPARE(other("add Charlie 3"), QStringList());
    QCOMPARE(other("close"), QStringList());
    writeAll(home.ini, "; by hand\r\n" + readAll(home.ini) + "[Extra]\r\nKeep=me\r\n");
    const QByteArray before = readAll(home.ini);

    endUntouched(home);
    QCOMPARE(readAll(home.ini), before);
    QCOMPARE(stored(home), QByteArray("Alpha:1 Bravo:1 Charlie:3"));
}

// Every way two windows and a hand edit meet, in turn; an untouched kordex
// beside them all along.
void TestE2eBook::twoWindowsAndAHandEditLoseNothing()
{
    Home home;
    store(home, "Alpha:1 Bravo:1 Charlie:1");
    startUntouched(home);
    Operator one(home), two(home);
    QCOMPARE(one("show"), QStringList());
    QCOMPARE(two("show"), QStringList());

    // By hand: Charlie's number, and a section of the editor's own.
    QByteArray file = readAll(home.ini);
    const qsizetype charlie = file.indexOf("PhoneNum=1", file.indexOf("SystemName=Charlie"));
    QVERIFY(charlie > 0);
    writeAll(home.ini, file.replace(charlie, 10, "PhoneNum=7") + "[Extra]\r\nKeep=me\r\n");

    // Added here, over a changed file; then changed here.
    QCOMPARE(one("add Echo 5"), QStringList());
    QCOMPARE(one("edit Alpha 11"), QStringList());
    QCOMPARE(stored(home), QByteArray("Alpha:11 Bravo:1 Charlie:7 Echo:5"));
    const QByteArray beforeConflict = readAll(home.ini);

    // Changed on both sides: this window's version, the other in the backup.
    const QStringList told = two("edit Alpha 22");
    QVERIFY2(mentions(told, QStringLiteral("\"Alpha\""), home.ini + QStringLiteral(".bak")),
             qPrintable(told.join('\n')));
    QCOMPARE(readAll(home.ini + QStringLiteral(".bak")), beforeConflict);
    QCOMPARE(two("delete Bravo"), QStringList());
    QCOMPARE(two("add Foxtrot 6"), QStringList());
    QCOMPARE(stored(home), QByteArray("Alpha:22 Charlie:7 Echo:5 Foxtrot:6"));

    // Changed here while the other window deleted one record and changed
    // another that this one has not changed: their changes stay.
    QCOMPARE(one("edit Echo 55"), QStringList());
    QCOMPARE(stored(home), QByteArray("Alpha:22 Charlie:7 Echo:55 Foxtrot:6"));

    // Deleted here but changed there: kept as changed there.
    QVERIFY(mentions(two("delete Echo"), QStringLiteral("\"Echo\""), QStringLiteral("kept as changed there")));
    QCOMPARE(stored(home), QByteArray("Alpha:22 Charlie:7 Echo:55 Foxtrot:6"));
    // Deleted there but changed here: kept as changed here.
    QCOMPARE(two("delete Foxtrot"), QStringList());
    QVERIFY(mentions(one("edit Foxtrot 66"), QStringLiteral("\"Foxtrot\""), QStringLiteral("changed here, so kept")));

    const QByteArray final = readAll(home.ini);
    QCOMPARE(one("close"), QStringList());
    QCOMPARE(two("close"), QStringList());
    endUntouched(home);
    QCOMPARE(readAll(home.ini), final);
    QCOMPARE(stored(home), QByteArray("Alpha:22 Charlie:7 Echo:55 Foxtrot:66"));
    QVERIFY(final.contains("[Extra]\r\nKeep=me\r\n"));
}

// Two windows adding records as fast as they can: each save reads, merges
// and writes the file while the other does the same.
void TestE2eBook::savesNeverInterleave()
{
    constexpr int kEach = 25;
    Home home;
    store(home, "Alpha:1");
    Operator one(home), two(home);
    QByteArray batchOne = "show\n", batchTwo = "show\n", expected = "Alpha:1";
    for (int i = 0; i < kEach; ++i) {
        const QByteArray n = QByteArray::number(100 + i);
        batchOne += "add One" + n + ' ' + n + '\n';
        batchTwo += "add Two" + n + ' ' + n + '\n';
    }
    for (int i = 0; i < kEach; ++i)
        expected += " One" + QByteArray::number(100 + i) + ':' + QByteArray::number(100 + i);
    for (int i = 0; i < kEach; ++i)
        expected += " Two" + QByteArray::number(100 + i) + ':' + QByteArray::number(100 + i);
    one.process.write(batchOne);
    two.process.write(batchTwo);
    for (int i = 0; i <= kEach; ++i) {
        QCOMPARE(one.answer(), QStringList());
        QCOMPARE(two.answer(), QStringList());
    }
    QCOMPARE(stored(home), expected);
}

// A save that finds the lock of a program that was killed takes it over.
void TestE2eBook::lockOfAKilledProgramIsTakenOver()
{
    Home home;
    store(home, "Alpha:1");
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), home.ini});
    QVERIFY(holder.waitForReadyRead(kLimitMs));
    QCOMPARE(holder.readLine(), QByteArray("locked\n"));
    holder.kill();
    QVERIFY(holder.waitForFinished(kLimitMs));
    const QString lock = Configuration::lockFileOf(home.ini);
    QVERIFY(QFile::exists(lock));  // left behind

    Operator window(home);
    QCOMPARE(window("show"), QStringList());
    QCOMPARE(window("add Bravo 2"), QStringList());  // no "File Write Error"
    QCOMPARE(stored(home), QByteArray("Alpha:1 Bravo:2"));
    QVERIFY(!QFile::exists(lock));
}

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--window") == 0)
        return operatorWindow(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return lockHolder(argv[2]);
    QCoreApplication app(argc, argv);
    TestE2eBook test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_e2e_book.moc"
