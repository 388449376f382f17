// libFuzzer target: the replay script interpreter with the link side: the
// stored connections, the operator's commands and the fake transports drive
// the link session, its waits and the engine on the virtual clock. The
// interpreter must end every script with a result, whatever its lines.
//
// Scripts whose waits add up to more than five virtual minutes are left out
// (they only run longer), and so are file lines that could name a path
// outside the scratch folder the target works in.
#include "replay/replay_script.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace kordex;

namespace {
constexpr qint64 kWaitBudgetMs = 5 * 60 * 1000;

bool acceptable(const QByteArray &script)
{
    qint64 waited = 0;
    for (const QByteArray &raw : script.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("wait")) {
            bool ok = false;
            const qint64 ms = line.mid(4).trimmed().toLongLong(&ok);
            if (ok && ms > 0 && (waited += ms) > kWaitBudgetMs)
                return false;
        }
        // "capture" and "sendfile" take a quoted path (escapes included).
        if ((line.startsWith("capture") || line.startsWith("sendfile")) &&
            (line.contains('/') || line.contains('\\') || line.contains("..")))
            return false;
    }
    return true;
}

void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static int argc = 1;
    static char name[] = "fuzz_replay";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    // Captures and sent files are plain names, in a folder of their own.
    static QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray script(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!acceptable(script))
        return -1;  // not kept in the corpus
    setUp();
    const ScriptResult r = runScript(script, [](const QByteArray &) {});
    if (r.exitCode < 0 || r.exitCode > 2 || (r.exitCode != 0 && r.messages.isEmpty()))
        std::abort();
    return 0;
}
