#pragma once
// The real kordex, offscreen, in a home of its own, writing a session trace;
// stopped by SIGTERM at the end.
#include "config/configuration.h"
#include "platform/prompter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace kordex::test {

inline constexpr int kLimitMs = 30000;

struct Home {
    QTemporaryDir home;
    QString folder = home.path() + QStringLiteral("/Corvane/Kordex/");
    QString ini = folder + kIniFileName;
    QString tracePath = home.filePath(QStringLiteral("session.trace"));
    QProcess process;

    Home() { QDir().mkpath(folder); }
    ~Home()
    {
        if (process.state() != QProcess::NotRunning) {
            terminate();
            if (!process.waitForFinished(10000))
                process.kill();
            process.waitForFinished(5000);
        }
    }
    // Stores a book of one record, "Plant Room".
    void store(ConnectionRecord r) const
    {
        r.systemName = "Plant Room";
        ConnectionBook book;
        book.add(r);
        ScriptedPrompter silent;
        Configuration({QString(), folder, true}, silent).saveConnections(book);
    }
    // What a program started in this home sees: its configuration is here.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
    void start(const QStringList &args = {})
    {
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(KORDEX_BIN), QStringList{QStringLiteral("--trace"), tracePath} + args);
    }
    void terminate() const { ::kill(pid_t(process.processId()), SIGTERM); }
    QByteArray trace() const
    {
        QFile f(tracePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool traced(const QByteArray &what) const { return trace().contains(what); }
    QByteArray lastStatus() const
    {
        const QByteArray t = trace();
        const qsizetype at = t.lastIndexOf(" status \"");
        return at < 0 ? QByteArray() : t.mid(at + 9, t.indexOf('\n', at) - at - 10);
    }
};

// Started on the one stored connection; `ports`: "COM150=/path" lines for
// the [Ports] section.
struct Kordex : Home {
    explicit Kordex(ConnectionRecord r, const QByteArray &ports = {})
    {
        r.autoLogin = false;  // the command line forces it on
        store(r);
        if (!ports.isEmpty()) {
            QFile file(ini);
            if (file.open(QIODevice::Append))
                file.write("[Ports]\r\n" + ports + "\r\n");
        }
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        start({QStringLiteral("PLANT ROOM")});
    }
};

}  // namespace kordex::test
